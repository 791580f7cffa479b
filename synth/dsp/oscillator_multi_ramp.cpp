// The multi-ramp a block at a time: up to 16 detuned ramps per oscillator,
// each with its own compensated phase, four to an SSE2 register. Every lane
// does a ramp's arithmetic exactly as render_multi_ramp does, the wraps'
// band-limit corrections go into the ring in ramp order before the sample
// that holds them, and the ramps' values are summed in ramp order: the
// samples are render_multi_ramp's, bit for bit.
//
// Where no ramp can wrap twice in a sample (every ramp's step below
// max_single_wrap) the block runs in chunks: first the phases and values of
// every ramp and sample of the chunk, the wraps noted; then the sums in ramp
// order, four samples to a register; then sample by sample the noted
// corrections and the output stage. Otherwise sample by sample, a ramp that
// wraps leaving the register for wrap_ramp.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "synth/dsp/oscillator.h"
#include "synth/dsp/sse2_ops.h"

namespace synth {

#if defined(__SSE2__)

namespace {

constexpr int32_t lanes = 4;
constexpr int32_t max_groups = oscillator::max_saws / lanes;
constexpr int32_t chunk = 32;                // samples; a multiple of lanes
constexpr float max_single_wrap = 0.875f;    // cycles per sample: a phase in [0, 1) passes one level at most

struct ramp_masks {
  __m128 live[max_groups];  // the lanes of ramps below the count
  int32_t groups;
};

ramp_masks masks_for(int32_t count) {
  ramp_masks m{};
  m.groups = (count + lanes - 1) / lanes;
  for (int32_t g = 0; g < m.groups; ++g) {
    const int32_t left = count - g * lanes;
    m.live[g] = _mm_castsi128_ps(_mm_set_epi32(left > 3 ? -1 : 0, left > 2 ? -1 : 0, left > 1 ? -1 : 0, -1));
  }
  return m;
}

// add_increment, lane by lane, for the live lanes; returns the new phases.
inline __m128 advance_lanes(float* phase, float* lost, __m128 d, __m128 live) {
  const __m128 q0 = _mm_loadu_ps(phase), lost0 = _mm_loadu_ps(lost);
  const __m128 y = _mm_sub_ps(d, lost0);
  const __m128 sum = _mm_add_ps(q0, y);
  _mm_storeu_ps(lost, sse2::select_ps(live, _mm_sub_ps(_mm_sub_ps(sum, q0), y), lost0));
  return sse2::select_ps(live, sum, q0);
}

// (2 q - 1) - d * mean correction, as render_multi_ramp adds a ramp's value.
inline __m128 ramp_value(__m128 q, __m128 d, __m128 mean_correction) {
  return _mm_sub_ps(_mm_sub_ps(_mm_add_ps(q, q), _mm_set1_ps(1.f)), _mm_mul_ps(d, mean_correction));
}

// A wrap noted for the ring: t samples before the end of sample `at`.
struct noted_wrap {
  int32_t at;
  float t;
  float amplitude;
};

}  // namespace

void oscillator::render_multi_ramp_block(float* out, int32_t n, const float* increment) {
  float largest = 0.f;
  for (int32_t k = 0; k < saw_count_; ++k) largest = std::max(largest, std::fabs(saw_ratio_[k]));
  float fastest = std::fabs(increment_);
  if (increment)
    for (int32_t i = 0; i < n; ++i) fastest = std::max(fastest, std::fabs(increment[i]));
  // max_increment bounds what set_increment lets through.
  if (!(largest * std::min(fastest, max_increment) < max_single_wrap)) return multi_ramp_samples(out, n, increment);
  for (int32_t at = 0; at < n; at += chunk)
    multi_ramp_chunk(out + at, std::min(chunk, n - at), increment ? increment + at : nullptr);
}

void oscillator::multi_ramp_chunk(float* out, int32_t n, const float* increment) {
  const ramp_masks m = masks_for(saw_count_);
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.f);
  const __m128 mean_correction = _mm_set1_ps(2.f * minblep.integral);
  alignas(16) float values[chunk][max_saws];  // [sample][ramp]
  noted_wrap wraps[chunk * max_saws];         // at most one per ramp and sample
  int32_t wrap_count = 0;
  for (int32_t i = 0; i < n; ++i) {
    if (increment) set_increment(increment[i]);
    const __m128 inc = _mm_set1_ps(increment_);
    for (int32_t g = 0; g < m.groups; ++g) {
      float* phase = saw_phase_ + g * lanes;
      const __m128 d = _mm_mul_ps(_mm_loadu_ps(saw_ratio_ + g * lanes), inc);
      __m128 q = advance_lanes(phase, saw_lost_ + g * lanes, d, m.live[g]);
      const __m128 up = _mm_and_ps(m.live[g], _mm_and_ps(_mm_cmpgt_ps(d, zero), _mm_cmpge_ps(q, one)));
      const __m128 down = _mm_and_ps(m.live[g], _mm_and_ps(_mm_cmplt_ps(d, zero), _mm_cmplt_ps(q, zero)));
      const int rising = _mm_movemask_ps(up), falling = _mm_movemask_ps(down);
      if ((rising | falling) != 0) {
        // A rising ramp passed level 1 (q - 1) / d samples ago, a falling
        // one level 0 q / d samples ago; the phase comes back by one.
        alignas(16) float t[lanes];
        _mm_store_ps(t, _mm_div_ps(sse2::select_ps(up, _mm_sub_ps(q, one), q), d));
        q = _mm_add_ps(_mm_sub_ps(q, _mm_and_ps(up, one)), _mm_and_ps(down, one));
        for (int32_t l = 0; l < lanes; ++l)
          if ((rising | falling) >> l & 1) wraps[wrap_count++] = {i, t[l], (rising >> l & 1) ? 2.f : -2.f};
      }
      _mm_storeu_ps(phase, q);
      _mm_store_ps(&values[i][g * lanes], ramp_value(q, d, mean_correction));
    }
  }
  for (int32_t i = n; i % lanes != 0; ++i) std::fill(values[i], values[i] + max_saws, 0.f);
  // The sums, four samples at a time, the ramps in order.
  alignas(16) float sums[chunk];
  for (int32_t i = 0; i < n; i += lanes) {
    __m128 column[max_saws];
    for (int32_t g = 0; g < m.groups; ++g) {
      __m128 r0 = _mm_load_ps(&values[i][g * lanes]), r1 = _mm_load_ps(&values[i + 1][g * lanes]);
      __m128 r2 = _mm_load_ps(&values[i + 2][g * lanes]), r3 = _mm_load_ps(&values[i + 3][g * lanes]);
      _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
      column[g * lanes] = r0, column[g * lanes + 1] = r1, column[g * lanes + 2] = r2, column[g * lanes + 3] = r3;
    }
    __m128 v = zero;
    for (int32_t k = 0; k < saw_count_; ++k) v = _mm_add_ps(v, column[k]);
    _mm_store_ps(sums + i, v);
  }
  int32_t w = 0;
  for (int32_t i = 0; i < n; ++i) {
    for (; w < wrap_count && wraps[w].at == i; ++w) insert_correction(out_.step, minblep, wraps[w].t, wraps[w].amplitude);
    out[i] = out_.process(sums[i]) * saw_gain_;
  }
}

void oscillator::multi_ramp_samples(float* out, int32_t n, const float* increment) {
  const ramp_masks m = masks_for(saw_count_);
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.f);
  const __m128 mean_correction = _mm_set1_ps(2.f * minblep.integral);
  for (int32_t i = 0; i < n; ++i) {
    if (increment) set_increment(increment[i]);
    const __m128 inc = _mm_set1_ps(increment_);
    alignas(16) float values[max_saws];
    for (int32_t g = 0; g < m.groups; ++g) {
      float* phase = saw_phase_ + g * lanes;
      const __m128 d = _mm_mul_ps(_mm_loadu_ps(saw_ratio_ + g * lanes), inc);
      __m128 q = advance_lanes(phase, saw_lost_ + g * lanes, d, m.live[g]);
      const __m128 up = _mm_and_ps(_mm_cmpgt_ps(d, zero), _mm_cmpge_ps(q, one));
      const __m128 down = _mm_and_ps(_mm_cmplt_ps(d, zero), _mm_cmplt_ps(q, zero));
      const int wraps = _mm_movemask_ps(_mm_and_ps(m.live[g], _mm_or_ps(up, down)));
      _mm_storeu_ps(phase, q);
      if (wraps != 0) {
        alignas(16) float dk[lanes];
        _mm_store_ps(dk, d);
        for (int32_t l = 0; l < lanes; ++l)
          if (wraps >> l & 1) wrap_ramp(g * lanes + l, dk[l]);
        q = _mm_loadu_ps(phase);
      }
      _mm_store_ps(values + g * lanes, ramp_value(q, d, mean_correction));
    }
    float v = 0.f;
    for (int32_t k = 0; k < saw_count_; ++k) v += values[k];
    out[i] = out_.process(v) * saw_gain_;
  }
}

#else

void oscillator::render_multi_ramp_block(float* out, int32_t n, const float* increment) {
  for (int32_t i = 0; i < n; ++i) {
    if (increment) set_increment(increment[i]);
    out[i] = render_multi_ramp();
  }
}

void oscillator::multi_ramp_samples(float* out, int32_t n, const float* increment) {
  render_multi_ramp_block(out, n, increment);
}

void oscillator::multi_ramp_chunk(float* out, int32_t n, const float* increment) {
  render_multi_ramp_block(out, n, increment);
}

#endif

}  // namespace synth
