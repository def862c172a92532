// How far the keyboard, a click in the groove and the mouse wheel move a slider. No Qt here.
#pragma once

#include "control_values.h"

// A fifth of the range (Page Up, Page Down, a click in the groove) and a hundredth (the arrow
// keys, one wheel notch), rounded up so that five pages or a hundred steps always cross it.
int pageStep(const SliderRange& range);
int lineStep(const SliderRange& range);

// A wheel reports eighths of a degree, 120 to a notch, and a fine wheel reports parts of one.
// Adds `angleDelta` to what earlier events left in `pendingDelta` and returns the whole notches,
// positive away from the user; the rest waits for the next event unless the wheel turns back.
int takeWheelNotches(int& pendingDelta, int angleDelta);
