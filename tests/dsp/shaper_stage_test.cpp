#include "synth/dsp/shaper_stage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

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
  // four-sample rows and longer, with a tail.
  constexpr int most = shaper_lanes;
  for (const int n : {3, 333}) for (int mode = 0; mode <= 2; ++mode) {
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
        for (int i = 0; i < n; ++i) ASSERT_EQ(out[k][size_t(i)], expect[k][size_t(i)]) << n << "/" << mode << "/" << count << "/" << k << " @" << i;
        EXPECT_EQ(lanes[k].tone.s, one[k].tone.s);
        EXPECT_EQ(lanes[k].dc.z, one[k].dc.z);
      }
    }
  }
}

TEST(shaper_stage, a_nan_or_a_huge_value_reaches_the_rails_in_both_forms) {
  // A NaN bias (a corrupt smoothing target) makes every output NaN before
  // the conversion: both forms give the negative rail, not undefined values.
  shaper_rig a, b;
  for (shaper_rig* r : {&a, &b}) {
    r->tone.init(500.f, 44100.f);
    r->dc.init(5.f, 44100.f);
    r->curve.set_depth(0.5f);
  }
  const float nan = std::numeric_limits<float>::quiet_NaN();
  shaper_voice one = a.voice(0, nan);
  shaper_voice lanes[2] = {b.voice(0, nan), b.voice(0, nan)};
  int32_t x[2] = {1000000, -1000000};
  int32_t* io[2] = {&x[0], &x[1]};
  const int32_t* in[2] = {&x[0], &x[1]};
  const int32_t expect = shape_sample(one, 1000000);
  EXPECT_EQ(expect, -2100000000);
  shape_lanes(lanes, 2, 0, in, io, 1);
  EXPECT_EQ(x[0], -2100000000);
  EXPECT_EQ(x[1], -2100000000);
}
