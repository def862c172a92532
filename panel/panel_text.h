// The texts the panel shows about its state: each slider's value in a musician's units, and the
// window title. No Qt here.
#pragma once

#include <string>

#include "control_values.h"

// What slider `id` gives the engine at the positions in `values`, named, e.g.
// "Length 1: 1000 samples (22.7 ms)". `frameCount` is the loaded sound's length, 0 when none is
// loaded (the spread is then shown as a share of the sound only). Empty for a control that is not
// a slider.
std::string readoutText(int id, const ControlValues& values, int frameCount);

// "pad.wav — Grainpanel" for a sound loaded from .../pad.wav; "Grainpanel" with none.
std::string panelTitle(const std::string& soundPath);
