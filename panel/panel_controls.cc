// Slider positions to engine parameters, and the steps of each control handler.
#include "panel_controls.h"

#include <algorithm>
#include <cstdint>

#include "granulator.h"
#include "random_source.h"

namespace {

// Each constant is a float; the product is formed in double and stored as the nearest float.
constexpr float kZeroStep = 0.001f;
constexpr float kPitchStep = 0.00004f;
constexpr float kWalkStep = 0.000001f;
constexpr float kSpreadStep = 1.0f / 75000.0f;
constexpr float kSpeedStep = 0.0002f;

constexpr int kLengthTop = 4000;
constexpr int kZeroTop = 1000;
constexpr int kPitchCentre = 50000;

// A signed 32-bit difference that wraps instead of overflowing, as the panel's integers do.
int difference(int a, int b) {
  return static_cast<int>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

float scaled(int count, float step) {
  return static_cast<float>(count * static_cast<double>(step));
}

}  // namespace

int lengthEnd(int position) {
  return difference(kLengthTop, position);
}

float zeroChance(int position) {
  return scaled(difference(kZeroTop, position), kZeroStep);
}

float pitchRate(int position) {
  return scaled(difference(position, kPitchCentre), kPitchStep);
}

float walkScale(int position) {
  return scaled(position, kWalkStep);
}

float spreadFraction(int position) {
  return scaled(position, kSpreadStep);
}

float locationSpeed(int position) {
  return scaled(position, kSpeedStep);
}

PitchMode pitchModeOf(int method) {
  return method != 0 ? PitchMode::kEachHeadWalks : PitchMode::kHeadsShareRate;
}

int shownPosition(int id, long long position) {
  for (const SliderRange& range : kSliderRanges) {
    if (range.id == id) {
      return static_cast<int>(std::clamp<long long>(position, range.low, range.high));
    }
  }
  return static_cast<int>(std::clamp<long long>(position, INT32_MIN, INT32_MAX));
}

void setStartupPositions(ControlValues& values) {
  for (const SliderRange& range : kSliderRanges) {
    *sliderMember(values, range.id) = range.startPosition;
  }
  values.m_method = 0;
}

int* sliderMember(ControlValues& values, int id) {
  switch (id) {
    case IDC_LENGTH1:
      return &values.m_length1;
    case IDC_LENGTH2:
      return &values.m_length2;
    case IDC_ZERO:
      return &values.m_zero;
    case IDC_PITCH1:
      return &values.m_pitch1;
    case IDC_PITCH2:
      return &values.m_pitch2;
    case IDC_PITCHWALK:
      return &values.m_pitchWalk;
    case IDC_SPREAD:
      return &values.m_spread;
    case IDC_SPEED:
      return &values.m_speed;
    case IDC_FADE:
      return &values.m_fade;
    default:
      return nullptr;
  }
}

PanelControls::PanelControls(Granulator& granulator, ControlExchange& exchange)
    : m_granulator(granulator), m_exchange(exchange) {}

void PanelControls::setStartupPositions() {
  ::setStartupPositions(m_values);
}

void PanelControls::applyAll() {
  applyLengths();
  applyZero();
  applyPitchRange();
  applyLocation();
  m_granulator.setPitchMode(pitchModeOf(m_values.m_method));
}

void PanelControls::startEngine(const float* samples, int frameCount, uint32_t seed) {
  m_granulator.prepare(samples, frameCount, m_values.m_fade);
  applyAll();
  seedRandom(seed);
}

void PanelControls::OnCustomdrawLength1() {
  m_exchange.readControls(m_values);
  if (m_values.m_linkLength != 0) {
    m_values.m_length2 = m_values.m_length1;
    m_exchange.writeControls(m_values);
  }
  applyLengths();
}

void PanelControls::OnCustomdrawLength2() {
  m_exchange.readControls(m_values);
  if (m_values.m_linkLength != 0) {
    m_values.m_length1 = m_values.m_length2;
    m_exchange.writeControls(m_values);
  }
  applyLengths();
}

void PanelControls::OnCustomdrawZero() {
  m_exchange.readControls(m_values);
  applyZero();
}

void PanelControls::OnCustomdrawPitch1() {
  m_exchange.readControls(m_values);
  if (m_values.m_linkPitch != 0) {
    m_values.m_pitch2 = m_values.m_pitch1;
    applyLinkedPitch(m_values.m_pitch1);
  } else {
    applyPitchRange();
  }
}

void PanelControls::OnCustomdrawPitch2() {
  m_exchange.readControls(m_values);
  if (m_values.m_linkPitch != 0) {
    m_values.m_pitch1 = m_values.m_pitch2;
    applyLinkedPitch(m_values.m_pitch2);
  } else {
    applyPitchRange();
  }
}

void PanelControls::OnCustomdrawPitchWalk() {
  m_exchange.readControls(m_values);
  applyPitchRange();
}

void PanelControls::OnCustomdrawLocation() {
  m_exchange.readControls(m_values);
  applyLocation();
}

// The crossfade length is taken only when playback starts.
void PanelControls::OnCustomdrawFade() {}

void PanelControls::OnMethod() {
  m_exchange.readControls(m_values);
  m_granulator.setPitchMode(pitchModeOf(m_values.m_method));
}

// The read only serves to take the link toggles as the user left them, so that the write below
// cannot set a toggle clicked since the last read back; every other member is overwritten.
void PanelControls::OnReset() {
  m_exchange.readControls(m_values);
  ::setStartupPositions(m_values);
  m_exchange.writeControls(m_values);
  applyAll();
}

void PanelControls::applyLengths() {
  m_granulator.setLengthRange(lengthEnd(m_values.m_length1), lengthEnd(m_values.m_length2));
}

void PanelControls::applyZero() {
  m_granulator.setZeroChance(zeroChance(m_values.m_zero));
}

void PanelControls::applyPitchRange() {
  m_granulator.setPitchRange(pitchRate(m_values.m_pitch1), pitchRate(m_values.m_pitch2),
                             walkScale(m_values.m_pitchWalk));
}

// The engine takes the single rate before the partner's thumb is moved to it.
void PanelControls::applyLinkedPitch(int position) {
  const float rate = pitchRate(position);
  m_granulator.setPitchRange(rate, rate, walkScale(m_values.m_pitchWalk));
  m_exchange.writeControls(m_values);
}

void PanelControls::applyLocation() {
  m_granulator.setLocation(spreadFraction(m_values.m_spread), locationSpeed(m_values.m_speed));
}
