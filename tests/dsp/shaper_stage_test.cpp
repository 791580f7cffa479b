#include "synth/dsp/shaper_stage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "synth/dsp/svf_lanes.h"
#include "tests/support/lane_kernels.h"

namespace {

using namespace synth;

// One voice's shaper with its own tone, bias, depth and states.
struct shaper_rig {
  one_pole_lowpass tone;
  one_pole_highpass dc;
  shaper_curve curve;
  shaper_voice voice(int mode, float bias) { return {&tone, &dc, &curve, mode, bias}; }
};

}  // namespace

TEST(shaper_stage, lanes_give_what_one_voice_at_a_time_gives) {
  // Every mode, one to eight voices (one set of four lanes or two) with
  // different tones, depths and bias, inputs from silence to full scale with
  // a few at the rails: the lanes' outputs and filter states are the
  // sample-by-sample ones, bit for bit. Blocks shorter than the lanes'
  // four-sample rows and longer, with a tail. On SSE2 and on AVX2, whose
  // kernel takes five voices and more in one set of eight lanes.
  constexpr int most = shaper_lanes;
  for (const svf_lanes::kernel kernel : test_support::available_kernels()) {
  test_support::forced_kernel forced(kernel);
  for (const int n : {3, 8, 333}) for (int mode = 0; mode <= 2; ++mode) {
    for (int count = 1; count <= most; ++count) {
      shaper_rig one[most], lanes[most];
      shaper_voice v_one[most], v_lanes[most];
      std::vector<int32_t> in[most], out[most], expect[most];
      int32_t* io[most];
      const int32_t* in_ptr[most];
      for (int k = 0; k < count; ++k) {
        for (shaper_rig* r : {&one[k], &lanes[k]}) {
          r->tone.init(30.f + 900.f * float(k), 44100.f);
          r->dc.init(5.f, 44100.f);
          r->curve.set_depth(0.2f + 0.25f * float(k));
        }
        v_one[k] = one[k].voice(mode, 0.1f * float(k) - 0.1f);
        v_lanes[k] = lanes[k].voice(mode, 0.1f * float(k) - 0.1f);
        in[k].resize(n);
        for (int i = 0; i < n; ++i)
          in[k][size_t(i)] = int32_t(1.9e9 * std::sin(0.01 * (k + 1) * i) * std::sin(0.003 * i));
        in[k][size_t(17 % n)] = INT32_MAX;
        in[k][size_t(18 % n)] = INT32_MIN + 1;
        expect[k].resize(n);
        for (int i = 0; i < n; ++i) expect[k][size_t(i)] = shape_sample(v_one[k], in[k][size_t(i)]);
        out[k] = in[k];
        io[k] = out[k].data();
        in_ptr[k] = out[k].data();
      }
      shape_lanes(v_lanes, count, mode, in_ptr, io, n);
      for (int k = 0; k < count; ++k) {
        for (int i = 0; i < n; ++i)
          ASSERT_EQ(out[k][size_t(i)], expect[k][size_t(i)])
              << test_support::kernel_name(kernel) << " " << n << "/" << mode << "/" << count << "/" << k << " @" << i;
        EXPECT_EQ(lanes[k].tone.s, one[k].tone.s);
        EXPECT_EQ(lanes[k].dc.z, one[k].dc.z);
      }
    }
  }
  }
}

TEST(shaper_stage, a_nan_or_a_huge_value_reaches_the_rails_in_both_forms) {
  // A NaN bias (a corrupt smoothing target) makes every output NaN before
  // the conversion, a huge one an output past the top: both forms give the
  // rails, not undefined values, in two lanes and in six (AVX2's set of
  // eight), on each kernel.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float biases[] = {nan, 1e30f, nan, 1e30f, nan, 1e30f};
  for (const svf_lanes::kernel kernel : test_support::available_kernels()) {
    test_support::forced_kernel forced(kernel);
    for (const int count : {2, 6}) {
      shaper_rig one[6], lanes[6];
      shaper_voice v_lanes[6];
      int32_t x[6], expect[6];
      int32_t* io[6];
      const int32_t* in[6];
      for (int k = 0; k < count; ++k) {
        for (shaper_rig* r : {&one[k], &lanes[k]}) {
          r->tone.init(500.f, 44100.f);
          r->dc.init(5.f, 44100.f);
          r->curve.set_depth(0.5f);
        }
        v_lanes[k] = lanes[k].voice(2, biases[k]);
        x[k] = k % 2 ? -1000000 : 1000000;
        expect[k] = shape_sample(one[k].voice(2, biases[k]), x[k]);
        EXPECT_EQ(expect[k], k % 2 ? 2100000000 : -2100000000) << k;
        io[k] = &x[k];
        in[k] = &x[k];
      }
      shape_lanes(v_lanes, count, 2, in, io, 1);
      for (int k = 0; k < count; ++k) EXPECT_EQ(x[k], expect[k]) << test_support::kernel_name(kernel) << " " << k;
    }
  }
}
