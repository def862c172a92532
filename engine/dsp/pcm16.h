// Float to signed 16-bit conversion, shared by the live stream and the offline renderer.
#pragma once

#include <cstdint>

constexpr double kPcmScale = 32767.0;

// Clamp to [-1, 1] (a NaN fails the lower test and becomes -1), scale by 32767 and truncate
// toward zero: 1.0 gives 32767, -1.0 gives -32767, and -32768 never occurs.
inline int16_t toPcm16(float x) {
  if (x > 1.0f) {
    x = 1.0f;
  } else if (!(x >= -1.0f)) {
    x = -1.0f;
  }
  return static_cast<int16_t>(static_cast<double>(x) * kPcmScale);
}
