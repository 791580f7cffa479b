// The meter's peak follower: its ballistics per channel, the two channels
// kept apart, and readings that do not depend on how the blocks are cut.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "synth/level_follower.h"

namespace {

using synth::level_follower;

constexpr float rate = 44100.f;

int frames_in(float seconds) { return int(seconds * rate); }

TEST(level_follower, rises_holds_and_falls_on_one_channel_only) {
  level_follower m;
  m.init(rate);
  m.reset();
  std::vector<float> ones(size_t(frames_in(0.01f)), 1.f), quiet(size_t(frames_in(0.4f)), 0.f);

  // 10 ms of full scale on the left: the attack has reached 99 % after 1 ms.
  m.process(ones.data(), quiet.data(), int(ones.size()));
  EXPECT_TRUE(m.changed());
  const float top = m.read(0);
  EXPECT_GE(top, 0.99f);
  EXPECT_LE(top, 1.f);
  EXPECT_EQ(m.read(1), 0.f);

  // 40 ms of silence is inside the 50 ms hold: the reading stays at the peak.
  m.process(quiet.data(), quiet.data(), frames_in(0.04f));
  EXPECT_GE(m.read(0), 0.99f);
  EXPECT_EQ(m.read(1), 0.f);

  // Past the hold and the 300 ms release the envelope is down to 1 %.
  m.process(quiet.data(), quiet.data(), frames_in(0.32f));
  m.read(0);
  m.process(quiet.data(), quiet.data(), 1);
  EXPECT_LE(m.read(0), 0.0101f);
}

TEST(level_follower, readings_do_not_depend_on_the_block_sizes) {
  std::vector<float> left(20000), right(20000);
  uint32_t x = 7;
  for (size_t i = 0; i < left.size(); ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    // Bursts of noise on the left, sparse clicks on the right.
    left[i] = (i / 3000) % 2 ? float(int32_t(x)) * 4.6e-10f : 0.f;
    right[i] = x % 400 == 0 ? 0.5f : 0.f;
  }
  level_follower whole, pieces;
  whole.init(rate);
  pieces.init(rate);
  whole.reset();
  pieces.reset();
  const int n = int(left.size());
  for (int i = 0; i < n; i += 256) whole.process(left.data() + i, right.data() + i, std::min(256, n - i));
  for (int i = 0, size = 1; i < n; i += size, size = size % 301 + 37)
    pieces.process(left.data() + i, right.data() + i, std::min(size, n - i));
  for (int c = 0; c < 2; ++c) EXPECT_EQ(whole.read(c), pieces.read(c));
  // The envelopes carried over: the next block reads the same on both.
  whole.process(left.data() + 3000, right.data(), 700);
  pieces.process(left.data() + 3000, right.data(), 700);
  for (int c = 0; c < 2; ++c) {
    const float reading = whole.read(c);
    EXPECT_GT(reading, 0.f);
    EXPECT_EQ(reading, pieces.read(c));
  }
}

}  // namespace
