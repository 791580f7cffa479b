// The SSE2 kernel: four samples to a register, the guesses in two pairs of
// doubles. Where the CPU has AVX2 the eight-sample kernel runs instead; what
// either takes is add_increment's result, so both give the same phases.
#include "synth/dsp/phase_lanes.h"

#include "synth/dsp/svf_lanes.h"

#if defined(__SSE2__)

#include <emmintrin.h>
#include <xmmintrin.h>

namespace synth::phase_lanes {

namespace {

constexpr int32_t lanes = 4;

// set_increment's limits: NaN to 0, then into [-0.5, 0.5].
inline __m128 limited(__m128 x) {
  x = _mm_and_ps(x, _mm_cmpord_ps(x, x));
  return _mm_max_ps(_mm_min_ps(x, _mm_set1_ps(0.5f)), _mm_set1_ps(-0.5f));
}

// (a0, a1, a2) after `before`'s lane 0: the values of the samples before.
inline __m128 shifted_in(__m128 a, __m128 before) {
  return _mm_move_ss(_mm_shuffle_ps(a, a, _MM_SHUFFLE(2, 1, 0, 3)), before);
}

inline __m128 lane3(__m128 a) { return _mm_shuffle_ps(a, a, _MM_SHUFFLE(3, 3, 3, 3)); }

// The first sample through add_increment's steps, with set_increment's
// limits: right after an event the phase lies below the increment and its
// step need not follow the guess; from the state it leaves, the guesses hold.
// False when the sample reaches an event.
inline bool first_step(run_io& io) {
  float inc = io.increment ? io.increment[0] : io.fixed_increment;
  if (!(inc == inc)) inc = 0.f;
  if (inc > 0.5f) inc = 0.5f;
  if (inc < -0.5f) inc = -0.5f;
  const float y = inc - io.lost;
  const float sum = io.phase + y;
  const float lost = (sum - io.phase) - y;
  if (inc >= 0.f ? sum >= io.next_event : sum <= io.previous_event) return false;
  io.phases[0] = sum;
  io.phase = sum;
  io.lost = lost;
  return true;
}

// Samples from the first on, in lanes.
int32_t lanes_from(run_io& io) {
  const __m128 next = _mm_set1_ps(io.next_event), previous = _mm_set1_ps(io.previous_event);
  const __m128 zero = _mm_setzero_ps();
  const __m128d zero_d = _mm_setzero_pd();
  __m128 phase = _mm_set1_ps(io.phase), lost = _mm_set1_ps(io.lost);
  __m128d total = _mm_set1_pd(double(io.phase) - double(io.lost));
  int32_t i = 0;
  while (i < io.n) {
    const int32_t left = io.n - i;
    __m128 inc;
    if (!io.increment) {
      inc = _mm_set1_ps(io.fixed_increment);
    } else if (left >= lanes) {
      inc = limited(_mm_loadu_ps(io.increment + i));
    } else {  // the lanes past the end repeat the last increment and are not taken
      float tail[lanes];
      for (int32_t k = 0; k < lanes; ++k) tail[k] = io.increment[i + (k < left ? k : left - 1)];
      inc = limited(_mm_loadu_ps(tail));
    }
    // Guesses: total plus the increments up to each sample, in doubles.
    __m128d lo = _mm_cvtps_pd(inc);
    __m128d hi = _mm_cvtps_pd(_mm_movehl_ps(inc, inc));
    lo = _mm_add_pd(lo, _mm_unpacklo_pd(zero_d, lo));
    hi = _mm_add_pd(_mm_add_pd(hi, _mm_unpacklo_pd(zero_d, hi)), _mm_unpackhi_pd(lo, lo));
    const __m128d total_lo = _mm_add_pd(total, lo), total_hi = _mm_add_pd(total, hi);
    const __m128 guess = _mm_movelh_ps(_mm_cvtpd_ps(total_lo), _mm_cvtpd_ps(total_hi));
    const __m128d guess_lo = _mm_cvtps_pd(guess), guess_hi = _mm_cvtps_pd(_mm_movehl_ps(guess, guess));
    const __m128 guess_lost =
        _mm_movelh_ps(_mm_cvtpd_ps(_mm_sub_pd(guess_lo, total_lo)), _mm_cvtpd_ps(_mm_sub_pd(guess_hi, total_hi)));
    // add_increment from each sample's state before, as it does it.
    const __m128 p = shifted_in(guess, phase), l = shifted_in(guess_lost, lost);
    const __m128 y = _mm_sub_ps(inc, l);
    const __m128 sum = _mm_add_ps(p, y);
    const __m128 sum_lost = _mm_sub_ps(_mm_sub_ps(sum, p), y);
    const __m128i same = _mm_and_si128(_mm_cmpeq_epi32(_mm_castps_si128(sum), _mm_castps_si128(guess)),
                                       _mm_cmpeq_epi32(_mm_castps_si128(sum_lost), _mm_castps_si128(guess_lost)));
    const __m128 rising = _mm_cmpge_ps(inc, zero);
    const __m128 event =
        _mm_or_ps(_mm_and_ps(rising, _mm_cmpge_ps(sum, next)), _mm_andnot_ps(rising, _mm_cmple_ps(sum, previous)));
    const int32_t good = _mm_movemask_ps(_mm_andnot_ps(event, _mm_castsi128_ps(same)));
    const int32_t take_all = left >= lanes ? 0xF : (1 << left) - 1;
    if ((good & take_all) == take_all && left >= lanes) {
      // Every lane's step gave its guess bit for bit: the state carried on
      // is the guesses', which come from the doubles alone, so the next
      // register need not wait for this one's check.
      _mm_storeu_ps(io.phases + i, guess);
      phase = lane3(guess);
      lost = lane3(guess_lost);
      total = _mm_unpackhi_pd(total_hi, total_hi);
      i += lanes;
      continue;
    }
    // The samples before the first that fails (or the end).
    int32_t take = 0;
    while (take < left && take < lanes && (good >> take & 1)) ++take;
    float s[lanes], sl[lanes];
    _mm_storeu_ps(s, sum);
    _mm_storeu_ps(sl, sum_lost);
    // A whole register where the samples reach that far (the lanes past
    // `take` are written again later): the caller reads them a register at
    // a time, which a store of single floats would hold up.
    if (left >= lanes)
      _mm_storeu_ps(io.phases + i, sum);
    else
      for (int32_t k = 0; k < take; ++k) io.phases[i + k] = s[k];
    i += take;
    if (take > 0) {
      io.phase = s[take - 1];
      io.lost = sl[take - 1];
    } else {
      io.phase = _mm_cvtss_f32(phase);
      io.lost = _mm_cvtss_f32(lost);
    }
    return i;
  }
  io.phase = _mm_cvtss_f32(phase);
  io.lost = _mm_cvtss_f32(lost);
  return i;
}

}  // namespace

int32_t detail::lanes_sse2(run_io& io) { return lanes_from(io); }

int32_t run(run_io& io) {
  if (io.n <= 0) return 0;
  if (!first_step(io)) return 0;
  if (io.n == 1) return 1;
  // The rest from the second sample on: the arrays advance by one, the
  // count taken by one more.
  run_io rest = io;
  rest.increment = io.increment ? io.increment + 1 : nullptr;
  rest.phases = io.phases + 1;
  rest.n = io.n - 1;
#if defined(VORN_AVX2_KERNEL)
  const bool avx2 = svf_lanes::active_kernel() == svf_lanes::kernel::avx2;
#else
  const bool avx2 = false;
#endif
  const int32_t taken = 1 + (avx2 ? detail::lanes_avx2(rest) : detail::lanes_sse2(rest));
  io.phase = rest.phase;
  io.lost = rest.lost;
  return taken;
}

}  // namespace synth::phase_lanes

#else  // no SSE2: the oscillator steps every sample itself

namespace synth::phase_lanes {
int32_t run(run_io&) { return 0; }
}  // namespace synth::phase_lanes

#endif  // __SSE2__
