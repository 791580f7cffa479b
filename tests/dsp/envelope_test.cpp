#include "synth/dsp/envelope.h"

#include <gtest/gtest.h>

#include <cmath>

#include "synth/dsp/lfo.h"

namespace {

using synth::envelope;

constexpr float rate = 48000.f;
constexpr double full = envelope::full_scale;

// Seconds of the attack and of decay/release for a knob value (the times the
// editor shows for these knobs).
double attack_s(double x) { return std::pow(x, 4) * 9.9999 + 0.0001; }
double fall_s(double x) { return std::pow(x, 4) * 39.9999 + 0.0001; }

envelope make(float a, float d, float s, float r, float control_rate = rate) {
  envelope e;
  e.init(control_rate);
  e.set_attack(a);
  e.set_decay(d);
  e.set_sustain(s);
  e.set_release(r);
  return e;
}

// Ticks until the envelope leaves the stage it is in (bounded).
int ticks_in_stage(envelope& e, int limit = 5000000) {
  auto s = e.stage();
  int n = 0;
  while (e.stage() == s && n < limit) {
    e.tick();
    ++n;
  }
  return n;
}

int ticks_until_below(envelope& e, double level) {
  int n = 0;
  while (e.level() > level && n < 5000000) {
    e.tick();
    ++n;
  }
  return n;
}

TEST(envelope, attack_reaches_its_end_in_the_attack_time) {
  // The curve aims at 1.33 and passes 1.0 at T; the attack hands over to the
  // decay 1 % below the end, which an exponential towards 1.33 reaches at
  // T * ln(1 - 0.99 / 1.33) / ln(1 - 1 / 1.33).
  const double share = std::log(1 - 0.99 / 1.33) / std::log(1 - 1 / 1.33);
  for (float x : {0.25f, 0.5f, 0.8f, 1.f}) {
    SCOPED_TRACE(x);
    envelope e = make(x, 0.5f, 0.5f, 0.5f);
    e.gate_on();
    double expected = attack_s(x) * rate * share;
    EXPECT_NEAR(ticks_in_stage(e), expected, expected * 0.01);
    EXPECT_EQ(e.stage(), envelope::decay);
    EXPECT_GT(e.level(), 0.98 * full);
  }
}

TEST(envelope, decay_and_release_fall_to_one_percent_of_the_distance_in_their_time) {
  for (float x : {0.2f, 0.5f, 0.75f}) {
    SCOPED_TRACE(x);
    envelope e = make(0.f, x, 0.f, x);
    e.gate_on();
    ticks_in_stage(e);  // attack
    double start = e.level();
    int decay_ticks = ticks_in_stage(e);  // ends 0.01 of full scale above sustain 0
    double expected = fall_s(x) * rate * std::log(0.01 * full / start) / std::log(0.01);
    EXPECT_NEAR(decay_ticks, expected, expected * 0.01);
    EXPECT_EQ(e.stage(), envelope::sustain);

    envelope r = make(0.f, 0.f, 1.f, x);
    r.gate_on();
    for (int i = 0; i < 200; ++i) r.tick();  // attack and decay done, sustain 0.999
    double from = r.level();
    r.gate_off();
    double expected_r = fall_s(x) * rate;
    EXPECT_NEAR(ticks_until_below(r, 0.01 * from), expected_r, expected_r * 0.01);
  }
}

TEST(envelope, sustain_holds_its_share_of_full_scale) {
  for (float s : {0.f, 0.25f, 0.5f, 0.9f, 1.f}) {
    SCOPED_TRACE(s);
    envelope e = make(0.f, 0.1f, s, 0.1f);
    e.gate_on();
    for (int i = 0; i < 48000; ++i) e.tick();  // decay of 4 ms is long over
    EXPECT_EQ(e.stage(), envelope::sustain);
    EXPECT_NEAR(e.level() / full, 0.999 * s, 0.01 * std::max(s, 0.01f));
  }
}

TEST(envelope, sustain_zero_holds_exactly_zero_without_going_idle) {
  envelope e = make(0.f, 0.3f, 0.f, 0.3f);
  e.gate_on();
  ticks_in_stage(e);  // attack
  ticks_in_stage(e);  // decay
  for (int i = 0; i < 10 * 48000 && e.level() != 0; ++i) e.tick();
  EXPECT_EQ(e.level(), 0);
  EXPECT_EQ(e.stage(), envelope::sustain);  // the key is still down
  e.follow_gate(true);
  EXPECT_EQ(e.stage(), envelope::sustain);  // no retrigger
}

// A voice stops ticking a settled envelope, so settled() must come once the
// sustain holds still (from above and from below, a full sustain stopping
// short of its goal included) and must never hide a tick that changes the
// level.
TEST(envelope, a_sustain_that_holds_still_is_settled) {
  // A timed attack hands over 1 % short of full scale: a full sustain's
  // decay then rises to it. An attack of 0 lands on full scale at once.
  for (float s : {0.f, 0.5f, 0.9f, 1.f}) {
    for (float attack : {0.f, 0.2f}) {
    SCOPED_TRACE(testing::Message() << "sustain " << s << " attack " << attack);
    envelope e = make(attack, 0.3f, s, 0.3f);
    e.gate_on();
    int ticks = 0;
    for (; ticks < 40 * 48000 && !e.settled(); ++ticks) e.tick();
    ASSERT_TRUE(e.settled()) << "still moving after " << ticks << " ticks";
    EXPECT_EQ(e.stage(), envelope::sustain);
    const int32_t held = e.level();
    for (int i = 0; i < 1000; ++i) e.tick();
    EXPECT_EQ(e.level(), held);
    EXPECT_TRUE(e.settled());
    }
  }
  // Not settled while the decay still moves the level.
  envelope e = make(0.f, 0.5f, 0.5f, 0.3f);
  e.gate_on();
  for (int i = 0; i < 2000; ++i) e.tick();
  const int32_t before = e.level();
  EXPECT_FALSE(e.settled());
  e.tick();
  EXPECT_NE(e.level(), before);
}

TEST(envelope, attack_zero_reaches_full_scale_almost_at_once) {
  // 0.0001 s is 4.8 ticks at 48 kHz...
  envelope e = make(0.f, 1.f, 1.f, 1.f);
  e.gate_on();
  EXPECT_LE(ticks_in_stage(e), 5);
  EXPECT_GT(e.level(), 0.99 * full);
  // ...and less than a tick at a 1 kHz control rate: the first tick
  // overshoots and lands on the end.
  envelope slow = make(0.f, 1.f, 1.f, 1.f, 1000.f);
  slow.gate_on();
  slow.tick();
  EXPECT_EQ(slow.stage(), envelope::decay);
  EXPECT_EQ(slow.level(), envelope::attack_end);
}

TEST(envelope, const_attack_takes_the_full_attack_time_from_any_level) {
  const float a = 0.5f;
  envelope ref = make(a, 1.f, 1.f, 1.f);
  ref.gate_on();
  int full_time = ticks_in_stage(ref);

  for (bool constant : {false, true}) {
    SCOPED_TRACE(constant);
    envelope e = make(a, 1.f, 1.f, 1.f);
    e.set_const_attack(constant);
    e.gate_on();
    while (e.level() < 0.5 * full) e.tick();
    e.gate_off();  // a 40 s release holds the level for the retrigger
    e.tick();
    e.gate_on();
    int t = ticks_in_stage(e);
    if (constant)
      EXPECT_NEAR(t, full_time, full_time * 0.01);
    else
      EXPECT_LT(t, 0.75 * full_time);
  }
}

TEST(envelope, keytrack_scales_the_times_by_octaves_of_pitch) {
  const float d = 0.5f;
  envelope plain = make(0.f, d, 0.f, d);
  plain.gate_on();
  ticks_in_stage(plain);
  double base = ticks_in_stage(plain);
  struct { float keytrack, pitch, time_factor; } cases[] = {
      {1.f, 12.f, 0.5f}, {1.f, -12.f, 2.f}, {0.5f, 24.f, 0.5f}, {-1.f, 12.f, 2.f}};
  for (auto c : cases) {
    SCOPED_TRACE(c.pitch * c.keytrack);
    envelope e = make(0.f, d, 0.f, d);
    e.set_keytrack(c.keytrack);
    e.set_pitch(c.pitch);
    e.tick();  // the scale is taken up at a tick
    EXPECT_NEAR(e.time_scale(), 1.f / c.time_factor, 1e-4);
    e.gate_on();
    ticks_in_stage(e);
    EXPECT_NEAR(ticks_in_stage(e), base * c.time_factor, base * c.time_factor * 0.01);
  }
}

// A silent voice gets skip() per block instead of ticks; its envelope must
// end up where ticking would have taken it.
TEST(envelope, skip_follows_the_ticks_through_every_stage) {
  struct scenario {
    const char* name;
    float a, d, s, r;
    bool release;
    int ticks;
    int block;
  } cases[] = {
      {"release", 0.f, 0.f, 1.f, 0.5f, true, 20000, 20000},
      {"release in blocks", 0.f, 0.f, 1.f, 0.5f, true, 128 * 150, 128},
      {"release to idle", 0.f, 0.f, 1.f, 0.2f, true, 48000, 4800},
      {"attack into sustain", 0.4f, 0.3f, 0.4f, 0.5f, false, 30000, 30000},
      {"attack in blocks", 0.4f, 0.3f, 0.4f, 0.5f, false, 256 * 100, 256},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    envelope ticked = make(c.a, c.d, c.s, c.r);
    envelope skipped = make(c.a, c.d, c.s, c.r);
    ticked.gate_on();
    skipped.gate_on();
    if (c.release) {
      for (int i = 0; i < 100; ++i) ticked.tick(), skipped.tick();
      ticked.gate_off();
      skipped.gate_off();
    }
    for (int i = 0; i < c.ticks; ++i) ticked.tick();
    for (int done = 0; done < c.ticks; done += c.block) skipped.skip(uint32_t(c.block));
    EXPECT_EQ(skipped.stage(), ticked.stage());
    EXPECT_NEAR(skipped.level(), ticked.level(), 0.002 * full);
  }
}

TEST(envelope, release_from_a_tiny_level_goes_idle_at_once) {
  envelope e = make(1.f, 0.f, 0.f, 0.5f);
  e.gate_on();
  e.tick();
  ASSERT_LT(e.level(), envelope::threshold);
  e.gate_off();
  EXPECT_EQ(e.stage(), envelope::idle);
  EXPECT_EQ(e.level(), 0);
}

TEST(envelope, gate_by_trigger_mode) {
  using synth::envelope_gate;
  using synth::envelope_gate_inputs;
  envelope_gate_inputs in;
  in.key = true;
  in.amp = true;
  in.pulse[0] = false;
  in.pulse[1] = true;
  in.delay_ended[0] = true;
  in.delay_ended[1] = false;
  // key down: Gate/Force Reset follow the key, Mod follows the pulse,
  // Delay waits for the delay, Mod & Delay needs both.
  const bool key_down[8] = {true, false, true, true, true, false, false, false};
  for (int t = 0; t < 8; ++t) EXPECT_EQ(envelope_gate(t, in), key_down[t]) << t;

  in.key = false;  // the amplitude envelope lets go with the key
  for (int t = 0; t < 8; ++t) EXPECT_FALSE(envelope_gate(t, in)) << t;

  in.amp = false;  // any other envelope keeps following its LFO
  const bool other_key_up[8] = {false, false, true, false, false, false, false, false};
  for (int t = 0; t < 8; ++t) EXPECT_EQ(envelope_gate(t, in), other_key_up[t]) << t;
}

TEST(envelope, note_start_by_trigger_mode) {
  for (int t = 0; t < synth::envelope_trigger_count; ++t) {
    SCOPED_TRACE(t);
    envelope e = make(0.5f, 0.5f, 0.5f, 1.f);
    e.gate_on();
    for (int i = 0; i < 5000; ++i) e.tick();
    e.gate_off();
    int32_t held = e.level();
    e.note_start(t);
    bool delayed = t == 4 || t == 5;
    EXPECT_EQ(e.stage(), delayed ? envelope::release : envelope::attack);
    EXPECT_EQ(e.level(), t == 3 ? 0 : held);
  }
}

// Envelope A triggered by LFO A's pulse: width "none" is a gate that never
// closes, a 50 % width retriggers the envelope every cycle.
TEST(envelope, mod_trigger_follows_the_lfo_pulse) {
  int16_t noise = 0;
  for (float width : {1.f, 0.5f}) {
    SCOPED_TRACE(width);
    synth::lfo mod;
    mod.init(rate, &noise, 1);
    mod.set_rate(0.5f);  // 8 Hz
    mod.set_width(width);
    envelope e = make(0.1f, 0.3f, 0.5f, 0.2f);
    e.note_start(int32_t(synth::envelope_trigger::mod_a));
    mod.note_start();
    int attacks = 0, releases = 0;
    for (int i = 0; i < 48000; ++i) {
      mod.tick();
      synth::envelope_gate_inputs in;
      in.key = true;
      in.amp = true;
      in.pulse[0] = mod.pulse_on();
      auto before = e.stage();
      e.follow_gate(synth::envelope_gate(int32_t(synth::envelope_trigger::mod_a), in));
      if (e.stage() != before && e.stage() == envelope::attack) ++attacks;
      if (e.stage() != before && e.stage() >= envelope::release) ++releases;
      e.tick();
    }
    if (width == 1.f) {
      EXPECT_EQ(attacks, 0);
      EXPECT_EQ(releases, 0);
      EXPECT_LT(e.stage(), envelope::release);
    } else {
      EXPECT_NEAR(attacks, 8, 1);
      EXPECT_NEAR(releases, 8, 1);
    }
  }
}

TEST(envelope, delay_trigger_starts_the_attack_when_the_lfo_delay_ends) {
  int16_t noise = 0;
  synth::lfo mod;
  mod.init(rate, &noise, 1);
  mod.set_delay(0.2f);  // 0.04 * 5.5 s = 0.22 s
  envelope e = make(0.f, 0.5f, 0.5f, 0.5f);
  e.note_start(int32_t(synth::envelope_trigger::delay_a));
  mod.note_start();
  int started = -1;
  for (int i = 0; i < 48000 && started < 0; ++i) {
    mod.tick();
    synth::envelope_gate_inputs in;
    in.key = true;
    in.delay_ended[0] = mod.delay_ended();
    e.follow_gate(synth::envelope_gate(int32_t(synth::envelope_trigger::delay_a), in));
    if (e.stage() == envelope::attack) started = i + 1;
    e.tick();
  }
  EXPECT_NEAR(started, 0.22 * rate, 0.22 * rate * 0.01);
}

}  // namespace

TEST(envelope, level_ticks_with_full_ticks_where_a_stage_ends_match_tick) {
  // A caller's loop keeps the level in a register: level_tick where it only
  // moves the level, the envelope's own tick where it refuses (a stage ends,
  // a time scale to apply). Through attack, decay, sustain, release and
  // idle, with the pitch moving the time scale on the way, the levels and
  // stages at every tick are tick()'s, and the refusals are few.
  for (float s : {0.f, 0.4f, 1.f}) {
    SCOPED_TRACE(s);
    envelope ticked = make(0.2f, 0.25f, s, 0.2f), looped = ticked;
    ticked.set_keytrack(0.5f), looped.set_keytrack(0.5f);
    ticked.gate_on(), looped.gate_on();
    int32_t level = looped.level();
    int refused = 0;
    for (int i = 0; i < 120000; ++i) {
      if (i == 5000) ticked.set_pitch(7.f), looped.set_pitch(7.f);
      if (i == 60000) ticked.gate_off(), looped.gate_off();
      ticked.tick();
      if (!looped.level_tick(level)) {
        ++refused;
        looped.set_level(level);
        looped.tick();
        level = looped.level();
      }
      ASSERT_EQ(level, ticked.level()) << "tick " << i;
      looped.set_level(level);
      ASSERT_EQ(looped.stage(), ticked.stage()) << "tick " << i;
    }
    EXPECT_EQ(ticked.stage(), envelope::idle);
    EXPECT_GE(refused, 3);  // attack, decay and release ended, the pitch rescaled
    EXPECT_LE(refused, 8);
  }
}
