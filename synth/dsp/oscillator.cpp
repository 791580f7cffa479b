#include "synth/dsp/oscillator.h"

#include <array>
#include <cmath>
#include <cstring>

#include "synth/dsp/correction_rows.h"
#include "synth/dsp/correction_rows_sse2.h"
#include "synth/dsp/exp2.h"
#include "synth/dsp/exp2_lanes.h"
#include "synth/dsp/multi_ramp_sample.h"
#include "synth/dsp/phase_lanes.h"
#include "synth/dsp/sse2_ops.h"
#include "synth/dsp/svf_lanes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

namespace synth {

const char* const waveform_names[waveform::count] = {"null", "pulse", "ramp", "triangle", "sine", "staircase"};

int32_t waveform_index(const char* name) {
  if (!name) return -1;
  for (int32_t i = 0; i < waveform::count; ++i)
    if (std::strcmp(name, waveform_names[i]) == 0) return i;
  return -1;
}

namespace {

// Just below 1: a value "just before" a discontinuity at phase p is read at
// p * almost_one.
constexpr float almost_one = 0.99999f;

// Detune pattern of the ramps: ramp 0 at 0, ramp k >= 1 at sqrt(m) - 1 for
// the k-th non-square m from 2 on, scaled so the last is 1. Irrational ratios
// keep the ramps from locking. Aligned: read four to a register.
struct detune_pattern {
  alignas(16) float at[oscillator::max_saws];
};
const detune_pattern& ramp_pattern() {
  static const detune_pattern pattern = [] {
    constexpr int32_t extra = oscillator::max_saws - 1;
    std::array<double, extra> s{};
    int32_t n = 0;
    for (int32_t m = 2; n < extra; ++m) {
      int32_t r = int32_t(std::lround(std::sqrt(double(m))));
      if (r * r == m) continue;
      s[n++] = std::sqrt(double(m)) - 1.0;
    }
    detune_pattern out{};
    for (int32_t k = 0; k < extra; ++k) out.at[k + 1] = float(s[k] / s[extra - 1]);
    return out;
  }();
  return pattern;
}

}  // namespace

float sine_shape(float phase) {
  float x = phase - 0.5f;
  float y = (8.f - 16.f * std::fabs(x)) * x;  // two parabolas: -sin(2 pi p) to within 5.6 %
  return -((std::fabs(y) - 1.f) * 0.202f + 1.f) * y;
}

void oscillator::init(const float* noise_source) {
  noise_source_ = noise_source;
  sync_master_ = nullptr;
  increment_ = 0.f;
  spread_ = 0.f;
  pending_width_ = width_ = 0.5f;
  saw_count_ = 1;
  saw_gain_ = std::sqrt(1.f / float(saw_count_ + 1));
  for (float& r : saw_ratio_) r = 1.f;
  ratio_spread_ = -1.f;
  ratio_count_ = 0;
  pending_waveform_ = -1;
  apply_waveform(waveform::null);
  reset();
}

void oscillator::reset() {
  phase_ = 0.f;
  phase_lost_ = 0.f;
  for (float& l : saw_lost_) l = 0.f;
  // Golden-ratio spaced start phases: the ramps of the multi-ramp mode do not
  // all wrap together at the first cycle.
  for (int32_t k = 0; k < max_saws; ++k) saw_phase_[k] = float(std::fmod(k * 0.6180339887498949, 1.0));
  sync_overshoot_ = sync_time_ = 0.f;
  sync_pending_ = false;
  held_ = 0.f;
  out_.reset();
  update_events(0.f);
}

void oscillator::apply_waveform(int32_t w) {
  waveform_ = w;
  nonzero_ = w != waveform::null;
  active_ = w > waveform::null;
}

void oscillator::set_waveform(int32_t w) { pending_waveform_ = (w >= 0 && w < waveform::count) ? w : waveform::null; }

bool oscillator::set_waveform(const char* name) {
  int32_t w = waveform_index(name);
  if (w < 0) return false;
  set_waveform(w);
  return true;
}

void oscillator::set_increment(float increment) {
  if (!(increment == increment)) increment = 0.f;  // NaN
  if (increment > max_increment) increment = max_increment;
  if (increment < -max_increment) increment = -max_increment;
  increment_ = increment;
}

void oscillator::set_pending_width(float width) {
  if (!(width > 0.f)) width = 0.f;
  if (width > 1.f) width = 1.f;
  pending_width_ = width;
}

void oscillator::set_saw_count(int32_t n) {
  if (n < 1) n = 1;
  if (n > max_saws) n = max_saws;
  saw_count_ = n;
  saw_gain_ = std::sqrt(1.f / float(n + 1));
  update_ratios();
}

void oscillator::set_spread(float s) {
  s = s > 0.f ? s : 0.f;
  if (s == spread_) return;  // called every control tick; the ratios rarely move
  spread_ = s;
  update_ratios();
}

// saw_ratio[k] = 2^(pattern[k] * w), w = 2 spread^1.5 / 12 octaves, then
// shifted so the ratios average exactly 1: the ensemble keeps the pitch.
void oscillator::update_ratios() {
  if (spread_ == ratio_spread_ && saw_count_ == ratio_count_) return;
  ratio_spread_ = spread_;
  ratio_count_ = saw_count_;
  const float w = 2.f * spread_ * std::sqrt(spread_) / 12.f;
  // The powers side by side, then summed in ramp order. Ramp 0's ratio is
  // 1 before the shift, whatever w is.
  alignas(16) float power[max_saws];
  exp2_fast_lanes(ramp_pattern().at, w, power, saw_count_);
  float sum = 1.f;
  for (int32_t k = 1; k < saw_count_; ++k) sum += power[k];
  const float shift = sum / float(saw_count_) - 1.f;
  for (int32_t k = 1; k < saw_count_; ++k) saw_ratio_[k] = power[k] - shift;
  saw_ratio_[0] = 1.f - shift;
}

// The naive value includes -I * slope * increment, I the minblep integral:
// the minimum-phase step residuals delay every corrected edge by I samples
// on average, so the straight segments are delayed by as much (a segment of
// slope k per sample, delayed by I, sits I k lower). The ramp's one-sided
// residuals would otherwise add a mean of 2 I increment; the triangle's
// corners would otherwise carry a square wave of +-4 I increment, which is
// in band and raises its odd harmonics by about 2 dB at 880 Hz.
namespace {

// The naive value of waveform W (not the staircase) with the width and
// increment in force; the loops taking one sample at a time call it for
// their W directly, without naive()'s switch.
template <int32_t W>
inline float naive_of(float p, float width, float increment) {
  if constexpr (W == waveform::pulse) return p >= width ? 1.f : -1.f;
  if constexpr (W == waveform::ramp) return 2.f * p - 1.f - 2.f * minblep.integral * increment;
  if constexpr (W == waveform::triangle)
    return std::fabs(0.5f - p) * 4.f - 1.f + 4.f * minblep.integral * increment * (p >= 0.5f ? -1.f : 1.f);
  return 0.f;
}

}  // namespace

float oscillator::naive(float p) const {
  switch (waveform_) {
    case waveform::pulse: return naive_of<waveform::pulse>(p, width_, increment_);
    case waveform::ramp: return naive_of<waveform::ramp>(p, width_, increment_);
    case waveform::triangle: return naive_of<waveform::triangle>(p, width_, increment_);
    case waveform::staircase: return held_;
    default: return 0.f;
  }
}

// Slope in units of -4 per unit of phase (the triangle's +-4 are -+1; the
// ramp's +2 is -0.5): minblamp holds the residual of a unit change in these
// units, so a corner inserts (before - after) * increment.
float oscillator::slope_sign(float p) const {
  switch (waveform_) {
    case waveform::ramp: return -0.5f;
    case waveform::triangle: return p >= 0.5f ? -1.f : 1.f;
    default: return 0.f;
  }
}

float oscillator::next_event_after(float p) const {
  switch (waveform_) {
    case waveform::pulse: return p < width_ ? width_ : 1.f;
    case waveform::triangle: return p < 0.5f ? 0.5f : 1.f;
    case waveform::staircase: {
      float e = std::floor(4.f * p + 1.f) * 0.25f;
      return e < 0.f ? 0.f : (e > 1.f ? 1.f : e);
    }
    default: return 1.f;
  }
}

float oscillator::previous_event_before(float p) const {
  switch (waveform_) {
    case waveform::pulse: return width_ <= p ? width_ : 0.f;
    case waveform::triangle: return p >= 0.5f ? 0.5f : 0.f;
    default: return 0.f;
  }
}

void oscillator::update_events(float p) {
  next_event_ = next_event_after(p);
  previous_event_ = previous_event_before(p);
}

// A discontinuity t samples before the end of this sample; the phase restarts
// from new_phase there (a wrap, a sync reset, a waveform corner or a jump).
void oscillator::event(float t, float new_phase) {
  const bool rising = increment_ >= 0.f;
  const float at = phase_ - increment_ * t;
  const float p_before = rising ? at * almost_one : at;
  const float before = naive(p_before);
  const float slope_before = slope_sign(p_before);

  if (rising && new_phase >= 1.f) {
    new_phase -= 1.f;
    width_ = pending_width_;
  } else if (!rising && new_phase <= 0.f) {
    new_phase += 1.f;
    width_ = pending_width_;
  } else if (sync_pending_) {
    width_ = pending_width_;
  }
  if (pending_waveform_ >= 0) {
    apply_waveform(pending_waveform_);
    pending_waveform_ = -1;
  }

  // Just after the event in the direction of travel.
  const float p_after = rising ? new_phase : new_phase * almost_one;
  const float after = waveform_ == waveform::staircase ? noise() : naive(p_after);
  const float slope_after = slope_sign(p_after);
  held_ = noise();

  insert_correction_rows(out_.step, minblep_by_phase, t, before - after);
  insert_correction_rows(out_.slope, minblamp_by_phase, t, (slope_before - slope_after) * increment_);
  update_events(p_after);
  phase_ = new_phase + increment_ * t;
  phase_lost_ = 0.f;
}

// Handles every event of this sample in time order: a sync that fell before
// the natural event goes first, and the natural events are then re-evaluated
// from the reset phase.
void oscillator::settle_events() {
  for (int32_t n = 0; n < max_events_per_sample; ++n) {
    if (increment_ >= 0.f) {
      if (!(phase_ >= next_event_ || sync_pending_)) return;
      float t = phase_ > next_event_ ? (phase_ - next_event_) / increment_ : 0.f;
      if (sync_pending_ && sync_time_ >= t) {
        event(sync_time_, 0.f);
        sync_pending_ = false;
      } else {
        event(t, next_event_);
      }
    } else {
      if (!(phase_ <= previous_event_ || sync_pending_)) return;
      float t = phase_ < previous_event_ ? (phase_ - previous_event_) / increment_ : 0.f;
      if (sync_pending_ && sync_time_ >= t) {
        event(sync_time_, 1.f);
        sync_pending_ = false;
      } else {
        event(t, previous_event_);
      }
    }
  }
  // Only a broken state gets here (non-finite input): bring the phase back.
  phase_ = std::isfinite(phase_) ? phase_ - std::floor(phase_) : 0.f;
  phase_lost_ = 0.f;
  sync_pending_ = false;
  update_events(phase_);
}

// The sine has no discontinuities to correct: wraps are free, and a sync reset
// is a plain phase jump.
void oscillator::advance_sine() {
  add_increment(phase_, phase_lost_, increment_);
  if (phase_ >= 1.f) phase_ -= 1.f;  // exact: the lost part stays valid
  if (phase_ < 0.f) phase_ += 1.f;
  if (sync_pending_) {
    phase_ = sync_time_ * increment_ + (increment_ >= 0.f ? 0.f : 1.f);
    phase_lost_ = 0.f;
    width_ = pending_width_;
    sync_pending_ = false;
  }
}

#if defined(__SSE2__)

namespace {

// The lanes of the ramps below the count in a group of four, by the count
// left for the group (4 or more: index 0).
alignas(16) constexpr int32_t live_lanes[4][4] = {{-1, -1, -1, -1}, {-1, 0, 0, 0}, {-1, -1, 0, 0}, {-1, -1, -1, 0}};

// The wraps of a group of four ramps that each crossed one level at most
// this sample, worked out for the four lanes at once: what wrap_ramp gives
// a ramp that wrapped once (the phase back by one level, the wrap's
// sub-sample time and the jump's sign) with the same float operations.
struct single_wraps {
  __m128 phase;                 // every lane's phase after its wrap
  alignas(16) int32_t row[4];   // the wrap's row of the residual table (position_in_table)
  alignas(16) float fraction[4];
  alignas(16) float jump[4];    // +2 rising past 1, -2 falling below 0
};

// up: rising ramps at or past 1, down: falling ramps below 0 (live lanes
// only), q their phases after the step d. A rising wrap happened (q - 1) / d
// samples before the end of the sample, a falling one (q + 0) / d: q for a
// phase below 0 (never -0). Lanes that did not wrap divide by 1.
inline void wrap_once(__m128 q, __m128 d, __m128 up, __m128 down, single_wraps& w) {
  const __m128 one = _mm_set1_ps(1.f), zero = _mm_setzero_ps();
  const __m128 wrapped = _mm_or_ps(up, down);
  const __m128 below = _mm_sub_ps(q, one);
  const __m128 t = _mm_div_ps(sse2::select_ps(up, below, q), sse2::select_ps(wrapped, d, one));
  w.phase = sse2::select_ps(up, below, sse2::select_ps(down, _mm_add_ps(q, one), q));
  // position_in_table(blep_phases, t), four at a time: x held to 0 (and NaN
  // read as 0), row i = int(x) at most phases - 1, fraction at most 1.
  __m128 x = _mm_mul_ps(_mm_set1_ps(float(blep_phases)), t);
  x = _mm_and_ps(_mm_cmpgt_ps(x, zero), x);
  __m128i i = _mm_cvttps_epi32(x);
  const __m128i last = _mm_set1_epi32(blep_phases - 1);
  i = sse2::select_epi32(_mm_cmpgt_epi32(i, last), last, i);
  __m128 f = _mm_sub_ps(x, _mm_cvtepi32_ps(i));
  f = sse2::select_ps(_mm_cmpgt_ps(f, one), one, f);
  _mm_store_si128(reinterpret_cast<__m128i*>(w.row), i);
  _mm_store_ps(w.fraction, f);
  _mm_store_ps(w.jump, sse2::select_ps(up, _mm_set1_ps(2.f), _mm_set1_ps(-2.f)));
}

}  // namespace

// One sample of every ramp, four ramps to an SSE2 register. Each lane does
// the scalar step exactly: d = ratio * increment, add_increment, the wrap
// test; the wraps of a register whose ramps crossed one level at most (the
// rule but for steps near a cycle a sample) are done in the register, their
// corrections added to the ring's slots in ramp order; a register with a
// ramp that crossed two levels sends its wrapped ramps to wrap_ramp, also in
// ramp order. The ramps' values are then summed in ramp order, so the
// sample is the scalar loop's, bit for bit (render_multi_ramp_scalar
// below). Lanes past the count keep their phase. Where the CPU has AVX2,
// the eight-lane step (multi_ramp_sample) takes the samples whose ramps all
// cross one level at most.
float oscillator::render_multi_ramp() {
#if defined(VORN_AVX2_KERNEL)
  static_assert(multi_ramp_sample::max_ramps == max_saws);
  if (svf_lanes::active_kernel() == svf_lanes::kernel::avx2) {
    const multi_ramp_sample::sample_io io{saw_phase_, saw_lost_, saw_ratio_, 2.f * minblep.integral, saw_count_,
                                          out_.step.slots, out_.step.index & correction_ring::mask, &minblep_by_phase};
    multi_ramp_sample::sample_outcome outcome;
    const float v = multi_ramp_sample::step_avx2(io, increment_, outcome);
    if (outcome.done) {
      if (outcome.wrapped && out_.step.pending < blep_taps) out_.step.pending = blep_taps;
      return out_.process(v) * saw_gain_;
    }
  }
#endif
  const __m128 inc = _mm_set1_ps(increment_);
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.f);
  const __m128 two = _mm_set1_ps(2.f), minus_one = _mm_set1_ps(-1.f);
  const __m128 mean_correction = _mm_set1_ps(2.f * minblep.integral);
  alignas(16) float values[max_saws];
  const int32_t groups = (saw_count_ + 3) >> 2;
  for (int32_t g = 0; g < groups; ++g) {
    const int32_t left = saw_count_ - 4 * g;
    const __m128 live = _mm_castsi128_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(live_lanes[left >= 4 ? 0 : left])));
    float* phase = saw_phase_ + 4 * g;
    float* lost = saw_lost_ + 4 * g;
    const __m128 d = _mm_mul_ps(_mm_loadu_ps(saw_ratio_ + 4 * g), inc);
    // add_increment, lane by lane.
    const __m128 q0 = _mm_loadu_ps(phase), lost0 = _mm_loadu_ps(lost);
    const __m128 y = _mm_sub_ps(d, lost0);
    const __m128 sum = _mm_add_ps(q0, y);
    _mm_storeu_ps(lost, sse2::select_ps(live, _mm_sub_ps(_mm_sub_ps(sum, q0), y), lost0));
    __m128 q = sse2::select_ps(live, sum, q0);
    // wrap_ramp's two cases: rising past 1, falling below 0; it crosses one
    // level for a phase below 2 (rising) or at least -1 (falling).
    const __m128 up = _mm_and_ps(live, _mm_and_ps(_mm_cmpgt_ps(d, zero), _mm_cmpge_ps(q, one)));
    const __m128 down = _mm_and_ps(live, _mm_and_ps(_mm_cmplt_ps(d, zero), _mm_cmplt_ps(q, zero)));
    int wraps = _mm_movemask_ps(_mm_or_ps(up, down));
    if (wraps != 0) {
      const __m128 again = _mm_or_ps(_mm_and_ps(up, _mm_cmpge_ps(q, two)), _mm_and_ps(down, _mm_cmplt_ps(q, minus_one)));
      if (_mm_movemask_ps(again) == 0) {
        single_wraps w;
        wrap_once(q, d, up, down, w);
        q = w.phase;
        correction_ring& ring = out_.step;
        const int32_t at = ring.index & correction_ring::mask;
        __m128 slot[4];
        for (int32_t s = 0; s < 4; ++s) slot[s] = _mm_loadu_ps(ring.slots + 4 * s);
        do {
          const int32_t l = __builtin_ctz(uint32_t(wraps));
          add_correction_rows(slot, minblep_by_phase, at, w.row[l], w.fraction[l], w.jump[l]);
          wraps &= wraps - 1;
        } while (wraps != 0);
        for (int32_t s = 0; s < 4; ++s) _mm_storeu_ps(ring.slots + 4 * s, slot[s]);
        if (ring.pending < blep_taps) ring.pending = blep_taps;
      } else {
        _mm_storeu_ps(phase, q);
        alignas(16) float dk[4];
        _mm_store_ps(dk, d);
        for (int32_t l = 0; l < 4; ++l)
          if (wraps >> l & 1) wrap_ramp(4 * g + l, dk[l]);
        q = _mm_loadu_ps(phase);
      }
    }
    _mm_storeu_ps(phase, q);
    // (2 q - 1) - d * mean correction; 2 q as q + q, the same float.
    _mm_store_ps(values + 4 * g,
                 _mm_sub_ps(_mm_sub_ps(_mm_add_ps(q, q), one), _mm_mul_ps(d, mean_correction)));
  }
  float v = 0.f;
  for (int32_t k = 0; k < saw_count_; ++k) v += values[k];
  return out_.process(v) * saw_gain_;
}

#else

float oscillator::render_multi_ramp() { return render_multi_ramp_scalar(); }

#endif

// The multi-ramp's sample one ramp after another: the definition the SSE2
// step above follows, and what builds without SSE2 run.
float oscillator::render_multi_ramp_scalar() {
  const float mean_correction = 2.f * minblep.integral;
  float v = 0.f;
  for (int32_t k = 0; k < saw_count_; ++k) {
    const float d = saw_ratio_[k] * increment_;
    add_increment(saw_phase_[k], saw_lost_[k], d);
    wrap_ramp(k, d);
    v += (2.f * saw_phase_[k] - 1.f) - d * mean_correction;
  }
  return out_.process(v) * saw_gain_;
}

// Ramp k after its phase advanced by d: every level it crossed is a wrap,
// corrected at its sub-sample time, and the phase comes back into [0, 1).
void oscillator::wrap_ramp(int32_t k, float d) {
  float q = saw_phase_[k];
  if (d > 0.f && q >= 1.f) {
    // Wrap j (phase crossing level j) happened (q - j) / d samples ago.
    const int32_t n = int32_t(q);
    for (int32_t j = 1; j <= n; ++j) insert_correction_rows(out_.step, minblep_by_phase, (q - float(j)) / d, 2.f);
    q -= float(n);
  } else if (d < 0.f && q < 0.f) {
    // Crossing level -j happened (q + j) / d samples ago.
    const int32_t n = int32_t(-std::floor(q));
    for (int32_t j = 0; j < n; ++j) insert_correction_rows(out_.step, minblep_by_phase, (q + float(j)) / d, -2.f);
    q += float(n);
  }
  saw_phase_[k] = q;
}

// The value of the waveform in force at the phase reached, before the output
// stage; W is the waveform, fixed for a whole block by render_block.
template <int32_t W>
float oscillator::step_value() {
  if constexpr (W == waveform::sine) {
    advance_sine();
    return sine_shape(phase_);
  } else {
    advance();
    if constexpr (W == waveform::pulse) return naive(phase_) + (2.f * width_ - 1.f);  // remove the pulse's mean
    if constexpr (W == waveform::staircase) return held_;
    return naive(phase_);
  }
}

// Sample i of a run of a waveform other than the sine: set_increment,
// set_pending_width (with `increment` and `width`, else null) and render(),
// with the phase and its compensation in the caller's locals, as advance()
// moves them; they go back to the members only around settle_events. The
// compensated step is a chain of four dependent additions per sample, and a
// round trip through memory would lengthen it by half.
template <int32_t W>
inline float oscillator::run_sample(float& phase, float& lost, const float* increment, const float* width, int32_t i) {
  if (increment) {
    set_increment(increment[i]);
    set_pending_width(width[i]);
  }
  add_increment(phase, lost, increment_);
  if (sync_pending_ || (increment_ >= 0.f ? phase >= next_event_ : phase <= previous_event_)) {
    phase_ = phase;
    phase_lost_ = lost;
    settle_events();
    phase = phase_;
    lost = phase_lost_;
  }
  float v;
  if constexpr (W == waveform::pulse)
    v = naive_of<W>(phase, width_, increment_) + (2.f * width_ - 1.f);  // remove the pulse's mean
  else if constexpr (W == waveform::staircase)
    v = held_;
  else
    v = naive_of<W>(phase, width_, increment_);
  return out_.process(v);
}

#if defined(__SSE2__)
namespace {

// set_increment's limits, four at a time: NaN to 0, then into [-0.5, 0.5].
inline __m128 limited_increments(__m128 x) {
  x = _mm_and_ps(x, _mm_cmpord_ps(x, x));
  return _mm_max_ps(_mm_min_ps(x, _mm_set1_ps(oscillator::max_increment)), _mm_set1_ps(-oscillator::max_increment));
}

}  // namespace
#endif

// Samples of a stretch without events whose phases v holds (with `increment`,
// else null, each sample's own): run_sample's value and output stage for
// each, written over its phase, four to a register with the same operations
// in the same order. Nothing is inserted into the rings during the stretch,
// so their contributions for the first samples come out ahead in one go;
// after those both rings are idle and give the same constant every sample.
template <int32_t W>
void oscillator::stretch_output(float* v, int32_t n, const float* increment) {
  constexpr int32_t ahead = correction_ring::size;
  float step[ahead], slope[ahead];
  const int32_t busy = (out_.step.pending > 0 || out_.slope.pending > 0) ? (n < ahead ? n : ahead) : 0;
  out_.step.pop_into(step, busy);
  out_.slope.pop_into(slope, busy);
  // The naive value of sample i, as run_sample takes it.
  auto value = [&](int32_t i) {
    if (increment) set_increment(increment[i]);
    if constexpr (W == waveform::pulse) return naive_of<W>(v[i], width_, increment_) + (2.f * width_ - 1.f);
    if constexpr (W == waveform::staircase) return held_;
    return naive_of<W>(v[i], width_, increment_);
  };
  float delayed = out_.delayed;
  int32_t i = 0;
#if defined(__SSE2__)
  const __m128 one_v = _mm_set1_ps(1.f), minus_one = _mm_set1_ps(-1.f), half = _mm_set1_ps(0.5f);
  const __m128 fixed = _mm_set1_ps(increment_);
  const __m128 step_idle = _mm_set1_ps(out_.step.current), slope_idle = _mm_set1_ps(out_.slope.current);
  __m128 delayed_v = _mm_set1_ps(delayed);
  for (; i + 4 <= n; i += 4) {
    const __m128 p = _mm_loadu_ps(v + i);
    const __m128 inc = increment ? limited_increments(_mm_loadu_ps(increment + i)) : fixed;
    __m128 x;
    if constexpr (W == waveform::pulse) {
      const __m128 high = _mm_cmpge_ps(p, _mm_set1_ps(width_));
      const __m128 level = _mm_or_ps(_mm_and_ps(high, one_v), _mm_andnot_ps(high, minus_one));
      x = _mm_add_ps(level, _mm_set1_ps(2.f * width_ - 1.f));
    } else if constexpr (W == waveform::ramp) {
      x = _mm_sub_ps(_mm_sub_ps(_mm_mul_ps(_mm_set1_ps(2.f), p), one_v),
                     _mm_mul_ps(_mm_set1_ps(2.f * minblep.integral), inc));
    } else if constexpr (W == waveform::triangle) {
      const __m128 above = _mm_cmpge_ps(p, half);
      const __m128 sign = _mm_or_ps(_mm_and_ps(above, minus_one), _mm_andnot_ps(above, one_v));
      const __m128 folded = _mm_andnot_ps(_mm_set1_ps(-0.f), _mm_sub_ps(half, p));
      x = _mm_add_ps(_mm_sub_ps(_mm_mul_ps(folded, _mm_set1_ps(4.f)), one_v),
                     _mm_mul_ps(_mm_mul_ps(_mm_set1_ps(4.f * minblep.integral), inc), sign));
    } else {
      x = _mm_set1_ps(held_);
    }
    const bool early = i < busy;  // busy is n or a multiple of four
    // delayed = naive + step; out = slope + the previous sample's delayed
    const __m128 d = _mm_add_ps(x, early ? _mm_loadu_ps(step + i) : step_idle);
    const __m128 before = _mm_move_ss(_mm_shuffle_ps(d, d, _MM_SHUFFLE(2, 1, 0, 3)), delayed_v);
    _mm_storeu_ps(v + i, _mm_add_ps(early ? _mm_loadu_ps(slope + i) : slope_idle, before));
    delayed_v = _mm_shuffle_ps(d, d, _MM_SHUFFLE(3, 3, 3, 3));
  }
  delayed = _mm_cvtss_f32(delayed_v);
#endif
  for (; i < n; ++i) {
    const float x = value(i);
    const float out = (i < busy ? slope[i] : out_.slope.current) + delayed;
    delayed = x + (i < busy ? step[i] : out_.step.current);
    v[i] = out;
  }
  out_.delayed = delayed;
  if (increment && n > 0) set_increment(increment[n - 1]);
}

// With `increment` and `width` (else null), each sample first takes its own.
// Stretches without events take their phases from the lanes (phase_lanes)
// and their values and output from stretch_output; a sample with an event,
// one the lanes did not vouch for, or one close before an event (at the
// increment in force, or the last sample's) goes through run_sample.
template <int32_t W>
void oscillator::render_run(float* out, int32_t n, const float* increment, const float* width) {
  if constexpr (W == waveform::sine) {
    for (int32_t i = 0; i < n; ++i) {
      if (increment) {
        set_increment(increment[i]);
        set_pending_width(width[i]);
      }
      out[i] = out_.process(step_value<W>());
    }
  } else {
    // Below this many samples to the next event a stretch costs more in the
    // lanes than sample by sample (the call, the last register cut short).
    // The phase stays in locals through the samples taken one at a time.
    // A pitch whose stretches are all that short (events at every wrap, the
    // triangle's peak, the staircase's steps, the pulse's edge) skips the
    // lanes: one sample after the other, in one loop.
    constexpr float short_stretch = 16.f;
    float spacing = 1.f;
    if constexpr (W == waveform::triangle) spacing = 0.5f;
    if constexpr (W == waveform::staircase) spacing = 0.25f;
    if constexpr (W == waveform::pulse) spacing = width_ < 1.f - width_ ? width_ : 1.f - width_;
    float phase = phase_, lost = phase_lost_;
    int32_t i = 0;
    if (spacing < short_stretch * std::fabs(increment_)) {
      for (; i < n; ++i) out[i] = run_sample<W>(phase, lost, increment, width, i);
    }
    while (i < n) {
      const float room = increment_ >= 0.f ? next_event_ - phase : phase - previous_event_;
      if (!sync_pending_ && room >= short_stretch * std::fabs(increment_)) {
        phase_lanes::run_io io{phase,       lost,            increment ? increment + i : nullptr, increment_,
                               next_event_, previous_event_, n - i,                               out + i};
        const int32_t m = phase_lanes::run(io);
        phase = io.phase;
        lost = io.lost;
        if (m > 0) {
          stretch_output<W>(out + i, m, increment ? increment + i : nullptr);
          i += m;
          if (i == n) break;
        }
      }
      out[i] = run_sample<W>(phase, lost, increment, width, i);
      ++i;
    }
    phase_ = phase;
    phase_lost_ = lost;
    if (increment && n > 0) set_pending_width(width[n - 1]);
  }
}

void oscillator::render_block(float* out, int32_t n) { render_block(out, n, nullptr, nullptr); }

void oscillator::render_block(float* out, int32_t n, const float* increment, const float* width) {
  // A slave needs its master's phase sample by sample, a pending waveform
  // applies at the next sample, the multi-ramp has its own loop: per sample.
  const bool free = !sync_master_ && pending_waveform_ < 0;
  const bool multi_ramp = waveform_ == waveform::ramp && spread_ != 0.f;
  if (free && multi_ramp) {
    render_multi_ramp_block(out, n, increment);
    if (increment && n > 0) set_pending_width(width[n - 1]);
    return;
  }
  if (!free || multi_ramp) {
    for (int32_t i = 0; i < n; ++i) {
      if (increment) {
        set_increment(increment[i]);
        set_pending_width(width[i]);
      }
      out[i] = render();
    }
    return;
  }
  switch (waveform_) {
    case waveform::pulse: return render_run<waveform::pulse>(out, n, increment, width);
    case waveform::ramp: return render_run<waveform::ramp>(out, n, increment, width);
    case waveform::triangle: return render_run<waveform::triangle>(out, n, increment, width);
    case waveform::sine: return render_run<waveform::sine>(out, n, increment, width);
    case waveform::staircase: return render_run<waveform::staircase>(out, n, increment, width);
    default:
      for (int32_t i = 0; i < n; ++i) {
        if (increment) {
          set_increment(increment[i]);
          set_pending_width(width[i]);
        }
        out[i] = 0.f;
      }
  }
}

float oscillator::render() {
  if (pending_waveform_ >= 0) event(0.f, phase_);
  float v;
  switch (waveform_) {
    case waveform::pulse:
      advance();
      v = naive(phase_) + (2.f * width_ - 1.f);  // remove the pulse's mean
      break;
    case waveform::ramp:
      if (spread_ != 0.f) return render_multi_ramp();
      advance();
      v = naive(phase_);
      break;
    case waveform::triangle:
      advance();
      v = naive(phase_);
      break;
    case waveform::sine:
      advance_sine();
      v = sine_shape(phase_);
      break;
    case waveform::staircase:
      advance();
      v = held_;
      break;
    default:
      return 0.f;
  }
  return out_.process(v);
}

void prepare_sync(oscillator& slave) {
  const oscillator* master = slave.sync_master_;
  if (!master) return;
  const float s = master->phase_ + master->increment_;
  slave.sync_pending_ = s >= 1.f;
  if (slave.sync_pending_) {
    slave.sync_overshoot_ = s - 1.f;
    slave.sync_time_ = slave.sync_overshoot_ / master->increment_;
  }
}

}  // namespace synth
