// Main filters run in lanes: real filters driven sample by sample (with the
// cutoff and damping moving every sample) are the reference; the lanes,
// given the coefficients the filters read, must give the same outputs and
// end in the same integrators, bit for bit, in both kernels.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "synth/dsp/noise_generator.h"
#include "synth/dsp/svf_lanes.h"
#include "tests/support/lane_kernels.h"

namespace {

using namespace synth;
using svf_lanes::kernel;
using svf_lanes::lane;
using integrators = state_variable_filter::integrators;

constexpr float rate = 44100.f;
constexpr float unit = 4194304.f;  // 2^22 per unit

const cutoff_table& table() {
  static const cutoff_table t = [] {
    cutoff_table c;
    c.init(rate);
    return c;
  }();
  return t;
}

int32_t frequency_for_hz(double hz) {
  return int32_t(std::lround(1536.0 * std::log2(hz / cutoff_table::base_hz))) << 15;
}

// Variant index (mode index + 4 * 24 dB + 8 * saturating) to the "Mode" menu.
int32_t menu_mode(int variant) {
  constexpr int32_t menu_of_index[4] = {1, 3, 2, 4};  // low, band, high, notch
  return menu_of_index[variant & 3] + ((variant & 4) ? 4 : 0);
}

bool same(const integrators& a, const integrators& b) {
  return a.low == b.low && a.band == b.band && a.low2 == b.low2 && a.band2 == b.band2;
}

// One filter's block: what its accessors gave before each sample, its
// outputs, and its state before and after.
struct recording {
  integrators start{}, end{};
  std::vector<int32_t> x, f, q, limit, sat_a, sat_bias, y;

  void add(const state_variable_filter& s, int32_t in, int32_t out) {
    x.push_back(in);
    f.push_back(s.coefficient());
    q.push_back(s.damping());
    limit.push_back(s.damping_limit());
    sat_a.push_back(s.saturation_gain().a);
    sat_bias.push_back(s.saturation_gain().bias);
    y.push_back(out);
  }
  lane as_lane(std::vector<int32_t>& out) const {
    return {start, x.data(), f.data(), q.data(), limit.data(), sat_a.data(), sat_bias.data(), out.data()};
  }
};

constexpr int max_lanes = svf_lanes::max_lanes;
static_assert(max_lanes == 8, "the lanes below are set up for eight filters");

// The coefficients of eight recordings as columns (state_variable_filter::
// controls_columns' form: the second stage's damping held to
// cascade_damping_max), n samples from each.
struct column_block {
  using column = state_variable_filter::column;
  std::unique_ptr<column[]> f, q, limit2, a, bias;

  column_block(const recording* r, int n) {
    for (auto* c : {&f, &q, &limit2, &a, &bias}) c->reset(new column[size_t(n)]());
    for (int l = 0; l < max_lanes; ++l)
      for (size_t i = 0; i < size_t(n); ++i) {
        f[i][l] = r[l].f[i], q[i][l] = r[l].q[i], limit2[i][l] = std::min(r[l].limit[i], svf::cascade_damping_max);
        a[i][l] = r[l].sat_a[i], bias[i][l] = r[l].sat_bias[i];
      }
  }
  svf_lanes::coefficient_columns columns() { return {f.get(), q.get(), limit2.get(), a.get(), bias.get()}; }
};

// Input of lane l: full-scale noise beyond the 16-unit limit, a clipping
// square wave, quiet noise, a square wave at the limit, and (lanes 4..7)
// the same at other rates and levels.
int32_t input(int l, int i, noise_generator& noise) {
  noise.next();
  switch (l) {
    case 0: return noise.out16 * 2560;  // +-20 units
    case 1: return (i / 37) % 2 ? 16 * 4194304 : -16 * 4194304;
    case 2: return noise.out16 * 128;
    case 3: return (i / 150) % 2 ? 18 * 4194304 : -18 * 4194304;
    case 4: return noise.out16 * 640;  // +-5 units
    case 5: return (i / 11) % 2 ? 4194304 : -4194304;
    case 6: return noise.out16 * 4000;  // +-31 units
    default: return (i / 90) % 2 ? 3 * 4194304 : -12 * 4194304;
  }
}

// Eight differently set filters of one variant (resonances up to the limit,
// cutoffs from 40 Hz to 19 kHz, saturations, FMod both ways, QMod), warmed
// up and then recorded for n samples. Lanes 0 and 4 sweep their cutoff
// through update() every sample instead of FMod; lanes 1 and 6 start from a
// spike.
recording record(int variant, int l, int n) {
  constexpr double hz[max_lanes] = {120.0, 1500.0, 9000.0, 19000.0, 40.0, 600.0, 4000.0, 12000.0};
  constexpr float resonance[max_lanes] = {1.f, 0.98f, 0.7f, 0.3f, 0.f, 0.5f, 1.f, 0.9f};
  constexpr int32_t saturation[max_lanes] = {0x7FFFFFFF, 0x60000000, 0x20000000, 0x01000000,
                                             0x40000000, 0x7FFFFFFF, 0x00100000, 0x10000000};
  constexpr float fmod[max_lanes] = {0.f, 0.8f, -1.f, 0.5f, 0.f, -0.3f, 1.f, 0.2f};
  filter_controls c;
  c.frequency = frequency_for_hz(hz[l]);
  c.resonance = resonance[l];
  c.saturation = (variant & 8) ? saturation[l] : 0;
  c.fmod = fmod[l];
  c.qmod = l == 3 ? 0.4f : l == 7 ? -0.6f : 0.f;

  state_variable_filter s;
  s.init(&table(), rate);
  s.set_mode(menu_mode(variant));
  s.update(c);
  EXPECT_EQ(s.variant(), variant);
  const bool spike = l == 1 || l == 6, swept = l == 0 || l == 4;
  if (spike) s.trigger(filter_trigger::spike);
  noise_generator noise;
  for (int skip = 0; skip < 97 * l; ++skip) noise.next();  // a different stretch of noise in every lane
  recording r;
  const int warm_up = spike ? 0 : 300;
  for (int i = 0; i < warm_up + n; ++i) {
    const int32_t x = input(l, i, noise);
    if (swept) {
      c.cutoff_mod = int32_t((i * (l == 0 ? 7919 : 4111)) % 40000 - 20000) << 1;
      s.update(c);
    } else {
      s.modulate(float(x) / unit, c);
    }
    if (i == warm_up) r.start = s.state();
    const int32_t y = s.process(x);
    if (i >= warm_up) r.add(s, x, y);
  }
  r.end = s.state();
  return r;
}

// Every variant, 1 to 8 lanes, block lengths around the kernels' steps
// (four samples, chunks of 32) and beyond a block; the coefficients from
// the lanes' rows and, in the AVX2 kernel, from columns.
void expect_matches_filters(kernel k) {
  svf_lanes::force_kernel(k);
  ASSERT_EQ(svf_lanes::active_kernel(), k);
  for (int n : {1, 2, 5, 33, 255, 300}) {
    for (int variant = 0; variant < state_variable_filter::variant_count; ++variant) {
      std::array<recording, max_lanes> r;
      for (int l = 0; l < max_lanes; ++l) r[l] = record(variant, l, n);
      column_block block(r.data(), n);
      for (bool from_columns : {false, true}) {
        if (from_columns && k != kernel::avx2) continue;
        for (int count = 1; count <= max_lanes; ++count) {
          SCOPED_TRACE(testing::Message() << "n " << n << " variant " << variant << " lanes " << count
                                          << (from_columns ? " from columns" : " from rows"));
          std::array<std::vector<int32_t>, max_lanes> y;
          std::array<lane, max_lanes> lanes;
          for (int l = 0; l < count; ++l) y[l].assign(n, 0), lanes[l] = r[l].as_lane(y[l]);
          if (from_columns) {
            for (int l = 0; l < count; ++l) lanes[l].f = lanes[l].q = lanes[l].limit = nullptr;
            svf_lanes::run_columns(variant, lanes.data(), count, n, block.columns());
          } else {
            svf_lanes::run(variant, lanes.data(), count, n);
          }
          for (int l = 0; l < count; ++l) {
            EXPECT_EQ(y[l], r[l].y) << "lane " << l;
            EXPECT_TRUE(same(lanes[l].state, r[l].end)) << "lane " << l;
          }
        }
      }
    }
  }
}

TEST(svf_lanes, scalar_kernel_matches_the_filters) { expect_matches_filters(kernel::scalar); }

TEST(svf_lanes, avx2_kernel_matches_the_filters) {
  if (!svf_lanes::avx2_available()) GTEST_SKIP() << "no AVX2 on this CPU";
  expect_matches_filters(kernel::avx2);
}

// Random coefficients every sample (cutoffs up to the table's top, dampings
// up to the stability limit, any saturation), inputs over the whole 32-bit
// range (clipped at 16 units), and random starting states: up to 64 units in
// the 24 dB forms (as far as their states go), and over the whole 32-bit
// range for the 12 dB forms' unclamped low integrator, which then wraps. The
// AVX2 kernel (one set of four lanes and two) against the scalar step in
// the corners the filters rarely reach: 64-bit h and saturated products,
// truncation, every clamp.
TEST(svf_lanes, avx2_kernel_matches_the_step_at_extreme_values) {
  if (!svf_lanes::avx2_available()) GTEST_SKIP() << "no AVX2 on this CPU";
  constexpr int n = 97;
  std::mt19937 rng(20261207);
  for (int sets : {1, 2}) {
  auto any = [&] { return int32_t(rng()); };
  auto within = [&](int32_t limit) { return int32_t(rng() % (2 * uint32_t(limit) + 1)) - limit; };
  for (int variant = 0; variant < state_variable_filter::variant_count; ++variant) {
    SCOPED_TRACE(testing::Message() << "variant " << variant << " sets " << sets);
    const bool cascade = (variant & 4) != 0;
    const int count = 4 * sets;
    std::vector<recording> r(static_cast<size_t>(count));
    for (auto& rec : r) {
      rec.start = {cascade ? within(1 << 28) : any(), within(svf::clamp25), within(1 << 28), within(1 << 28)};
      for (int i = 0; i < n; ++i) {
        const int32_t f = int32_t(rng() % 0x5A827A00u);  // up to 2 sin(pi / 4): 1.414 in Q30
        const int32_t limit = svf::damping_limit(f);
        svf::saturation sat;
        sat.set(any(), f);
        rec.x.push_back(any());
        rec.f.push_back(f);
        rec.q.push_back(int32_t(rng() % (uint32_t(limit) + 1)));
        rec.limit.push_back(limit);
        rec.sat_a.push_back(sat.a);
        rec.sat_bias.push_back(sat.bias);
      }
    }
    std::array<std::vector<int32_t>, max_lanes> expected, y;
    std::array<lane, max_lanes> lanes;
    for (int l = 0; l < count; ++l) {
      expected[l].assign(n, 0), y[l].assign(n, 0);
      lane ref = r[l].as_lane(expected[l]);
      svf_lanes::detail::run_scalar(variant, &ref, 1, n);
      r[l].end = ref.state;
      lanes[l] = r[l].as_lane(y[l]);
    }
    svf_lanes::detail::run_avx2(variant, lanes.data(), sets, n, nullptr);
    for (int l = 0; l < count; ++l) {
      EXPECT_EQ(y[l], expected[l]) << "lane " << l;
      EXPECT_TRUE(same(lanes[l].state, r[l].end)) << "lane " << l;
    }
    // The same from columns: the lanes beyond count hold lane 0's coefficients.
    std::vector<recording> eight = r;
    eight.resize(max_lanes, r[0]);
    column_block block(eight.data(), n);
    for (int l = 0; l < count; ++l) {
      y[l].assign(n, 0);
      lanes[l] = r[l].as_lane(y[l]);
      lanes[l].f = lanes[l].q = lanes[l].limit = lanes[l].sat_a = lanes[l].sat_bias = nullptr;
    }
    const svf_lanes::coefficient_columns columns = block.columns();
    svf_lanes::detail::run_avx2(variant, lanes.data(), sets, n, &columns);
    for (int l = 0; l < count; ++l) {
      EXPECT_EQ(y[l], expected[l]) << "lane " << l << " from columns";
      EXPECT_TRUE(same(lanes[l].state, r[l].end)) << "lane " << l << " from columns";
    }
  }
  }
}

// The held form (12 dB, coefficient and damping fixed for the block) at the
// same corners: random coefficients and dampings up to the limit, inputs over
// the whole 32-bit range, the unclamped low integrators anywhere in 32 bits
// (so that they wrap) and the band integrators anywhere within their clamp.
// The AVX2 kernel against the scalar one, one set and two, including runs
// that are not a whole number of four samples.
TEST(svf_lanes, avx2_held_kernel_matches_the_scalar_at_extreme_values) {
  if (!svf_lanes::avx2_available()) GTEST_SKIP() << "no AVX2 on this CPU";
  std::mt19937 rng(20261208);
  auto any = [&] { return int32_t(rng()); };
  auto within = [&](int32_t limit) { return int32_t(rng() % (2 * uint32_t(limit) + 1)) - limit; };
  for (int n : {3, 97}) {
    for (int sets : {1, 2}) {
      for (int variant = 0; variant < 4; ++variant) {
        SCOPED_TRACE(testing::Message() << "variant " << variant << " sets " << sets << " n " << n);
        const int count = 4 * sets;
        std::array<std::vector<int32_t>, max_lanes> x, expected, y;
        std::array<svf_lanes::held_lane, max_lanes> ref, lanes;
        for (int l = 0; l < count; ++l) {
          x[l].resize(size_t(n));
          for (auto& v : x[l]) v = any();
          expected[l].assign(size_t(n), 0), y[l].assign(size_t(n), 0);
          const int32_t f = int32_t(rng() % 0x5A827A00u);
          const int32_t q = int32_t(rng() % (uint32_t(svf::damping_limit(f)) + 1));
          const integrators start{any(), within(svf::clamp25), 0, 0};
          ref[l] = {start, x[l].data(), f, q, expected[l].data()};
          lanes[l] = {start, x[l].data(), f, q, y[l].data()};
        }
        svf_lanes::detail::run_held_scalar(variant, ref.data(), count, n);
        svf_lanes::detail::run_held_avx2(variant, lanes.data(), sets, n);
        for (int l = 0; l < count; ++l) {
          EXPECT_EQ(y[l], expected[l]) << "lane " << l;
          EXPECT_EQ(lanes[l].state.low, ref[l].state.low) << "lane " << l;
          EXPECT_EQ(lanes[l].state.band, ref[l].state.band) << "lane " << l;
        }
      }
    }
  }
}

// Counts that are not whole sets of four (one lane, five), and blocks longer
// than the padding lanes' arrays: nothing is written past the caller's
// lanes or past n samples.
TEST(svf_lanes, writes_only_the_callers_lanes_and_samples) {
  for (kernel k : {kernel::scalar, kernel::avx2}) {
    if (k == kernel::avx2 && !svf_lanes::avx2_available()) continue;
    svf_lanes::force_kernel(k);
    constexpr int n = 601, variant = 12;  // Low 24 dB saturating
    for (int count : {1, 5}) {
      SCOPED_TRACE(testing::Message() << test_support::kernel_name(k) << " lanes " << count);
      std::vector<recording> r;
      for (int l = 0; l < count; ++l) r.push_back(record(variant, l + 2, n));
      const integrators untouched{1, 2, 3, 4};
      std::array<std::vector<int32_t>, max_lanes> y;
      std::vector<int32_t> spare(n + 1, 77);
      std::array<lane, max_lanes> lanes;
      for (int l = 0; l < max_lanes; ++l) {
        if (l < count) {
          y[l].assign(n + 1, 77), lanes[l] = r[l].as_lane(y[l]);
        } else {
          lanes[l] = r[0].as_lane(spare), lanes[l].state = untouched;
        }
      }
      svf_lanes::run(variant, lanes.data(), count, n);
      for (int l = 0; l < count; ++l) {
        EXPECT_TRUE(std::equal(r[l].y.begin(), r[l].y.end(), y[l].begin())) << "lane " << l;
        EXPECT_EQ(y[l][n], 77) << "lane " << l;
        EXPECT_TRUE(same(lanes[l].state, r[l].end)) << "lane " << l;
      }
      EXPECT_EQ(spare, std::vector<int32_t>(n + 1, 77));
      for (int l = count; l < max_lanes; ++l) EXPECT_TRUE(same(lanes[l].state, untouched));
    }
  }
}

}  // namespace
