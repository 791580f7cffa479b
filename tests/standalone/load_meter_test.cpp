#include "plugin/standalone/load_meter.h"

#include <gtest/gtest.h>

namespace {

using standalone::load_meter;
using standalone::load_totals;
using namespace std::chrono;

TEST(StandaloneLoadMeter, BusyTimeAgainstTheSoundsLength) {
  load_meter m;
  m.init(48000.0);
  const auto t0 = load_meter::clock::time_point{};
  // 480 frames are 10 ms of sound: 1 ms busy is 10 %, 5 ms is 50 %.
  m.add_block(t0, t0 + milliseconds(1), 480);
  const load_totals first = m.totals();
  EXPECT_NEAR(first.percent_since(load_totals{}), 10.0, 1e-9);
  EXPECT_EQ(first.peak_permille, 100u);
  m.add_block(t0, t0 + milliseconds(5), 480);
  EXPECT_NEAR(m.totals().percent_since(first), 50.0, 1e-9) << "the load since a reading";
  EXPECT_NEAR(m.totals().percent_since(load_totals{}), 30.0, 1e-9) << "the whole run";
  EXPECT_EQ(m.totals().peak_permille, 500u);
  m.add_block(t0, t0 + milliseconds(1), 480);
  EXPECT_EQ(m.totals().peak_permille, 500u) << "the peak stays";
}

TEST(StandaloneLoadMeter, NothingRenderedReadsZero) {
  load_meter m;
  m.init(44100.0);
  const auto t0 = load_meter::clock::time_point{};
  m.add_block(t0, t0 + milliseconds(3), 0);
  m.add_block(t0 + milliseconds(3), t0, 64);  // a clock that ran backwards counts no time
  EXPECT_EQ(m.totals().busy_ns, 0u);
  const load_totals now = m.totals();
  EXPECT_EQ(now.percent_since(now), 0.0);
}

}  // namespace
