// Clipper, Rectifier, Quantizer, Tone, RC Filter and Multiplier on processed audio.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "tests/fx/fx_runner.h"
#include "tools/analysis/signal.h"
#include "tools/analysis/spectrum.h"

namespace {

using fx_test::runner;
using fx_test::stereo;

double tone_db(const stereo& x, double hz, size_t skip = 8192) {
  return analysis::amplitude_db(analysis::tone_amplitude(x.l.data() + skip, x.size() - skip, 44100, hz));
}

TEST(clipper, clips_at_0_db_with_clip_1_and_at_minus_48_db_with_clip_0) {
  for (float clip : {1.f, 0.f}) {
    runner c("Clipper");
    c.set(1, clip);
    stereo x = fx_test::sine(440, 0.2, 2.0);
    c.run(x);
    const double level = clip == 1.f ? 1.0 : std::pow(10.0, -48.0 / 20.0);
    EXPECT_NEAR(analysis::peak(x.l.data(), x.size()), level, level * 1e-5) << clip;
    EXPECT_GT(c.fx().meter(0), 0.5f);  // most samples clipped
  }
  runner quiet("Clipper");
  stereo x = fx_test::sine(440, 0.2, 0.5);
  const stereo in = x;
  quiet.run(x);
  EXPECT_EQ(x.l, in.l);  // below the level nothing changes
  EXPECT_FLOAT_EQ(quiet.fx().meter(0), 1e-10f);
}

// A 5 kHz sine 12 dB into the clip, and fully rectified: the harmonics above
// the Nyquist frequency fold back without oversampling; with it, far less.
TEST(clipper_and_rectifier, oversampling_keeps_the_folded_harmonics_down) {
  auto alias_db = [](const char* name, int clip_index, float clip, int os_index, float os) {
    runner e(name);
    if (clip_index >= 0) e.set(clip_index, clip);
    e.set(os_index, os);
    stereo x = fx_test::sine(5000, 1.6, 0.9);
    e.run(x);
    return analysis::alias_to_signal_db(x.l.data() + 4096, 65536, 44100, 5000.0);
  };
  const double clip_off = alias_db("Clipper", 1, 0.75f, 3, 0.f), clip_on = alias_db("Clipper", 1, 0.75f, 3, 1.f);
  const double rect_off = alias_db("Rectifier", -1, 0.f, 2, 0.f), rect_on = alias_db("Rectifier", -1, 0.f, 2, 1.f);
  EXPECT_GT(clip_off, -20.0);
  EXPECT_LT(clip_on, -45.0);
  EXPECT_GT(rect_off, -22.0);
  EXPECT_LT(rect_on, -44.0);
}

TEST(rectifier, depth_1_gives_the_magnitude_and_depth_0_passes) {
  const stereo in = fx_test::noise(0.2);
  for (float polarity : {1.f, 0.f}) {
    runner r("Rectifier");
    r.set(1, polarity);
    stereo x = in;
    r.run(x);
    for (size_t i = 0; i < x.size(); ++i)
      ASSERT_EQ(x.l[i], polarity == 1.f ? std::fabs(in.l[i]) : -std::fabs(in.l[i])) << i;
  }
  runner r("Rectifier");
  r.set(0, 0.f);
  stereo x = in;
  r.run(x);
  EXPECT_EQ(x.l, in.l);
}

TEST(quantizer, bits_set_the_step_and_rate_the_hold_period) {
  runner q("Quantizer");
  q.set(2, 0.25f);  // 16^0.25 = 2 bits: steps of 0.5
  q.set(4, 1.f);    // staircase
  q.set(0, 0.f);    // 400 Hz
  stereo x = fx_test::noise(1.0, 3, 0.9);
  q.run(x);
  std::set<float> values(x.l.begin(), x.l.end());
  for (float v : values) EXPECT_EQ(std::fmod(v, 0.5f), 0.f) << v;
  EXPECT_LE(values.size(), 5u);
  int changes = 0;
  for (size_t i = 1; i < x.size(); ++i) changes += x.l[i] != x.l[i - 1];
  EXPECT_LE(changes, 401);
  EXPECT_GT(changes, 200);  // most holds take a different value

  // Dither turns a signal below half a step into noise instead of silence.
  for (float dither : {0.f, 1.f}) {
    runner d("Quantizer");
    d.set(2, 0.25f);
    d.set(3, dither);
    stereo y = fx_test::sine(100, 0.5, 0.2);
    d.run(y);
    const double level = analysis::rms(y.l.data(), y.size());
    if (dither == 0.f)
      EXPECT_EQ(level, 0.0);
    else
      EXPECT_GT(level, 0.05);
  }
}

TEST(tone, the_band_passes_between_its_edges_and_steep_cuts_deeper) {
  auto through = [](double hz, float steep) {
    runner t("Tone");
    t.set(0, 1.f);  // the band alone
    t.set(2, 0.2f);
    t.set(5, steep);
    stereo x = fx_test::sine(hz, 0.5, 0.5);
    t.run(x);
    return tone_db(x, hz) + 6.0206;  // relative to the input's 0.5
  };
  // Edges at 1.4 and 10.9 kHz.
  EXPECT_GT(through(4000, 0.f), -3.0);
  EXPECT_LT(through(100, 0.f), -20.0);
  EXPECT_LT(through(100, 3.f), through(100, 0.f) - 30.0);
  // Mix 0.5 adds the band to the dry signal: a boost in the band.
  runner boost("Tone");
  stereo x = fx_test::sine(4000, 0.5, 0.25);
  boost.run(x);
  EXPECT_GT(tone_db(x, 4000) + 12.04, 4.0);
}

TEST(tone, auto_mode_keeps_the_band_on_the_played_note) {
  auto gain = [](double hz, float automatic) {
    runner t("Tone");
    t.set(0, 1.f);
    t.set(2, 0.f);  // the narrowest band
    t.set(4, automatic);
    if (automatic == 0.f) t.set(1, 0.25f);
    stereo x = fx_test::sine(hz, 1.0, 0.5);
    t.run(x);
    return tone_db(x, hz, 22050) + 6.0206;
  };
  EXPECT_NEAR(gain(220, 1.f), gain(1760, 1.f), 3.0);
  EXPECT_GT(std::fabs(gain(220, 0.f) - gain(1760, 0.f)), 6.0);  // a fixed band does not
}

TEST(rc_filter, every_mode_is_3_db_down_at_its_cutoff_with_6_db_per_octave_per_order) {
  for (int mode = 0; mode < 8; ++mode) {
    SCOPED_TRACE(mode);
    const bool high = mode < 4;
    const int order = (mode & 3) + 1;
    const double cutoff = high ? 4000.0 : 100.0;
    auto gain = [&](double hz) {
      runner f("RC Filter");
      f.set(0, float(std::cbrt((cutoff - 0.1) / 25999.9)));
      f.set(1, float(mode));
      stereo x = fx_test::sine(hz, 0.5, 0.5);
      f.run(x);
      return tone_db(x, hz) + 6.0206;
    };
    EXPECT_NEAR(gain(cutoff), -3.01, 0.3);
    // Two octaves further out, 12 dB more per section (near the asymptote).
    const double near = gain(high ? cutoff / 4 : cutoff * 4), far = gain(high ? cutoff / 16 : cutoff * 16);
    EXPECT_NEAR(near - far, 12.0 * order, 1.5 * order);
  }
  runner low("RC Filter");  // Frequency 0 is 0.1 Hz: a lowpass there silences 1 kHz
  low.set(1, 4.f);
  stereo x = fx_test::sine(1000, 0.5, 0.5);
  low.run(x);
  EXPECT_LT(tone_db(x, 1000), -80.0);
}

TEST(multiplier, modes_make_octaves_or_odd_harmonics) {
  auto spectrum = [](float mode) {
    runner m("Multiplier");
    m.set(0, 1.f);  // wet only
    m.set(5, 1.f);  // full depth
    m.set(7, mode);
    stereo x = fx_test::sine(200, 1.0, 0.5);
    m.run(x);
    return std::array<double, 3>{tone_db(x, 200), tone_db(x, 400), tone_db(x, 600)};
  };
  const auto square = spectrum(0.f), odd = spectrum(1.f), sign = spectrum(2.f);
  EXPECT_GT(square[1], square[0] + 20.0);  // x times itself: the octave
  EXPECT_GT(odd[2], odd[1] + 30.0);        // x |x|: odd harmonics only
  EXPECT_GT(odd[0], odd[2]);
  EXPECT_GT(sign[1], sign[0] + 20.0);      // x sgn x = |x|: the octave again
}

}  // namespace
