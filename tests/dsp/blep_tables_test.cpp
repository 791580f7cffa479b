#include <gtest/gtest.h>

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
  expect_within(minblep.data[0], 0.9999677, 0.001, "entry 0");
  expect_within(minblep.data[15], 0.9868441, 0.01, "entry 15");
  expect_within(minblep.data[32], 0.7007821, 0.03, "entry 32, t = 2");
  expect_within(minblep.data[47], 0.02035462, 0.05, "entry 47");
  // First negative peak near t = 3.56, next positive peak near t = 4.8.
  int lo = 40, hi = 64;
  for (int e = 40; e < 70; ++e)
    if (minblep.data[e] < minblep.data[lo]) lo = e;
  for (int e = 64; e < 100; ++e)
    if (minblep.data[e] > minblep.data[hi]) hi = e;
  EXPECT_NEAR(lo, 57, 1);
  expect_within(minblep.data[lo], -0.1883913, 0.05, "negative peak");
  EXPECT_NEAR(hi, 77, 1);
  expect_within(minblep.data[hi], 0.09952156, 0.05, "positive peak");
  EXPECT_LT(std::fabs(minblep.data[254]), 1e-4);
  EXPECT_LT(std::fabs(minblep.data[255]), 1e-6);
  // The area under the residual is the step's delay in samples.
  EXPECT_NEAR(minblep.integral, 2.1175, 0.02);
  double sum = 0;
  for (int e = 0; e < 256; ++e) sum += minblep.data[e];
  EXPECT_NEAR(minblep.integral, sum / 16, 0.04);
}

TEST(blep_tables, minblamp_has_the_pre_ring_minimum_and_monotone_return) {
  for (int e = 0; e <= 16; ++e) {
    EXPECT_GT(minblamp.data[e], 0.f) << e;
    EXPECT_LT(minblamp.data[e], 0.02f) << e;
  }
  expect_within(minblamp.data[15], 0.01334663, 0.02, "entry 15");
  expect_within(minblamp.data[16], 0.01595805, 0.02, "entry 16");
  expect_within(minblamp.data[17], -0.2289961, 0.02, "entry 17");
  // Falling by about 0.24 per entry at first: the unit ramp times -4.
  EXPECT_NEAR(minblamp.data[18] - minblamp.data[17], -0.245, 0.02);
  int lo = 0;
  for (int e = 0; e < 256; ++e)
    if (minblamp.data[e] < minblamp.data[lo]) lo = e;
  EXPECT_EQ(lo, 47);
  expect_within(minblamp.data[47], -4.866208, 0.02, "minimum");
  for (int e = 18; e <= 47; ++e) EXPECT_LT(minblamp.data[e], minblamp.data[e - 1]) << e;
  for (int e = 48; e < 256; ++e) EXPECT_GE(minblamp.data[e], minblamp.data[e - 1]) << e;
  expect_within(minblamp.data[64], -3.639141, 0.02, "entry 64");
  expect_within(minblamp.data[128], -1.090909, 0.02, "entry 128");
  expect_within(minblamp.data[192], -0.1050518, 0.02, "entry 192");
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
