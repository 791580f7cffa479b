// exp2_fast_lanes against exp2_fast of the scaled values, value by value and bit for bit: across
// octaves up and down, on and beside the table's steps, at the edges of the
// floor's exact range, signed zeros, overflow, infinities and NaN, at every
// count of values (the tail past the last four); and the multi-ramp's ratios,
// which it makes, against the ratios made one ramp at a time.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "synth/dsp/exp2.h"
#include "synth/dsp/exp2_lanes.h"
#include "synth/dsp/oscillator.h"

using namespace synth;

namespace {

void expect_each_exp2_fast(const std::vector<float>& x, float scale = 1.f) {
  std::vector<float> got(x.size(), 0.f);
  exp2_fast_lanes(x.data(), scale, got.data(), int32_t(x.size()));
  for (size_t i = 0; i < x.size(); ++i) {
    const float want = exp2_fast(x[i] * scale);
    if (std::isnan(want)) {
      EXPECT_TRUE(std::isnan(got[i])) << "x " << x[i];
    } else {
      ASSERT_EQ(std::bit_cast<uint32_t>(got[i]), std::bit_cast<uint32_t>(want)) << "x " << x[i] << " @" << i;
    }
  }
}

}  // namespace

TEST(exp2_lanes, every_value_is_exp2_fast_bit_for_bit) {
  std::vector<float> x;
  for (float v = -140.f; v <= 140.f; v += 0.0371f) x.push_back(v);
  // On the table's steps (y = 128 x + 1 whole) and one float either side.
  for (int32_t m = -300; m <= 300; ++m) {
    const float on = float(m - 1) / 128.f;
    x.push_back(on);
    x.push_back(std::nextafter(on, -1e9f));
    x.push_back(std::nextafter(on, 1e9f));
  }
  // Where the floor stops truncating (|y| = 2^23) and beyond int32.
  for (float y : {0x1p23f, 0x1p24f, 0x1p31f, 0x1p40f}) {
    for (float s : {1.f, -1.f}) {
      const float at = (s * y - 1.f) / 128.f;
      x.push_back(at);
      x.push_back(std::nextafter(at, 0.f));
      x.push_back(std::nextafter(at, s * 1e30f));
    }
  }
  const float inf = std::numeric_limits<float>::infinity();
  for (float v : {0.f, -0.f, -1.f / 128.f, 1e-30f, -1e-30f, 1e30f, -1e30f, inf, -inf,
                  std::numeric_limits<float>::quiet_NaN()})
    x.push_back(v);
  expect_each_exp2_fast(x);
  for (float scale : {0.37f, -3.f, 0.f}) expect_each_exp2_fast(x, scale);
  // Every count, so that the values past the last whole four are made too.
  for (int32_t n = 0; n <= 9; ++n) {
    SCOPED_TRACE(std::to_string(n) + " values");
    expect_each_exp2_fast(std::vector<float>(x.begin() + 17, x.begin() + 17 + n));
  }
}

// ramp k's ratio: 2^(pattern[k - 1] w), w = 2 spread^1.5 / 12, pattern[j]
// the (sqrt(m) - 1) of the non-squares m from 2 over the last one's; then
// all shifted to average 1. Made here one ramp at a time.
TEST(exp2_lanes, multi_ramp_ratios_are_the_ramp_by_ramp_ones) {
  float pattern[oscillator::max_saws - 1];
  double s[oscillator::max_saws - 1];
  for (int32_t m = 2, j = 0; j < oscillator::max_saws - 1; ++m) {
    const int32_t r = int32_t(std::lround(std::sqrt(double(m))));
    if (r * r != m) s[j++] = std::sqrt(double(m)) - 1.0;
  }
  for (int32_t j = 0; j < oscillator::max_saws - 1; ++j) pattern[j] = float(s[j] / s[oscillator::max_saws - 2]);
  for (float spread : {0.001f, 0.18f, 0.4537f, 1.f, 3.3f, 30.f, 1e9f}) {
    for (int32_t count = 1; count <= oscillator::max_saws; ++count) {
      SCOPED_TRACE("spread " + std::to_string(spread) + ", " + std::to_string(count) + " ramps");
      oscillator o;
      o.init(nullptr);
      o.set_saw_count(count);
      o.set_spread(spread);
      const float w = 2.f * spread * std::sqrt(spread) / 12.f;
      float want[oscillator::max_saws];
      want[0] = 1.f;
      float sum = 1.f;
      for (int32_t k = 1; k < count; ++k) {
        want[k] = exp2_fast(pattern[k - 1] * w);
        sum += want[k];
      }
      const float shift = sum / float(count) - 1.f;
      for (int32_t k = 0; k < count; ++k) ASSERT_EQ(o.saw_ratio(k), want[k] - shift) << "ramp " << k;
    }
  }
}
