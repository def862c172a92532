// Raised-cosine fade-in and fade-out over both ends of a loaded sound.
#include "fade_edges.h"

#include <algorithm>

#include "raised_cosine.h"

namespace {

// A float constant, slightly below 0.01, so 44100 frames fade over 440 and not 441.
constexpr float kFadeFraction = 0.01f;
constexpr int kMinFadeFrames = 10;

}  // namespace

void fadeEdges(float* samples, int n) {
  int count = static_cast<int>(n * static_cast<double>(kFadeFraction));
  count = std::min(std::max(count, kMinFadeFrames), n);
  // The factor stays a double; only the product is rounded, where it is stored.
  for (int i = 0; i < count; ++i) {
    samples[i] = static_cast<float>(samples[i] * raisedCosine(i, count));
  }
  for (int i = 0; i < count; ++i) {
    float& s = samples[n - 1 - i];
    s = static_cast<float>(s * raisedCosine(i, count));
  }
}
