// The voice's smoothing lists against a plain model: every entry counts its
// own ticks down and takes its goal exactly on the last, and each integer
// step saturates to Q31. The lists share one tick count and skip the
// saturation; both must give the same values at every tick, through
// renewed goals, entries ending in any order and the count wrapping round.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

#include "synth/voice.h"

namespace {

using synth::smoothing_list;

template <typename T>
struct model_entry {
  T goal;
  int32_t remaining;
};

int32_t model_step(int32_t x, int32_t goal, uint32_t c_q32) {
  const int64_t diff = int64_t(goal) - x;
  const int64_t v = x + ((diff * int64_t(c_q32 >> 1)) >> 31);
  return int32_t(std::clamp<int64_t>(v, -0x7FFFFFFF, 0x7FFFFFFF));
}

float model_step(float x, float goal, float c) { return x + (goal - x) * c; }

// A list and its model over the same values, driven by one schedule.
template <typename T>
struct pair_under_test {
  std::vector<T> values = std::vector<T>(40, T(0));
  std::vector<T> model_values = std::vector<T>(40, T(0));
  std::map<int, model_entry<T>> model;
  smoothing_list<T> list;
  bool idle_skips = false;  // as the voice runs it: not at all while it is empty

  void add(int slot, T goal, int32_t ticks) {
    list.add(&values[size_t(slot)], goal, ticks, slot % 3 == 0);
    model[slot] = {goal, ticks};
  }
  void tick(uint32_t c_q32, float c) {
    if (!idle_skips || list.count > 0) list.run(c_q32, c);
    for (auto it = model.begin(); it != model.end();) {
      T& x = model_values[size_t(it->first)];
      if (--it->second.remaining <= 0) {
        x = it->second.goal;
        it = model.erase(it);
        continue;
      }
      if constexpr (std::is_same_v<T, float>)
        x = model_step(x, it->second.goal, c);
      else
        x = model_step(x, it->second.goal, c_q32);
      ++it;
    }
  }
  void expect_same(int t) const {
    ASSERT_EQ(list.count, int(model.size())) << "tick " << t;
    for (size_t i = 0; i < values.size(); ++i) ASSERT_EQ(values[i], model_values[i]) << "slot " << i << " tick " << t;
    // Each entry's filter bit stays with it however the list was reshuffled.
    for (int i = 0; i < list.count; ++i) {
      const auto slot = list.entries[size_t(i)].target - values.data();
      ASSERT_EQ((list.filter_entries >> i) & 1u, slot % 3 == 0 ? 1u : 0u) << "entry " << i << " tick " << t;
    }
    ASSERT_EQ(list.filter_entries >> list.count, 0u);
  }
};

uint32_t next_random(uint32_t& s) {
  s = s * 1664525u + 1013904223u;
  return s >> 8;
}

// A schedule of goals landing on the slots at random ticks, some renewing
// an entry under way, with lengths from 1 tick on; the lists run until all
// entries have ended.
// With `sparse`, goals come seldom and end soon, so the list stands empty
// between them, and it is not run while empty.
template <typename T, typename Goal>
void run_schedule(uint32_t start_clock, uint32_t c_q32, float c, Goal goal_of, bool sparse = false) {
  pair_under_test<T> p;
  p.list.clock = start_clock;
  p.idle_skips = sparse;
  uint32_t seed = 99u + start_clock;
  int empty_ticks = 0;
  for (int t = 0; t < 4000; ++t) {
    if (t < 3000 && next_random(seed) % (sparse ? 60 : 4) == 0) {
      const int slot = int(next_random(seed) % 40);
      const int32_t ticks = int32_t(1 + next_random(seed) % (next_random(seed) % 2 ? 8 : (sparse ? 90 : 700)));
      p.add(slot, goal_of(seed), ticks);
    }
    if (t < 3000 && p.list.count == 0) ++empty_ticks;
    p.tick(c_q32, c);
    p.expect_same(t);
    if (::testing::Test::HasFatalFailure()) return;
  }
  EXPECT_EQ(p.list.count, 0);
  EXPECT_EQ(p.list.filter_entries, 0u);
  if (sparse) {
    EXPECT_GT(empty_ticks, 300) << "the list must stand empty between goals";
  }
}

}  // namespace

TEST(smoothing_list, integer_glides_match_the_saturating_countdown) {
  // Full-scale jumps both ways and small ones, at a 0.2 s coefficient at
  // 44.1 kHz, at the largest one and at a coarse control rate.
  const auto goal = [](uint32_t& s) -> int32_t {
    switch (next_random(s) % 4) {
      case 0: return 0x7FFFFFFF;
      case 1: return -0x7FFFFFFF;
      case 2: return int32_t(next_random(s) % 2001) - 1000;
      default: return int32_t(uint32_t(next_random(s)) << 8 | (next_random(s) & 0xFF));
    }
  };
  for (uint32_t c_q32 : {uint32_t(2233457u), uint32_t(4294967295u), uint32_t(61000000u)}) {
    SCOPED_TRACE(c_q32);
    run_schedule<int32_t>(0u, c_q32, 0.f, goal);
    run_schedule<int32_t>(0xFFFFFF00u, c_q32, 0.f, goal);  // the tick count wraps round mid-way
  }
}

TEST(smoothing_list, float_glides_match_the_countdown) {
  const auto goal = [](uint32_t& s) { return float(int32_t(next_random(s) % 20001) - 10000) * 1e-4f; };
  for (float c : {5.2e-4f, 0.5f, 1.f}) {
    SCOPED_TRACE(c);
    run_schedule<float>(0u, 0u, c, goal);
    run_schedule<float>(0xFFFFFFF0u, 0u, c, goal);
  }
}

TEST(smoothing_list, flush_sets_every_goal_and_empties_the_list) {
  std::vector<int32_t> v(3, 0);
  smoothing_list<int32_t> list;
  list.add(&v[0], 5000, 100, true);
  list.add(&v[1], -7000, 3, false);
  list.run(1u << 30, 0.f);
  EXPECT_NE(v[0], 5000);
  list.flush();
  EXPECT_EQ(v[0], 5000);
  EXPECT_EQ(v[1], -7000);
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(list.filter_entries, 0u);
}

TEST(smoothing_list, a_list_left_alone_while_empty_takes_new_goals_on_time) {
  // The voice runs a list only while it holds entries: an end is counted
  // from the clock as its entry is added, so the clock standing still in
  // between changes no value at any tick.
  const auto small = [](uint32_t& s) { return int32_t(next_random(s) % 200001) - 100000; };
  const auto unit = [](uint32_t& s) { return float(int32_t(next_random(s) % 20001) - 10000) * 1e-4f; };
  for (uint32_t start : {0u, 0xFFFFFFA0u}) {
    SCOPED_TRACE(start);
    run_schedule<int32_t>(start, 2233457u, 0.f, small, true);
    run_schedule<float>(start, 0u, 5.2e-3f, unit, true);
  }
}
