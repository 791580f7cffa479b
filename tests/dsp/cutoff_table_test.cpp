// The cutoff coefficient table and the one-pole coefficient approximation.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "synth/dsp/cutoff_table.h"
#include "synth/dsp/one_pole.h"
#include "tests/dsp/filter_probe.h"

namespace {

using synth::cutoff_table;
using filter_probe::hz_of_coefficient;

TEST(cutoff_table, entries_sit_half_a_semitone_apart_from_the_base_up_to_half_the_rate) {
  for (double fs : {44100.0, 96000.0}) {
    SCOPED_TRACE(fs);
    cutoff_table t;
    t.init(fs);
    EXPECT_NEAR(hz_of_coefficient(t.entry(0), fs), 16.3516, 0.001);
    const int32_t ceiling = int32_t(std::sin(std::numbers::pi / 4.0) * 2147483648.0);  // fs / 2
    for (int i = 1; i < cutoff_table::size; ++i) {
      double hz = 16.3516 * std::exp2(i / 24.0);
      if (hz < fs / 2 * 0.999)
        ASSERT_NEAR(hz_of_coefficient(t.entry(i), fs) / hz, 1.0, 1e-5) << i;
      else
        ASSERT_EQ(t.entry(i), ceiling) << i;
    }
  }
}

TEST(cutoff_table, rebuilding_for_a_new_rate_keeps_the_frequencies) {
  cutoff_table t;
  t.init(44100.0);
  std::vector<int32_t> at44(cutoff_table::size);
  for (int i = 0; i < cutoff_table::size; ++i) at44[i] = t.entry(i);
  t.init(88200.0);
  EXPECT_EQ(t.sample_rate(), 88200.0);
  for (int i = 0; i < 200; ++i) {  // below 11 kHz
    EXPECT_LT(t.entry(i), at44[i]);
    EXPECT_NEAR(hz_of_coefficient(t.entry(i), 88200.0), hz_of_coefficient(at44[i], 44100.0),
                1e-4 * hz_of_coefficient(at44[i], 44100.0));
  }
}

TEST(cutoff_table, lookup_clamps_at_both_ends_and_interpolates_between_entries) {
  cutoff_table t;
  t.init(44100.0);
  for (int32_t c : {INT32_MIN, -100000, -1, 0}) EXPECT_EQ(t.cutoff_coefficient(c), t.entry(0)) << c;
  for (int32_t c : {255 * 64, 255 * 64 + 63, 256 * 64, 1 << 20, INT32_MAX})
    EXPECT_EQ(t.cutoff_coefficient(c), t.entry(255)) << c;
  for (int i : {0, 17, 128, 254}) {
    EXPECT_EQ(t.cutoff_coefficient(i * 64), t.entry(i));
    EXPECT_NEAR(t.cutoff_coefficient(i * 64 + 32), (int64_t(t.entry(i)) + t.entry(i + 1)) / 2, 1);
  }
  // Monotonic, and within a hundredth of a semitone of the pitch it names
  // wherever the table is not held at fs / 2.
  int32_t previous = 0;
  for (int32_t c = 0; c < 256 * 64; ++c) {
    int32_t f = t.cutoff_coefficient(c);
    ASSERT_GE(f, previous) << c;
    previous = f;
    double hz = cutoff_table::base_hz * std::exp2(c / 1536.0);
    if (hz < 20000.0) {
      ASSERT_NEAR(12.0 * std::log2(hz_of_coefficient(f) / hz), 0.0, 0.01) << c;
    }
  }
}

TEST(one_pole, tangent_approximation_puts_minus_3_db_on_the_cutoff_and_the_forms_are_complementary) {
  const float fs = 44100.f;
  for (float hz : {5.f, 500.f, 4000.f}) {
    SCOPED_TRACE(hz);
    synth::one_pole_lowpass lp;
    synth::one_pole_highpass hp;
    lp.init(hz, fs);
    hp.init(hz, fs);
    EXPECT_NEAR(lp.c.g, std::tan(std::numbers::pi * hz / fs), 2e-3 * lp.c.g);
    const size_t n = size_t(fs * (hz < 50.f ? 4.f : 0.5f));
    std::vector<float> lo(n), hi(n);
    for (size_t i = 0; i < n; ++i) {
      float x = std::sin(2.f * std::numbers::pi_v<float> * hz * float(i) / fs);
      lo[i] = lp.process(x);
      hi[i] = hp.process(x);
      ASSERT_NEAR(lo[i] + hi[i], x, 1e-5f);
    }
    EXPECT_NEAR(analysis::amplitude_db(analysis::tone_amplitude(lo.data() + n / 2, n / 2, fs, hz)), -3.01, 0.05);
  }
}

}  // namespace
