// The multi-ramp a block at a time while its pitch moves every sample, held
// against the same oscillator rendered sample by sample, through the SSE2 and
// the AVX2 kernel: increments that stay above 0 for whole chunks (the
// kernels' rising form), below 0, across 0 within a chunk, and too small to
// take the rising form; and a block that starts while the slope ring still
// drains after a waveform change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "synth/dsp/oscillator.h"
#include "synth/dsp/svf_lanes.h"
#include "tests/support/lane_kernels.h"

using namespace synth;

namespace {

// Two oscillators with every ramp somewhere of its own and `count` ramps.
void prepare(oscillator* osc, int count, float spread) {
  for (int o = 0; o < 2; ++o) {
    osc[o].init(nullptr);
    osc[o].set_waveform(waveform::ramp);
    osc[o].set_saw_count(16);
    osc[o].set_spread(spread);
    osc[o].set_increment(0.013f);
    for (int i = 0; i < 53; ++i) osc[o].render();
    osc[o].set_saw_count(count);
  }
}

// osc[0] sample by sample, osc[1] in blocks of 64, 13, 32 and 7 samples;
// every sample and every ramp's phase equal.
void expect_same(oscillator* osc, const std::vector<float>& inc) {
  const int n = int(inc.size());
  std::vector<float> width(size_t(n), 0.5f), expect(size_t(n), 0.f), got(size_t(n), 0.f);
  for (int i = 0; i < n; ++i) {
    osc[0].set_increment(inc[size_t(i)]);
    expect[size_t(i)] = osc[0].render();
  }
  const int pieces[] = {64, 13, 32, 7};
  for (int at = 0, p = 0; at < n; at += pieces[p], p = (p + 1) % 4) {
    const int m = std::min(pieces[p], n - at);
    osc[1].render_block(&got[size_t(at)], m, &inc[size_t(at)], &width[size_t(at)]);
  }
  for (int i = 0; i < n; ++i) ASSERT_EQ(got[size_t(i)], expect[size_t(i)]) << "@" << i;
  for (int k = 0; k < oscillator::max_saws; ++k) EXPECT_EQ(osc[1].saw_phase(k), osc[0].saw_phase(k)) << "ramp " << k;
}

}  // namespace

TEST(multi_ramp_moving, block_follows_every_sample_of_a_moving_pitch) {
  const int n = 600;
  struct motion {
    const char* name;
    float centre, depth, rate;  // increment = centre + depth sin(rate i)
  };
  const motion motions[] = {
      {"vibrato, rising", 0.02f, 0.004f, 0.05f},
      {"vibrato, falling", -0.015f, 0.003f, 0.07f},
      {"through zero", 0.002f, 0.02f, 0.11f},
      {"creeping", 1e-20f, 5e-21f, 0.3f},  // above 0 but too slow for the rising form
      {"high, rising", 0.3f, 0.1f, 0.02f},  // the top ramp wraps at most once a sample
  };
  for (svf_lanes::kernel kernel : test_support::available_kernels()) {
    test_support::forced_kernel forced(kernel);
    for (const motion& m : motions) {
      for (int count : {1, 3, 4, 5, 8, 9, 12, 16}) {
        SCOPED_TRACE(std::string(m.name) + ", " + std::to_string(count) + " ramps, " +
                     test_support::kernel_name(kernel));
        oscillator osc[2];
        prepare(osc, count, 0.6f);
        std::vector<float> inc(n);
        for (int i = 0; i < n; ++i) inc[size_t(i)] = m.centre + m.depth * std::sin(float(i) * m.rate);
        expect_same(osc, inc);
        if (HasFatalFailure()) break;
      }
    }
  }
}

TEST(multi_ramp_moving, block_right_after_a_waveform_change_drains_the_slope_ring) {
  // A triangle's corners and the change itself leave slope corrections
  // pending; the first block of ramps must still pop them sample by sample.
  for (svf_lanes::kernel kernel : test_support::available_kernels()) {
    test_support::forced_kernel forced(kernel);
    SCOPED_TRACE(test_support::kernel_name(kernel));
    oscillator osc[2];
    for (oscillator& o : osc) {
      o.init(nullptr);
      o.set_waveform(waveform::triangle);
      o.set_saw_count(7);
      o.set_spread(0.5f);
      o.set_increment(0.031f);
      for (int i = 0; i < 40; ++i) o.render();
      o.set_waveform(waveform::ramp);
      o.render();  // the change takes effect here
    }
    std::vector<float> inc(200);
    for (size_t i = 0; i < inc.size(); ++i) inc[i] = 0.02f + 0.005f * std::sin(float(i) * 0.09f);
    expect_same(osc, inc);
  }
}
