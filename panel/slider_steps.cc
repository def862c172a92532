// Slider steps from the ranges, and wheel deltas counted in notches.
#include "slider_steps.h"

namespace {

constexpr int kDeltaPerNotch = 120;

int dividedUp(int span, int parts) {
  return (span + parts - 1) / parts;
}

}  // namespace

int pageStep(const SliderRange& range) {
  return dividedUp(range.high - range.low, 5);
}

int lineStep(const SliderRange& range) {
  return dividedUp(range.high - range.low, 100);
}

int takeWheelNotches(int& pendingDelta, int angleDelta) {
  if ((pendingDelta > 0 && angleDelta < 0) || (pendingDelta < 0 && angleDelta > 0)) {
    pendingDelta = 0;
  }
  pendingDelta += angleDelta;
  const int notches = pendingDelta / kDeltaPerNotch;
  pendingDelta -= notches * kDeltaPerNotch;
  return notches;
}
