// Shaper filters run in lanes: real filters driven sample by sample are the
// reference; the lanes must give the same outputs and leave the same
// integrators, bit for bit, in every form, on each kernel.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "synth/dsp/noise_generator.h"
#include "synth/dsp/shaper_filter_lanes.h"
#include "tests/dsp/filter_probe.h"
#include "tests/support/lane_kernels.h"

namespace {

using namespace synth;
using filter_probe::frequency_for_hz;
using filter_probe::table_44k;

constexpr int most = shaper_filter_lanes::max_lanes;
static_assert(most == 8, "one cutoff and resonance per lane");
constexpr double hz[most] = {90.0, 1100.0, 7000.0, 20000.0, 400.0, 2500.0, 13000.0, 60.0};
constexpr float resonance[most] = {1.f, 0.2f, 0.95f, 0.f, 0.6f, 1.f, 0.4f, 0.9f};

// Lane l's filter in "Mode" 1..8, warmed up on its own input (the band form
// resonating at the top), so the lanes start from different states.
shaper_filter make(int mode, int l) {
  shaper_filter f;
  f.init(&table_44k());
  f.set_mode(mode);
  f.update(frequency_for_hz(hz[l]), 1500 * l, resonance[l]);
  for (int i = 0; i < 200 + 37 * l; ++i) f.process((i / (11 + l)) % 2 ? 3 << 22 : -(3 << 22));
  return f;
}

// Lane l's input: noise past the 16-unit input limit, a square wave at the
// limit, quiet noise, a slow ramp through the whole 32-bit range (lanes
// 4..7 the same from other points of the noise).
std::vector<int32_t> input(int l, int n) {
  noise_generator noise;
  for (int i = 0; i < 100 * l; ++i) noise.next();
  std::vector<int32_t> x(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    noise.next();
    switch (l % 4) {
      case 0: x[size_t(i)] = noise.out16 * 2560; break;
      case 1: x[size_t(i)] = (i / 29) % 2 ? 16 << 22 : -(16 << 22); break;
      case 2: x[size_t(i)] = noise.out16 * 64; break;
      default: x[size_t(i)] = int32_t(int64_t(i) * 4294967295LL / (n > 1 ? n - 1 : 1) - 2147483647LL); break;
    }
  }
  return x;
}

bool same_state(const shaper_filter& a, const shaper_filter& b) {
  return a.state().s1 == b.state().s1 && a.state().s2 == b.state().s2;
}

// Every form, 1 to 8 lanes, a lone sample, a block, and a block longer than
// the lanes' runs; in place (y == x) and into separate outputs.
void expect_lanes_match_filters(svf_lanes::kernel k) {
  test_support::forced_kernel forced(k);
  SCOPED_TRACE(test_support::kernel_name(k));
  for (int n : {1, 200, 601}) {
    for (int mode = 1; mode <= 8; ++mode) {
      for (int count = 1; count <= most; ++count) {
        for (bool in_place : {false, true}) {
          SCOPED_TRACE(testing::Message() << "n " << n << " mode " << mode << " lanes " << count << " in place "
                                          << in_place);
          std::array<shaper_filter, most> reference, lanes_filters;
          std::array<std::vector<int32_t>, most> x, expected, y;
          std::array<shaper_filter_lanes::lane, most> lanes;
          for (int l = 0; l < count; ++l) {
            reference[l] = lanes_filters[l] = make(mode, l);
            x[l] = input(l, n);
            for (int32_t v : x[l]) expected[l].push_back(reference[l].process(v));
            y[l].assign(size_t(n), 0);
            lanes[l] = {&lanes_filters[l], x[l].data(), in_place ? x[l].data() : y[l].data()};
          }
          shaper_filter_lanes::run(lanes.data(), count, n);
          for (int l = 0; l < count; ++l) {
            EXPECT_EQ(in_place ? x[l] : y[l], expected[l]) << "lane " << l;
            EXPECT_TRUE(same_state(lanes_filters[l], reference[l])) << "lane " << l;
          }
        }
      }
    }
  }
}

TEST(shaper_filter_lanes, every_form_matches_the_filters_on_each_kernel) {
  for (svf_lanes::kernel k : test_support::available_kernels()) expect_lanes_match_filters(k);
}

}  // namespace
