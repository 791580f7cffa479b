// Phaser, Tremolo, Ringmod and Crossfeed on processed audio.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/fx/fx_runner.h"
#include "tools/analysis/signal.h"

namespace {

using fx_test::runner;
using fx_test::stereo;

double tone_db(const std::vector<float>& x, double hz, size_t skip = 8192) {
  return analysis::amplitude_db(analysis::tone_amplitude(x.data() + skip, x.size() - skip, 44100, hz));
}

// The energy centroid of an allpass chain's impulse response is its mean
// group delay over frequency, which for N first-order stages is N samples.
TEST(phaser, stages_7_runs_128_allpass_stages) {
  for (auto [setting, stages] : {std::pair{0.f, 2}, {4.f, 12}, {7.f, 128}}) {
    runner p("Phaser");
    p.set(7, 1.f);                  // the chain alone
    p.set(5, 0.5f);                 // no feedback
    p.set(4, 0.f);                  // no sweep
    p.set(3, 0.7785f);              // corner near a tenth of the rate
    p.set(6, setting);
    stereo x = fx_test::impulse(0.1, 0);
    p.run(x);
    double e = 0, moment = 0;
    for (size_t i = 0; i < x.size(); ++i) {
      e += double(x.l[i]) * x.l[i];
      moment += double(i) * x.l[i] * x.l[i];
    }
    EXPECT_NEAR(e, 1.0, 1e-3) << stages;  // an allpass keeps the energy
    EXPECT_NEAR(moment / e, stages, 0.02 * stages) << stages;
  }
}

TEST(tremolo, depth_0_passes_and_every_shape_swings_between_silence_and_unity) {
  runner still("Tremolo");
  still.set(1, 0.f);
  stereo x = fx_test::noise(0.2);
  const stereo in = x;
  still.run(x);
  EXPECT_EQ(x.l, in.l);

  for (float shape = 0.f; shape <= 4.f; shape += 0.25f) {
    SCOPED_TRACE(shape);
    runner t("Tremolo");
    t.set(3, shape);
    stereo dc(44100);
    std::fill(dc.l.begin(), dc.l.end(), 1.f);
    dc.r = dc.l;
    t.run(dc);  // the gain itself
    const auto [lo, hi] = std::minmax_element(dc.l.begin(), dc.l.end());
    EXPECT_GE(*lo, 0.f);
    EXPECT_LE(*hi, 1.f + 1e-6f);
    EXPECT_LT(*lo, 0.02f);
    EXPECT_GT(*hi, 0.98f);
  }
}

TEST(ringmod, depth_0_passes_within_the_oversampling_filters_and_depth_1_leaves_only_sidebands) {
  for (double hz : {100.0, 1000.0, 10000.0, 18000.0}) {
    runner r("Ringmod");
    r.set(1, 0.f);
    stereo x = fx_test::sine(hz, 0.5, 0.5);
    r.run(x);
    EXPECT_NEAR(tone_db(x.l, hz), -6.0206, 0.1) << hz;
  }
  runner r("Ringmod");  // carrier 0.3^3 * 15999 + 1 = 432.97 Hz
  stereo x = fx_test::sine(1000, 1.0, 0.5);
  r.run(x);
  const double carrier = 0.027 * 15999 + 1;
  EXPECT_LT(tone_db(x.l, 1000), -46.0);
  EXPECT_NEAR(tone_db(x.l, 1000 + carrier), -12.04, 0.5);
  EXPECT_NEAR(tone_db(x.l, 1000 - carrier), -12.04, 0.5);
}

TEST(crossfeed, lows_reach_the_other_ear_highs_do_not_and_mono_is_untouched) {
  runner mono("Crossfeed");
  stereo m = fx_test::noise(0.2);
  m.r = m.l;
  const stereo in = m;
  mono.run(m);
  for (size_t i = 0; i < m.size(); ++i) ASSERT_NEAR(m.l[i], in.l[i], 1e-6f);

  auto hard_left = [](double hz, float enable) {
    runner c("Crossfeed");
    c.set(0, enable);
    stereo x = fx_test::sine(hz, 0.5, 0.5);
    std::fill(x.r.begin(), x.r.end(), 0.f);
    c.run(x);
    return std::pair{tone_db(x.l, hz), tone_db(x.r, hz)};
  };
  const auto [low_l, low_r] = hard_left(60, 1.f);
  EXPECT_NEAR(low_l - low_r, 20 * std::log10(0.65 / 0.35), 0.5);  // about 5.4 dB apart
  const auto [high_l, high_r] = hard_left(8000, 1.f);
  EXPECT_NEAR(high_l, -6.0206, 0.2);
  EXPECT_LT(high_r, high_l - 40.0);
  const auto [off_l, off_r] = hard_left(60, 0.f);
  EXPECT_LT(off_r, -200.0);
}

}  // namespace
