#include "synth/dsp/shaper_filter.h"

#include <algorithm>

namespace synth {

namespace {

constexpr int32_t mode_of_menu[4] = {shaper_filter::low, shaper_filter::high, shaper_filter::band,
                                     shaper_filter::notch};

}  // namespace

void shaper_filter::init(const cutoff_table* table) {
  table_ = table;
  f_ = table_->cutoff_coefficient(0);
  q_ = std::min(svf::damping_from_resonance(0.f), svf::damping_limit(f_));
  one_pole_ = true;
  mode_ = low;
  reset();
  process_ = forms_[form()];
}

void shaper_filter::set_mode(int32_t mode) {
  if (mode <= 0) return;
  one_pole_ = mode <= 4;
  mode_ = mode_of_menu[(mode - 1) & 3];
  process_ = forms_[form()];
}

void shaper_filter::update(int32_t frequency, int32_t keytrack_sum, float resonance) {
  f_ = table_->cutoff_coefficient((frequency >> 15) + (keytrack_sum >> 1));
  q_ = std::min(svf::damping_from_resonance(resonance), svf::damping_limit(f_));
}

template <int mode>
int32_t shaper_filter::one_pole_form(shaper_filter& s, int32_t input) {
  integrators st = s.state();
  const int32_t y = one_pole_step<mode>(st, input, s.f_);
  s.set_state(st);
  return y;
}

// The state-variable forms: the main filter's linear 12 dB step, run twice.
// The band form ("Band KHN") clamps the low integrator, with the same +-8
// unit rail on its band integrator as the main filter.
template <int mode>
int32_t shaper_filter::state_variable_form(shaper_filter& s, int32_t input) {
  using namespace svf;
  constexpr int32_t band_limit = mode == band ? clamp25 : clamp24;
  constexpr int32_t low_limit = mode == band ? clamp24 : no_limit;
  const int64_t x = limit_input(input);
  const saturation none;
  int64_t unused_gain = 0;
  int32_t l = s.s1_, b = s.s2_;
  run<band_limit, low_limit, drive::linear>(l, b, x, s.f_, s.q_, none, unused_gain);
  int64_t damping = run<band_limit, low_limit, drive::linear>(l, b, x, s.f_, s.q_, none, unused_gain);
  s.s1_ = l;
  s.s2_ = b;
  return limit_output(mode == low ? l : mode == band ? b : mode == high ? x - l : x - damping);
}

// Entry mode_index + 4 * (state-variable form).
const shaper_filter::process_fn shaper_filter::forms_[form_count] = {
    &one_pole_form<low>,           &one_pole_form<band>,
    &one_pole_form<high>,          &one_pole_form<notch>,
    &state_variable_form<low>,     &state_variable_form<band>,
    &state_variable_form<high>,    &state_variable_form<notch>,
};

}  // namespace synth
