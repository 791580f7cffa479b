#include "synth/dsp/lfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "synth/dsp/noise_generator.h"
#include "synth/dsp/svf_lanes.h"

namespace {

using synth::lfo;

constexpr float rate = 48000.f;
constexpr double cycle = 4294967296.0;

struct rig {
  synth::noise_generator noise;
  lfo mod;
  explicit rig(uint32_t seed = 7) { mod.init(rate, &noise.out16, seed); }
  void tick() {
    noise.next();
    mod.tick();
  }
};

// Cycles per second from the phase: whole wraps plus the fraction.
double measured_hz(rig& r, int ticks) {
  r.tick();  // takes up the rate
  uint32_t start = r.mod.phase();
  double wraps = 0;
  uint32_t last = start;
  for (int i = 0; i < ticks; ++i) {
    r.tick();
    if (r.mod.phase() < last) wraps += 1;
    last = r.mod.phase();
  }
  double cycles = wraps + (double(last) - double(start)) / cycle;
  return cycles * rate / ticks;
}

double rate_of(int32_t range, float v, float bpm = 120.f, float keytrack = 0.f, float pitch = 0.f) {
  rig r;
  r.mod.set_range(range);
  r.mod.set_rate(v);
  r.mod.set_tempo(bpm);
  r.mod.set_keytrack(keytrack);
  r.mod.set_pitch(pitch);
  return measured_hz(r, 48000);
}

TEST(lfo, low_range_rate_follows_the_square_law) {
  EXPECT_EQ(rate_of(lfo::low, 0.f), 0.0);  // "Hold"
  for (float v : {0.01f, 0.1f, 0.5f, 0.9f, 1.f}) {
    SCOPED_TRACE(v);
    double expected = v * v * 31.991667 + 0.0083333;
    EXPECT_NEAR(rate_of(lfo::low, v), expected, expected * 0.01);
  }
}

TEST(lfo, audio_range_spans_three_octaves_around_middle_c) {
  struct { float v; double hz; } notes[] = {
      {0.f, 32.7032}, {0.25f, 92.4986}, {0.5f, 261.6256}, {0.75f, 739.9888}, {1.f, 2093.005}};
  for (auto n : notes) {
    SCOPED_TRACE(n.v);
    EXPECT_NEAR(rate_of(lfo::audio, n.v), n.hz, n.hz * 0.01);
  }
}

TEST(lfo, tempo_range_plays_note_values_at_the_tempo) {
  // Rate knob step n (1..33) and the length of its note in beats.
  struct { int n; double beats; const char* text; } notes[] = {
      {1, 32 * 4 * 2 / 3.0, "32 T"}, {3, 16 * 4, "16"},    {14, 4 * 1.5, "1 D"},
      {15, 4, "1"},                  {16, 4 * 2 / 3.0, "1 T"}, {17, 2 * 1.5, "2nd D"},
      {18, 2, "2nd"},                {21, 1, "4th"},       {25, 0.5 * 2 / 3.0, "8th T"},
      {27, 0.25, "16th"},            {33, 1 / 16.0, "64th"}};
  for (float bpm : {120.f, 125.f}) {
    for (auto note : notes) {
      SCOPED_TRACE(testing::Message() << bpm << " BPM, " << note.text);
      float v = (note.n - 0.5f) / 32.f;
      double expected = bpm / 60.0 / note.beats;
      EXPECT_NEAR(rate_of(lfo::tempo, v, bpm), expected, expected * 0.01);
    }
  }
}

TEST(lfo, keytrack_moves_the_rate_by_octaves) {
  double base = rate_of(lfo::low, 0.5f);
  EXPECT_NEAR(rate_of(lfo::low, 0.5f, 120.f, 1.f, 12.f), 2 * base, 2 * base * 0.01);
  EXPECT_NEAR(rate_of(lfo::low, 0.5f, 120.f, 0.5f, 24.f), 2 * base, 2 * base * 0.01);
  EXPECT_NEAR(rate_of(lfo::low, 0.5f, 120.f, -1.f, 12.f), base / 2, base / 2 * 0.01);
}

TEST(lfo, skip_advances_the_phase_like_ticks) {
  rig a, b;
  for (rig* r : {&a, &b}) {
    r->mod.set_rate(0.7f);
    r->mod.set_keytrack(1.f);
    r->mod.set_pitch(5.f);
  }
  for (int i = 0; i < 12345; ++i) a.tick();
  b.mod.skip(12345);
  EXPECT_EQ(a.mod.phase(), b.mod.phase());
}

struct cycle_stats {
  int32_t lo = 1 << 20, hi = -(1 << 20);
  double mean = 0;
  int rising = 0, falling = 0;
  int on = 0;
  int32_t max_step = 0;
  int changes = 0;
  int wraps = 0;
};

// Runs whole cycles of a slow LFO (one 16-bit ramp step per tick or less).
cycle_stats run_cycles(int32_t shape, float width, int32_t bias = 0, int cycles = 1) {
  rig r;
  r.mod.set_rate(0.1f);  // 0.33 Hz: 145000 ticks a cycle
  r.mod.set_shape(shape);
  r.mod.set_width(width);
  r.mod.set_bias(bias);
  r.tick();
  cycle_stats s;
  int32_t prev = r.mod.output();
  uint32_t last_phase = r.mod.phase();
  long n = 0;
  while (s.wraps < cycles) {
    r.tick();
    int32_t o = r.mod.output();
    s.lo = std::min(s.lo, o);
    s.hi = std::max(s.hi, o);
    s.mean += o;
    if (o > prev) ++s.rising;
    if (o < prev) ++s.falling;
    if (o != prev) ++s.changes;
    s.max_step = std::max(s.max_step, std::abs(o - prev));
    if (r.mod.pulse_on()) ++s.on;
    if (r.mod.phase() < last_phase) ++s.wraps;
    prev = o;
    last_phase = r.mod.phase();
    ++n;
  }
  s.mean /= double(n);
  s.on = int(100.0 * s.on / double(n) + 0.5);  // percent
  return s;
}

TEST(lfo, pulse_width_is_the_duty_cycle) {
  for (float w : {0.1f, 0.5f, 0.8f}) {
    SCOPED_TRACE(w);
    cycle_stats s = run_cycles(lfo::pulse, w);
    EXPECT_EQ(s.hi, 0x7FFF);
    EXPECT_EQ(s.lo, -0x8000);
    EXPECT_NEAR(s.on, 100 * w, 1);
  }
  cycle_stats always = run_cycles(lfo::pulse, 1.f);  // "none"
  EXPECT_EQ(always.lo, 0x7FFF);
  EXPECT_EQ(always.on, 100);
}

TEST(lfo, ramp_and_sine_swing_full_scale_for_every_width) {
  for (int32_t shape : {lfo::ramp, lfo::sine}) {
    for (float w : {0.f, 0.1f, 0.25f, 0.5f, 0.75f, 1.f}) {
      SCOPED_TRACE(testing::Message() << "shape " << shape << " width " << w);
      cycle_stats s = run_cycles(shape, w);
      EXPECT_EQ(s.hi, 0x7FFF);
      EXPECT_EQ(s.lo, -0x7FFF);
      // Width is the rising share of the cycle (a saw's one jump aside;
      // the sine's flat peaks blur the count).
      double rising_share = double(s.rising) / (s.rising + s.falling);
      EXPECT_NEAR(rising_share, w, shape == lfo::ramp ? 0.01 : 0.05);
      if (w == 0.5f) {  // triangle and sine: symmetric about 0
        EXPECT_NEAR(s.mean, 0, 100);
        EXPECT_NEAR(s.rising, s.falling, 0.01 * (s.rising + s.falling));
      }
    }
  }
}

TEST(lfo, bias_makes_the_output_unipolar) {
  for (int32_t shape : {lfo::pulse, lfo::ramp, lfo::sine}) {
    SCOPED_TRACE(shape);
    cycle_stats pos = run_cycles(shape, 0.5f, 1);
    EXPECT_GE(pos.lo, 0);
    EXPECT_GE(pos.hi, 0x7FFF - 1);
    cycle_stats neg = run_cycles(shape, 0.5f, -1);
    EXPECT_LE(neg.hi, 0);
    EXPECT_LE(neg.lo, -0x7FFF);
  }
}

TEST(lfo, random_steps_once_a_cycle_or_glides_by_width) {
  cycle_stats steps = run_cycles(lfo::random, 0.f, 0, 20);
  EXPECT_LE(steps.changes, 20);
  EXPECT_GE(steps.changes, 15);  // a new value can repeat the old one, rarely
  EXPECT_GT(steps.hi - steps.lo, 20000);  // 20 draws spread over the range

  cycle_stats glide = run_cycles(lfo::random, 1.f, 0, 20);
  EXPECT_GT(glide.changes, 20 * 1000);
  // A glide over 145000 ticks moves less than 1 unit a tick (plus rounding).
  EXPECT_LE(glide.max_step, 2);

  cycle_stats half = run_cycles(lfo::random, 0.5f, 0, 4);
  EXPECT_LE(half.max_step, 2);  // still no jumps, just a faster glide
}

TEST(lfo, noise_stays_in_range_at_every_rate) {
  struct { int32_t range; float v; } rates[] = {
      {lfo::low, 0.01f}, {lfo::low, 0.5f}, {lfo::low, 1.f}, {lfo::audio, 0.5f}, {lfo::audio, 1.f}};
  for (auto rt : rates) {
    SCOPED_TRACE(testing::Message() << rt.range << " " << rt.v);
    rig r;
    r.mod.set_shape(lfo::noise);
    r.mod.set_range(rt.range);
    r.mod.set_rate(rt.v);
    double sum = 0, sum2 = 0;
    const int n = 96000;
    for (int i = 0; i < n; ++i) {
      r.tick();
      int32_t o = r.mod.output();
      ASSERT_LE(std::abs(o), 0x7FFF);
      sum += o;
      sum2 += double(o) * o;
    }
    double rms = std::sqrt(sum2 / n - (sum / n) * (sum / n));
    EXPECT_GT(rms, 1000.0);  // moves, at a usable level
  }
}

TEST(lfo, delay_fades_in_over_the_delay_time) {
  rig r;
  r.mod.set_width(1.f);  // a constant +0x7FFF shows the fade alone
  r.mod.set_delay(0.3f);
  const int delay_ticks = int(0.09 * 5.5 * rate);
  r.mod.note_start();
  EXPECT_FALSE(r.mod.delay_ended());
  int ended_at = -1;
  int32_t prev = 0;
  int32_t at_half = 0, at_15_16 = 0;
  for (int i = 1; i <= delay_ticks * 2; ++i) {
    r.tick();
    int32_t o = r.mod.output();
    ASSERT_GE(o, prev) << i;
    prev = o;
    if (i == delay_ticks / 2) at_half = o;
    if (i == delay_ticks * 15 / 16) at_15_16 = o;
    if (r.mod.flags() & lfo::flag_delay_ended) {
      EXPECT_EQ(ended_at, -1);
      ended_at = i;
    }
  }
  EXPECT_NEAR(ended_at, delay_ticks, delay_ticks * 0.01);
  EXPECT_TRUE(r.mod.delay_ended());
  EXPECT_EQ(prev, 0x7FFF);
  // About 6 dB per sixteenth of the delay: -48 dB halfway, -6 dB near the end.
  EXPECT_NEAR(at_half / 32767.0, 1 / 256.0, 0.3 / 256.0);
  EXPECT_NEAR(at_15_16 / 32767.0, 0.5, 0.05);
}

TEST(lfo, note_start_without_delay_flags_the_delay_end_once) {
  rig r;
  r.mod.note_start();
  EXPECT_TRUE(r.mod.delay_ended());
  r.tick();
  EXPECT_TRUE(r.mod.flags() & lfo::flag_delay_ended);
  r.tick();
  EXPECT_FALSE(r.mod.flags() & lfo::flag_delay_ended);
}

TEST(lfo, pulse_flag_marks_each_edge) {
  rig r;
  r.mod.set_rate(1.f);  // 32 Hz: 64 edges a second
  int edges = 0;
  bool on = r.mod.pulse_on();
  for (int i = 0; i < 48000; ++i) {
    r.tick();
    bool flagged = r.mod.flags() & lfo::flag_pulse_changed;
    EXPECT_EQ(flagged, r.mod.pulse_on() != on) << i;
    on = r.mod.pulse_on();
    edges += flagged;
  }
  EXPECT_NEAR(edges, 64, 1);
}

TEST(lfo, keysync_restarts_each_shape_at_its_start) {
  struct { int32_t shape; float width; uint32_t phase; } cases[] = {
      {lfo::pulse, 0.3f, uint32_t(double(0.3f) * 4294967295.0)},
      {lfo::random, 0.6f, uint32_t(double(0.6f) * 4294967295.0)},
      {lfo::ramp, 0.5f, 0x40000000u},
      {lfo::sine, 0.4f, 0x40000000u},
      {lfo::ramp, 0.f, 0u},
      {lfo::ramp, 1.f, 0u}};
  for (auto c : cases) {
    SCOPED_TRACE(testing::Message() << c.shape << " " << c.width);
    rig r;
    r.mod.set_rate(0.5f);
    r.mod.set_shape(c.shape);
    r.mod.set_width(c.width);
    r.mod.set_keysync(true);
    for (int i = 0; i < 1000; ++i) r.tick();
    r.mod.note_start();
    EXPECT_EQ(r.mod.phase(), c.phase);
  }
  rig free;  // without keysync the phase runs on
  free.mod.set_rate(0.5f);
  for (int i = 0; i < 1000; ++i) free.tick();
  uint32_t p = free.mod.phase();
  free.mod.note_start();
  EXPECT_EQ(free.mod.phase(), p);
  // The triangle starts at its rising zero crossing.
  rig tri;
  tri.mod.set_rate(0.5f);
  tri.mod.set_shape(lfo::ramp);
  tri.mod.set_keysync(true);
  tri.mod.note_start();
  tri.tick();
  int32_t first = tri.mod.output();
  tri.tick();
  EXPECT_NEAR(first, 0, 200);
  EXPECT_GT(tri.mod.output(), first);
}

}  // namespace

namespace {

// One LFO ticked sample by sample against one run in blocks of uneven
// lengths (1 to 7 leave the eight-tick kernel only a partial register), in
// the block kernel given: outputs, phase and flags after each block match.
void expect_blocks_match_ticks(synth::svf_lanes::kernel k) {
  synth::svf_lanes::force_kernel(k);
  struct setting {
    float rate;
    int32_t range, bias;
    float width, delay;
  };
  // A width of "none" and of 0, both biases, a delay fading in, audio rates
  // that wrap the phase every few ticks.
  const setting settings[] = {{0.3f, lfo::low, 0, 0.3f, 0.f},      {0.4f, lfo::low, 0, 1.f, 0.f},
                              {0.5f, lfo::low, 1, 0.3f, 0.f},      {0.6f, lfo::audio, 0, 0.3f, 0.05f},
                              {1.f, lfo::audio, -1, 0.f, 0.f},     {0.9f, lfo::audio, 1, 0.999f, 0.f}};
  for (int shape = 0; shape <= 4; ++shape) {
    for (const setting& set : settings) {
      const int variant = int(&set - settings);
      rig a(11), b(11);
      for (rig* r : {&a, &b}) {
        r->mod.set_shape(shape);
        r->mod.set_rate(set.rate);
        r->mod.set_range(set.range);
        r->mod.set_width(set.width);
        r->mod.set_bias(set.bias);
        r->mod.set_delay(set.delay);
        r->mod.note_start();
      }
      // The last piece runs a slow LFO through a whole cycle, its apex and
      // its bottom included.
      const int pieces[] = {1, 2, 3, 5, 64, 257, 100, 7, 300000};
      std::vector<int32_t> block(300000);
      for (int piece : pieces) {
        // Noise and random shapes read the generator every tick: step it
        // alongside for the one-by-one rig, once ahead for the block rig.
        for (int i = 0; i < piece; ++i) {
          a.tick();
          block[size_t(i)] = a.mod.output();
        }
        std::vector<int32_t> got(static_cast<size_t>(piece));
        if (shape == lfo::noise || shape == lfo::random) {
          for (int i = 0; i < piece; ++i) {
            b.noise.next();
            b.mod.tick_block(&got[size_t(i)], 1);
          }
        } else {
          b.mod.tick_block(got.data(), piece);
        }
        for (int i = 0; i < piece; ++i)
          ASSERT_EQ(got[size_t(i)], block[size_t(i)]) << shape << "/" << variant << " @" << i << " of " << piece;
        ASSERT_EQ(b.mod.phase(), a.mod.phase());
        ASSERT_EQ(b.mod.flags(), a.mod.flags()) << shape << "/" << variant << " of " << piece;
        ASSERT_EQ(b.mod.output(), a.mod.output());
        ASSERT_EQ(b.mod.delay_ended(), a.mod.delay_ended());
        b.mod.set_rate(0.2f + 0.05f * float(piece % 7));  // pending at the next block's first tick
        a.mod.set_rate(0.2f + 0.05f * float(piece % 7));
      }
    }
  }
}

}  // namespace

TEST(lfo, a_block_of_ticks_gives_what_tick_by_tick_gives) {
  const synth::svf_lanes::kernel active = synth::svf_lanes::active_kernel();
  expect_blocks_match_ticks(synth::svf_lanes::kernel::scalar);
  const bool avx2 = synth::svf_lanes::avx2_available();
  if (avx2) expect_blocks_match_ticks(synth::svf_lanes::kernel::avx2);
  synth::svf_lanes::force_kernel(active);
  if (!avx2) GTEST_SKIP() << "no AVX2 on this CPU: the eight-tick kernel was not run";
}

namespace {

// The ramp and the sine in blocks against tick by tick at widths across the
// whole knob (the slopes run from 2^15 to nearly 2^31, the steep ones far
// past the clamp at most positions), both biases, over whole cycles slow
// enough to visit every 16-bit position; the kernel given runs the blocks.
void expect_every_width_matches_ticks(synth::svf_lanes::kernel k) {
  synth::svf_lanes::force_kernel(k);
  // Rate 0.15: 0.728 Hz, 65900 ticks a cycle at 48 kHz, increments below 2^16.
  constexpr int cycle_ticks = 70000;
  std::vector<int32_t> got(cycle_ticks), want(cycle_ticks);
  for (int shape : {int(lfo::ramp), int(lfo::sine)}) {
    for (int step = 0; step <= 128; ++step) {
      const float width = step == 1 ? 1e-6f : step == 127 ? 1.f - 1e-6f : float(step) / 128.f;
      for (int32_t bias : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "shape " << shape << " width " << width << " bias " << bias);
        rig a(3), b(3);
        for (rig* r : {&a, &b}) {
          r->mod.set_shape(shape);
          r->mod.set_range(lfo::low);
          r->mod.set_rate(0.15f);
          r->mod.set_width(width);
          r->mod.set_bias(bias);
          r->mod.note_start();
        }
        for (int i = 0; i < cycle_ticks; ++i) {
          a.tick();
          want[size_t(i)] = a.mod.output();
        }
        b.mod.tick_block(got.data(), cycle_ticks);
        int bad = 0;
        while (bad < cycle_ticks && got[size_t(bad)] == want[size_t(bad)]) ++bad;
        ASSERT_EQ(bad, cycle_ticks) << "first difference at tick " << bad;
        EXPECT_EQ(b.mod.phase(), a.mod.phase());
      }
    }
  }
}

}  // namespace

TEST(lfo, ramp_and_sine_blocks_match_ticks_at_every_width) {
  const synth::svf_lanes::kernel active = synth::svf_lanes::active_kernel();
  expect_every_width_matches_ticks(synth::svf_lanes::kernel::scalar);
  const bool avx2 = synth::svf_lanes::avx2_available();
  if (avx2) expect_every_width_matches_ticks(synth::svf_lanes::kernel::avx2);
  synth::svf_lanes::force_kernel(active);
  if (!avx2) GTEST_SKIP() << "no AVX2 on this CPU: the eight-tick kernel was not run";
}
