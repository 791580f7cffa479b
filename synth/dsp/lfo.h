// Low-frequency oscillator run at the control tick: five shapes on an
// unsigned 32-bit phase (one cycle = 2^32), output in ±32767 scale, with
// bias, keysync, keytracked rate in three ranges, and a delay with fade-in.
//
// "Width" (0..1) is one knob that means, for each shape:
// - "Pulse": the duty cycle. Threshold w = Width * 0xFFFFFFFF, on while
//   phase < w; Width 1 gives w = 0xFFFFFFFF ("none"): always on (a gate
//   that never closes), Width 0 never on.
// - "Ramp" and "Sine": the share of the cycle spent rising. 0.5 is a
//   triangle (a sine for "Sine"), 0 a falling saw, 1 a rising saw. The ramp
//   rises from its bottom at phase 0 to its top at phase w, exactly while the
//   pulse is on, so envelope triggers and the ramp stay in step.
// - "Random": the share of the cycle that glides linearly from the previous
//   value to the new one; 0 is a plain sample-and-hold staircase, 1 glides
//   the whole cycle.
// - "Noise": its colour comes from the rate alone; Width only moves the
//   pulse state that envelope triggers read, as for every shape.
#pragma once

#include <cstdint>

namespace synth {

class lfo {
 public:
  enum shape_id : int32_t { pulse = 0, ramp = 1, sine = 2, noise = 3, random = 4 };
  enum range_id : int32_t { low = 0, audio = 1, tempo = 2 };

  static constexpr uint32_t width_none = 0xFFFFFFFFu;
  static constexpr uint32_t flag_pulse_changed = 1u;  // pulse state changed this tick
  static constexpr uint32_t flag_delay_ended = 2u;    // delay ended this tick, or a note start without delay
  static constexpr int32_t out_max = 0x7FFF;
  static constexpr float default_tempo_bpm = 120.f;
  static constexpr float max_delay_s = 5.5;           // "Delay" 1 = 5.5 s (T = v^2 * 5.5 s)
  static constexpr int32_t random_gain_q15 = 0x8000;  // 1.0: random values span the full ±32767

  lfo() = default;  // init() before use

  // control_rate: ticks per second. noise16: the synth's 16-bit noise output,
  // read by the "Noise" and "Random" shapes (nullptr reads silence). seed 0
  // takes the next value of a process-wide sequence, for the random start values.
  void init(float control_rate, const int16_t* noise16, uint32_t seed = 0);
  // New random start values (previous and current) from seed, as init draws
  // them: two LFOs given the same seed go on alike.
  void reseed(uint32_t seed);

  // Parameters in their internal units (see the parameter table).
  void set_rate(float v);           // "Rate" 0..1
  void set_range(int32_t range);    // "Range": low, audio, tempo
  void set_shape(int32_t shape);    // "Shape" 0..4
  void set_width(float w);          // "Width" 0..1
  void set_bias(int32_t bias);      // "Bias" -1 "Negative", 0 "Bipolar", 1 "Positive"
  void set_delay(float v);          // "Delay" 0..1
  void set_keysync(bool on) { keysync_ = on; }
  void set_keytrack(float amount);  // "Keytrack" -1..1
  void set_pitch(float semitones);  // the voice's pitch offset for keytracking
  void set_tempo(float bpm);        // the synth's tempo, for the "Tempo" range

  // At a voice's note start: the keysync restart, then the delay restart.
  void note_start();
  // Keysync: restart the phase at the shape's natural start, draw a new random value.
  void restart();

  void tick();
  // n ticks, the output of each in out[]: the same as n calls of tick().
  void tick_block(int32_t* out, int n);
  // Advance a silent voice's LFO by ticks (phase only).
  void skip(uint32_t ticks);

  int32_t output() const { return output_; }
  shape_id shape() const { return shape_; }
  uint32_t flags() const { return flags_; }
  bool pulse_on() const { return width_ == width_none || phase_ < width_; }
  bool delay_ended() const { return delay_counter_ == 0; }
  // A tick does more than advance the phase: the "Noise" and "Random"
  // shapes draw from the noise generator, a running delay fades in. Only an
  // LFO without these can be advanced in bulk (skip) and give the same state.
  bool needs_every_tick() const { return shape_ == noise || shape_ == random || delay_counter_ != 0; }
  uint32_t phase() const { return phase_; }
  uint32_t increment() const { return increment_; }
  uint32_t width_threshold() const { return width_; }
  float rate_hz() const { return rate_hz_; }  // as of the last recomputation

  // The range factor S in Hz for "Rate" v (what runs at keytrack 0).
  static float range_factor(int32_t range, float v, float tempo_bpm);

 private:
  int32_t draw();  // a fresh random value, ±32767
  void recompute_rate();
  int32_t ramp_value(uint32_t p) const;
  int32_t shape_value(uint32_t p) const;
  int32_t sine_value(uint32_t p) const;
  template <shape_id S>
  void tick_steady(int32_t* out, int n);
  void update_noise();
  void update_random(bool wrapped);
  void update_delay();

  const int16_t* noise16_ = nullptr;
  float rate_ = 48000.f;  // ticks per second
  // parameters
  float rate_v_ = 0.f, keytrack_ = 0.f, pitch_ = 0.f, tempo_ = default_tempo_bpm;
  int32_t range_ = low;
  shape_id shape_ = pulse;
  bool keysync_ = false;
  bool changed_ = true;  // rate inputs changed: recompute at the next tick
  float rate_hz_ = 0.f;
  // oscillator
  uint32_t phase_ = 0, increment_ = 0;
  uint32_t width_ = 0x7FFFFFFFu;  // threshold; width_none = always on
  uint32_t slope_value_ = 32767;  // falling share of the ramp, 1..0xFFFE of 0xFFFF
  uint32_t k1_ = 0, k2_ = 0;      // ramp slopes, Q8: rising, falling (set_width)
  uint64_t glide_factor_ = 0;     // 2^55 / w: (phase >> 8) * factor >> 16 is the glide in Q31
  int32_t bias_offset_ = 0;
  int32_t output_ = 0;
  int32_t shape_out_ = 0;  // "Noise" and "Random": value computed in the tick
  int32_t current_ = 0, previous_ = 0;
  // "Noise" lowpass: state in Q30 of ±1, coefficient Q31, gain Q31 (x 2^-31)
  int32_t noise_state_ = 0;
  int32_t noise_coef_ = 0;
  int64_t noise_gain_ = 0;
  // delay: counter runs down from 0xFFFFFFFF by step; fade runs down from 0xFFFFFFFF
  uint32_t delay_counter_ = 0, delay_step_ = 0;
  uint32_t fade_ = 0, fade_step_ = 0;
  uint32_t flags_ = 0, pending_flags_ = 0;
};

}  // namespace synth
