// Small SSE2 steps the baseline kernels share: four floats or four int32s to
// a register. SSE2 is on every x86-64 CPU and the 32-bit Windows build
// requires it; elsewhere the kernels that use these fall back to scalar code.
#pragma once

#if defined(__SSE2__)

#include <emmintrin.h>

namespace synth::sse2 {

inline __m128 abs_ps(__m128 x) { return _mm_andnot_ps(_mm_set1_ps(-0.f), x); }

// mask ? a : b, lane by lane (mask lanes all ones or all zeros).
inline __m128 select_ps(__m128 mask, __m128 a, __m128 b) {
  return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}
inline __m128i select_epi32(__m128i mask, __m128i a, __m128i b) {
  return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

}  // namespace synth::sse2

#endif  // __SSE2__
