// The chunk's AVX2 insertion kernel: a correction's sixteen taps eight to a
// register, turned to the slot they start at with one permutation and added
// to the three aligned groups of eight slots they touch; the same products
// and sums as the SSE2 kernel (compiled with -mavx2 alone: no fused
// multiply-add). It runs only after CPU detection has found AVX2 and calls
// only intrinsics and functions of internal linkage or out of line, so no
// copy of a shared inline function carries AVX2 instructions into other
// callers.
#include "synth/dsp/step_span.h"

#if defined(__AVX2__)

#include <immintrin.h>

namespace synth {

namespace {

constexpr int32_t lanes = 8;
static_assert(blep_taps == 2 * lanes && step_span::slots % lanes == 0);

// position_in_table(blep_phases, t), the same operations.
struct row_position {
  int32_t row;
  float fraction;
};
static inline row_position row_of(float t) {
  float x = float(blep_phases) * t;
  if (!(x > 0.f)) x = 0.f;  // also catches NaN
  int32_t i = int32_t(x);
  if (i > blep_phases - 1) i = blep_phases - 1;
  float f = x - float(i);
  if (f > 1.f) f = 1.f;
  return {i, f};
}

// The taps c0 (0..7) and c1 (8..15), which start o slots into the aligned
// group at base (0 <= o < 8), added to the three groups they touch: every
// lane of both turned o places up (lane l takes lane (l - o) & 7), then the
// first group takes c0's turned lanes from o on, the second c0's below o and
// c1's from o on, the third c1's below o. Lanes outside the taps add +0.
static inline void add_turned(float* base, __m256 c0, __m256 c1, int32_t o) {
  const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i shift = _mm256_set1_epi32(o);
  const __m256i turn = _mm256_and_si256(_mm256_sub_epi32(lane, shift), _mm256_set1_epi32(lanes - 1));
  const __m256 below = _mm256_castsi256_ps(_mm256_cmpgt_epi32(shift, lane));  // lanes l < o
  const __m256 r0 = _mm256_permutevar8x32_ps(c0, turn), r1 = _mm256_permutevar8x32_ps(c1, turn);
  _mm256_store_ps(base, _mm256_add_ps(_mm256_load_ps(base), _mm256_andnot_ps(below, r0)));
  _mm256_store_ps(base + lanes, _mm256_add_ps(_mm256_load_ps(base + lanes), _mm256_blendv_ps(r1, r0, below)));
  _mm256_store_ps(base + 2 * lanes, _mm256_add_ps(_mm256_load_ps(base + 2 * lanes), _mm256_and_ps(below, r1)));
}

// insert_correction of minblep at sample i, t samples back, into the slots.
static inline void insert(float* slot, int32_t i, float t, float amplitude) {
  const row_position where = row_of(t);
  const float* left = minblep_rise_rows.row[where.row];
  const float* rise = minblep_rise_rows.rise[where.row];
  const __m256 f = _mm256_set1_ps(where.fraction), a = _mm256_set1_ps(amplitude);
  const __m256 c0 = _mm256_mul_ps(_mm256_add_ps(_mm256_load_ps(left), _mm256_mul_ps(_mm256_load_ps(rise), f)), a);
  const __m256 c1 = _mm256_mul_ps(
      _mm256_add_ps(_mm256_load_ps(left + lanes), _mm256_mul_ps(_mm256_load_ps(rise + lanes), f)), a);
  add_turned(slot + (i & ~(lanes - 1)), c0, c1, i & (lanes - 1));
}

}  // namespace

void step_span_kernels::insert_avx2(float* slot, const chunk_wraps& w) {
  int32_t wrapped[step_span::chunk];
  const int32_t count = wrapped_samples(w.wraps, w.n, wrapped);
  for (int32_t e = 0; e < count; ++e) {
    const int32_t i = wrapped[e];
    for (uint32_t bits = w.wraps[i]; bits != 0; bits &= bits - 1) {
      const int32_t k = __builtin_ctz(bits);
      const float d = w.ratio[k] * w.increment[i];
      insert(slot, i, w.past[i][k] / d, d > 0.f ? 2.f : -2.f);
    }
  }
}

}  // namespace synth

#endif  // __AVX2__
