// The shaper filter: one-pole and state-variable forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "synth/dsp/noise_generator.h"
#include "synth/dsp/shaper_filter.h"
#include "synth/dsp/state_variable_filter.h"
#include "tests/dsp/filter_probe.h"

namespace {

using namespace synth;
using namespace filter_probe;


shaper_filter make(int32_t mode, double hz, float resonance = 0.f) {
  shaper_filter f;
  f.init(&table_44k());
  f.set_mode(mode);
  f.update(frequency_for_hz(hz), 0, resonance);
  return f;
}

// -3 dB frequency of the one-pole s += (x - s) f at the filter's coefficient.
double one_pole_corner_hz(const shaper_filter& f) {
  double a = f.coefficient() / 1073741824.0, b = 1.0 - a;
  return std::acos((1.0 + b * b - 2.0 * a * a) / (2.0 * b)) * rate / (2.0 * std::numbers::pi);
}

constexpr int low6 = 1, high6 = 2, band6 = 3, notch6 = 4;
constexpr int low12 = 5, band_khn = 7;

TEST(shaper_filter, one_pole_forms_fall_6_db_per_octave_around_their_corner) {
  for (double hz : {400.0, 2000.0}) {
    SCOPED_TRACE(hz);
    auto lo = make(low6, hz);
    const double corner = one_pole_corner_hz(lo);
    EXPECT_NEAR(response_db(lo, corner), -3.01, 0.1);
    EXPECT_NEAR(slope_db_per_octave(lo, 2.0 * hz), 6.0, 1.0);
    EXPECT_NEAR(-slope_db_per_octave(make(high6, hz), hz / 16.0), 6.0, 1.0);
    EXPECT_NEAR(semitones(extreme_hz(make(band6, hz), corner, true), corner), 0.0, 0.5);
  }
  // x - 2 band: a null on the corner where the band form peaks at -6 dB.
  auto notch = make(notch6, 400.0);
  const double corner = one_pole_corner_hz(notch);
  EXPECT_NEAR(semitones(extreme_hz(notch, corner, false), corner), 0.0, 0.5);
  EXPECT_LT(response_db(notch, corner), -30.0);
}

TEST(shaper_filter, state_variable_forms_run_the_main_filters_linear_12_db_step) {
  noise_generator noise;
  for (int mode = 1; mode <= 4; ++mode) {
    SCOPED_TRACE(mode);
    filter_controls c;
    c.frequency = frequency_for_hz(1500.0);
    c.resonance = 0.6f;
    state_variable_filter main;
    main.init(&table_44k(), float(rate));
    main.set_mode(mode);
    main.update(c);
    auto shaper = make(mode + 4, 1500.0, 0.6f);
    for (int i = 0; i < 4000; ++i) {
      noise.next();
      int32_t x = noise.out16 * 256;  // 2 units: band form clamps engage too
      ASSERT_EQ(shaper.process(x), main.process(x)) << i;
    }
  }
}

TEST(shaper_filter, resonance_applies_at_once_and_mode_changes_keep_the_state) {
  EXPECT_NEAR(response_db(make(band_khn, 1000.0), 1000.0), -6.0, 0.5);
  auto resonant = make(band_khn, 1000.0);
  resonant.update(frequency_for_hz(1000.0), 0, resonance_curve(0.5f));  // damping 0.19
  EXPECT_GT(response_db(resonant, 1000.0), 13.0);

  // The keytrack sum counts twice as fine as the frequency: +3072 is an octave.
  auto tracked = make(low12, 500.0);
  tracked.update(frequency_for_hz(500.0), 2 * 1536, 0.f);
  EXPECT_EQ(tracked.coefficient(), make(low12, 1000.0).coefficient());

  // Low 6 -> High 6: the pole keeps running, the highpass is the input minus
  // the lowpass output of the previous sample.
  auto lo = make(low6, 700.0);
  noise_generator noise;
  int32_t last = 0;
  for (int i = 0; i < 300; ++i) noise.next(), last = lo.process(noise.out16 * 128);
  auto hi = lo;
  hi.set_mode(high6);
  for (int i = 0; i < 300; ++i) {
    noise.next();
    int32_t x = noise.out16 * 128;
    ASSERT_EQ(hi.process(x), x - last);
    last = lo.process(x);
  }
}

TEST(shaper_filter, stays_bounded_over_cutoff_resonance_and_mode) {
  for (int vi = 0; vi <= 10; ++vi)
    for (float res : {0.f, 0.8f, 1.f})
      for (int mode = 1; mode <= 8; ++mode) {
        SCOPED_TRACE(testing::Message() << "v " << vi / 10.0 << " res " << res << " mode " << mode);
        shaper_filter f;
        f.init(&table_44k());
        f.set_mode(mode);
        f.update(int32_t(vi * 53687091.2), 0, res);
        noise_generator noise;
        int32_t peak = 0;
        for (int i = 0; i < int(rate); ++i) {
          noise.next();
          int32_t x = i < rate / 2 ? noise.out16 * 128 : ((i / 200) & 1 ? 1 : -1) * (1 << 22);
          peak = std::max(peak, std::abs(f.process(x)));
        }
        EXPECT_LT(peak / unit, 16.0);
        int32_t tail = 0;
        for (int i = 0; i < int(rate); ++i) {
          int32_t y = std::abs(f.process(0));
          if (i > 0.9 * rate) tail = std::max(tail, y);
        }
        if (res < 1.f) {
          EXPECT_LT(tail / unit, 0.01);
        }
      }
}

}  // namespace
