// The block render with a spread, an increment and a width per sample, held
// against the same control calls and render() sample by sample: the spread
// in steps as a modulated width gives it (runs of one sample, a few, and
// longer than a kernel's chunk), falling to 0 (the plain ramp) and back,
// through-zero increments, a pulse beside it (which ignores the spread), on
// each multi-ramp kernel.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "synth/dsp/oscillator.h"
#include "synth/dsp/svf_lanes.h"
#include "tests/support/lane_kernels.h"

using namespace synth;

namespace {

struct controls {
  std::vector<float> increment, width, spread;
};

// Spread steps of the given run lengths (cycled) through a slow sweep; a
// spread of 0 wherever `zero_every` says so.
controls stepped(int n, std::initializer_list<int> runs, float centre, int zero_every) {
  controls c;
  const std::vector<int> lengths(runs);
  float value = centre;
  for (int i = 0, r = 0, left = 0, step = 0; i < n; ++i) {
    if (left == 0) {
      left = lengths[size_t(r++ % lengths.size())];
      ++step;
      value = zero_every > 0 && step % zero_every == 0 ? 0.f : centre + 0.3f * std::sin(float(step) * 0.7f);
    }
    --left;
    c.spread.push_back(value);
    c.increment.push_back(0.011f + 0.009f * std::sin(float(i) * 0.013f));
    c.width.push_back(0.5f + 0.4f * std::sin(float(i) * 0.021f));
  }
  return c;
}

// osc[0] by the control calls and render(), osc[1] by the block form in
// pieces of 64, 29 and 5 samples: every sample and every ramp equal.
void expect_same(oscillator* osc, const controls& c) {
  const int n = int(c.increment.size());
  std::vector<float> expect(c.increment.size()), got(c.increment.size());
  for (int i = 0; i < n; ++i) {
    osc[0].set_increment(c.increment[size_t(i)]);
    osc[0].set_pending_width(c.width[size_t(i)]);
    osc[0].set_spread(c.spread[size_t(i)]);
    expect[size_t(i)] = osc[0].render();
  }
  const int pieces[] = {64, 29, 5};
  for (int at = 0, p = 0; at < n; at += pieces[p], p = (p + 1) % 3) {
    const int m = std::min(pieces[p], n - at);
    osc[1].render_block(&got[size_t(at)], m, &c.increment[size_t(at)], &c.width[size_t(at)], &c.spread[size_t(at)]);
  }
  for (int i = 0; i < n; ++i) ASSERT_EQ(got[size_t(i)], expect[size_t(i)]) << "@" << i;
  for (int k = 0; k < oscillator::max_saws; ++k) EXPECT_EQ(osc[1].saw_phase(k), osc[0].saw_phase(k)) << "ramp " << k;
  EXPECT_EQ(osc[1].phase(), osc[0].phase());
  EXPECT_EQ(osc[1].spread(), osc[0].spread());
  EXPECT_EQ(osc[1].increment(), osc[0].increment());
  EXPECT_EQ(osc[1].pending_width(), osc[0].pending_width());
  EXPECT_EQ(osc[1].width(), osc[0].width());
}

void prepare(oscillator* osc, int32_t wf, float spread) {
  for (int k = 0; k < 2; ++k) {
    osc[k].init(nullptr);
    osc[k].set_waveform(wf);
    osc[k].set_saw_count(16);
    osc[k].set_spread(spread);
    osc[k].set_increment(0.012f);
    for (int i = 0; i < 41; ++i) osc[k].render();  // every ramp somewhere of its own
  }
}

}  // namespace

TEST(oscillator_spread_runs, a_stepped_spread_renders_as_sample_by_sample_on_each_kernel) {
  struct spread_case {
    const char* name;
    std::initializer_list<int> runs;
    int zero_every;
  };
  const spread_case cases[] = {{"every sample", {1}, 0},
                               {"short runs", {2, 7, 1, 5}, 0},
                               {"runs about the short-run bound", {7, 8, 9}, 0},
                               {"long runs, past a chunk", {30, 90, 13}, 0},
                               {"falling to the plain ramp and back", {11, 3, 40}, 3}};
  for (svf_lanes::kernel kernel : test_support::available_kernels()) {
    test_support::forced_kernel forced(kernel);
    for (const spread_case& sc : cases) {
      SCOPED_TRACE(std::string(sc.name) + ", " + test_support::kernel_name(kernel));
      oscillator osc[2];
      prepare(osc, waveform::ramp, 0.4f);
      expect_same(osc, stepped(700, sc.runs, 0.4f, sc.zero_every));
    }
  }
}

TEST(oscillator_spread_runs, through_zero_pitch_few_ramps_and_a_pulse_beside_it) {
  for (svf_lanes::kernel kernel : test_support::available_kernels()) {
    test_support::forced_kernel forced(kernel);
    SCOPED_TRACE(test_support::kernel_name(kernel));
    {
      SCOPED_TRACE("three ramps, the pitch through zero");
      oscillator osc[2];
      prepare(osc, waveform::ramp, 0.6f);
      for (oscillator& o : osc) o.set_saw_count(3);
      controls c = stepped(500, {4, 12, 1, 33}, 0.6f, 0);
      for (size_t i = 0; i < c.increment.size(); ++i) c.increment[i] = 0.03f * std::sin(float(i) * 0.02f);
      expect_same(osc, c);
    }
    {
      SCOPED_TRACE("a pulse, whose width moves and which ignores the spread");
      oscillator osc[2];
      prepare(osc, waveform::pulse, 0.f);
      expect_same(osc, stepped(500, {1, 6, 20}, 0.5f, 2));
    }
  }
}
