#include <gtest/gtest.h>

#include <cmath>

#include "synth/dsp/exp2.h"
#include "synth/dsp/noise_generator.h"

using namespace synth;

TEST(exp2, table_holds_one_octave_with_a_guard_entry_below) {
  EXPECT_NEAR(exp2_table[0], 0.9945994f, 1e-7);
  EXPECT_EQ(exp2_table[1], 1.f);
  EXPECT_NEAR(exp2_table[128], 1.989258f, 1e-4);  // 2^(127/128) = 1.98920
  for (int k = 0; k < exp2_table_size; ++k) EXPECT_FLOAT_EQ(exp2_table[k], std::exp2((k - 1) / 128.0)) << k;
  for (int k = 1; k < exp2_table_size; ++k) EXPECT_GT(exp2_table[k], exp2_table[k - 1]);
}

TEST(exp2, exp2_fast_is_within_a_hundredth_of_a_cent_everywhere) {
  double worst = 0;
  for (double x = -12.0; x <= 12.0; x += 0.000731) {
    const double rel = std::fabs(exp2_fast(float(x)) / std::exp2(x) - 1.0);
    worst = std::max(worst, rel);
  }
  EXPECT_LT(worst, 5e-6);  // 5e-6 relative = 0.0087 cent
  // Whole octaves are exact, also below 1 (exact floor of negative values).
  for (int e = -20; e <= 20; ++e) EXPECT_EQ(exp2_fast(float(e)), std::ldexp(1.f, e)) << e;
}

TEST(exp2, pitch_ratio_matches_exp2_of_the_fixed_point_pitch) {
  EXPECT_EQ(pitch_ratio(0), 1.f);
  EXPECT_EQ(pitch_ratio(8192), 2.f);
  EXPECT_EQ(pitch_ratio(-8192), 0.5f);
  double worst = 0;
  float previous = 0.f;
  for (int32_t u = -8 * 8192; u <= 8 * 8192; u += 7) {
    const float r = pitch_ratio(u);
    worst = std::max(worst, std::fabs(r / std::exp2(u / 8192.0) - 1.0));
    EXPECT_GE(r, previous);
    previous = r;
  }
  EXPECT_LT(worst, 5e-6);
}

TEST(exp2, log2_fast_is_within_two_ten_millionths_of_an_octave_and_exact_at_whole_octaves) {
  // Every mantissa region (both sides of the sqrt(2) fold) over the range a
  // frequency takes, from far below note 0 to far above any rate.
  double worst = 0;
  float worst_x = 0.f;
  for (double x = 1e-6; x < 1e6; x *= 1.000123) {
    // Past an octave or two from 1 the float's own rounding of the result
    // (half a step: 2^-24 of its size) is the coarser limit.
    const double exact = std::log2(double(float(x)));
    const double err = std::fabs(double(log2_fast(float(x))) - exact) / std::max(1.0, std::fabs(exact));
    if (err > worst) worst = err, worst_x = float(x);
  }
  EXPECT_LT(worst, 1.5e-7) << "at " << worst_x;
  for (int e = -20; e <= 20; ++e) EXPECT_EQ(log2_fast(std::ldexp(1.f, e)), float(e)) << e;
  // Rising: a keytracked pitch never runs backwards as A's frequency rises.
  float previous = log2_fast(1.f);
  for (float x = 1.f; x < 4.f; x = std::nextafter(x, 8.f) + 3e-7f) {
    const float y = log2_fast(x);
    ASSERT_GE(y, previous) << x;
    previous = y;
  }
}

TEST(noise_generator, first_values_from_the_seed) {
  noise_generator n;
  EXPECT_EQ(n.state, 0xB160BEEFu);
  const uint32_t states[] = {0xDB88DDF6u, 0x62635CE1u, 0x544B4C20u, 0xE7DD3A63u};
  const int16_t outs[] = {-9336, 25187, 21579, -6179};
  for (int i = 0; i < 4; ++i) {
    n.next();
    EXPECT_EQ(n.state, states[i]);
    EXPECT_EQ(n.out16, outs[i]);
    EXPECT_EQ(n.out_float, float(outs[i]) / 32768.f);
  }
  n.reset();
  n.next();
  EXPECT_EQ(n.out16, -9336);
}

TEST(noise_generator, advancing_by_n_equals_n_steps) {
  // The fast engine places each voice on the sequence by jumping; a jump
  // must land exactly where that many steps land, outputs included.
  for (uint32_t n : {0u, 1u, 2u, 3u, 255u, 256u, 1000u, 65537u}) {
    SCOPED_TRACE(n);
    noise_generator stepped, jumped;
    stepped.next();  // from a state other than the seed
    jumped = stepped;
    for (uint32_t i = 0; i < n; ++i) stepped.next();
    jumped.advance(n);
    EXPECT_EQ(jumped.state, stepped.state);
    EXPECT_EQ(jumped.out16, stepped.out16);
    EXPECT_EQ(jumped.out_float, stepped.out_float);
  }
}
