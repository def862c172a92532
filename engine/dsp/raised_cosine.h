// The raised-cosine ramp shared by the crossfade window and the edge fades of a loaded sound.
#pragma once

#include <cmath>

// w(i, L) = 1 - (cos(i * 3.1415 / L) + 1) * 0.5 in double precision. The angle constant is the
// decimal 3.1415, not pi, so w(0, L) is 0 and the last value stays a little below 1.
inline double raisedCosine(int i, int length) {
  return 1.0 - (std::cos(i * 3.1415 / length) + 1.0) * 0.5;
}
