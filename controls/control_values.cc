// Slider positions to engine parameters, the start positions and the members behind each slider.
#include "control_values.h"

#include <algorithm>
#include <cstdint>

#include "granulator.h"

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

bool operator==(const ControlValues& a, const ControlValues& b) {
  return a.m_length2 == b.m_length2 && a.m_length1 == b.m_length1 && a.m_zero == b.m_zero &&
         a.m_pitch1 == b.m_pitch1 && a.m_pitch2 == b.m_pitch2 && a.m_pitchWalk == b.m_pitchWalk &&
         a.m_method == b.m_method && a.m_speed == b.m_speed && a.m_spread == b.m_spread &&
         a.m_fade == b.m_fade && a.m_linkLength == b.m_linkLength && a.m_linkPitch == b.m_linkPitch;
}

const int* sliderMember(const ControlValues& values, int id) {
  return sliderMember(const_cast<ControlValues&>(values), id);
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
