// The output gains' kernels against the scalar pan law tick by tick, on
// SSE2 and AVX2: pans across the field and past either end (the clamp),
// amplitudes from silence to full scale and their negatives, unison sides
// and runs around the register widths.
#include "synth/dsp/output_gains.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <random>
#include <vector>

#include "synth/dsp/svf_lanes.h"
#include "synth/voice_fixed.h"
#include "tests/support/lane_kernels.h"

using namespace synth;

namespace {

uint32_t bits(float x) { return test_support::float_bits(x); }

struct ticks {
  std::vector<int32_t> amplitude, pan;
};

ticks random_ticks(std::mt19937& rng, int n) {
  const int32_t pans[] = {INT32_MIN / 2, -65536 * 3, -32769, -32768, -1, 0, 1, 32767, 32768, 65536 * 3};
  std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
  std::uniform_int_distribution<int32_t> field(-40000, 40000);
  std::uniform_int_distribution<int> pick(0, 2 * int(std::size(pans)) - 1);
  ticks t;
  for (int i = 0; i < n; ++i) {
    const int p = pick(rng);
    t.pan.push_back(p < int(std::size(pans)) ? pans[p] : field(rng));
    t.amplitude.push_back(i % 5 == 0 ? (i % 2 ? INT32_MAX : INT32_MIN) : any(rng) >> (i % 3));
  }
  return t;
}

}  // namespace

TEST(output_gains, pan_law_is_unity_power_in_the_middle_and_one_sided_at_the_ends) {
  float left = 0.f, right = 0.f;
  output_gains::pan_weights(0, left, right);
  EXPECT_NEAR(left * left + right * right, 1.f, 0.02f);
  EXPECT_FLOAT_EQ(left, right);
  output_gains::pan_weights(-32768, left, right);  // hard left
  EXPECT_FLOAT_EQ(left, 1.f);
  EXPECT_FLOAT_EQ(right, 0.f);
  output_gains::pan_weights(32768 * 4, left, right);  // past hard right: clamped
  EXPECT_FLOAT_EQ(left, 0.f);
  EXPECT_FLOAT_EQ(right, 1.f);
}

TEST(output_gains, every_kernel_gives_the_scalar_gains_bit_for_bit) {
  std::mt19937 rng(11);
  for (const svf_lanes::kernel kernel : test_support::available_kernels()) {
    test_support::forced_kernel forced(kernel);
    for (const int32_t centre : {-32768, 0, 12345, 32768}) {
      for (int n = 0; n <= 41; ++n) {
        SCOPED_TRACE(std::string(test_support::kernel_name(kernel)) + " centre " + std::to_string(centre) + " n " +
                     std::to_string(n));
        const ticks t = random_ticks(rng, n);
        const float velocity = 0.8125f, unison_left = 0.7f, unison_right = 1.3f;
        std::vector<float> left(size_t(n) + 1, -7.f), right(size_t(n) + 1, -7.f);
        const output_gains::gain_run run{t.amplitude.data(), t.pan.data(),          centre,      voice_fixed::output_scale,
                                         velocity,           voice_fixed::inv_2_24, unison_left, unison_right,
                                         left.data(),        right.data(),          n};
        const int32_t done = output_gains::run(run);
        // Whole registers, all but the last one to three ticks (the AVX2
        // kernel takes what is left past its last eight in fours).
        EXPECT_EQ(done % 4, 0);
        EXPECT_GT(done, n - 4) << "left over " << n - done;
        ASSERT_LE(done, n);
        for (int i = 0; i < done; ++i) {
          float wl = 0.f, wr = 0.f;
          output_gains::pan_weights(centre + t.pan[size_t(i)], wl, wr);
          const float v = float(t.amplitude[size_t(i)]) * voice_fixed::output_scale * velocity * voice_fixed::inv_2_24;
          ASSERT_EQ(bits(left[size_t(i)]), bits(wl * v * unison_left)) << "@" << i;
          ASSERT_EQ(bits(right[size_t(i)]), bits(wr * v * unison_right)) << "@" << i;
        }
        for (int i = done; i <= n; ++i) {  // nothing past what it reports
          EXPECT_EQ(left[size_t(i)], -7.f) << "@" << i;
          EXPECT_EQ(right[size_t(i)], -7.f) << "@" << i;
        }
      }
    }
  }
}
