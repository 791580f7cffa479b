// The filter after the waveshaper: one-pole 6 dB forms or a 12 dB
// Chamberlin state-variable filter (the main filter's step, run twice per
// sample), sharing the synth's cutoff table. Its resonance is set at once,
// not smoothed.
//
// Signal format: x and y hold 2^22 per unit (the voice shifts its 2^24
// signal right by 2 before and left by 2 after). Mode 0 ("bypass") is the
// caller's business: the voice skips process; set_mode(0) is ignored.
#pragma once

#include <cstdint>

#include "synth/dsp/cutoff_table.h"
#include "synth/dsp/svf_kernel.h"

namespace synth {

class shaper_filter {
 public:
  enum mode_index : int32_t { low = 0, band = 1, high = 2, notch = 3 };
  using process_fn = int32_t (*)(shaper_filter&, int32_t);
  static constexpr int form_count = 8;

  // Binds the synth's cutoff table, clears the state, selects "Low 6 dB".
  void init(const cutoff_table* table);
  void reset() { s1_ = s2_ = 0; }

  // "Mode" 1..8: 1 "Low 6 dB", 2 "High 6 dB", 3 "Band 6 dB", 4 "Notch"
  // (one-pole), 5 "Low 12 dB", 6 "High 12 dB", 7 "Band KHN", 8 "Notch KHN"
  // (state-variable). Keeps the state.
  void set_mode(int32_t mode);

  // Control tick: frequency is "Frequency" as v * 2^29, keytrack_sum the
  // keytrack source times its depth (both in the main filter's cutoff
  // units: >> 15 and >> 1), resonance = resonance_curve("Resonance").
  void update(int32_t frequency, int32_t keytrack_sum, float resonance);

  int32_t process(int32_t x) { return process_(*this, x); }

  int32_t coefficient() const { return f_; }
  int32_t damping() const { return q_; }
  // mode_index + 4 * (state-variable form): the filters of one form run
  // side by side in shaper_filter_lanes.
  int32_t form() const { return mode_ + 4 * !one_pole_; }

  // For a caller that runs several filters at once: s1 is the low
  // integrator (or the first one-pole), s2 the band integrator (or the
  // second one-pole).
  struct integrators {
    int32_t s1, s2;
  };
  integrators state() const { return {s1_, s2_}; }
  void set_state(const integrators& s) {
    s1_ = s.s1;
    s2_ = s.s2;
  }

  // One sample of a one-pole form (mode a mode_index) on s at coefficient
  // f, as process gives it.
  template <int mode>
  static int32_t one_pole_step(integrators& s, int32_t x, int32_t f);

 private:
  template <int mode>
  static int32_t one_pole_form(shaper_filter& s, int32_t x);
  template <int mode>
  static int32_t state_variable_form(shaper_filter& s, int32_t x);
  static const process_fn forms_[form_count];

  process_fn process_ = nullptr;
  int32_t f_ = 0;       // Q30 coefficient
  int32_t q_ = 0;       // Q29 damping (state-variable forms)
  int32_t s1_ = 0;      // low integrator, or the first one-pole
  int32_t s2_ = 0;      // band integrator, or the second one-pole
  bool one_pole_ = true;
  int32_t mode_ = low;
  const cutoff_table* table_ = nullptr;
};

// The one-pole forms run once per sample: s += ((x - s) f) >> 30. The band
// form is a lowpass of the first pole's highpass, the notch subtracts twice
// that band from the input.
template <int mode>
int32_t shaper_filter::one_pole_step(integrators& s, int32_t input, int32_t f) {
  const auto follow = [f](int32_t state, int64_t x) { return int32_t(state + (((x - state) * f) >> 30)); };
  const int64_t x = svf::limit_input(input);
  if constexpr (mode == low) {
    s.s1 = follow(s.s1, x);
    return s.s1;
  }
  const int64_t d = x - s.s1;
  s.s1 = follow(s.s1, x);
  if constexpr (mode == high) return int32_t(d);
  s.s2 = follow(s.s2, d);
  if constexpr (mode == band) return s.s2;
  return svf::limit_output(x - 2 * int64_t(s.s2));
}

}  // namespace synth
