// How a controller value or a held note becomes a slider position.
#pragma once

// A 7-bit controller tops at 127; a 14-bit pair (CC n with n + 32) at 16383.
constexpr int kControllerTop7 = 127;
constexpr int kControllerTop14 = 16383;

// The position of a slider of range `low`..`high` for a controller value from 0 to `valueTop`,
// in even steps rounded to the nearest position: 0 is the slider's bottom, which is its high end
// (the panel's vertical sliders show the low end at the top), and `valueTop` its top.
int controllerPosition(int low, int high, int value, int valueTop);

// A Pitch slider's position moved by `semitones`, clamped at the slider's ends. A rate is
// proportional to the position's distance from the rate-0 centre, so a transposition scales
// that distance: twelve semitones double it, and with it every rate.
int transposedPitch(int position, double semitones);
