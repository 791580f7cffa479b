#include "synth/param_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace synth {
namespace {

std::string name_of(int index, size_t cap = 64) {
  char text[64];
  full_name(index, text, cap);
  return text;
}

TEST(param_table, every_full_name_joins_group_and_name) {
  const char* expected[param_count] = {
      "Volume", "Volume Env", "Volume Mod A", "Volume Mod B",
      "Panning", "Panning Mod A", "Panning Mod B",
      "Glide Mode", "Glide Time",
      "Osc Range", "Osc Sync",
      "Pitch Env A", "Pitch Env B", "Pitch Mod A", "Pitch Mod B",
      "Osc XMod",
      "Osc A Waveform", "Osc A Width", "Osc A XMod",
      "Width Env A", "Width Env B", "Width Mod A", "Width Mod B",
      "Osc B Waveform", "Osc B Width", "Osc B Xmod", "Osc B Keytrack", "Osc B Coarse", "Osc B Fine",
      "Detune Env A", "Detune Env B", "Detune Mod A", "Detune Mod B",
      "Osc A Level", "Osc A Invert", "Osc B Level", "Osc B Invert",
      "Ringmod Level", "Noise Level",
      "Filter Mode", "Filter Trigger", "Filter Frequency", "Filter Resonance", "Filter Keytrack",
      "Filter FMod", "Filter QMod", "Filter Saturation",
      "Filter Env A", "Filter Env B", "Filter Mod A", "Filter Mod B",
      "Shaper Mode", "Shaper Depth", "Shaper Symm", "Shaper Tone",
      "Sh Flt Mode", "Sh Flt Frequency", "Sh Flt Resonance", "Sh Flt Keytrack",
      "Env A Attack", "Env A Decay", "Env A Sustain", "Env A Release", "Env A Keytrack",
      "Env A Trigger", "Env A Const Atk",
      "Env B Attack", "Env B Decay", "Env B Sustain", "Env B Release", "Env B Keytrack",
      "Env B Trigger", "Env B Const Atk",
      "Mod A Rate", "Mod A Delay", "Mod A Shape", "Mod A Width", "Mod A Bias", "Mod A Keysync",
      "Mod A Keytrack", "Mod A Range",
      "Mod B Rate", "Mod B Delay", "Mod B Shape", "Mod B Width", "Mod B Bias", "Mod B Keysync",
      "Mod B Keytrack", "Mod B Range",
      "Voices", "Coarse Tune", "Fine Tune", "Volume", "Bender Range", "Bender Route",
      "Bender Scale", "Bender Offset", "Glide Mode", "Velocity Route", "Velocity Scale",
      "Velocity Offset", "Unison Voices", "Unison Detune", "Unison Randomization", "Unison Width",
      "Parameter Filter",
  };
  for (int i = 0; i < param_count; ++i) EXPECT_EQ(name_of(i), expected[i]) << "parameter " << i;
}

TEST(param_table, full_name_is_bounded_and_empty_outside_the_table) {
  EXPECT_EQ(name_of(p::env_a_attack, 6), "Env A");
  EXPECT_EQ(name_of(p::env_a_attack, 1), "");
  char guard[8];
  std::memset(guard, 'x', sizeof guard);
  full_name(p::unison_randomization, guard, 4);
  EXPECT_STREQ(guard, "Uni");
  EXPECT_EQ(guard[4], 'x');
  EXPECT_EQ(name_of(-1), "");
  EXPECT_EQ(name_of(param_count), "");
}

TEST(param_table, groups_cover_their_ranges) {
  EXPECT_EQ(param_group_of(-1), -1);
  EXPECT_EQ(param_group_of(0), 0);
  EXPECT_EQ(param_group_of(3), 0);
  EXPECT_EQ(param_group_of(4), 1);
  EXPECT_EQ(param_group_of(p::osc_xmod), 5);
  EXPECT_EQ(param_group_of(p::mod_b_range), 20);
  EXPECT_EQ(param_group_of(p::voices), 21);
  EXPECT_EQ(param_group_of(p::parameter_filter), 21);
  EXPECT_STREQ(group_row(21).name, "");
  EXPECT_EQ(group_row(8).first, p::osc_b_waveform);
}

TEST(param_table, integer_flags_and_ranges_match_the_parameter_list) {
  const std::vector<int> integers = {1,  7,  9,  10, 15, 16, 23, 27, 34, 36, 39, 40, 51, 55, 64, 65, 71,
                                     72, 75, 77, 78, 80, 83, 85, 86, 88, 89, 90, 93, 94, 97, 98, 101};
  for (int i = 0; i < param_count; ++i) {
    bool listed = std::find(integers.begin(), integers.end(), i) != integers.end();
    EXPECT_EQ(param_row(i).is_integer, listed) << "parameter " << i;
  }
  const param_info& voices = param_row(p::voices);
  EXPECT_EQ(voices.max, 35.f);
  EXPECT_EQ(voices.def, 19.f);
  EXPECT_EQ(param_row(p::osc_b_coarse).min, -36.f);
  EXPECT_EQ(param_row(p::osc_b_fine).max, 0.5f);
  EXPECT_EQ(param_row(p::osc_b_keytrack).def, 1.f);
  EXPECT_EQ(param_row(p::env_b_release).def, 0.1f);
  EXPECT_EQ(param_row(p::master_volume).def, 0.625f);
  EXPECT_EQ(param_row(p::parameter_filter).def, 0.2f);
}

TEST(param_table, integer_normalisation_reaches_both_ends_and_centre) {
  EXPECT_EQ(to_internal(p::voices, 1.f), 35.f);
  EXPECT_EQ(to_internal(p::voices, 0.f), 0.f);
  EXPECT_EQ(to_internal(p::voices, 0.5f), 17.f);
  EXPECT_EQ(to_internal(p::osc_b_coarse, 1.f), 36.f);
  EXPECT_EQ(to_internal(p::osc_b_coarse, 0.f), -36.f);
  EXPECT_EQ(to_internal(p::osc_b_coarse, 0.5f), 0.f);
  EXPECT_EQ(to_internal(p::mod_a_bias, 1.f), 1.f);
  EXPECT_EQ(to_internal(p::mod_a_bias, 0.f), -1.f);
}

TEST(param_table, integer_normalisation_outside_unit_range_drops_the_widening) {
  // With the 0.999 widening these would read 5 and -55.
  EXPECT_EQ(to_internal(p::volume_env, 2.f), 4.f);
  EXPECT_EQ(to_internal(p::osc_b_coarse, -0.25f), -54.f);
  EXPECT_EQ(to_internal(p::osc_b_coarse, 1.5f), 72.f);
}

TEST(param_table, every_integer_gets_an_equal_share_of_the_unit_range) {
  int counts[3] = {};
  const int steps = 3000;
  for (int s = 0; s <= steps; ++s) {
    float v = to_internal(p::volume_env, float(s) / steps);
    ASSERT_GE(v, 0.f);
    ASSERT_LE(v, 2.f);
    ++counts[int(v)];
  }
  for (int c : counts) EXPECT_NEAR(c, steps / 3, 3);
}

TEST(param_table, real_parameters_map_linearly_and_round_trip) {
  EXPECT_FLOAT_EQ(to_internal(p::panning, 0.25f), -0.5f);
  EXPECT_FLOAT_EQ(to_internal(p::osc_b_fine, 1.f), 0.5f);
  EXPECT_FLOAT_EQ(to_internal(p::master_volume, 1.5f), 1.5f);  // not clamped
  EXPECT_FLOAT_EQ(to_normalised(p::osc_b_coarse, 0.f), 0.5f);
  EXPECT_FLOAT_EQ(to_normalised(p::voices, 35.f), 1.f);
  for (int i = 0; i < param_count; ++i) {
    if (param_row(i).is_integer) continue;
    for (float n : {0.f, 0.3f, 0.5f, 1.f})
      EXPECT_NEAR(to_normalised(i, to_internal(i, n)), n, 1e-6f) << "parameter " << i;
  }
  EXPECT_FALSE(std::isnan(to_internal(p::volume, NAN)));
}

}  // namespace
}  // namespace synth
