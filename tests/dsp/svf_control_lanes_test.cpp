// Coefficients of several main filters under FMod in lanes: each filter's
// own controls_block is the reference; the lanes must record the same
// coefficients and leave each filter in the same state, bit for bit, in both
// kernels, across the whole table range and beyond it, with any FMod depth,
// saturation, resonance and pattern of control ticks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "synth/dsp/svf_lanes.h"

namespace {

using namespace synth;
using svf_lanes::kernel;
using lane_input = state_variable_filter::control_lane;

const cutoff_table& table_at(double rate) {
  static const cutoff_table t44 = [] {
    cutoff_table c;
    c.init(44100.0);
    return c;
  }();
  static const cutoff_table t96 = [] {
    cutoff_table c;
    c.init(96000.0);
    return c;
  }();
  return rate > 50000.0 ? t96 : t44;
}

enum class ticks { all, none, every_third, first_missing, random };

// One filter with its controls and n samples of inputs, and what it records.
struct voice {
  state_variable_filter filter;
  filter_controls controls;
  std::vector<int32_t> cutoff_mod;
  std::vector<uint8_t> due;
  std::vector<float> smoothed;
  std::vector<int32_t> f, q, limit, sat_a, sat_bias;

  state_variable_filter::coefficient_run out() { return {f.data(), q.data(), limit.data(), sat_a.data(), sat_bias.data()}; }
  lane_input lane() { return {&filter, &controls, cutoff_mod.data(), due.data(), smoothed.data(), out()}; }
};

// A filter in some earlier state (cutoff, damping and saturation from a
// previous run), its controls and its inputs. sweep: the cutoff runs from
// below the table to beyond its end; else random over the same range.
voice make_voice(std::mt19937& rng, int n, ticks pattern, bool sweep, const cutoff_table& table) {
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  auto pick = [&](int count) { return int(rng() % unsigned(count)); };
  voice v;
  v.filter.init(&table, float(table.sample_rate()));
  v.filter.set_mode(1 + pick(8));
  constexpr float depths[] = {1.f, -1.f, 0.37f, -0.002f, 0.5f};
  constexpr int32_t saturations[] = {0, 0x7FFFFFFF, 0x40000000, -5, 123456};
  constexpr float resonances[] = {0.f, 1.f, 0.5f, 0.93f};
  v.controls.frequency = int32_t(uniform(-3000, 19000)) << 15;
  v.controls.saturation = saturations[pick(5)];
  v.controls.resonance = resonances[pick(4)];
  v.controls.fmod = depths[pick(5)];
  // An earlier block: a tick and a few modulated samples set the state.
  filter_controls before = v.controls;
  before.cutoff_mod = int32_t(uniform(-20000, 20000));
  v.filter.update(before);
  for (int i = 0; i < 3; ++i) v.filter.modulate(float(uniform(-2, 2)), before);

  v.cutoff_mod.resize(n);
  v.due.resize(n);
  v.smoothed.resize(n);
  for (int i = 0; i < n; ++i) {
    // cutoff units are cutoff_mod >> 1: odd and negative values test the floor.
    const double t = n > 1 ? double(i) / (n - 1) : 0.0;
    v.cutoff_mod[i] = sweep ? int32_t(-12000 + t * 60000) | 1 : int32_t(uniform(-40000, 60000));
    switch (pattern) {
      case ticks::all: v.due[i] = 1; break;
      case ticks::none: v.due[i] = 0; break;
      case ticks::every_third: v.due[i] = i % 3 == 0 ? 2 : 0; break;
      case ticks::first_missing: v.due[i] = i > 0; break;
      case ticks::random: v.due[i] = uint8_t(pick(2)); break;
    }
    const int kind = pick(40);
    v.smoothed[i] = kind == 0   ? std::numeric_limits<float>::quiet_NaN()
                    : kind == 1 ? 1e30f
                    : kind == 2 ? -1e30f
                    : kind == 3 ? std::numeric_limits<float>::infinity()
                    : kind == 4 ? float(uniform(-5000, 5000))
                    : kind == 5 ? -0.f
                                : float(uniform(-3, 3));
  }
  for (auto* a : {&v.f, &v.q, &v.limit, &v.sat_a, &v.sat_bias}) a->assign(n + 1, 77);  // one past n: must stay untouched
  return v;
}

void expect_same_run(const voice& a, const voice& b, const char* what) {
  ASSERT_EQ(a.f, b.f) << what;
  ASSERT_EQ(a.q, b.q) << what;
  ASSERT_EQ(a.limit, b.limit) << what;
  ASSERT_EQ(a.sat_a, b.sat_a) << what;
  ASSERT_EQ(a.sat_bias, b.sat_bias) << what;
}

// Final state: the accessors, and the cutoff through a following run
// without a tick (the coefficients then come from the cutoff left behind).
void expect_same_state(voice& lanes, voice& reference) {
  const state_variable_filter& a = lanes.filter;
  const state_variable_filter& b = reference.filter;
  ASSERT_EQ(a.coefficient(), b.coefficient());
  ASSERT_EQ(a.damping(), b.damping());
  ASSERT_EQ(a.damping_limit(), b.damping_limit());
  ASSERT_EQ(a.saturation_gain().a, b.saturation_gain().a);
  ASSERT_EQ(a.saturation_gain().bias, b.saturation_gain().bias);
  const std::vector<uint8_t> idle(lanes.due.size(), 0);
  for (voice* v : {&lanes, &reference}) {
    v->filter.controls_block(v->controls, v->cutoff_mod.data(), idle.data(), nullptr, v->smoothed.data(),
                             int(idle.size()), v->out());
  }
  expect_same_run(lanes, reference, "after the run");
}

// Runs count voices through controls_lanes and copies of them through their
// own controls_block, and compares.
void check_group(std::vector<voice>& voices) {
  std::vector<voice> reference = voices;
  const int n = int(voices[0].due.size());
  std::vector<lane_input> lanes;
  for (voice& v : voices) {
    ASSERT_TRUE(v.filter.fmod_alone(v.controls));
    lanes.push_back(v.lane());
  }
  for (voice& r : reference) {
    r.filter.controls_block(r.controls, r.cutoff_mod.data(), r.due.data(), nullptr, r.smoothed.data(), n, r.out());
  }
  state_variable_filter::controls_lanes(lanes.data(), int(lanes.size()), n);
  for (size_t l = 0; l < voices.size(); ++l) {
    SCOPED_TRACE("lane " + std::to_string(l));
    expect_same_run(voices[l], reference[l], "the run");
    expect_same_state(voices[l], reference[l]);
  }
}

// The same coefficients as columns: where the AVX2 kernel runs, column l of
// sample i holds what lane l's own controls_block records (the second
// stage's damping held to cascade_damping_max), the padding columns lane
// 0's again, the lanes' rows are left alone and each filter ends where its
// own run leaves it. Elsewhere nothing is made and nothing moves.
void check_columns(std::vector<voice>& voices) {
  using column = state_variable_filter::column;
  const std::vector<voice> before = voices;
  std::vector<voice> reference = voices;
  const int n = int(voices[0].due.size()), count = int(voices.size());
  std::vector<lane_input> lanes;
  for (voice& v : voices) lanes.push_back(v.lane());
  for (voice& r : reference) {
    r.filter.controls_block(r.controls, r.cutoff_mod.data(), r.due.data(), nullptr, r.smoothed.data(), n, r.out());
  }
  constexpr int width = state_variable_filter::max_control_lanes;
  // One sample past n: must stay untouched.
  std::unique_ptr<column[]> f, q, limit2, a, bias;
  for (auto* c : {&f, &q, &limit2, &a, &bias}) {
    c->reset(new column[size_t(n) + 1]);
    for (int i = 0; i <= n; ++i) std::fill((*c)[size_t(i)], (*c)[size_t(i)] + width, 77);
  }
  const bool made = state_variable_filter::controls_columns(lanes.data(), count, n,
                                                            {f.get(), q.get(), limit2.get(), a.get(), bias.get()});
  ASSERT_EQ(made, svf_lanes::active_kernel() == kernel::avx2);
  const std::vector<int32_t> untouched(size_t(n) + 1, 77);
  for (int l = 0; l < count; ++l) ASSERT_EQ(voices[size_t(l)].f, untouched) << "lane " << l << " rows";
  for (int l = 0; l < width; ++l) {
    SCOPED_TRACE("column " + std::to_string(l));
    const voice& r = reference[size_t(l < count ? l : 0)];
    for (int i = 0; i <= n; ++i) {
      const size_t at = size_t(i);
      const bool written = made && i < n;
      ASSERT_EQ(f[at][l], written ? r.f[at] : 77) << "sample " << i;
      ASSERT_EQ(q[at][l], written ? r.q[at] : 77) << "sample " << i;
      ASSERT_EQ(limit2[at][l], written ? std::min(r.limit[at], svf::cascade_damping_max) : 77) << "sample " << i;
      ASSERT_EQ(a[at][l], written ? r.sat_a[at] : 77) << "sample " << i;
      ASSERT_EQ(bias[at][l], written ? r.sat_bias[at] : 77) << "sample " << i;
    }
  }
  for (int l = 0; l < count; ++l) {
    SCOPED_TRACE("lane " + std::to_string(l));
    if (made) {
      expect_same_state(voices[size_t(l)], reference[size_t(l)]);
    } else {
      const state_variable_filter &s = voices[size_t(l)].filter, &b = before[size_t(l)].filter;
      ASSERT_EQ(s.coefficient(), b.coefficient());
      ASSERT_EQ(s.damping(), b.damping());
      ASSERT_EQ(s.damping_limit(), b.damping_limit());
      ASSERT_EQ(s.saturation_gain().a, b.saturation_gain().a);
    }
  }
}

class control_lanes : public testing::TestWithParam<kernel> {
 protected:
  void SetUp() override {
    if (GetParam() == kernel::avx2 && !svf_lanes::avx2_available()) GTEST_SKIP() << "no AVX2 on this CPU";
    svf_lanes::force_kernel(GetParam());
  }
  void TearDown() override { svf_lanes::force_kernel(svf_lanes::avx2_available() ? kernel::avx2 : kernel::scalar); }
};

TEST_P(control_lanes, match_each_filter_over_counts_lengths_and_tick_patterns) {
  ASSERT_EQ(svf_lanes::active_kernel(), GetParam());
  std::mt19937 rng(7);
  constexpr ticks patterns[] = {ticks::all, ticks::none, ticks::every_third, ticks::first_missing, ticks::random};
  for (int n : {1, 3, 4, 5, 63, 256, 301}) {
    for (int count = 1; count <= 8; ++count) {
      for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE("n " + std::to_string(n) + ", count " + std::to_string(count) + ", round " +
                     std::to_string(round));
        std::vector<voice> voices;
        for (int l = 0; l < count; ++l) {
          voices.push_back(make_voice(rng, n, patterns[(round + l) % 5], (round + l) % 2 == 0,
                                     table_at(round % 3 == 2 ? 96000 : 44100)));
        }
        check_group(voices);
      }
    }
  }
}

TEST_P(control_lanes, lanes_with_different_tables_still_match) {
  std::mt19937 rng(11);
  std::vector<voice> voices;
  for (int l = 0; l < 8; ++l) voices.push_back(make_voice(rng, 67, ticks::random, l == 0, table_at(l == 2 ? 96000 : 44100)));
  check_group(voices);
}

TEST_P(control_lanes, columns_match_each_filter_over_counts_lengths_and_tick_patterns) {
  std::mt19937 rng(13);
  constexpr ticks patterns[] = {ticks::all, ticks::none, ticks::every_third, ticks::first_missing, ticks::random};
  for (int n : {1, 7, 8, 9, 64, 256, 301}) {
    for (int count = 1; count <= 8; ++count) {
      for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("n " + std::to_string(n) + ", count " + std::to_string(count) + ", round " +
                     std::to_string(round));
        std::vector<voice> voices;
        for (int l = 0; l < count; ++l)
          voices.push_back(make_voice(rng, n, patterns[(round + l) % 5], (round + l) % 2 == 1, table_at(44100)));
        check_columns(voices);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(kernels, control_lanes, testing::Values(kernel::scalar, kernel::avx2),
                         [](const auto& info) { return info.param == kernel::avx2 ? "avx2" : "scalar"; });

}  // namespace
