// One analytic oscillator of a voice: pulse, ramp, triangle, sine or a random
// staircase, at a phase increment that may be negative (through-zero), with
// hard sync to another oscillator and a multi-ramp mode. Every discontinuity
// of value or slope is band-limited by adding a minblep / minblamp residual at
// its exact sub-sample time; the output is one sample late (see output_stage).
#pragma once

#include <cstdint>

#include "synth/dsp/correction_ring.h"

namespace synth {

namespace waveform {
constexpr int32_t null = 0;
constexpr int32_t pulse = 1;
constexpr int32_t ramp = 2;
constexpr int32_t triangle = 3;
constexpr int32_t sine = 4;
constexpr int32_t staircase = 5;
constexpr int32_t count = 6;  // values from 6 on select a PCM slot (value - 6)
}  // namespace waveform

extern const char* const waveform_names[waveform::count];  // "null", "pulse", ...
// Index of a waveform name, or -1.
int32_t waveform_index(const char* name);

// phase += increment with compensated (Kahan) summation: `lost` carries the
// part of the increment the last addition rounded away and feeds it back
// into the next. A plain float phase near 1 holds only 2^-24 of a cycle, and
// a low note at a high rate (note 0 at 192 kHz: 4.3e-5 cycles per sample)
// loses up to half of that at every sample, always the same way for a
// constant increment, and under the processing call's rounding toward zero
// always downwards: 0.8 cents flat. With the compensation the phase is
// exact to a fraction of a float step per cycle.
inline void add_increment(float& phase, float& lost, float increment) {
  const float y = increment - lost;
  const float sum = phase + y;
  lost = (sum - phase) - y;
  phase = sum;
}

class oscillator {
 public:
  static constexpr int32_t max_saws = 16;
  static constexpr float max_increment = 0.5f;  // cycles per sample: Nyquist

  oscillator() = default;  // call init() before use
  // Sets every field: null waveform, phase 0, one ramp, width 0.5.
  void init(const float* noise_source);
  // Phase 0, corrections cleared; waveform, width, increment and ramps kept.
  void reset();

  // The waveform changes at the next sample, as a band-limited jump.
  void set_waveform(int32_t w);
  bool set_waveform(const char* name);  // false for an unknown name
  void set_saw_count(int32_t n);        // 1..16 ramps
  void set_spread(float s);             // multi-ramp detune; 0 is one plain ramp
  // Phase advance per sample (frequency / sample rate), limited to +-0.5.
  void set_increment(float increment);
  // Pulse width in 0..1, taken at the next wrap or sync.
  void set_pending_width(float width);
  void set_sync_master(const oscillator* master) { sync_master_ = master; }
  void set_noise_source(const float* noise) { noise_source_ = noise; }

  // "Gate" sync: restart the cycle now, band-limited.
  void restart() { event(0.f, 0.f); }

  // One output sample; advances the oscillator. 0 for the null waveform.
  float render();
  // n output samples, the same as n calls of render(); a free-running
  // oscillator (no sync master, no pending waveform) runs a loop made for
  // its waveform.
  void render_block(float* out, int32_t n);
  // The same with an increment and a pending width of its own for every
  // sample: n times set_increment, set_pending_width and render().
  void render_block(float* out, int32_t n, const float* increment, const float* width);
  // The same with a multi-ramp spread of its own for every sample as well:
  // n times set_increment, set_pending_width, set_spread and render(). Each
  // run of one spread renders as a block (oscillator_spread_runs.cpp).
  void render_block(float* out, int32_t n, const float* increment, const float* width, const float* spread);
  // n samples of a and of b, the same as a.render_block(out_a, n) and then
  // b.render_block(out_b, n). Two free multi-ramps run their ramps side by
  // side, each one's chains of phase additions in the other's waits.
  static void render_block_pair(oscillator& a, float* out_a, oscillator& b, float* out_b, int32_t n);

  // The multi-ramp's next sample (waveform ramp, spread above 0) one ramp
  // after another in scalar code: what render() gives, bit for bit, for
  // builds without SSE2 and for tests of the vector step.
  float render_multi_ramp_scalar();

  float phase() const { return phase_; }
  float increment() const { return increment_; }
  float width() const { return width_; }
  float pending_width() const { return pending_width_; }
  int32_t waveform() const { return waveform_; }
  int32_t pending_waveform() const { return pending_waveform_; }
  bool active() const { return active_; }
  bool nonzero() const { return nonzero_; }
  bool sync_pending() const { return sync_pending_; }
  float sync_time() const { return sync_time_; }
  int32_t saw_count() const { return saw_count_; }
  float spread() const { return spread_; }
  float saw_gain() const { return saw_gain_; }
  float saw_ratio(int32_t k) const { return saw_ratio_[k]; }
  float saw_phase(int32_t k) const { return saw_phase_[k]; }
  const oscillator* sync_master() const { return sync_master_; }

  friend void prepare_sync(oscillator& slave);

 private:
  static constexpr int32_t max_events_per_sample = 8;  // far above what |increment| <= 0.5 needs

  float naive(float p) const;
  float slope_sign(float p) const;
  float next_event_after(float p) const;
  float previous_event_before(float p) const;
  float noise() const { return noise_source_ ? *noise_source_ : 0.f; }
  void apply_waveform(int32_t w);
  void update_events(float p);
  void event(float t, float new_phase);
  // phase += increment, then every event this sample crossed. Inline: most
  // samples cross nothing and settle only when an event or a sync is due.
  void advance() {
    add_increment(phase_, phase_lost_, increment_);
    if (!sync_pending_ && (increment_ >= 0.f ? !(phase_ >= next_event_) : !(phase_ <= previous_event_))) return;
    settle_events();
  }
  void settle_events();
  void advance_sine();
  template <int32_t W>
  float step_value();
  template <int32_t W>
  float run_sample(float& phase, float& lost, const float* increment, const float* width, int32_t i);
  template <int32_t W>
  void render_run(float* out, int32_t n, const float* increment, const float* width);
  template <int32_t W>
  void stretch_output(float* v, int32_t n, const float* increment);
  float sine_value() const;
  float render_multi_ramp();
  // n samples of the multi-ramp, the same as n calls of render_multi_ramp()
  // (each after set_increment(increment[i]) when increment is not null),
  // the ramps four to a register.
  void render_multi_ramp_block(float* out, int32_t n, const float* increment);
  void multi_ramp_samples(float* out, int32_t n, const float* increment);
  void multi_ramp_chunk(float* out, int32_t n, const float* increment);
  // A chunk of the block form in two halves around the ramps' kernel: the
  // increments (and the kernel's input) first, then the band-limit
  // corrections of the wraps and the output stage.
  struct ramp_chunk;
  void start_chunk(ramp_chunk& c, int32_t n, const float* increment);
  void finish_chunk(float* out, const ramp_chunk& c);
  // No ramp can wrap twice in a sample at these increments (or the one in
  // force, for null): the chunks' kernel applies.
  bool ramps_wrap_once(const float* increment, int32_t n) const;
  void wrap_ramp(int32_t k, float d);
  void update_ratios();

  float phase_ = 0.f;
  float phase_lost_ = 0.f;  // what the float phase could not hold (see add_increment)
  float saw_phase_[max_saws] = {};
  float saw_lost_[max_saws] = {};
  float saw_ratio_[max_saws] = {};
  float increment_ = 0.f;
  float spread_ = 0.f;
  float sync_overshoot_ = 0.f;
  float sync_time_ = 0.f;  // samples since the master's wrap, back from the end of this sample
  float pending_width_ = 0.5f;
  float width_ = 0.5f;
  float saw_gain_ = 0.f;
  int32_t saw_count_ = 1;
  int32_t waveform_ = waveform::null;
  int32_t pending_waveform_ = -1;
  bool nonzero_ = false;
  bool active_ = false;
  bool sync_pending_ = false;
  const float* noise_source_ = nullptr;
  const oscillator* sync_master_ = nullptr;
  output_stage out_;
  float next_event_ = 1.f;      // phase of the next discontinuity, rising phase
  float previous_event_ = 0.f;  // phase of the next discontinuity, falling phase
  float held_ = 0.f;            // staircase level
  float ratio_spread_ = -1.f;   // spread the ramp ratios were built for
  int32_t ratio_count_ = 0;     // saw count they were built for
};

// Hard sync, once per sample before either oscillator of the voice renders:
// a slave whose master wraps during this sample resets at the same sub-sample
// time.
void prepare_sync(oscillator& slave);

// Sine approximation on a phase in [0, 1): a parabola pair with a cubic
// correction, within 0.6 % of sin(2 pi p).
float sine_shape(float phase);

}  // namespace synth
