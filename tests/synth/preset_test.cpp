#include "synth/preset.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace synth {
namespace {

TEST(preset, factory_reset_holds_every_default) {
  preset p;
  p.values_version = 5;
  build_factory_reset(p);
  EXPECT_EQ(p.name, "Reset");
  EXPECT_EQ(p.category, "Init");
  EXPECT_EQ(int32_t(p.values_version), -1);
  for (int i = 0; i < preset_param_count; ++i) EXPECT_EQ(p.get(i), param_row(i).def) << i;
  EXPECT_EQ(uint32_t(p.change_stamp), uint32_t(preset_param_count));
}

TEST(preset, factory_init_sets_its_values_over_the_defaults) {
  const std::map<int, float> init = {
      {p::volume, 0.75f},        {p::volume_env, 1.f},       {p::osc_range, 2.f},
      {p::osc_a_waveform, 1.f},  {p::osc_a_level, 0.75f},    {p::osc_b_level, 0.75f},
      {p::filter_resonance, 0.125f},
      {p::env_a_attack, 0.125f}, {p::env_a_decay, 0.3f},     {p::env_a_sustain, 0.5f},
      {p::env_a_release, 0.125f},
      {p::env_b_attack, 0.125f}, {p::env_b_decay, 0.28125f}, {p::env_b_sustain, 0.f},
      {p::env_b_release, 0.125f},
      {p::mod_a_rate, 0.125f},   {p::mod_a_shape, 1.f},
      {p::mod_b_rate, 0.125f},   {p::mod_b_shape, 1.f},
  };
  preset p;
  p.change_stamp = 7;
  build_factory_init(p);
  EXPECT_EQ(p.name, "Init");
  EXPECT_EQ(p.category, "Init");
  for (int i = 0; i < preset_param_count; ++i) {
    auto it = init.find(i);
    EXPECT_EQ(p.get(i), it != init.end() ? it->second : param_row(i).def) << i;
  }
  // One advance per value written: the 89 defaults, then the 19 init values.
  EXPECT_EQ(uint32_t(p.change_stamp), 7u + 89u + 19u);
}

TEST(preset, limiting_clamps_to_ranges_and_floors_integers) {
  preset p;
  build_factory_init(p);
  p.set(p::osc_a_waveform, 9.f);        // a PCM wave: only limited below
  p.set(p::osc_b_waveform, -2.f);
  p.set(p::osc_b_coarse, 40.f);
  p.set(p::osc_range, 3.7f);
  p.set(p::mod_a_bias, -0.5f);          // floored, not truncated
  p.set(p::volume, 2.f);
  p.set(p::panning, -1.5f);
  p.set(p::filter_frequency, NAN);
  limit_values(p);
  EXPECT_EQ(p.get(p::osc_a_waveform), 9.f);
  EXPECT_EQ(p.get(p::osc_b_waveform), 0.f);
  EXPECT_EQ(p.get(p::osc_b_coarse), 36.f);
  EXPECT_EQ(p.get(p::osc_range), 3.f);
  EXPECT_EQ(p.get(p::mod_a_bias), -1.f);
  EXPECT_EQ(p.get(p::volume), 1.f);
  EXPECT_EQ(p.get(p::panning), -1.f);
  EXPECT_EQ(p.get(p::filter_frequency), param_row(p::filter_frequency).def);
  p.set(p::osc_a_waveform, 9.6f);
  limit_values(p);
  EXPECT_EQ(p.get(p::osc_a_waveform), 9.f);
}

TEST(preset, limiting_values_already_in_range_changes_nothing) {
  preset p;
  build_factory_init(p);
  preset before = p;
  limit_values(p);
  for (int i = 0; i < preset_param_count; ++i) EXPECT_EQ(p.get(i), before.get(i)) << i;
  EXPECT_EQ(uint32_t(p.change_stamp), uint32_t(before.change_stamp));
}

TEST(preset, limiting_a_fresh_record_lands_every_value_in_range) {
  preset p;  // every slot at the "not set" marker
  limit_values(p);
  for (int i = 0; i < preset_param_count; ++i) {
    const param_info& r = param_row(i);
    EXPECT_GE(p.get(i), std::min(r.min, 0.f)) << i;
    EXPECT_LE(p.get(i), r.max) << i;
    if (r.is_integer) {
      EXPECT_EQ(p.get(i), std::floor(p.get(i))) << i;
    }
  }
}

}  // namespace
}  // namespace synth
