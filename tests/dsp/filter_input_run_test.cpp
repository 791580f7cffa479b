// The run of filter inputs against filter_input sample by sample: the
// limits and what lies just inside and outside them, NaN and the
// infinities, the truncation of values between steps, and run lengths and
// offsets around the vector width (the scalar tail and unaligned starts).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "synth/dsp/filter_input_run.h"
#include "synth/dsp/svf_kernel.h"

namespace {

std::vector<float> corner_mix(std::mt19937& rng, int n) {
  const float inf = std::numeric_limits<float>::infinity();
  const float corners[] = {-16.f,
                           16.f,
                           std::nextafter(16.f, 0.f),
                           std::nextafter(16.f, 100.f),
                           std::nextafter(-16.f, 0.f),
                           std::nextafter(-16.f, -100.f),
                           0.f,
                           -0.f,
                           1e-30f,
                           -1e-30f,
                           0.3f / 4194304.f,
                           -0.7f / 4194304.f,
                           inf,
                           -inf,
                           std::numeric_limits<float>::quiet_NaN(),
                           -std::numeric_limits<float>::quiet_NaN(),
                           1e30f,
                           -1e30f};
  std::uniform_real_distribution<float> any(-20.f, 20.f);
  std::uniform_int_distribution<int> pick(0, 2 * int(std::size(corners)) - 1);
  std::vector<float> mix;
  for (int i = 0; i < n; ++i) {
    const int k = pick(rng);
    mix.push_back(k < int(std::size(corners)) ? corners[k] : any(rng));
  }
  return mix;
}

TEST(filter_input_run, matches_filter_input_at_every_length_and_offset) {
  std::mt19937 rng(11);
  for (int offset = 0; offset < 4; ++offset) {
    for (int n = 0; n <= 37; ++n) {
      const std::vector<float> mix = corner_mix(rng, n + offset);
      std::vector<int32_t> x(size_t(n + offset) + 1, 0x5a5a5a5a);
      synth::filter_input_run(mix.data() + offset, x.data() + offset, n);
      for (int i = 0; i < n; ++i)
        ASSERT_EQ(x[size_t(offset + i)], synth::filter_input(mix[size_t(offset + i)]))
            << "n " << n << " offset " << offset << " sample " << i << " mix " << mix[size_t(offset + i)];
      for (int i = 0; i < offset; ++i) EXPECT_EQ(x[size_t(i)], 0x5a5a5a5a) << "wrote before the run";
      EXPECT_EQ(x[size_t(n + offset)], 0x5a5a5a5a) << "wrote past the run of " << n;
    }
  }
}

TEST(filter_input_run, limits_nan_low_and_truncates_toward_zero) {
  const float mix[] = {std::numeric_limits<float>::quiet_NaN(), 100.f, -100.f, 1.5f / 4194304.f,
                       -1.5f / 4194304.f, 0.5f, -0.5f, 16.f};
  int32_t x[8] = {};
  synth::filter_input_run(mix, x, 8);
  const int32_t unit = 4194304;
  EXPECT_EQ(x[0], -16 * unit);
  EXPECT_EQ(x[1], 16 * unit);
  EXPECT_EQ(x[2], -16 * unit);
  EXPECT_EQ(x[3], 1);
  EXPECT_EQ(x[4], -1);
  EXPECT_EQ(x[5], unit / 2);
  EXPECT_EQ(x[6], -unit / 2);
  EXPECT_EQ(x[7], 16 * unit);
}

}  // namespace
