// Raised-cosine fade-in and fade-out over both ends of a loaded sound.
#pragma once

// At least 10 frames, otherwise 1% of n, at each end; never more than n, so a sound shorter
// than 20 frames has overlapping fades and nothing outside samples[0..n) is touched.
void fadeEdges(float* samples, int n);
