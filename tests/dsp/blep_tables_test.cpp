#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "synth/dsp/band_limit_table.h"
#include "synth/dsp/correction_ring.h"

using namespace synth;

namespace {

// Relative closeness for the telling values of the residual shapes.
void expect_within(float value, double expected, double fraction, const char* what) {
  EXPECT_NEAR(value, expected, std::fabs(expected) * fraction) << what;
}

}  // namespace

TEST(blep_tables, layout_is_16_phases_by_16_taps_with_guards) {
  for (const band_limit_table* t : {&minblep, &minblamp}) {
    EXPECT_EQ(t->phases, 16);
    EXPECT_EQ(t->taps, 16);
    EXPECT_EQ(t->total, 256);
  }
  EXPECT_STREQ(minblep.name, "minblep");
  EXPECT_STREQ(minblamp.name, "minblamp");
  for (int e = 256; e < 264; ++e) {
    EXPECT_EQ(minblep.data[e], minblep.data[255]);
    EXPECT_EQ(minblamp.data[e], 0.f);
  }
}

TEST(blep_tables, minblep_is_a_minimum_phase_step_residual) {
  // 1 at the step, half-way near two samples, ringing (a negative peak, then
  // a smaller positive one) and gone within the 16 taps.
  expect_within(minblep.data[0], 1.0, 0.001, "entry 0");
  EXPECT_GT(minblep.data[15], 0.9f);
  int half = 0;
  while (half < 255 && minblep.data[half] > 0.5f) ++half;
  EXPECT_NEAR(half, 32, 4) << "falls through one half near t = 2";
  int lo = 32, hi = 48;
  for (int e = 32; e < 70; ++e)
    if (minblep.data[e] < minblep.data[lo]) lo = e;
  for (int e = 48; e < 100; ++e)
    if (minblep.data[e] > minblep.data[hi]) hi = e;
  EXPECT_LT(lo, hi);
  EXPECT_LT(minblep.data[lo], -0.1f);
  EXPECT_GT(minblep.data[hi], 0.05f);
  EXPECT_LT(minblep.data[hi], -minblep.data[lo]);
  for (int e = 240; e < 256; ++e) EXPECT_LT(std::fabs(minblep.data[e]), 1e-6) << "the last tap leaves nothing held";
  EXPECT_LT(std::fabs(minblep.data[255]), 1e-6);
  // The area under the residual is the step's delay in samples.
  EXPECT_NEAR(minblep.integral, 1.73, 0.02);
  double sum = 0;
  for (int e = 0; e < 256; ++e) sum += minblep.data[e];
  EXPECT_NEAR(minblep.integral, sum / 16, 0.04);
}

TEST(blep_tables, minblamp_is_the_ramp_residual_less_the_delayed_step) {
  // Before the corner (tap 0 is the sample before it) nothing.
  for (int e = 0; e < 16; ++e) EXPECT_EQ(minblamp.data[e], 0.f) << e;
  // From the corner on: -4 (R - I s), R the running area of minblep, s the
  // band-limited step 1 - minblep, so that the residual returns to 0 as the
  // step settles. R by the trapezoid rule on the table itself.
  double area = 0;
  double worst = 0;
  for (int k = 0; k + 16 < 256; ++k) {
    if (k > 0) area += (minblep.data[k - 1] + minblep.data[k]) * 0.5 / 16;
    const double expected = -4 * (area - minblep.integral * (1 - minblep.data[k]));
    worst = std::max(worst, std::fabs(minblamp.data[k + 16] - expected));
  }
  EXPECT_LT(worst, 2e-3);
  // Falls by 4 / 16 per entry at first (the unit ramp times -4), has its
  // minimum between one and two samples after the corner, then settles.
  EXPECT_NEAR(minblamp.data[17] - minblamp.data[16], -0.25, 0.01);
  int lo = 0;
  for (int e = 0; e < 256; ++e)
    if (minblamp.data[e] < minblamp.data[lo]) lo = e;
  EXPECT_GE(lo, 32);
  EXPECT_LE(lo, 48);
  EXPECT_LT(minblamp.data[lo], -3.5f);
  for (int e = 224; e < 256; ++e) EXPECT_LT(std::fabs(minblamp.data[e]), 1e-2) << e;
  EXPECT_EQ(minblamp.data[255], 0.f);
}

TEST(correction_ring, insert_reads_interpolated_taps_and_pops_them_in_order) {
  correction_ring ring;
  ring.index = 13;  // wraps around the end
  const float t = 0.40625f;  // 6.5 phases: halfway between entries 6 and 7 of each tap
  insert_correction(ring, minblep, t, -2.f);
  EXPECT_EQ(ring.pending, 16);
  for (int k = 0; k < 16; ++k) {
    const float expected = -2.f * 0.5f * (minblep.data[6 + 16 * k] + minblep.data[7 + 16 * k]);
    EXPECT_NEAR(ring.pop(), expected, 1e-6) << k;
  }
  EXPECT_EQ(ring.pending, 0);
  const float kept = ring.current;
  EXPECT_EQ(ring.pop(), kept);  // nothing pending: the last value is held
  for (float s : ring.slots) EXPECT_EQ(s, 0.f);
  // Out-of-range times are held to the table: no read past the guards.
  insert_correction(ring, minblamp, 7.f, 1.f);
  insert_correction(ring, minblamp, -3.f, 1.f);
  for (float s : ring.slots) EXPECT_TRUE(std::isfinite(s));
}

TEST(correction_ring, a_corrected_step_averages_to_the_table_integral) {
  // Sum over all sub-sample times of the step residual equals the integral:
  // the mean the ramp's DC correction removes.
  double total = 0;
  const int times = 64;
  for (int i = 0; i < times; ++i) {
    correction_ring ring;
    insert_correction(ring, minblep, (i + 0.5f) / times, 1.f);
    for (int k = 0; k < 16; ++k) total += ring.pop();
  }
  EXPECT_NEAR(total / times, minblep.integral, 2e-3);
}
