#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "synth/dsp/pcm_player.h"
#include "tools/analysis/signal.h"

using namespace synth;

namespace {

pcm_record ramp_record(int32_t n) {
  std::vector<int16_t> frames(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) frames[size_t(i)] = int16_t(100 * (i + 1));
  pcm_record r;
  r.assign(frames.data(), n);
  r.frames_per_cycle = 1.f;
  return r;
}

float frame_value(const pcm_record& r, int32_t i) { return 2.f * r.frames()[i] * pcm_player::sample_scale; }

}  // namespace

TEST(pcm_player, missing_empty_or_muted_records_are_exactly_silent) {
  pcm_player p;
  p.reset();
  p.start(3);
  EXPECT_EQ(p.render(nullptr, 0.5f), 0.f);
  pcm_record empty;
  EXPECT_EQ(p.render(&empty, 0.5f), 0.f);
  pcm_record r = ramp_record(1000);
  r.muted = true;
  for (int i = 0; i < 100; ++i) EXPECT_EQ(p.render(&r, 1.f), 0.f);
  EXPECT_EQ(p.index(), 100);  // still advancing underneath
}

TEST(pcm_player, plays_frames_as_band_limited_holds_one_sample_late) {
  pcm_record r = ramp_record(1000);
  pcm_player p;
  p.reset();
  p.start(0);
  std::vector<float> out;
  for (int i = 0; i < 200; ++i) out.push_back(p.render(&r, 0.05f));  // 20 samples per frame
  // Once a step's residual is over, the output holds 2 * frame value.
  EXPECT_EQ(p.index(), 10);
  EXPECT_NEAR(out[199], frame_value(r, 9), 1e-6);
  EXPECT_NEAR(out[179], frame_value(r, 8), 1e-6);
  // Steps are spread over samples, not jumps (the largest is from silence
  // to frame 1: frame 0 is skipped as the held value starts at 0).
  EXPECT_LT(analysis::max_step(out.data(), out.size()), 0.8 * frame_value(r, 1));
  EXPECT_GT(analysis::max_step(out.data(), out.size()), 0.5 * frame_value(r, 1));
}

TEST(pcm_player, start_position_comes_from_the_width_control) {
  pcm_record r = ramp_record(1000);
  pcm_player p;
  p.reset();
  p.set_start(0.5f);
  p.start(0);
  p.render(&r, 0.1f);
  EXPECT_EQ(p.index(), 500);
  p.set_start(2.f);  // limited to the last frame
  p.start(0);
  p.render(&r, 0.f);
  EXPECT_EQ(p.index(), 999);
}

TEST(pcm_player, stops_at_the_end_without_loop_and_loops_with_one) {
  pcm_record r = ramp_record(100);
  pcm_player p;
  p.reset();
  p.start(0);
  for (int i = 0; i < 99; ++i) p.render(&r, 1.f);
  EXPECT_TRUE(p.playing());
  p.render(&r, 1.f);
  EXPECT_FALSE(p.playing());
  EXPECT_EQ(p.render(&r, 1.f), 0.f);

  r.set_loop(50, 99, 0.f);
  p.start(0);
  int32_t lowest_after_first_pass = 1000;
  for (int i = 0; i < 1000; ++i) {
    p.render(&r, 1.f);
    ASSERT_TRUE(p.playing());
    ASSERT_GE(p.index(), 0);
    ASSERT_LE(p.index(), 99);
    if (i > 120) lowest_after_first_pass = std::min(lowest_after_first_pass, p.index());
  }
  EXPECT_EQ(lowest_after_first_pass, 50);
  // Frame 1000 from the start: 100 frames, then 900 more around a 50-frame loop.
  EXPECT_EQ(p.index(), 50 + (1000 - 100) % 50);
}

TEST(pcm_player, plays_backwards_with_a_negative_increment_and_stops_at_the_start) {
  pcm_record r = ramp_record(100);
  pcm_player p;
  p.reset();
  p.set_start(0.5f);
  p.start(0);
  int steps = 0;
  while (p.playing() && steps < 1000) {
    p.render(&r, -1.f);
    ++steps;
  }
  EXPECT_FALSE(p.playing());
  EXPECT_EQ(steps, 51);  // frames 49..0, then past the start
}

TEST(pcm_player, huge_steps_stay_bounded) {
  pcm_record r = ramp_record(100);
  r.set_loop(10, 89, 0.f);
  r.frames_per_cycle = 1e7f;
  pcm_player p;
  p.reset();
  p.start(0);
  for (int i = 0; i < 100; ++i) {
    const float v = p.render(&r, 0.37f);
    ASSERT_TRUE(std::isfinite(v));
    ASSERT_GE(p.index(), 0);
    ASSERT_LT(p.index(), 100);
  }
}
