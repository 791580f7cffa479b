// osc_control_repitch_block eight samples to a register: the SSE2 steps of
// osc_control.cpp at twice the width, the exp2 table's two entries of every
// sample read by gathers. Each float operation is the scalar one, in the
// same order (no fused multiply-add: this file is built with -mavx2 alone),
// so each sample gets the same bits. This file alone is compiled with
// -mavx2 and runs only after CPU detection has found AVX2; it calls no
// inline function of a shared header (a copy emitted here would carry AVX2
// instructions and might be the one the linker keeps).
#include "synth/dsp/osc_control_lanes.h"

#if defined(__AVX2__)

#include <immintrin.h>

#include "synth/dsp/exp2.h"

namespace synth::osc_control_lanes {

namespace {

// pitch_ratio of eight pitches (see pitch_ratio_ps in osc_control.cpp).
static inline __m256 pitch_ratio8(__m256i u, const float* t) {
  const __m256i entry =
      _mm256_and_si256(_mm256_add_epi32(_mm256_srai_epi32(u, 6), _mm256_set1_epi32(1)), _mm256_set1_epi32(127));
  // Each sample's two neighbouring entries in one 64-bit gather: samples
  // 0..3 in `low`, 4..7 in `high`, each as (below, above). The shuffles take
  // the belows and the aboves apart as 0 1 4 5 | 2 3 6 7, the permutation
  // puts them in order.
  const long long* pairs = reinterpret_cast<const long long*>(t);
  const __m256 low = _mm256_castsi256_ps(_mm256_i32gather_epi64(pairs, _mm256_castsi256_si128(entry), 4));
  const __m256 high = _mm256_castsi256_ps(_mm256_i32gather_epi64(pairs, _mm256_extracti128_si256(entry, 1), 4));
  const __m256 below = _mm256_castpd_ps(
      _mm256_permute4x64_pd(_mm256_castps_pd(_mm256_shuffle_ps(low, high, 0x88)), 0xD8));
  const __m256 above = _mm256_castpd_ps(
      _mm256_permute4x64_pd(_mm256_castps_pd(_mm256_shuffle_ps(low, high, 0xDD)), 0xD8));
  const __m256 f =
      _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_and_si256(u, _mm256_set1_epi32(63))), _mm256_set1_ps(1.f / 64.f));
  const __m256 within = _mm256_add_ps(below, _mm256_mul_ps(_mm256_sub_ps(above, below), f));
  const __m256i carry =
      _mm256_srli_epi32(_mm256_add_epi32(_mm256_and_si256(u, _mm256_set1_epi32(8191)), _mm256_set1_epi32(64)), 13);
  __m256i e = _mm256_add_epi32(_mm256_srai_epi32(u, 13), carry);
  e = _mm256_min_epi32(_mm256_max_epi32(e, _mm256_set1_epi32(-126)), _mm256_set1_epi32(127));
  const __m256 octaves = _mm256_castsi256_ps(_mm256_slli_epi32(_mm256_add_epi32(e, _mm256_set1_epi32(127)), 23));
  return _mm256_mul_ps(within, octaves);
}

// clamp_increment: a NaN gives 0, else clamped to +-max_increment.
static inline __m256 clamp_increment8(__m256 hz, __m256 period) {
  const __m256 inc = _mm256_mul_ps(hz, period);
  const __m256 limited =
      _mm256_min_ps(_mm256_max_ps(inc, _mm256_set1_ps(-max_increment)), _mm256_set1_ps(max_increment));
  return _mm256_and_ps(_mm256_cmp_ps(inc, inc, _CMP_ORD_Q), limited);
}

// clamp_unit: above 0 (a NaN is not) the lesser of x and 1, else 0.
static inline __m256 clamp_unit8(__m256 x) {
  return _mm256_and_ps(_mm256_cmp_ps(x, _mm256_setzero_ps(), _CMP_GT_OQ), _mm256_min_ps(x, _mm256_set1_ps(1.f)));
}

}  // namespace

int detail::repitch_avx2(const held& h, const int32_t* pitch_mod, const int32_t* width_mod, int n,
                         osc_control_run& out) {
  const float* t = exp2_table;
  const __m256 base = _mm256_set1_ps(h.base), tune_1 = _mm256_set1_ps(h.tune_1), tune_2 = _mm256_set1_ps(h.tune_2);
  const __m256 period = _mm256_set1_ps(h.period), ratio_b = _mm256_set1_ps(h.ratio_b);
  const __m256 held_b = _mm256_set1_ps(h.increment_b);
  const __m256 width_scale = _mm256_set1_ps(width_mod_scale), width_a = _mm256_set1_ps(h.width_a);
  // Locals, so that the stores need not reload them.
  float* const increment_a = out.increment_a;
  float* const increment_b = out.increment_b;
  float* const pending_width_a = out.pending_width_a;
  float* const pcm_start_a = out.pcm_start_a;
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i u = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pitch_mod + i));
    const __m256 hz = _mm256_mul_ps(_mm256_mul_ps(_mm256_mul_ps(base, pitch_ratio8(u, t)), tune_1), tune_2);
    _mm256_storeu_ps(increment_a + i, clamp_increment8(hz, period));
    _mm256_storeu_ps(increment_b + i, h.follows ? clamp_increment8(_mm256_mul_ps(ratio_b, hz), period) : held_b);
    const __m256i wm = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(width_mod + i));
    const __m256 w = _mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(wm), width_scale), width_a);
    const __m256 pending = _mm256_mul_ps(_mm256_add_ps(w, _mm256_set1_ps(1.f)), _mm256_set1_ps(0.5f));
    _mm256_storeu_ps(pending_width_a + i, clamp_unit8(pending));
    _mm256_storeu_ps(pcm_start_a + i, clamp_unit8(w));
  }
  return i;
}

}  // namespace synth::osc_control_lanes

#else

namespace synth::osc_control_lanes {
// Never called without AVX2 (active_kernel() is scalar then).
int detail::repitch_avx2(const held&, const int32_t*, const int32_t*, int, osc_control_run&) { return 0; }
}  // namespace synth::osc_control_lanes

#endif
