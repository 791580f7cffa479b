// The multi-ramp's per-sample step (render(), the ramps four to a register)
// held against its scalar definition, one ramp after another, sample by
// sample: every output and every ramp's phase equal, for every ramp count
// around the register's width, rising, falling and through-zero pitches,
// ramps that wrap more than once a sample, and a count that shrinks and
// grows again (ramps past the count must keep their phases).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "synth/dsp/oscillator.h"

using namespace synth;

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

// n samples: osc[0] through render(), osc[1] through the scalar step.
void expect_same(oscillator* osc, const motion& m, int from, int n) {
  for (int i = from; i < from + n; ++i) {
    const float inc = m.centre + m.depth * std::sin(float(i) * m.rate);
    osc[0].set_increment(inc);
    osc[1].set_increment(inc);
    const float got = osc[0].render();
    const float expect = osc[1].render_multi_ramp_scalar();
    ASSERT_EQ(got, expect) << "@" << i;
  }
  for (int k = 0; k < oscillator::max_saws; ++k) ASSERT_EQ(osc[0].saw_phase(k), osc[1].saw_phase(k)) << "ramp " << k;
}

}  // namespace

TEST(multi_ramp_sample, vector_step_is_the_scalar_step_bit_for_bit) {
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

TEST(multi_ramp_sample, ramps_past_a_shrunk_count_keep_their_phases) {
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
