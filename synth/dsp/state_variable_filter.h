// The voice's main filter: a fixed-point Chamberlin state-variable filter run
// twice per sample, in 12 dB and cascaded 24 dB forms, each as lowpass,
// bandpass, highpass or notch, linear or with a saturating integrator. The
// sixteen variants are separate functions picked from a table, so the
// per-sample path has no mode branches.
//
// Signal format: x and y hold 2^22 per unit (the voice feeds the mixer value
// through filter_input and multiplies the result by 4 before the shaper).
// Mode 0 ("bypass") is the caller's business: the voice skips process and
// sends the mixer value on at 2^24 per unit; set_mode(0) is ignored.
#pragma once

#include <cstdint>

#include "synth/dsp/cutoff_table.h"
#include "synth/dsp/one_pole.h"
#include "synth/dsp/svf_kernel.h"

namespace synth {

// The main filter's parameter values as the voice holds (and smooths) them.
struct filter_controls {
  int32_t frequency = 0;   // "Frequency": v * 2^29; cutoff units are frequency >> 15
  int32_t cutoff_mod = 0;  // keytrack + envelope + LFO sum; cutoff units are cutoff_mod >> 1
  int32_t saturation = 0;  // "Saturation": v * 2^31, 0 selects the linear forms
  float resonance = 0.f;   // resonance_curve("Resonance"), 0..1
  float fmod = 0.f;        // "FMod": cutoff follows the mixer at audio rate, -1..1
  float qmod = 0.f;        // "QMod": damping follows the mixer at audio rate, -1..1
  bool operator==(const filter_controls&) const = default;
};

enum class filter_trigger : int32_t { none = 0, spike = 1, reset = 2 };

class state_variable_filter {
 public:
  enum mode_index : int32_t { low = 0, band = 1, high = 2, notch = 3 };
  using process_fn = int32_t (*)(state_variable_filter&, int32_t);
  static constexpr int variant_count = 16;

  static constexpr float fmod_smoothing_hz = 500.f;
  static constexpr float fmod_cutoff_units = 8192.f;  // 64 semitones per unit of FMod * mixer

  // Binds the synth's cutoff table, clears the state, selects "Low 12 dB".
  void init(const cutoff_table* table, float sample_rate);
  // Recomputes the 500 Hz smoother of the audio-rate cutoff modulation.
  void set_sample_rate(float sample_rate) { smoother_.init(fmod_smoothing_hz, sample_rate); }
  void reset();

  // "Mode" 1..8: 1 "Low 12 dB", 2 "High 12 dB", 3 "Band 6 dB", 4 "Notch",
  // 5..8 the same in 24 dB form. Keeps the filter state.
  void set_mode(int32_t mode);
  // Note start with "Trigger" != "-": clears the state; "Spike" then loads the
  // band integrator so a resonant filter rings from the first sample.
  void trigger(filter_trigger kind);

  // Control tick: cutoff, damping and saturation from the controls. With
  // FMod or QMod active, cutoff or damping are left to modulate.
  void update(const filter_controls& c);
  // Audio-rate FMod / QMod step with the float mixer output; call before
  // process on every sample while c.fmod or c.qmod is not 0.
  void modulate(float mixer, const filter_controls& c);

  int32_t process(int32_t x) { return process_(*this, x); }

  // Inspection (tests, meters).
  struct integrators {
    int32_t low, band, low2, band2;
  };
  integrators state() const { return {low_, band_, low2_, band2_}; }
  // For a caller that runs the integrators itself (several filters in
  // lanes): the state back after the run.
  void set_state(const integrators& s) {
    low_ = s.low;
    band_ = s.band;
    low2_ = s.low2;
    band2_ = s.band2;
  }
  int32_t coefficient() const { return f_; }
  int32_t damping() const { return q_; }
  int32_t damping_limit() const { return limit_; }  // Q29, the stability limit at f
  const svf::saturation& saturation_gain() const { return sat_; }
  int32_t variant() const { return mode_ + 4 * cascade_ + 8 * saturating_; }

 private:
  template <int mode, bool cascade, bool saturate>
  static int32_t process_variant(state_variable_filter& s, int32_t x);
  static const process_fn variants_[variant_count];

  void select() { process_ = variants_[variant()]; }
  void set_coefficient(int32_t f, int32_t saturation);

  process_fn process_ = nullptr;
  int32_t low_ = 0, band_ = 0;    // first stage integrators
  int32_t low2_ = 0, band2_ = 0;  // second stage (24 dB forms)
  int32_t cutoff_ = 0;            // 1/128 semitone above the table base
  int32_t f_ = 0;                 // Q30 coefficient
  int32_t q_ = svf::damping_unity_q29 * 2;  // Q29 damping, <= limit_
  int32_t limit_ = 0x7FFFFFFF;    // Q29 stability limit for f_
  svf::saturation sat_;
  bool cascade_ = false;
  bool saturating_ = false;
  int32_t mode_ = low;
  one_pole_lowpass smoother_;     // mixer smoothing for FMod
  const cutoff_table* table_ = nullptr;
};

}  // namespace synth
