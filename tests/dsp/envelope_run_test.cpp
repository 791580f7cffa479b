// envelope::run against tick() one at a time: the same level after every
// tick, the same state after the run (stage, level, coefficient, and so the
// ticks after it), through every stage, its ends, a pending time scale and
// idle stretches, with and without the stop at a level of 0.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "synth/dsp/envelope.h"

namespace {

using synth::envelope;

struct knobs {
  float attack, decay, sustain, release, keytrack;
};

envelope make(const knobs& k, float rate) {
  envelope e;
  e.init(rate);
  e.set_attack(k.attack);
  e.set_decay(k.decay);
  e.set_sustain(k.sustain);
  e.set_release(k.release);
  e.set_keytrack(k.keytrack);
  return e;
}

void expect_same_state(const envelope& a, const envelope& b) {
  ASSERT_EQ(a.level(), b.level());
  ASSERT_EQ(a.stage(), b.stage());
  ASSERT_EQ(a.running(), b.running());
  ASSERT_EQ(a.coefficient(), b.coefficient());
  ASSERT_EQ(a.time_scale(), b.time_scale());
  ASSERT_EQ(a.settled(), b.settled());
}

// A pair of envelopes run side by side (second: may be absent) and the same
// pair ticked one tick at a time.
struct pair {
  envelope first, second;
  bool two;
};

// One block on `run` and the same ticks on `ticked`; compares as it goes.
void check_block(pair& run, pair& ticked, int n, bool stop_at_zero) {
  const int32_t from_first = ticked.first.level() ^ 0x55, from_second = ticked.second.level() ^ 0x300;
  std::vector<int32_t> levels(size_t(n) + 1, -7);
  int32_t moved = 0;
  const int done = envelope::run(run.first, run.two ? &run.second : nullptr, levels.data(), n, stop_at_zero,
                                 from_first, from_second, moved);
  int expected = n;
  int32_t expected_moved = 0;
  for (int i = 0; i < n; ++i) {
    ticked.first.tick();
    if (ticked.two) ticked.second.tick();
    ASSERT_EQ(levels[size_t(i)], ticked.first.level()) << "tick " << i;
    expected_moved |= (ticked.first.level() ^ from_first) | (ticked.two ? ticked.second.level() ^ from_second : 0);
    if (stop_at_zero && ticked.first.level() == 0) {
      expected = i + 1;
      break;
    }
  }
  ASSERT_EQ(done, expected);
  ASSERT_EQ(levels[size_t(done)], -7) << "written past the ticks run";
  ASSERT_EQ(moved, expected_moved);
  expect_same_state(run.first, ticked.first);
  expect_same_state(run.second, ticked.second);
}

TEST(envelope_run, matches_single_ticks_through_every_stage) {
  std::mt19937 rng(3);
  auto unit = [&] { return std::uniform_real_distribution<float>(0.f, 1.f)(rng); };
  const knobs fixed[] = {
      {0.125f, 0.3f, 0.5f, 0.125f, 0.f},  // a playable contour
      {0.f, 0.f, 0.f, 0.f, 0.f},          // every stage a tick or two
      {0.05f, 0.1f, 1.f, 0.02f, 0.f},     // full sustain, approached from below
      {0.02f, 0.05f, 0.f, 0.3f, 1.f},     // decay into sustain 0, keytracked
  };
  const auto pick = [&](int round) {
    return round < 4 ? fixed[round] : knobs{unit() * 0.2f, unit() * 0.3f, unit(), unit() * 0.3f, unit() * 2.f - 1.f};
  };
  for (int round = 0; round < 32; ++round) {
    const knobs k1 = pick(round), k2 = pick(round < 4 ? 3 - round : round);
    const float rate = round % 3 == 0 ? 44100.f : 8000.f;
    SCOPED_TRACE("round " + std::to_string(round));
    const bool two = round % 4 != 1;
    pair run{make(k1, rate), make(k2, rate), two}, ticked{make(k1, rate), make(k2, rate), two};
    for (pair* p : {&run, &ticked}) {
      p->first.set_pitch(float(round % 5) * 7.f - 12.f);  // a time scale pending at the first tick
      p->first.note_start(round % 7 == 6 ? 3 : 0);
      p->second.note_start(0);
    }
    const bool stop = round % 2 == 0;
    for (int block = 0; block < 400; ++block) {
      const int n = 1 + int(rng() % 256);
      check_block(run, ticked, n, stop);
      for (pair* p : {&run, &ticked}) {
        if (block == 150) p->second.gate_off();
        if (block == 200) p->first.gate_off();
        if (block == 250) p->second.gate_on();  // a new attack beside a release
        if (block == 100 || block == 300) p->second.set_pitch(float(block) / 50.f);  // a new time scale
        if (block == 280) p->first.set_sustain(0.9f);  // the goal moves under a running stage
      }
    }
    // The release ran out: the first envelope sits idle at 0.
    ASSERT_EQ(ticked.first.stage(), envelope::idle);
    check_block(run, ticked, 64, stop);
  }
}

TEST(envelope_run, stop_at_zero_ends_after_the_first_silent_tick) {
  const knobs k{0.f, 0.01f, 0.f, 0.f, 0.f};
  pair run{make(k, 44100.f), make(k, 44100.f), true}, ticked{make(k, 44100.f), make(k, 44100.f), true};
  for (pair* p : {&run, &ticked}) {
    p->first.note_start(0);
    p->second.note_start(0);
    p->second.set_sustain(0.5f);
  }
  // The decay falls to sustain 0 within the block: the run stops there.
  check_block(run, ticked, 256, true);
  ASSERT_EQ(run.first.level(), 0);
  // Sustained at 0 or idle: one tick per run.
  check_block(run, ticked, 256, true);
  std::vector<int32_t> levels(256);
  int32_t moved = 0;
  EXPECT_EQ(envelope::run(run.first, nullptr, levels.data(), 256, true, 0, 0, moved), 1);
  EXPECT_EQ(moved, 0);
  EXPECT_EQ(envelope::run(run.first, nullptr, levels.data(), 256, false, 0, 0, moved), 256);
}

}  // namespace

namespace {

// What a caller running a block in locals relies on, checked from envelope
// e's state: a step of run_state is tick()'s level where the stage goes on,
// and ends() says where tick() ends the stage; continued past that, the
// levels move monotonically towards the goal and the ending levels come
// last. Returns whether e loaded (was in the steps' range).
bool check_run_state(const envelope& e, int& ends_seen) {
  envelope::run_state s;
  if (!s.load(e)) return false;
  envelope ticked = e;
  ticked.tick();
  const int64_t o = s.next();
  const int32_t level = s.level_at(o);
  if (s.ends(level)) {
    ++ends_seen;
    EXPECT_NE(ticked.stage(), e.stage()) << "ends() where tick() goes on, level " << level;
  } else {
    EXPECT_EQ(ticked.stage(), e.stage()) << "tick() ends the stage at level " << level;
    EXPECT_EQ(ticked.level(), level);
  }
  // The continuation: monotonic levels, and once ending, ending on.
  bool ending = false;
  int32_t previous = e.level();
  const int direction = s.goal > e.level() ? 1 : s.goal < e.level() ? -1 : 0;
  envelope::run_state c = s;
  for (int k = 0; k < 300; ++k) {
    c.offset = c.next();
    const int32_t l = c.level();
    EXPECT_GE((int64_t(l) - previous) * direction, 0) << "a level moved away from the goal";
    EXPECT_TRUE(!ending || c.ends(l)) << "a level ending the stage followed by one that does not";
    ending = c.ends(l);
    previous = l;
  }
  return true;
}

}  // namespace

TEST(envelope_run, run_state_steps_as_tick_and_ends_where_it_ends) {
  std::mt19937 rng(11);
  auto unit = [&] { return std::uniform_real_distribution<float>(0.f, 1.f)(rng); };
  int loaded[4] = {0, 0, 0, 0}, ends_seen = 0;
  for (int round = 0; round < 24; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    envelope e = make({unit() * 0.15f, unit() * 0.2f, round % 4 == 0 ? 1.f : unit(), unit() * 0.2f, 0.f}, 44100.f);
    e.set_const_attack(round % 3 == 0);
    e.note_start(round % 5 == 4 ? 3 : 0);
    for (int t = 0; t < 30000 && e.stage() != envelope::idle; ++t) {
      if (check_run_state(e, ends_seen) && e.stage() < envelope::idle) ++loaded[e.stage()];
      if (t == 9000) e.set_sustain(unit());  // the goal moves under a running stage
      if (t == 12000) e.gate_on();           // a retrigger from the sustain (Const Atk from high up)
      if (t == 20000) e.gate_off();
      e.tick();
    }
  }
  // Every stage ran in the steps' range, and stages ended under them.
  for (int s = 0; s < 4; ++s) EXPECT_GT(loaded[s], 100) << "stage " << s;
  EXPECT_GT(ends_seen, 40);
}
