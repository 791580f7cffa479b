// Oscillators A and B of a voice a block at a time together
// (oscillator::render_block_pair), held against the same two oscillators
// rendered sample by sample, through the SSE2 and the AVX2 kernel: two
// multi-ramps with their own ramp counts, pitches and spreads (one pass for
// both), and the pairs that cannot share a pass (a falling or a creeping
// increment, a spread wide enough to wrap twice in a sample, a pulse beside
// a multi-ramp, a multi-ramp without spread).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "synth/dsp/oscillator.h"
#include "synth/dsp/svf_lanes.h"
#include "tests/support/lane_kernels.h"

using namespace synth;

namespace {

struct setup {
  int waveform;
  int count;
  float spread;
  float increment;
};

// Every ramp somewhere of its own: 16 ramps run a while, then the count.
void prepare(oscillator& o, const setup& s) {
  o.init(nullptr);
  o.set_waveform(s.waveform);
  o.set_saw_count(16);
  o.set_spread(s.spread);
  o.set_increment(0.011f);
  for (int i = 0; i < 41; ++i) o.render();
  o.set_saw_count(s.count);
  o.set_increment(s.increment);
}

// One pair sample by sample, a copy of it in pieces of 64, 13, 32 and 7
// samples through render_block_pair; every sample and ramp phase equal.
void expect_pair_same(const setup& sa, const setup& sb) {
  oscillator want[2], got[2];
  for (oscillator* pair : {want, got}) {
    prepare(pair[0], sa);
    prepare(pair[1], sb);
  }
  const int n = 500;
  std::vector<float> expect_a(n), expect_b(n), out_a(n), out_b(n);
  for (int i = 0; i < n; ++i) {
    expect_a[size_t(i)] = want[0].render();
    expect_b[size_t(i)] = want[1].render();
  }
  const int pieces[] = {64, 13, 32, 7};
  for (int at = 0, p = 0; at < n; at += pieces[p], p = (p + 1) % 4) {
    const int m = std::min(pieces[p], n - at);
    oscillator::render_block_pair(got[0], &out_a[size_t(at)], got[1], &out_b[size_t(at)], m);
  }
  for (int i = 0; i < n; ++i) {
    ASSERT_EQ(out_a[size_t(i)], expect_a[size_t(i)]) << "A @" << i;
    ASSERT_EQ(out_b[size_t(i)], expect_b[size_t(i)]) << "B @" << i;
  }
  for (int o = 0; o < 2; ++o) {
    EXPECT_EQ(got[o].phase(), want[o].phase()) << "oscillator " << o;
    for (int k = 0; k < oscillator::max_saws; ++k)
      EXPECT_EQ(got[o].saw_phase(k), want[o].saw_phase(k)) << "oscillator " << o << ", ramp " << k;
  }
}

}  // namespace

TEST(multi_ramp_pair, two_multi_ramps_in_one_pass_are_each_sample_by_sample) {
  const int counts[][2] = {{16, 16}, {16, 5}, {3, 16}, {8, 8}, {9, 12}, {1, 4}, {4, 1}, {13, 7}};
  for (svf_lanes::kernel kernel : test_support::available_kernels()) {
    test_support::forced_kernel forced(kernel);
    for (const auto& c : counts) {
      SCOPED_TRACE(std::to_string(c[0]) + " and " + std::to_string(c[1]) + " ramps, " +
                   test_support::kernel_name(kernel));
      // B an octave and a bit above A, its own spread: the pair's halves
      // must not trade increments, ratios or phases.
      expect_pair_same({waveform::ramp, c[0], 0.45f, 0.0123f}, {waveform::ramp, c[1], 0.8f, 0.0251f});
      if (HasFatalFailure()) return;
    }
  }
}

TEST(multi_ramp_pair, pairs_that_cannot_share_a_pass_render_each_alone) {
  struct pairing {
    const char* name;
    setup a, b;
  };
  const pairing pairings[] = {
      {"B falling", {waveform::ramp, 16, 0.5f, 0.014f}, {waveform::ramp, 16, 0.5f, -0.021f}},
      {"A falling", {waveform::ramp, 7, 0.5f, -0.009f}, {waveform::ramp, 16, 0.3f, 0.017f}},
      {"A creeping", {waveform::ramp, 16, 0.5f, 1e-20f}, {waveform::ramp, 16, 0.5f, 0.02f}},
      {"B wraps twice a sample", {waveform::ramp, 16, 0.5f, 0.02f}, {waveform::ramp, 16, 12.f, 0.05f}},
      {"A a pulse", {waveform::pulse, 1, 0.f, 0.013f}, {waveform::ramp, 16, 0.5f, 0.02f}},
      {"B a plain ramp", {waveform::ramp, 16, 0.5f, 0.013f}, {waveform::ramp, 16, 0.f, 0.02f}},
  };
  for (svf_lanes::kernel kernel : test_support::available_kernels()) {
    test_support::forced_kernel forced(kernel);
    for (const pairing& p : pairings) {
      SCOPED_TRACE(std::string(p.name) + ", " + test_support::kernel_name(kernel));
      expect_pair_same(p.a, p.b);
      if (HasFatalFailure()) return;
    }
  }
}
