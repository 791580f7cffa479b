#include "synth/unison.h"

#include <gtest/gtest.h>

#include <cmath>

namespace synth {
namespace {

TEST(unison, spread_table_rises_from_sqrt2_to_one_over_non_square_ratios) {
  const auto& s = unison_spread();
  EXPECT_NEAR(s[0], 0.1233f, 5e-5f);
  EXPECT_NEAR(s[1], 0.2179f, 5e-5f);
  EXPECT_NEAR(s[2], 0.3680f, 5e-5f);  // m = 5: 4 is skipped
  EXPECT_FLOAT_EQ(s[14], 1.f);
  for (int i = 1; i < unison_spread_size; ++i) EXPECT_GT(s[i], s[i - 1]);
}

TEST(unison, three_layers_at_full_detune_sit_around_the_note) {
  float d[max_unison_layers];
  unison_detune(3, 1.f, d);
  EXPECT_NEAR(d[0], -0.1138f, 1e-4f);
  EXPECT_NEAR(d[1], 0.0096f, 1e-4f);
  EXPECT_NEAR(d[2], 0.1042f, 1e-4f);
  unison_detune(1, 1.f, d);
  EXPECT_EQ(d[0], 0.f);
}

TEST(unison, detune_offsets_sum_to_zero_and_scale_with_detune) {
  for (int n = 1; n <= max_unison_layers; ++n) {
    SCOPED_TRACE(n);
    float full[max_unison_layers], half[max_unison_layers];
    unison_detune(n, 1.f, full);
    unison_detune(n, 0.5f, half);
    float sum = 0.f;
    for (int k = 0; k < n; ++k) {
      sum += full[k];
      EXPECT_NEAR(half[k], full[k] * 0.5f, 1e-6f);
    }
    EXPECT_NEAR(sum, 0.f, 1e-5f);
  }
}

TEST(unison, two_layers_at_width_one_go_hard_left_and_right_at_one_over_sqrt2) {
  float pan[max_unison_layers];
  unison_pan(2, 1.f, pan);
  EXPECT_FLOAT_EQ(pan[0], 1.f);
  EXPECT_FLOAT_EQ(pan[1], -1.f);
  const float g = 1.4124f / std::sqrt(2.f);
  const stereo_gain right = unison_gain(pan[0], 2), left = unison_gain(pan[1], 2);
  EXPECT_NEAR(right.left, 0.f, 1e-6f);
  EXPECT_NEAR(right.right, g, 1e-5f);
  EXPECT_NEAR(left.left, g, 1e-5f);
  EXPECT_NEAR(left.right, 0.f, 1e-6f);
}

TEST(unison, positions_alternate_sides_and_grow_outward) {
  float pan[max_unison_layers];
  unison_pan(3, 1.f, pan);  // width factor 1.5 spans exactly -1..1
  EXPECT_FLOAT_EQ(pan[0], 0.f);
  EXPECT_FLOAT_EQ(pan[1], -1.f);
  EXPECT_FLOAT_EQ(pan[2], 1.f);
  unison_pan(4, 0.5f, pan);  // factor 2.0: +-0.5 then +-1
  EXPECT_FLOAT_EQ(pan[0], 0.5f);
  EXPECT_FLOAT_EQ(pan[1], -0.5f);
  EXPECT_FLOAT_EQ(pan[2], 1.f);
  EXPECT_FLOAT_EQ(pan[3], -1.f);
  for (int n = 1; n <= max_unison_layers; ++n) {
    SCOPED_TRACE(n);
    unison_pan(n, 0.5f, pan);
    float sum = 0.f;
    for (int k = 0; k < n; ++k) sum += pan[k];
    EXPECT_NEAR(sum, 0.f, 1e-5f);  // mirrored pairs, plus a centre layer for odd n
    if (n >= 3) {
      EXPECT_GT(std::fabs(pan[n - 1]), std::fabs(pan[0]));
    }
  }
  unison_pan(1, 1.f, pan);
  EXPECT_EQ(pan[0], 0.f);
}

TEST(unison, gains_are_unity_at_the_centre_and_mirror_with_pan) {
  const stereo_gain c = unison_gain(0.f, 1);
  EXPECT_NEAR(c.left, 1.f, 1e-4f);
  EXPECT_NEAR(c.right, 1.f, 1e-4f);
  const stereo_gain c4 = unison_gain(0.f, 4);
  EXPECT_NEAR(c4.left, 0.5f, 1e-4f);
  for (float pan : {0.1f, 0.4f, 0.8f}) {
    SCOPED_TRACE(pan);
    const stereo_gain a = unison_gain(pan, 3), b = unison_gain(-pan, 3);
    EXPECT_NEAR(a.left, b.right, 1e-6f);
    EXPECT_NEAR(a.right, b.left, 1e-6f);
    EXPECT_GT(a.right, a.left);
  }
}

}  // namespace
}  // namespace synth
