// Factory presets and value limiting.
#include "synth/preset.h"

#include <algorithm>
#include <cmath>

namespace synth {
namespace {

void set_defaults(preset& p) {
  for (int i = 0; i < preset_param_count; ++i) p.set(i, param_row(i).def);
}

void name_factory(preset& p, const char* name) {
  p.name = name;
  p.category = "Init";
  p.values_version = -1;  // the values did not come from a file
}

// The waveforms go on past their table maximum into the loaded PCM waves.
bool limited_below_only(int index) { return index == p::osc_a_waveform || index == p::osc_b_waveform; }

}  // namespace

void build_factory_reset(preset& p) {
  name_factory(p, "Reset");
  set_defaults(p);
}

void build_factory_init(preset& p) {
  name_factory(p, "Init");
  set_defaults(p);
  struct entry {
    int index;
    float value;
  };
  // A playable starting point: Osc A a pulse, both mixer levels at 0 dB, a
  // touch of resonance, soft amplitude and filter contours, slow ramp LFOs.
  constexpr entry init_values[] = {
      {p::volume, 0.75f},        {p::volume_env, 1.f},     {p::osc_range, 2.f},
      {p::osc_a_waveform, 1.f},  {p::osc_a_level, 0.75f},  {p::osc_b_level, 0.75f},
      {p::filter_resonance, 0.125f},
      {p::env_a_attack, 0.125f}, {p::env_a_decay, 0.3f},   {p::env_a_sustain, 0.5f},
      {p::env_a_release, 0.125f},
      {p::env_b_attack, 0.125f}, {p::env_b_decay, 0.28125f}, {p::env_b_sustain, 0.f},
      {p::env_b_release, 0.125f},
      {p::mod_a_rate, 0.125f},   {p::mod_a_shape, 1.f},
      {p::mod_b_rate, 0.125f},   {p::mod_b_shape, 1.f},
  };
  for (const entry& e : init_values) p.set(e.index, e.value);
}

void limit_values(preset& p) {
  for (int i = 0; i < preset_param_count; ++i) {
    const param_info& r = param_row(i);
    float v = p.get(i);
    float limited = std::isnan(v) ? r.def : std::max(v, limited_below_only(i) ? 0.f : r.min);
    if (!limited_below_only(i)) limited = std::min(limited, r.max);
    if (r.is_integer) limited = std::floor(limited);
    // Only a real change advances the stamp: voices need to reload only then.
    if (limited != v || std::isnan(v)) p.set(i, limited);
  }
}

}  // namespace synth
