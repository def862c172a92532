// Float to signed 16-bit conversion, shared by the live stream and the offline renderer.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// Four samples through the same steps: the same two clamping tests, the product in double
// (exact, as a float times 32767 needs at most 39 bits) and truncation toward zero.
inline __m128i toPcm32x4(__m128 x) {
  const __m128 one = _mm_set1_ps(1.0f);
  const __m128 minusOne = _mm_set1_ps(-1.0f);
  const __m128d scale = _mm_set1_pd(kPcmScale);
  const __m128 above = _mm_cmpgt_ps(x, one);
  x = _mm_or_ps(_mm_and_ps(above, one), _mm_andnot_ps(above, x));
  const __m128 inside = _mm_cmpge_ps(x, minusOne);
  x = _mm_or_ps(_mm_and_ps(inside, x), _mm_andnot_ps(inside, minusOne));
  const __m128i low = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtps_pd(x), scale));
  const __m128i high = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(x, x)), scale));
  return _mm_unpacklo_epi64(low, high);
}
#endif

// `count` samples, each exactly as toPcm16 converts it; eight at a time where the processor
// has SSE2 (every x86-64 does), since a long render spends a fair share of its time here.
inline void toPcm16(const float* in, int16_t* out, int count) {
  int i = 0;
#if defined(__SSE2__)
  for (; i + 8 <= count; i += 8) {
    // Every value lies within [-32767, 32767], so the saturating pack changes none.
    const __m128i packed =
        _mm_packs_epi32(toPcm32x4(_mm_loadu_ps(in + i)), toPcm32x4(_mm_loadu_ps(in + i + 4)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), packed);
  }
#endif
  for (; i < count; ++i) {
    out[i] = toPcm16(in[i]);
  }
}
