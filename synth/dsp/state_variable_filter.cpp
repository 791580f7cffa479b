#include "synth/dsp/state_variable_filter.h"

#include <algorithm>
#include <cmath>

namespace synth {

namespace {

// "Mode" 1..4 (and 5..8) in menu order to the mode index.
constexpr int32_t mode_of_menu[4] = {state_variable_filter::low, state_variable_filter::high,
                                     state_variable_filter::band, state_variable_filter::notch};

// Cutoff modulation by FMod: the smoothed mixer value in cutoff units, held
// to +-2^24 (far beyond the table) so the float conversion is always defined.
int32_t fmod_offset(float smoothed, float fmod) {
  constexpr float range = 16777216.f;
  float units = smoothed * fmod * state_variable_filter::fmod_cutoff_units;
  return int32_t(limit_or_low(units, -range, range));
}

}  // namespace

void state_variable_filter::init(const cutoff_table* table, float sample_rate) {
  table_ = table;
  set_sample_rate(sample_rate);
  cascade_ = false;
  saturating_ = false;
  mode_ = low;
  sat_ = {};
  cutoff_ = 0;
  f_ = table_->cutoff_coefficient(0);
  limit_ = svf::damping_limit(f_);
  q_ = std::min(svf::damping_from_resonance(0.f), limit_);
  reset();
  select();
}

void state_variable_filter::reset() {
  low_ = band_ = low2_ = band2_ = 0;
  smoother_.reset();
}

void state_variable_filter::set_mode(int32_t mode) {
  if (mode <= 0) return;
  cascade_ = mode > 4;
  mode_ = mode_of_menu[(mode - 1) & 3];
  select();
}

void state_variable_filter::trigger(filter_trigger kind) {
  if (kind == filter_trigger::none) return;
  reset();
  if (kind == filter_trigger::spike) band_ = svf::clamp24;
}

void state_variable_filter::set_coefficient(int32_t f, int32_t saturation) {
  f_ = f;
  limit_ = svf::damping_limit(f);
  if (saturating_) sat_.set(saturation, f);
}

void state_variable_filter::update(const filter_controls& c) {
  cutoff_ = (c.frequency >> 15) + (c.cutoff_mod >> 1);
  if (c.fmod == 0.f) {
    f_ = table_->cutoff_coefficient(cutoff_);
    limit_ = svf::damping_limit(f_);
  }
  bool saturating = c.saturation > 0;
  if (saturating != saturating_) {
    saturating_ = saturating;
    select();
  }
  if (saturating_) sat_.set(c.saturation, f_);
  if (c.qmod == 0.f) q_ = std::min(svf::damping_from_resonance(c.resonance), limit_);
}

void state_variable_filter::modulate(float mixer, const filter_controls& c) {
  if (c.fmod != 0.f) {
    float smoothed = smoother_.process(mixer);
    set_coefficient(table_->cutoff_coefficient(fmod_offset(smoothed, c.fmod) + cutoff_),
                    c.saturation);
  }
  if (c.qmod != 0.f) {
    // r in [0, 1] (NaN -> 0): the damping runs from 0 to 2.
    float r = limit_or_low(1.f - c.resonance + mixer * c.qmod, 0.f, 1.f);
    q_ = int32_t(r * 1073741824.f);
  }
  q_ = std::min(q_, limit_);
}

// One sample of a variant. Two runs of the first stage on x; the 24 dB forms
// then run a second stage twice on the first stage's output. The band forms
// clamp the low integrator instead of the band one; their band integrator
// is additionally held to +-8 units: with the low integrator stuck at its
// 4-unit clamp, an input beyond 4 units against a damping near 0 would
// otherwise integrate without bound (and wrap). Signals up to 2 units never
// reach that rail. The other second stages are unclamped; with inputs held
// to 16 units their states stay below 64 units at any setting.
template <int mode, bool cascade, bool saturate>
int32_t state_variable_filter::process_variant(state_variable_filter& s, int32_t input) {
  using namespace svf;
  constexpr bool band_form = mode == band;
  constexpr int32_t band_limit = band_form ? clamp25 : clamp24;
  constexpr int32_t low_limit = band_form ? clamp24 : no_limit;
  constexpr drive drive1 = saturate ? drive::own : drive::linear;

  const int64_t x = limit_input(input);
  const int32_t f = s.f_, q = s.q_;
  int32_t l1 = s.low_, b1 = s.band_;
  int64_t gain = 0;
  run<band_limit, low_limit, drive1>(l1, b1, x, f, q, s.sat_, gain);
  int64_t damping1 = run<band_limit, low_limit, drive1>(l1, b1, x, f, q, s.sat_, gain);
  s.low_ = l1;
  s.band_ = b1;

  int64_t y = mode == low ? l1 : mode == band ? b1 : mode == high ? x - l1 : x - damping1;
  if constexpr (cascade) {
    constexpr int32_t band2_limit = mode == notch ? clamp25 : no_limit;
    constexpr drive drive2 = saturate ? drive::shared : drive::linear;
    const int32_t q2 = mode == notch ? q : std::min(s.limit_, cascade_damping_max);
    const int64_t x2 = y;
    int32_t l2 = s.low2_, b2 = s.band2_;
    run<band2_limit, no_limit, drive2>(l2, b2, x2, f, q2, s.sat_, gain);
    int64_t damping2 = run<band2_limit, no_limit, drive2>(l2, b2, x2, f, q2, s.sat_, gain);
    s.low2_ = l2;
    s.band2_ = b2;
    y = mode == low ? l2 : mode == band ? b2 : mode == high ? x2 - l2 : x2 - damping2;
  }
  return limit_output(y);
}

// Entry mode_index + 4 * (24 dB) + 8 * (saturating).
const state_variable_filter::process_fn state_variable_filter::variants_[variant_count] = {
    &process_variant<low, false, false>,  &process_variant<band, false, false>,
    &process_variant<high, false, false>, &process_variant<notch, false, false>,
    &process_variant<low, true, false>,   &process_variant<band, true, false>,
    &process_variant<high, true, false>,  &process_variant<notch, true, false>,
    &process_variant<low, false, true>,   &process_variant<band, false, true>,
    &process_variant<high, false, true>,  &process_variant<notch, false, true>,
    &process_variant<low, true, true>,    &process_variant<band, true, true>,
    &process_variant<high, true, true>,   &process_variant<notch, true, true>,
};

}  // namespace synth
