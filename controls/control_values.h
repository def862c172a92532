// The instrument's controls: their ids, the record of their positions, their ranges and start
// positions, and the mappings from positions to engine parameters.
#pragma once

#include "granulator.h"

// Control identifiers of the panel.
enum ControlId {
  IDC_RUN = 1000,
  IDC_LENGTH1 = 1001,
  IDC_LENGTH2 = 1002,
  IDC_FILE = 1003,
  IDC_PITCH1 = 1004,
  IDC_PITCH2 = 1005,
  IDC_ZERO = 1006,
  IDC_METHOD = 1007,
  IDC_PITCHWALK = 1008,
  IDC_SPREAD = 1009,
  IDC_SPEED = 1010,
  IDC_RESET = 1011,
  IDC_FADE = 1012,
  IDC_LINKPITCH = 1013,
  IDC_LINKLENGTH = 1014,
};

// The state of each control: slider positions, and 0 or 1 for the check boxes.
struct ControlValues {
  int m_length2 = 0;
  int m_length1 = 0;
  int m_zero = 0;
  int m_pitch1 = 0;
  int m_pitch2 = 0;
  int m_pitchWalk = 0;
  int m_method = 1;
  int m_speed = 5000;
  int m_spread = 0;
  int m_fade = 0;
  int m_linkLength = 0;
  int m_linkPitch = 0;
};

bool operator==(const ControlValues& a, const ControlValues& b);
inline bool operator!=(const ControlValues& a, const ControlValues& b) {
  return !(a == b);
}

// A slider's range, low end first (a vertical slider shows the low end at the top).
struct SliderRange {
  int id;
  int low;
  int high;
  int startPosition;
};

// In the order the ranges are set at start-up.
constexpr SliderRange kSliderRanges[] = {
    {IDC_LENGTH1, 0, 4000, 3000},   {IDC_LENGTH2, 0, 4000, 3000},   {IDC_ZERO, 0, 1000, 1000},
    {IDC_PITCH1, 0, 100000, 75000}, {IDC_PITCH2, 0, 100000, 75000}, {IDC_PITCHWALK, 0, 10000, 0},
    {IDC_SPREAD, 0, 1000, 0},       {IDC_SPEED, 0, 10000, 5000},    {IDC_FADE, 1, 4000, 1000},
};

// Mappings from positions to engine parameters.
int lengthEnd(int position);
float zeroChance(int position);
float pitchRate(int position);
float walkScale(int position);
float spreadFraction(int position);
float locationSpeed(int position);
PitchMode pitchModeOf(int method);

// The position a control shows after `position` is written to it: a slider clamps to its range.
int shownPosition(int id, long long position);
// The member that mirrors a slider, or null for a control that is not a slider.
int* sliderMember(ControlValues& values, int id);
const int* sliderMember(const ControlValues& values, int id);
// The start-up positions of every slider, and Method not ticked; the link members stay. Reset
// restores the same.
void setStartupPositions(ControlValues& values);
