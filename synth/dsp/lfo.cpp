#include "synth/dsp/lfo.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>

#include "synth/dsp/exp2.h"
#include "synth/dsp/lfo_steady.h"
#include "synth/dsp/svf_lanes.h"

namespace synth {

namespace {

constexpr double two_pow_31 = 2147483648.0;
constexpr double two_pow_32 = 4294967296.0;
constexpr int16_t silence = 0;

// Start values of fresh LFOs come from a Weyl sequence through a 32-bit
// integer hash, so that every LFO of every instance starts elsewhere.
std::atomic<uint32_t> seed_sequence{0x2545F491u};

uint32_t hash32(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  x *= 0x846CA68Bu;
  x ^= x >> 16;
  return x;
}

int32_t start_value(uint32_t r) { return int32_t(r & 0x7FFF) * 2 - 32768; }

int32_t clamp_out(int64_t v) { return int32_t(std::clamp<int64_t>(v, -lfo::out_max, lfo::out_max)); }

}  // namespace

void lfo::init(float control_rate, const int16_t* noise16, uint32_t seed) {
  rate_ = control_rate > 0.f ? control_rate : 48000.f;
  noise16_ = noise16 ? noise16 : &silence;
  if (seed == 0) seed = seed_sequence.fetch_add(0x9E3779B9u, std::memory_order_relaxed);
  reseed(seed);
  rate_v_ = keytrack_ = pitch_ = 0.f;
  tempo_ = default_tempo_bpm;
  range_ = low;
  shape_ = pulse;
  keysync_ = false;
  phase_ = increment_ = 0;
  set_width(0.5f);
  set_bias(0);
  set_delay(0.f);
  output_ = shape_out_ = 0;
  noise_state_ = 0;
  flags_ = pending_flags_ = 0;
  delay_counter_ = fade_ = 0;
  recompute_rate();
}

void lfo::reseed(uint32_t seed) {
  current_ = start_value(hash32(seed));
  previous_ = start_value(hash32(seed ^ 0xA5A5A5A5u));
}

float lfo::range_factor(int32_t range, float v_in, float tempo_bpm) {
  double v = v_in;
  switch (range) {
    case audio: {
      // ±3 octaves around note 60 in 0.1-semitone steps.
      double q = std::floor(v * 720.0 - 360.0) * 0.1;
      return float(261.6256 * std::exp2(q / 12.0));
    }
    case tempo: {
      // Note values from 32 bars (n = 1..3) to a 64th (n = 31..33), each as
      // dotted, plain, triplet, named by the knob's text. x is a sixteenth of
      // the cycles per 4/4 bar: a whole note is 2^0 * 0.0625 and runs at
      // S = tempo * x / 15 = tempo / 240 Hz, every step of e an octave.
      int32_t n = 1 + int32_t(std::floor(32.0 * std::clamp(v, 0.0, 1.0)));
      n = std::clamp(n, 1, 33);
      int32_t e = int32_t(std::floor((n - 17) / 3.0)) + 1;
      double x = std::exp2(double(e)) * 0.0625;
      switch ((n + 1) % 3) {
        case 0: x *= 0.6666667; break;  // dotted: 1.5 times as long
        case 2: x *= 1.5; break;        // triplet: 2/3 as long
        default: break;
      }
      return float(tempo_bpm * x / 15.0);
    }
    default:
      return v > 0.0 ? float(v * v * 31.991667 + 0.0083333) : 0.f;
  }
}

void lfo::set_rate(float v) {
  rate_v_ = std::clamp(v, 0.f, 1.f);
  changed_ = true;
}

void lfo::set_range(int32_t range) {
  range_ = std::clamp<int32_t>(range, low, tempo);
  changed_ = true;
}

void lfo::set_shape(int32_t shape) { shape_ = shape_id(std::clamp<int32_t>(shape, pulse, random)); }

void lfo::set_width(float w_in) {
  double w = std::clamp(w_in, 0.f, 1.f);
  width_ = uint32_t(w * 4294967295.0);  // 1 -> 0xFFFFFFFF = none
  // Ramp: falls for s / 0xFFFF of the cycle and rises for the rest; s stays
  // within 1..0xFFFE so that the apex is a step of its own. The slopes are
  // in Q8 and meet at u = s with v >= 0xFFFF * 128 from both sides, so that
  // v >> 7 spans the full 0..0xFFFF (output +32767..-32767 after clamping);
  // ceil() keeps the apex from falling short by a rounding step.
  slope_value_ = std::clamp<uint32_t>(uint32_t((1.0 - w) * 65535.0), 1, 0xFFFE);
  constexpr uint64_t span_q8 = 0xFFFFull * 128 * 256;
  k2_ = uint32_t((span_q8 + slope_value_ - 1) / slope_value_);
  uint32_t rise = 0xFFFF - slope_value_;
  k1_ = uint32_t((span_q8 + rise - 1) / rise);
  // Random glide: (phase >> 8) * (2^55 / w) >> 16 runs 0 .. 2^31 as the
  // phase runs 0 .. w (23+ significant bits in the factor for any w).
  glide_factor_ = width_ == 0 ? 0 : (uint64_t(1) << 55) / width_;
}

void lfo::set_bias(int32_t bias) {
  // (shape + offset) >> 1 maps ±0x7FFF onto 0..0x7FFF or -0x8000..0.
  bias_offset_ = bias > 0 ? 0x8000 : bias < 0 ? -0x7FFF : 0;
}

void lfo::set_delay(float v_in) {
  double v = std::clamp(v_in, 0.f, 1.f);
  double t_ticks = v * v * max_delay_s * rate_;
  if (t_ticks <= 0.0) {
    delay_step_ = fade_step_ = 0;
    delay_counter_ = 0;  // a running delay without a step would never end
    return;
  }
  delay_step_ = uint32_t(std::min(two_pow_32 / t_ticks, 4294967295.0));
  fade_step_ = uint32_t(std::min(8.0 * two_pow_32 / t_ticks, 4294967295.0));
}

void lfo::set_keytrack(float amount) {
  keytrack_ = amount;
  changed_ = true;
}

void lfo::set_pitch(float semitones) {
  if (semitones != pitch_) changed_ = true;
  pitch_ = semitones;
}

void lfo::set_tempo(float bpm) {
  if (bpm != tempo_) changed_ = true;
  tempo_ = bpm;
}

void lfo::recompute_rate() {
  changed_ = false;
  float s = range_factor(range_, rate_v_, tempo_);
  if (!(s > 0.f)) {
    rate_hz_ = 0.f;
    increment_ = 0;
    noise_coef_ = 0;
    noise_gain_ = 0;
    return;
  }
  double f = double(s) * exp2_fast(keytrack_ * pitch_ * (1.f / 12.f));
  rate_hz_ = float(f);
  increment_ = uint32_t(std::clamp(2.0 * f / rate_, 0.0, 1.0) * two_pow_31);
  // The "Noise" shape is white noise through a one-pole lowpass at 64 times
  // the rate. tan() is held below pi/4 (coefficient 1, no filtering): at
  // a quarter of the control rate and above it would turn unstable.
  double w = std::min(std::numbers::pi * 64.0 * f / rate_, std::numbers::pi / 4);
  noise_coef_ = int32_t(std::min(std::tan(w) * two_pow_31, 2147483647.0));
  // Gain from +46 dB at the slowest rates down to +14 dB, to keep the level of
  // narrow-band noise up.
  double y = (64.0 * f - 0.533333) * 0.0004884084;
  double z = y / (std::fabs(y) + 0.01) * 1.01;
  double g = std::pow(10.0, (46.0 - 32.0 * z) * 0.05) * 32768.0;
  noise_gain_ = int64_t(std::clamp(g, 0.0, two_pow_31));
}

// Sign and 15-bit magnitude of the scaled noise sample: ±32767.
int32_t lfo::draw() {
  int32_t s = (int32_t(*noise16_) * random_gain_q15) >> 15;
  int32_t m = (s < 0 ? -s : s) & 0x7FFF;
  return s < 0 ? -m : m;
}

void lfo::note_start() {
  if (keysync_) restart();
  if (delay_step_ != 0) {
    delay_counter_ = 0xFFFFFFFFu;
    fade_ = 0xFFFFFFFFu;
  } else {
    delay_counter_ = 0;
    pending_flags_ |= flag_delay_ended;
  }
}

void lfo::restart() {
  if (shape_ == pulse || shape_ == random)
    phase_ = width_;
  else  // a triangle-like ramp starts at its rising zero crossing, a saw at its start
    phase_ = (slope_value_ > 0x4000 && slope_value_ < 0xC000) ? 0x40000000u : 0u;
  previous_ = current_;
  current_ = draw();
}

// u = (p - w) >> 16 is 0 at the top (phase w); the ramp falls for s steps of
// u with slope k2, then rises with slope k1 back to the top.
int32_t lfo::ramp_value(uint32_t p) const {
  uint32_t u = (p - width_) >> 16;
  uint64_t fall = uint64_t(u) * k2_;  // < 2^16 * 2^31
  uint64_t rise = uint64_t(0xFFFF - u) * k1_;
  int64_t v = int64_t(std::min(fall, rise) >> 8);  // slopes are Q8
  return clamp_out(0x8000 - (v >> 7));
}

// A parabola over each half of the triangle: x (2 - |x|) in units of 2^15.
int32_t lfo::sine_value(uint32_t p) const {
  int64_t t = ramp_value(p);
  int64_t a = t < 0 ? -t : t;
  return int32_t(((t * 0x8000) * (0xFFFF - a)) >> 30);
}

int32_t lfo::shape_value(uint32_t p) const {
  switch (shape_) {
    case pulse:
      return (width_ == width_none || p < width_) ? 0x7FFF : -0x8000;
    case ramp:
      return ramp_value(p);
    case sine:
      return sine_value(p);
    default:
      return shape_out_;
  }
}

void lfo::update_noise() {
  int64_t s = int64_t(draw()) * 32768;
  noise_state_ += int32_t(((s - noise_state_) * noise_coef_) >> 31);
  shape_out_ = clamp_out((int64_t(noise_state_) * noise_gain_) >> 31);
}

void lfo::update_random(bool wrapped) {
  if (wrapped) {
    previous_ = current_;
    current_ = draw();
  }
  if (width_ == width_none || phase_ < width_) {
    uint64_t g = std::min<uint64_t>((uint64_t(phase_ >> 8) * glide_factor_) >> 16, uint64_t(1) << 31);
    shape_out_ = previous_ + int32_t((int64_t(current_ - previous_) * int64_t(g)) >> 31);
  } else {
    shape_out_ = current_;
  }
}

// The fade runs down slowly at first: its step is divided by 2 per
// remaining sixteenth of the delay, so the level rises about 6 dB per
// sixteenth and arrives at full scale when the delay ends.
void lfo::update_delay() {
  if (delay_counter_ == 0) return;
  if (delay_counter_ <= delay_step_) {
    delay_counter_ = 0;
    flags_ |= flag_delay_ended;
    return;
  }
  delay_counter_ -= delay_step_;
  uint32_t d = fade_step_ >> (delay_counter_ >> 28);
  fade_ = fade_ > d ? fade_ - d : 0;
}

void lfo::tick() {
  if (changed_) recompute_rate();
  flags_ = pending_flags_;
  pending_flags_ = 0;
  bool on_before = pulse_on();
  phase_ += increment_;
  if (pulse_on() != on_before) flags_ |= flag_pulse_changed;

  if (shape_ == noise)
    update_noise();
  else if (shape_ == random)
    update_random(increment_ != 0 && phase_ < increment_);
  update_delay();

  int32_t v = shape_value(phase_);
  if (bias_offset_ != 0) v = (v + bias_offset_) >> 1;
  if (delay_counter_ != 0) v = int32_t((int64_t(v) * int64_t(~fade_ >> 1)) >> 31);
  output_ = v;
}

// The steady shapes between wraps: what tick() does when neither noise nor
// a delay is involved, with the shape fixed for the loop.
template <lfo::shape_id S>
void lfo::tick_steady(int32_t* out, int n) {
#if defined(VORN_AVX2_KERNEL)
  // Ramp and sine eight ticks at a time where the CPU has AVX2; the pulse
  // flag and the state as the last tick leaves them.
  if (S != pulse && n > 0 && svf_lanes::active_kernel() == svf_lanes::kernel::avx2) {
    lfo_steady::detail::steady_avx2({phase_, increment_, width_, k1_, k2_, bias_offset_, S == sine}, out, n);
    const uint32_t before = phase_ + uint32_t(n - 1) * increment_;
    phase_ = before + increment_;
    const bool on_before = width_ == width_none || before < width_;
    flags_ = pulse_on() != on_before ? flag_pulse_changed : 0u;
    output_ = out[n - 1];
    return;
  }
#endif
  // Locals, so that the stores into `out` need not reload the state.
  const lfo held = *this;
  uint32_t phase = phase_, flags = flags_;
  int32_t v = output_;
  for (int i = 0; i < n; ++i) {
    const bool on_before = held.width_ == width_none || phase < held.width_;
    phase += held.increment_;
    const bool on = held.width_ == width_none || phase < held.width_;
    flags = on != on_before ? flag_pulse_changed : 0u;
    if constexpr (S == pulse) {
      v = on ? 0x7FFF : -0x8000;
    } else if constexpr (S == ramp) {
      v = held.ramp_value(phase);
    } else {
      v = held.sine_value(phase);
    }
    if (held.bias_offset_ != 0) v = (v + held.bias_offset_) >> 1;
    out[i] = v;
  }
  phase_ = phase;
  flags_ = flags;
  output_ = v;
}

void lfo::tick_block(int32_t* out, int n) {
  if (n <= 0) return;
  tick();  // a pending rate change, the pending flags
  out[0] = output_;
  if (shape_ == noise || shape_ == random || delay_counter_ != 0) {
    for (int i = 1; i < n; ++i) {
      tick();
      out[i] = output_;
    }
    return;
  }
  switch (shape_) {
    case pulse: tick_steady<pulse>(out + 1, n - 1); break;
    case ramp: tick_steady<ramp>(out + 1, n - 1); break;
    default: tick_steady<sine>(out + 1, n - 1); break;
  }
}

void lfo::skip(uint32_t ticks) {
  if (changed_) recompute_rate();
  phase_ += uint32_t(uint64_t(increment_) * ticks);
}

}  // namespace synth
