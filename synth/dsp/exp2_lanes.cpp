#include "synth/dsp/exp2_lanes.h"

#include "synth/dsp/exp2.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include "synth/dsp/sse2_ops.h"
#endif

namespace synth {

#if defined(__SSE2__)

namespace {

constexpr int32_t lanes = 4;

// floor(y), exactly: where |y| < 2^23 the truncation, one lower where that
// lies above y, with y's sign (floor(-0) is -0); elsewhere y is whole
// already, or infinite, or NaN, and is its own floor.
__m128 floor_ps(__m128 y) {
  const __m128 sign = _mm_set1_ps(-0.f);
  const __m128 small = _mm_cmplt_ps(_mm_andnot_ps(sign, y), _mm_set1_ps(0x1p23f));
  __m128 t = _mm_cvtepi32_ps(_mm_cvttps_epi32(y));
  t = _mm_sub_ps(t, _mm_and_ps(_mm_cmpgt_ps(t, y), _mm_set1_ps(1.f)));
  t = _mm_or_ps(t, _mm_and_ps(y, sign));
  return sse2::select_ps(small, t, y);
}

// pow2_int(e) for four whole e: the limit to [-126, 127], then e + 127 in
// the exponent field.
__m128 pow2_ints(__m128i e) {
  const __m128i low = _mm_set1_epi32(-126), high = _mm_set1_epi32(127);
  e = sse2::select_epi32(_mm_cmplt_epi32(e, low), low, e);
  e = sse2::select_epi32(_mm_cmpgt_epi32(e, high), high, e);
  return _mm_castsi128_ps(_mm_slli_epi32(_mm_add_epi32(e, high), 23));
}

// Four values of exp2_fast.
__m128 exp2_four(__m128 x) {
  const __m128 y = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(128.f), x), _mm_set1_ps(1.f));
  const __m128 fl = floor_ps(y);
  const __m128i i = _mm_cvttps_epi32(fl);
  const __m128 f = _mm_sub_ps(y, fl);
  alignas(16) int32_t k[lanes];
  _mm_store_si128(reinterpret_cast<__m128i*>(k), _mm_and_si128(i, _mm_set1_epi32(127)));
  const float* t = exp2_table;
  const __m128 t0 = _mm_setr_ps(t[k[0]], t[k[1]], t[k[2]], t[k[3]]);
  const __m128 t1 = _mm_setr_ps(t[k[0] + 1], t[k[1] + 1], t[k[2] + 1], t[k[3] + 1]);
  const __m128 within = _mm_add_ps(t0, _mm_mul_ps(_mm_sub_ps(t1, t0), f));
  return _mm_mul_ps(within, pow2_ints(_mm_srai_epi32(i, 7)));
}

}  // namespace

void exp2_fast_lanes(const float* x, float scale, float* out, int32_t n) {
  const __m128 s = _mm_set1_ps(scale);
  int32_t i = 0;
  for (; i + lanes <= n; i += lanes) _mm_storeu_ps(out + i, exp2_four(_mm_mul_ps(_mm_loadu_ps(x + i), s)));
  for (; i < n; ++i) out[i] = exp2_fast(x[i] * scale);
}

#else

void exp2_fast_lanes(const float* x, float scale, float* out, int32_t n) {
  for (int32_t i = 0; i < n; ++i) out[i] = exp2_fast(x[i] * scale);
}

#endif

}  // namespace synth
