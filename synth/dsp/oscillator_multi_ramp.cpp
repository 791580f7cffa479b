// The multi-ramp a block at a time: up to 16 detuned ramps per oscillator,
// each with its own compensated phase, side by side in SIMD lanes. Every lane
// does a ramp's arithmetic exactly as render_multi_ramp does, the wraps'
// band-limit corrections go into the ring in ramp order before the sample
// that holds them, and the ramps' values are summed in ramp order: the
// samples are render_multi_ramp's, bit for bit.
//
// Where no ramp can wrap twice in a sample (every ramp's step below
// max_single_wrap) the block runs in chunks: first multi_ramp_lanes gives
// the sums and the wraps of every sample of the chunk (four or eight ramps
// to a register, whichever the CPU runs); then the noted corrections go
// into the step ring laid out in time (step_span, four or eight slots to a
// register) and the output stage runs over the chunk. Otherwise sample by sample, four ramps
// to an SSE2 register, a ramp that wraps leaving the register for wrap_ramp.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "synth/dsp/multi_ramp_lanes.h"
#include "synth/dsp/oscillator.h"
#include "synth/dsp/sse2_ops.h"
#include "synth/dsp/step_span.h"

namespace synth {

#if defined(__SSE2__)

namespace {

constexpr int32_t lanes = 4;
constexpr int32_t max_groups = oscillator::max_saws / lanes;
constexpr int32_t chunk = multi_ramp_lanes::chunk;  // samples
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

// std::max(from, |increment[i]|) over the block: a NaN increment is passed
// over. Four running maxima side by side (the order of a max does not
// matter) instead of one chain of n.
float fastest_of(float from, const float* increment, int32_t n) {
  const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
  __m128 top = _mm_set1_ps(from);
  int32_t i = 0;
  // _mm_max_ps(x, top) keeps top where x is NaN.
  for (; i + lanes <= n; i += lanes) top = _mm_max_ps(_mm_and_ps(_mm_loadu_ps(increment + i), magnitude), top);
  alignas(16) float t[lanes];
  _mm_store_ps(t, top);
  float fastest = from;
  for (float v : t) fastest = std::max(fastest, v);
  for (; i < n; ++i) fastest = std::max(fastest, std::fabs(increment[i]));
  return fastest;
}

// (2 q - 1) - d * mean correction, as render_multi_ramp adds a ramp's value.
inline __m128 ramp_value(__m128 q, __m128 d, __m128 mean_correction) {
  return _mm_sub_ps(_mm_sub_ps(_mm_add_ps(q, q), _mm_set1_ps(1.f)), _mm_mul_ps(d, mean_correction));
}

}  // namespace

// One chunk of the multi-ramp: each sample's increment, and what the ramps'
// kernel gives back (sums, wraps, how far past its level each wrap got).
struct oscillator::ramp_chunk {
  alignas(32) float inc[chunk];
  alignas(32) float sums[chunk];
  alignas(32) float past[chunk][max_saws];
  uint32_t wraps[chunk];
  multi_ramp_lanes::chunk_io io;
};

bool oscillator::ramps_wrap_once(const float* increment, int32_t n) const {
  float largest = 0.f;
  for (int32_t k = 0; k < saw_count_; ++k) largest = std::max(largest, std::fabs(saw_ratio_[k]));
  float fastest = std::fabs(increment_);
  if (increment) fastest = fastest_of(fastest, increment, n);
  // max_increment bounds what set_increment lets through.
  return largest * std::min(fastest, max_increment) < max_single_wrap;
}

void oscillator::render_multi_ramp_block(float* out, int32_t n, const float* increment) {
  if (!ramps_wrap_once(increment, n)) return multi_ramp_samples(out, n, increment);
  for (int32_t at = 0; at < n; at += chunk)
    multi_ramp_chunk(out + at, std::min(chunk, n - at), increment ? increment + at : nullptr);
}

void oscillator::multi_ramp_chunk(float* out, int32_t n, const float* increment) {
  ramp_chunk c;
  start_chunk(c, n, increment);
  multi_ramp_lanes::run(c.io);
  finish_chunk(out, c);
}

void oscillator::render_block_pair(oscillator& a, float* out_a, oscillator& b, float* out_b, int32_t n) {
  const auto free_multi_ramp = [](const oscillator& o) {
    return !o.sync_master_ && o.pending_waveform_ < 0 && o.waveform_ == waveform::ramp && o.spread_ != 0.f;
  };
  if (!free_multi_ramp(a) || !free_multi_ramp(b) || !a.ramps_wrap_once(nullptr, n) || !b.ramps_wrap_once(nullptr, n)) {
    a.render_block(out_a, n);
    b.render_block(out_b, n);
    return;
  }
  for (int32_t at = 0; at < n; at += chunk) {
    const int32_t m = std::min(chunk, n - at);
    ramp_chunk ca, cb;
    a.start_chunk(ca, m, nullptr);
    b.start_chunk(cb, m, nullptr);
    multi_ramp_lanes::run_pair(ca.io, cb.io);
    a.finish_chunk(out_a + at, ca);
    b.finish_chunk(out_b + at, cb);
  }
}

void oscillator::start_chunk(ramp_chunk& c, int32_t n, const float* increment) {
  if (increment) {
    for (int32_t i = 0; i < n; ++i) {
      set_increment(increment[i]);
      c.inc[i] = increment_;
    }
  } else {
    std::fill(c.inc, c.inc + n, increment_);
  }
  c.io = {saw_phase_, saw_lost_, saw_ratio_, c.inc,  2.f * minblep.integral, saw_count_, n, c.sums, c.wraps,
          c.past,      increment == nullptr};
}

void oscillator::finish_chunk(float* out, const ramp_chunk& c) {
  const int32_t n = c.io.n;
  step_span span(out_.step);
  span.insert_wraps({c.wraps, c.past, saw_ratio_, c.inc, n});
  // held[i + 1]: sample i's value with its step correction, which the
  // output stage gives one sample late (held[0] from the last chunk).
  alignas(16) float held[chunk + 1];
  span.pop_all(c.wraps, held + 1, n);
  span.store(out_.step, n);
  held[0] = out_.delayed;
  for (int32_t i = 0; i < n; ++i) held[i + 1] += c.sums[i];
  out_.delayed = held[n];
  // output_stage::process: the slope ring's pop plus the previous sample's
  // value. The multi-ramp puts nothing into the slope ring: once it has run
  // out (always, but for a few samples after a waveform change) it gives its
  // held value at every sample.
  const float gain = saw_gain_;
  if (out_.slope.pending == 0) {
    const float slope = out_.slope.current;
    for (int32_t i = 0; i < n; ++i) out[i] = (slope + held[i]) * gain;
  } else {
    for (int32_t i = 0; i < n; ++i) out[i] = (out_.slope.pop() + held[i]) * gain;
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

void oscillator::render_block_pair(oscillator& a, float* out_a, oscillator& b, float* out_b, int32_t n) {
  a.render_block(out_a, n);
  b.render_block(out_b, n);
}

#endif

}  // namespace synth
