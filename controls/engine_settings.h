// The engine calls that the controls make: each control's setter, the full application used by
// Run and Reset, and the start of a Run.
#pragma once

#include <cstdint>

#include "control_values.h"

class Granulator;

void applyLengths(Granulator& granulator, const ControlValues& values);
void applyZero(Granulator& granulator, const ControlValues& values);
void applyPitchRange(Granulator& granulator, const ControlValues& values);
// One rate at both ends, from the Pitch slider at `position`: the link's single value.
void applyLinkedPitch(Granulator& granulator, const ControlValues& values, int position);
void applyLocation(Granulator& granulator, const ControlValues& values);
void applyMethod(Granulator& granulator, const ControlValues& values);
// Lengths, zero chance, pitch range with walk, location, pitch mode, in that order.
void applyAll(Granulator& granulator, const ControlValues& values);
// A change as the worker takes it: applyAll's calls, the pitch range only when it was set again,
// since setting it restarts both heads' rates from its centre.
void applyTaken(Granulator& granulator, const ControlValues& values, bool recentred);

// The start of every Run: prepare with the Fade position, apply every control, then seed, so
// that prepare's own draws come from the state before the seed.
void startRun(Granulator& granulator, const ControlValues& values, const float* samples,
              int frameCount, uint32_t seed);
// Every Run of the panel and grainrender's render: the random source at its start state, then
// startRun, so that the seed and the positions alone say what plays.
void startFirstRun(Granulator& granulator, const ControlValues& values, const float* samples,
                   int frameCount, uint32_t seed);
