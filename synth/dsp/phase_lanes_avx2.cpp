// The AVX2 kernel: eight samples to a register, the guesses in two groups of
// four doubles, the check with the SSE2 kernel's float operations (no fused
// multiply-add: this file is compiled with -mavx2 alone). It runs only after
// CPU detection has found AVX2 and calls only intrinsics and functions of
// internal linkage, so no copy of a shared inline function carries AVX2
// instructions into other callers.
#include "synth/dsp/phase_lanes.h"

#if defined(__AVX2__)

#include <immintrin.h>

namespace synth::phase_lanes {

namespace {

constexpr int32_t lanes = 8;

// set_increment's limits: NaN to 0, then into [-0.5, 0.5].
static inline __m256 limited(__m256 x) {
  x = _mm256_and_ps(x, _mm256_cmp_ps(x, x, _CMP_ORD_Q));
  return _mm256_max_ps(_mm256_min_ps(x, _mm256_set1_ps(0.5f)), _mm256_set1_ps(-0.5f));
}

// Running sums of four doubles: (a0, a0 + a1, a0 + a1 + a2, ...).
static inline __m256d running_sums(__m256d a) {
  const __m256d zero = _mm256_setzero_pd();
  a = _mm256_add_pd(a, _mm256_blend_pd(_mm256_permute4x64_pd(a, _MM_SHUFFLE(2, 1, 0, 0)), zero, 0x1));
  return _mm256_add_pd(a, _mm256_blend_pd(_mm256_permute4x64_pd(a, _MM_SHUFFLE(1, 0, 0, 0)), zero, 0x3));
}

static inline __m256d lane3_pd(__m256d a) { return _mm256_permute4x64_pd(a, _MM_SHUFFLE(3, 3, 3, 3)); }

static inline __m256 joined(__m128 lo, __m128 hi) { return _mm256_insertf128_ps(_mm256_castps128_ps256(lo), hi, 1); }

// (a0 .. a6) after `before`'s lane 0: the values of the samples before.
static inline __m256 shifted_in(__m256 a, __m256 before) {
  return _mm256_blend_ps(_mm256_permutevar8x32_ps(a, _mm256_setr_epi32(7, 0, 1, 2, 3, 4, 5, 6)), before, 0x1);
}

static inline __m256 lane7(__m256 a) { return _mm256_permutevar8x32_ps(a, _mm256_set1_epi32(7)); }

// Samples from the first on, in lanes.
static int32_t lanes_from(run_io& io) {
  const __m256 next = _mm256_set1_ps(io.next_event), previous = _mm256_set1_ps(io.previous_event);
  const __m256 zero = _mm256_setzero_ps();
  __m256 phase = _mm256_set1_ps(io.phase), lost = _mm256_set1_ps(io.lost);
  __m256d total = _mm256_set1_pd(double(io.phase) - double(io.lost));
  __m256d fixed_lo = _mm256_setzero_pd(), fixed_hi = _mm256_setzero_pd();
  if (!io.increment) {
    fixed_lo = running_sums(_mm256_set1_pd(double(io.fixed_increment)));
    fixed_hi = _mm256_add_pd(fixed_lo, lane3_pd(fixed_lo));
  }
  int32_t i = 0;
  while (i < io.n) {
    const int32_t left = io.n - i;
    __m256 inc;
    __m256d lo, hi;
    if (!io.increment) {
      inc = _mm256_set1_ps(io.fixed_increment);
      lo = fixed_lo;
      hi = fixed_hi;
    } else {
      if (left >= lanes) {
        inc = limited(_mm256_loadu_ps(io.increment + i));
      } else {
        // The lanes past the end read 0 and are not taken: a lane's guess
        // and check involve only the increments up to its own, so theirs
        // change nothing taken. One masked load, not a store of single
        // floats read back as a register (a failed store forwarding).
        const __m256i below = _mm256_cmpgt_epi32(_mm256_set1_epi32(left), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        inc = limited(_mm256_maskload_ps(io.increment + i, below));
      }
      lo = running_sums(_mm256_cvtps_pd(_mm256_castps256_ps128(inc)));
      hi = _mm256_add_pd(running_sums(_mm256_cvtps_pd(_mm256_extractf128_ps(inc, 1))), lane3_pd(lo));
    }
    const __m256d total_lo = _mm256_add_pd(total, lo), total_hi = _mm256_add_pd(total, hi);
    const __m128 guess_lo = _mm256_cvtpd_ps(total_lo), guess_hi = _mm256_cvtpd_ps(total_hi);
    const __m256 guess = joined(guess_lo, guess_hi);
    const __m256 guess_lost = joined(_mm256_cvtpd_ps(_mm256_sub_pd(_mm256_cvtps_pd(guess_lo), total_lo)),
                                     _mm256_cvtpd_ps(_mm256_sub_pd(_mm256_cvtps_pd(guess_hi), total_hi)));
    // add_increment from each sample's state before, as it does it.
    const __m256 p = shifted_in(guess, phase), l = shifted_in(guess_lost, lost);
    const __m256 y = _mm256_sub_ps(inc, l);
    const __m256 sum = _mm256_add_ps(p, y);
    const __m256 sum_lost = _mm256_sub_ps(_mm256_sub_ps(sum, p), y);
    const __m256i same =
        _mm256_and_si256(_mm256_cmpeq_epi32(_mm256_castps_si256(sum), _mm256_castps_si256(guess)),
                         _mm256_cmpeq_epi32(_mm256_castps_si256(sum_lost), _mm256_castps_si256(guess_lost)));
    const __m256 rising = _mm256_cmp_ps(inc, zero, _CMP_GE_OQ);
    const __m256 event = _mm256_or_ps(_mm256_and_ps(rising, _mm256_cmp_ps(sum, next, _CMP_GE_OQ)),
                                      _mm256_andnot_ps(rising, _mm256_cmp_ps(sum, previous, _CMP_LE_OQ)));
    const int32_t good = _mm256_movemask_ps(_mm256_andnot_ps(event, _mm256_castsi256_ps(same)));
    if (left >= lanes && good == 0xFF) {
      // Every lane's step gave its guess bit for bit: the state carried on
      // is the guesses', which come from the doubles alone, so the next
      // register need not wait for this one's check.
      _mm256_storeu_ps(io.phases + i, guess);
      phase = lane7(guess);
      lost = lane7(guess_lost);
      total = lane3_pd(total_hi);
      i += lanes;
      continue;
    }
    // The samples before the first that fails (or the end).
    const int32_t first_bad = __builtin_ctz(~good | (1 << lanes));
    const int32_t take = first_bad < left ? first_bad : left;
    float s[lanes], sl[lanes];
    _mm256_storeu_ps(s, sum);
    _mm256_storeu_ps(sl, sum_lost);
    // A whole register where the samples reach that far (the lanes past
    // `take` are written again later): the caller reads them a register at
    // a time, which a store of single floats would hold up.
    if (left >= lanes)
      _mm256_storeu_ps(io.phases + i, sum);
    else
      for (int32_t k = 0; k < take; ++k) io.phases[i + k] = s[k];
    i += take;
    if (take > 0) {
      io.phase = s[take - 1];
      io.lost = sl[take - 1];
    } else {
      io.phase = _mm256_cvtss_f32(phase);
      io.lost = _mm256_cvtss_f32(lost);
    }
    return i;
  }
  io.phase = _mm256_cvtss_f32(phase);
  io.lost = _mm256_cvtss_f32(lost);
  return i;
}

}  // namespace

int32_t detail::lanes_avx2(run_io& io) { return lanes_from(io); }

}  // namespace synth::phase_lanes

#endif  // __AVX2__
