// The panel's controls logic: slider positions, their mapping to engine parameters, the link
// rule, Method and Reset. Free of any window layer; the dialog supplies the two exchanges.
#pragma once

#include <cstdint>

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

// The last exchanged state of each control: slider positions, and 0 or 1 for the check boxes.
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

// Copies between the controls and the record. While either runs, no handler may run.
class ControlExchange {
 public:
  virtual ~ControlExchange() = default;
  virtual void readControls(ControlValues& values) = 0;
  virtual void writeControls(const ControlValues& values) = 0;
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
// The start-up positions of every slider, and Method not ticked; the link members stay.
void setStartupPositions(ControlValues& values);

class PanelControls {
 public:
  PanelControls(Granulator& granulator, ControlExchange& exchange);

  // The start-up positions (Method not ticked; the link members are left as they are).
  void setStartupPositions();
  // Lengths, zero chance, pitch range with walk, location, pitch mode, in that order.
  void applyAll();
  // The start of every run: prepare with the Fade position, apply every control, then seed, so
  // that prepare's own draws come from the state before the seed.
  void startEngine(const float* samples, int frameCount, uint32_t seed);

  void OnCustomdrawLength1();
  void OnCustomdrawLength2();
  void OnCustomdrawZero();
  void OnCustomdrawPitch1();
  void OnCustomdrawPitch2();
  void OnCustomdrawPitchWalk();
  void OnCustomdrawLocation();
  void OnCustomdrawFade();
  void OnMethod();
  void OnReset();

  ControlValues& values() { return m_values; }
  const ControlValues& values() const { return m_values; }

 private:
  void applyLengths();
  void applyZero();
  void applyPitchRange();
  void applyLinkedPitch(int position);
  void applyLocation();

  Granulator& m_granulator;
  ControlExchange& m_exchange;
  ControlValues m_values;
};
