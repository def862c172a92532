// Controller values and transpositions to slider positions.
#include "midi_mapping.h"

#include <cmath>

#include "control_values.h"

namespace {

// pitchRate(kPitchCentre) is 0: the rate is (position - 50000) x 0.00004.
constexpr int kPitchCentre = 50000;

}  // namespace

int controllerPosition(int low, int high, int value, int valueTop) {
  const long long span = static_cast<long long>(high) - low;
  const long long step = (2 * value * span + valueTop) / (2LL * valueTop);
  return static_cast<int>(high - step);
}

int transposedPitch(int position, double semitones) {
  const double distance = (position - kPitchCentre) * std::exp2(semitones / 12.0);
  return shownPosition(IDC_PITCH1, kPitchCentre + std::llround(distance));
}
