// The multi-ramp's single sample, eight ramps to an AVX2 register (compiled
// with -mavx2 alone: no fused multiply-add, so every product and sum rounds
// as the SSE2 step's do). It runs only after CPU detection has found AVX2
// and calls only intrinsics and functions of internal linkage, so no copy of
// a shared inline function carries AVX2 instructions into other callers.
#include "synth/dsp/multi_ramp_sample.h"

#if defined(__AVX2__)

#include <immintrin.h>

namespace synth::multi_ramp_sample {

namespace {

constexpr int32_t lanes = 8;
static_assert(blep_taps == 2 * lanes && correction_ring::size == blep_taps);

static inline __m256 select(__m256 mask, __m256 a, __m256 b) { return _mm256_blendv_ps(b, a, mask); }

// Lanes of the ramps below `count` in group g, all ones; the rest zero.
static inline __m256 live_mask(int32_t count, int32_t g) {
  const __m256i index = _mm256_add_epi32(_mm256_set1_epi32(g * lanes), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  return _mm256_castsi256_ps(_mm256_cmpgt_epi32(_mm256_set1_epi32(count), index));
}

// A group's step: the steps d, the phases before the wrap test, which
// ramps wrapped rising (past 1) or falling (below 0).
struct group_step {
  __m256 d, q, up, down;
};

// The corrections of a group's wraps (one level each), added to the slots in
// ramp order. A rising wrap happened (q - 1) / d samples before the end of
// the sample, a falling one q / d (q + 0 for a phase below 0); the row and
// fraction are position_in_table's (x held to 0, NaN read as 0, the row at
// most phases - 1, the fraction at most 1). Lanes that did not wrap divide
// by 1.
static inline void insert_wraps(const group_step& s, const sample_io& io, __m256 (&slot)[2]) {
  const __m256 one = _mm256_set1_ps(1.f), zero = _mm256_setzero_ps();
  const __m256 wrapped = _mm256_or_ps(s.up, s.down);
  const __m256 t = _mm256_div_ps(select(s.up, _mm256_sub_ps(s.q, one), s.q), select(wrapped, s.d, one));
  __m256 x = _mm256_mul_ps(_mm256_set1_ps(float(blep_phases)), t);
  x = _mm256_and_ps(_mm256_cmp_ps(x, zero, _CMP_GT_OQ), x);
  __m256i i = _mm256_cvttps_epi32(x);
  i = _mm256_min_epi32(i, _mm256_set1_epi32(blep_phases - 1));
  __m256 f = _mm256_sub_ps(x, _mm256_cvtepi32_ps(i));
  f = select(_mm256_cmp_ps(f, one, _CMP_GT_OQ), one, f);
  alignas(32) int32_t row[lanes];
  alignas(32) float fraction[lanes], jump[lanes];
  _mm256_store_si256(reinterpret_cast<__m256i*>(row), i);
  _mm256_store_ps(fraction, f);
  _mm256_store_ps(jump, select(s.up, _mm256_set1_ps(2.f), _mm256_set1_ps(-2.f)));
  for (uint32_t bits = uint32_t(_mm256_movemask_ps(wrapped)); bits != 0; bits &= bits - 1) {
    const int32_t l = __builtin_ctz(bits);
    // Tap k goes to slot (at + k) & mask: slot s takes entry taps + s - at.
    const float* left = io.rows->row[row[l]] + blep_taps - io.at;
    const float* right = io.rows->row[row[l] + 1] + blep_taps - io.at;
    const __m256 fv = _mm256_set1_ps(fraction[l]), a = _mm256_set1_ps(jump[l]);
    for (int32_t h = 0; h < 2; ++h) {
      const __m256 d0 = _mm256_loadu_ps(left + h * lanes), d1 = _mm256_loadu_ps(right + h * lanes);
      slot[h] = _mm256_add_ps(slot[h], _mm256_mul_ps(_mm256_add_ps(d0, _mm256_mul_ps(_mm256_sub_ps(d1, d0), fv)), a));
    }
  }
}

// G groups of eight. The phases after the wrap (back by one level) and the
// values need no division: they come first, the corrections after the
// check that no ramp crossed two levels.
template <int32_t G>
static inline float step_groups(const sample_io& io, float increment, sample_outcome& outcome) {
  const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.f);
  const __m256 inc = _mm256_set1_ps(increment), mean = _mm256_set1_ps(io.mean_correction);
  group_step s[G];
  __m256 phase[G], lost[G];
  alignas(16) float values[G * lanes];
  __m256 again = zero, wrapped = zero;
  for (int32_t g = 0; g < G; ++g) {
    const __m256 live = live_mask(io.count, g);
    const __m256 d = _mm256_mul_ps(_mm256_loadu_ps(io.ratio + g * lanes), inc);
    // add_increment, lane by lane.
    const __m256 q0 = _mm256_loadu_ps(io.phase + g * lanes), lost0 = _mm256_loadu_ps(io.lost + g * lanes);
    const __m256 y = _mm256_sub_ps(d, lost0);
    const __m256 sum = _mm256_add_ps(q0, y);
    lost[g] = select(live, _mm256_sub_ps(_mm256_sub_ps(sum, q0), y), lost0);
    const __m256 q = select(live, sum, q0);
    const __m256 up = _mm256_and_ps(live, _mm256_and_ps(_mm256_cmp_ps(d, zero, _CMP_GT_OQ), _mm256_cmp_ps(q, one, _CMP_GE_OQ)));
    const __m256 down = _mm256_and_ps(live, _mm256_and_ps(_mm256_cmp_ps(d, zero, _CMP_LT_OQ), _mm256_cmp_ps(q, zero, _CMP_LT_OQ)));
    s[g] = {d, q, up, down};
    // A rising ramp at 2 or more, a falling one below -1, crossed two levels.
    again = _mm256_or_ps(again, _mm256_and_ps(up, _mm256_cmp_ps(q, _mm256_set1_ps(2.f), _CMP_GE_OQ)));
    again = _mm256_or_ps(again, _mm256_and_ps(down, _mm256_cmp_ps(q, _mm256_set1_ps(-1.f), _CMP_LT_OQ)));
    wrapped = _mm256_or_ps(wrapped, _mm256_or_ps(up, down));
    const __m256 p = phase[g] = select(up, _mm256_sub_ps(q, one), select(down, _mm256_add_ps(q, one), q));
    // (2 p - 1) - d * mean correction; 2 p as p + p.
    _mm256_storeu_ps(values + g * lanes, _mm256_sub_ps(_mm256_sub_ps(_mm256_add_ps(p, p), one), _mm256_mul_ps(d, mean)));
  }
  outcome.done = _mm256_movemask_ps(again) == 0;
  if (!outcome.done) return 0.f;
  for (int32_t g = 0; g < G; ++g) {
    _mm256_storeu_ps(io.phase + g * lanes, phase[g]);
    _mm256_storeu_ps(io.lost + g * lanes, lost[g]);
  }
  outcome.wrapped = _mm256_movemask_ps(wrapped) != 0;
  if (outcome.wrapped) {
    __m256 slot[2] = {_mm256_loadu_ps(io.slots), _mm256_loadu_ps(io.slots + lanes)};
    for (int32_t g = 0; g < G; ++g)
      if (_mm256_movemask_ps(_mm256_or_ps(s[g].up, s[g].down)) != 0) insert_wraps(s[g], io, slot);
    _mm256_storeu_ps(io.slots, slot[0]);
    _mm256_storeu_ps(io.slots + lanes, slot[1]);
  }
  float v = 0.f;
  for (int32_t k = 0; k < io.count; ++k) v += values[k];
  return v;
}

}  // namespace

float step_avx2(const sample_io& io, float increment, sample_outcome& outcome) {
  return io.count > lanes ? step_groups<2>(io, increment, outcome) : step_groups<1>(io, increment, outcome);
}

}  // namespace synth::multi_ramp_sample

#endif  // __AVX2__
