// The multi-ramp's per-sample step (render(): the ramps four to an SSE2
// register, or eight to an AVX2 one where the CPU has it) held against its
// scalar definition, one ramp after another, sample by sample, with each
// kernel: every output and every ramp's phase equal, for every ramp count
// around the register's width, rising, falling and through-zero pitches,
// ramps that wrap more than once a sample, and a count that shrinks and
// grows again (ramps past the count must keep their phases).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "synth/dsp/oscillator.h"
#include "synth/dsp/svf_lanes.h"

using namespace synth;
using svf_lanes::kernel;

namespace {

struct motion {
  const char* name;
  float centre, depth, rate;  // increment = centre + depth sin(rate i)
  float spread;
};

// Two oscillators alike: 16 ramps run a while first, so each ramp holds a
// phase (and a compensation) of its own, then `count` of them.
void prepare(oscillator* osc, int count, float spread) {
  for (int o = 0; o < 2; ++o) {
    osc[o].init(nullptr);
    osc[o].set_waveform(waveform::ramp);
    osc[o].set_saw_count(16);
    osc[o].set_spread(spread);
    osc[o].set_increment(0.0137f);
    osc[o].render();  // the waveform change: the step both forms then start from
    osc[o].set_saw_count(count);
  }
}

// The wraps of the live ramps, sample by sample; how many ramp steps were
// of a cycle or more (|ratio * increment| >= 1: the ramp may cross two
// levels) and how many below; the samples with wraps by their index modulo
// the ring's size, and the longest stretch without.
struct wrap_tally {
  long samples_with_wraps = 0, wraps = 0, fast_steps = 0, slow_steps = 0;
  uint32_t positions = 0;
  int last_wrap = 0, longest_gap = 0;
};

void tally(const oscillator& o, const float* before, float inc, int i, wrap_tally& t) {
  int wrapped = 0;
  for (int k = 0; k < o.saw_count(); ++k) {
    const float d = o.saw_ratio(k) * inc;
    const float moved = o.saw_phase(k) - before[k];
    if ((d > 0.f && moved < 0.f) || (d < 0.f && moved > 0.f)) ++wrapped;
    (std::fabs(d) >= 1.f ? t.fast_steps : t.slow_steps) += 1;
  }
  t.wraps += wrapped;
  if (wrapped == 0) return;
  ++t.samples_with_wraps;
  t.positions |= 1u << (i % correction_ring::size);
  t.longest_gap = std::max(t.longest_gap, i - t.last_wrap);
  t.last_wrap = i;
}

// Samples from..from+n-1: osc[0] through render(), osc[1] through the scalar
// step, sample i at the increment centre + depth sin(rate i); the wraps of
// osc[0] counted into `t` when given.
void expect_same(oscillator* osc, const motion& m, int from, int n, wrap_tally* t = nullptr) {
  float before[oscillator::max_saws];
  for (int i = from; i < from + n; ++i) {
    for (int k = 0; k < oscillator::max_saws; ++k) before[k] = osc[0].saw_phase(k);
    const float inc = m.centre + m.depth * std::sin(float(i) * m.rate);
    osc[0].set_increment(inc);
    osc[1].set_increment(inc);
    const float got = osc[0].render();
    const float expect = osc[1].render_multi_ramp_scalar();
    ASSERT_EQ(got, expect) << "@" << i;
    if (t) tally(osc[0], before, osc[0].increment(), i, *t);
  }
  for (int k = 0; k < oscillator::max_saws; ++k) ASSERT_EQ(osc[0].saw_phase(k), osc[1].saw_phase(k)) << "ramp " << k;
}

wrap_tally expect_same_counting(oscillator* osc, const motion& m, int n) {
  wrap_tally t;
  expect_same(osc, m, 0, n, &t);
  return t;
}

}  // namespace

// Each test once with the SSE2 step (the kernel choice "scalar" leaves the
// baseline in force) and once with the AVX2 one.
class multi_ramp_sample : public testing::TestWithParam<kernel> {
 protected:
  void SetUp() override {
    if (GetParam() == kernel::avx2 && !svf_lanes::avx2_available()) GTEST_SKIP() << "no AVX2 on this CPU";
    svf_lanes::force_kernel(GetParam());
  }
  void TearDown() override { svf_lanes::force_kernel(svf_lanes::avx2_available() ? kernel::avx2 : kernel::scalar); }
};

TEST_P(multi_ramp_sample, vector_step_is_the_scalar_step_bit_for_bit) {
  const motion motions[] = {
      {"vibrato, rising", 0.02f, 0.004f, 0.05f, 0.6f},
      {"vibrato, falling", -0.015f, 0.003f, 0.07f, 0.6f},
      {"through zero", 0.002f, 0.02f, 0.11f, 0.6f},
      {"high, wide: several wraps a sample", 0.35f, 0.1f, 0.03f, 12.f},
      {"falling, wide: several wraps a sample", -0.3f, 0.15f, 0.04f, 12.f},
  };
  for (const motion& m : motions) {
    for (int count : {1, 2, 3, 4, 5, 7, 8, 9, 12, 13, 15, 16}) {
      SCOPED_TRACE(std::string(m.name) + ", " + std::to_string(count) + " ramps");
      oscillator osc[2];
      prepare(osc, count, m.spread);
      expect_same(osc, m, 0, 700);
      if (HasFatalFailure()) return;
    }
  }
}

TEST_P(multi_ramp_sample, ramps_past_a_shrunk_count_keep_their_phases) {
  const motion m = {"vibrato, rising", 0.03f, 0.01f, 0.09f, 0.8f};
  oscillator osc[2];
  prepare(osc, 16, m.spread);
  expect_same(osc, m, 0, 200);
  float held[oscillator::max_saws];
  for (int k = 0; k < oscillator::max_saws; ++k) held[k] = osc[0].saw_phase(k);
  for (oscillator& o : osc) o.set_saw_count(6);
  expect_same(osc, m, 200, 300);
  for (int k = 6; k < oscillator::max_saws; ++k) EXPECT_EQ(osc[0].saw_phase(k), held[k]) << "ramp " << k;
  for (oscillator& o : osc) o.set_saw_count(11);
  expect_same(osc, m, 500, 300);
}


// Every count (registers cut short at every length), spreads from barely
// detuned to the widest the control gives, pitches that rise, fall, pass
// through zero and come near half a cycle a sample (where a register holds
// several wraps at once).
TEST_P(multi_ramp_sample, every_count_spread_and_pitch_is_the_scalar_step_bit_for_bit) {
  const motion motions[] = {
      {"rising vibrato", 0.03f, 0.01f, 0.05f, 0.f},
      {"near half a cycle, rising", 0.45f, 0.05f, 0.2f, 0.f},
      {"near half a cycle, falling", -0.45f, 0.05f, 0.13f, 0.f},
      {"through zero, fast", 0.f, 0.4f, 0.09f, 0.f},
      {"through zero, slow", 0.001f, 0.004f, 0.021f, 0.f},
  };
  long wraps = 0;
  for (float spread : {0.01f, 0.1f, 0.35f, 0.7f, 1.f}) {
    for (const motion& m : motions) {
      for (int count = 1; count <= oscillator::max_saws; ++count) {
        SCOPED_TRACE(std::string(m.name) + ", spread " + std::to_string(spread) + ", " + std::to_string(count) +
                     " ramps");
        oscillator osc[2];
        prepare(osc, count, spread);
        wraps += expect_same_counting(osc, m, 400).wraps;
        if (HasFailure()) return;
      }
    }
  }
  EXPECT_GT(wraps, 100000);  // the sweep is about the wraps
}

// Spreads that put some ramps' steps over a cycle a sample near the top
// pitch: in one register (and one sample) ramps that cross two levels
// beside ramps that cross one, rising and falling.
TEST_P(multi_ramp_sample, ramps_crossing_two_levels_beside_ramps_crossing_one) {
  for (float centre : {0.47f, -0.47f}) {
    for (float spread : {6.f, 12.f}) {
      for (int count : {8, 11, 16}) {
        SCOPED_TRACE("increment " + std::to_string(centre) + ", spread " + std::to_string(spread) + ", " +
                     std::to_string(count) + " ramps");
        oscillator osc[2];
        prepare(osc, count, spread);
        const wrap_tally t = expect_same_counting(osc, {"", centre, 0.03f, 0.1f, spread}, 1000);
        if (HasFailure()) return;
        EXPECT_GT(t.fast_steps, 0);
        EXPECT_GT(t.slow_steps, 0);
      }
    }
  }
}

// A long run whose ramps wrap often enough that the ring never runs out
// (never a ring's length without a wrap): it moves on by one slot a sample,
// so with wraps at every sample index modulo its size the corrections start
// at every slot of it, over and over.
TEST_P(multi_ramp_sample, a_long_run_wraps_at_every_ring_position) {
  for (int count : {3, 16}) {
    SCOPED_TRACE(std::to_string(count) + " ramps");
    oscillator osc[2];
    prepare(osc, count, 0.5f);
    constexpr int n = 50000;
    const wrap_tally t = expect_same_counting(osc, {"", 0.2f, 0.08f, 0.003f, 0.5f}, n);
    EXPECT_LT(t.longest_gap, correction_ring::size);
    EXPECT_EQ(t.positions, 0xffffu);
    EXPECT_GT(t.wraps, n / 2 * count / 8);
  }
}

INSTANTIATE_TEST_SUITE_P(kernels, multi_ramp_sample, testing::Values(kernel::scalar, kernel::avx2),
                         [](const testing::TestParamInfo<kernel>& info) {
                           return std::string(info.param == kernel::avx2 ? "avx2" : "sse2");
                         });
