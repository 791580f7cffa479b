#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "synth/dsp/exp2.h"
#include "synth/dsp/noise_generator.h"
#include "synth/dsp/osc_control.h"
#include "synth/dsp/oscillator.h"
#include "tests/support/lane_kernels.h"
#include "tools/analysis/spectrum.h"

using namespace synth;

namespace {

constexpr float rate = 44100.f;

double equal_tempered(int note) { return 440.0 * std::exp2((note - 69) / 12.0); }

}  // namespace

TEST(osc_control, keyboard_pitch_is_within_a_tenth_of_a_cent) {
  double worst = 0;
  int worst_note = 0;
  for (int note = 21; note <= 108; ++note) {
    osc_control_state s;
    osc_control_inputs in;
    in.pitch = float(note);
    const osc_control_result r = osc_control_tick(s, in, rate);
    noise_generator noise;
    oscillator o;
    o.init(&noise.out_float);
    o.set_waveform(waveform::ramp);
    o.set_increment(r.increment_a);
    std::vector<float> x(44100);
    for (float& v : x) v = o.render();
    const double f = analysis::fundamental_hz(x.data() + 64, x.size() - 64, rate, equal_tempered(note));
    const double err = std::fabs(analysis::cents(f, equal_tempered(note)));
    if (err > worst) {
      worst = err;
      worst_note = note;
    }
  }
  EXPECT_LT(worst, 0.1) << "note " << worst_note;
  RecordProperty("worst_cents_x1000", int(worst * 1000));
}

TEST(osc_control, oscillator_b_keytrack_tuning_and_widths) {
  osc_control_state s;
  osc_control_inputs in;
  in.pitch = 72;
  in.tuning_b = b_tuning_ratio(7, 0);
  in.keytrack_b = 1;
  osc_control_result r = osc_control_tick(s, in, rate);
  EXPECT_NEAR(r.hz_b / r.hz_a, std::exp2(7 / 12.0), 1e-5);
  in.keytrack_b = 0;
  r = osc_control_tick(s, in, rate);
  EXPECT_NEAR(r.hz_b, 261.6256 * std::exp2(7 / 12.0), 0.01);
  in.keytrack_b = 0.5f;  // note 72 plays as note 66
  r = osc_control_tick(s, in, rate);
  EXPECT_NEAR(analysis::cents(r.hz_b, equal_tempered(66) * std::exp2(7 / 12.0)), 0.0, 0.05);
  in.detune_b_mod = 8192;  // an octave up
  r = osc_control_tick(s, in, rate);
  EXPECT_NEAR(analysis::cents(r.hz_b, equal_tempered(78) * std::exp2(7 / 12.0)), 0.0, 0.05);

  in.width_a = 0.5f;
  in.width_mod = -0.25f * 32768;  // modulation takes a quarter away
  in.width_b = -0.2f;
  r = osc_control_tick(s, in, rate);
  EXPECT_NEAR(r.pending_width_a, 0.625f, 2e-4);  // 3.05e-5 is 1/32768 to 0.06 %
  EXPECT_NEAR(r.pcm_start_a, 0.25f, 2e-4);
  EXPECT_NEAR(r.pending_width_b, 0.4f, 1e-6);
  EXPECT_EQ(r.pcm_start_b, 0.f);
  in.width_a = 3.f;
  r = osc_control_tick(s, in, rate);
  EXPECT_EQ(r.pending_width_a, 1.f);
  EXPECT_EQ(r.pcm_start_a, 1.f);

  in.pitch = 140;  // above half the rate: limited
  in.tune_1 = 4;
  r = osc_control_tick(s, in, rate);
  EXPECT_EQ(r.increment_a, 0.5f);
}

TEST(osc_control, glide_modes_reach_their_targets_in_the_stated_time) {
  const float control_rate = rate;
  const float time = 0.3f;  // T = (0.3^4 * 4 + 0.001) s
  const double ticks = (std::pow(0.3, 4) * 4 + 0.001) * control_rate;
  const float from = 48, to = 60;
  for (int32_t mode : {glide_mode::log, glide_mode::linear, glide_mode::log_hz, glide_mode::linear_hz}) {
    SCOPED_TRACE(mode);
    glide_state g;
    g.mode = mode;
    glide_set_time(g, time, control_rate);
    EXPECT_TRUE(g.enabled);
    EXPECT_NEAR(g.ticks, ticks, 1e-6 * ticks);
    const double start = glide_position_of(mode, from, 0, rate);
    const double target = glide_position_of(mode, to, 0, rate);
    glide_start(g, start, to, 0, rate);
    if (mode == glide_mode::log || mode == glide_mode::log_hz) {
      // The distance shrinks to 1 % in T ticks.
      for (int i = 0; i < int(std::lround(ticks)); ++i) glide_tick(g, to, 0, rate);
      EXPECT_NEAR(std::fabs(target - g.position) / std::fabs(target - start), 0.01, 0.01 * 0.01);
    } else {
      // Linear: an octave (here the whole distance) in T ticks.
      int n = 0;
      while (g.position != target && n < 100000) {
        glide_tick(g, to, 0, rate);
        ++n;
      }
      EXPECT_NEAR(n, ticks, 0.01 * ticks);
    }
    // Everything ends exactly on the target.
    for (int i = 0; i < 100000; ++i) glide_tick(g, to, 0, rate);
    EXPECT_EQ(g.position, target);
  }
  // Time 0 or mode "-": no glide at all.
  glide_state g;
  g.mode = glide_mode::log;
  glide_set_time(g, 0.f, control_rate);
  EXPECT_FALSE(g.enabled);
  glide_start(g, 48, 60, 0, rate);
  EXPECT_NEAR(glide_tick(g, 60, 0, rate), 261.6256, 0.01);
  g.mode = glide_mode::off;
  glide_set_time(g, 1.f, control_rate);
  EXPECT_NEAR(glide_tick(g, 69, 0, rate), 440, 0.01);
  // The offset O is added after the glide.
  EXPECT_NEAR(glide_tick(g, 69, 12, rate), 880, 0.02);
}

// Switching between a pitch mode and a Hz mode mid-glide carries the
// position across at the frequency it stands for: the next tick's frequency
// is where the last one left off (within one tick's move, a few cents), and
// the glide still ends on the target, a linear mode after an exponential one
// included. Without the conversion a position of ~300 Hz read as semitones
// lands at the Nyquist frequency.
TEST(osc_control, a_new_glide_mode_mid_glide_goes_on_from_the_pitch_it_had) {
  const float control_rate = rate;
  const float from = 48, to = 62, offset = 3;
  for (int32_t first : {glide_mode::off, glide_mode::log, glide_mode::linear, glide_mode::log_hz, glide_mode::linear_hz})
    for (int32_t second : {glide_mode::log, glide_mode::linear, glide_mode::log_hz, glide_mode::linear_hz}) {
      SCOPED_TRACE(std::to_string(first) + " to " + std::to_string(second));
      glide_state g;
      g.mode = first;
      glide_set_time(g, 0.4f, control_rate);
      glide_start(g, glide_position_of(first, from, offset, rate), to, offset, rate);
      float before = 0.f;
      for (int i = 0; i < 500; ++i) before = glide_tick(g, to, offset, rate);
      glide_set_mode(g, second, to, offset, rate);
      EXPECT_EQ(g.mode, second);
      const float after = glide_tick(g, to, offset, rate);
      EXPECT_LT(std::fabs(1200.0 * std::log2(double(after) / double(before))), 5.0) << before << " Hz then " << after;
      float last = after;
      for (int i = 0; i < 200000; ++i) last = glide_tick(g, to, offset, rate);
      EXPECT_NEAR(last, 440.0 * std::exp2((to + offset - 69.0) / 12.0), 0.01);
    }
}

TEST(osc_control, xmod_sources_and_kinds) {
  // Setting m: source (m - 1) mod 3, kind (m - 1) div 3.
  EXPECT_FALSE(xmod_on(0));
  EXPECT_TRUE(xmod_uses_a(1) && !xmod_uses_b(1));
  EXPECT_TRUE(!xmod_uses_a(2) && xmod_uses_b(2));
  EXPECT_TRUE(xmod_uses_a(3) && xmod_uses_b(3));
  EXPECT_EQ(xmod_kind_of(4), xmod_kind::hz);
  EXPECT_EQ(xmod_kind_of(12), xmod_kind::derivative_hz);

  xmod_state s;
  EXPECT_EQ(xmod_modulator(s, 3, 0.25f, 0.5f, rate), 0.75f);
  EXPECT_EQ(xmod_modulator(s, 2, 0.25f, 0.5f, rate), 0.5f);
  // Derivative kinds: the first value has no slope; then per 1/4800 s.
  EXPECT_EQ(xmod_modulator(s, 7, 0.25f, 0.f, rate), 0.f);
  EXPECT_NEAR(xmod_modulator(s, 7, 0.35f, 0.f, rate), 0.1 * 44100 / 4800, 1e-4);

  EXPECT_NEAR(apply_xmod(440, 1, 0.25f, false), 880, 0.01);            // 4 octaves per unit
  EXPECT_NEAR(apply_xmod(440, 7, 0.05f, false), 880, 0.01);            // 20 octaves per unit
  EXPECT_NEAR(apply_xmod(440, 4, 0.01f, false), 520, 1e-3);            // 8000 Hz per unit
  EXPECT_NEAR(apply_xmod(440, 4, 0.01f, true), 440.8, 1e-3);           // self: 1 %
  EXPECT_NEAR(apply_xmod(440, 10, 0.01f, false), 840, 1e-3);           // 40000 Hz per unit
  EXPECT_NEAR(apply_xmod(440, 10, 0.01f, true), 450, 1e-3);            // self: 2.5 %
  EXPECT_EQ(apply_xmod(440, 0, 1.f, false), 440.f);

  // Through the tick: B's pitch follows A before A's cross-modulation.
  osc_control_state st;
  osc_control_inputs in;
  in.pitch = 69;
  in.xmod_setting = 2;  // source B, pitch kind
  in.xmod_a = 0.25f;
  in.xmod_b = -0.25f;
  const osc_control_result r = osc_control_tick(st, in, rate);
  EXPECT_NEAR(r.increment_a * rate, 880, 0.05);  // A modulated by B
  EXPECT_NEAR(r.hz_b, 440, 0.01);
  EXPECT_NEAR(r.increment_b * rate, 220, 0.05);  // B modulates itself
  in.xmod_setting = 5;  // source B, Hz kind: B is part of the source
  in.xmod_b = 0.5f;
  EXPECT_NEAR(osc_control_tick(st, in, rate).increment_b * rate, 440 + 40, 0.05);
}

namespace {

// The run's increments and widths against the ticks', where the tick
// repitches or rewidths only at the samples whose input moved; the record
// ends as the last tick leaves it (bit for bit: NaN inputs included).
void expect_run_matches_ticks(osc_control_inputs in, const std::vector<int32_t>& pitch,
                              const std::vector<int32_t>& width) {
  const auto same = [](float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; };
  osc_control_state s;
  osc_control_result tick_r;
  osc_control_tick(s, in, rate, tick_r);
  osc_control_result run_r = tick_r;
  const int n = int(pitch.size());
  const size_t count = pitch.size();
  std::vector<float> inc_a(count), inc_b(count), pw(count), start(count);
  osc_control_run out{inc_a.data(), inc_b.data(), pw.data(), start.data()};
  osc_control_repitch_block(in, 1.f / rate, pitch.data(), width.data(), n, run_r, out);
  for (int i = 0; i < n; ++i) {
    const bool pitch_moved = in.pitch_mod != pitch[size_t(i)];
    const bool width_moved = in.width_mod != float(width[size_t(i)]);
    in.pitch_mod = pitch[size_t(i)];
    in.width_mod = float(width[size_t(i)]);
    if (pitch_moved) {
      ASSERT_TRUE(osc_control_repitch(in, 1.f / rate, tick_r));
    }
    if (width_moved) osc_control_rewidth(in, tick_r);
    ASSERT_TRUE(same(inc_a[size_t(i)], tick_r.increment_a)) << i << ": " << inc_a[size_t(i)];
    ASSERT_TRUE(same(inc_b[size_t(i)], tick_r.increment_b)) << i << ": " << inc_b[size_t(i)];
    ASSERT_TRUE(same(pw[size_t(i)], tick_r.pending_width_a)) << i << ": " << pw[size_t(i)];
    ASSERT_TRUE(same(start[size_t(i)], tick_r.pcm_start_a)) << i << ": " << start[size_t(i)];
  }
  EXPECT_TRUE(same(run_r.hz_a, tick_r.hz_a));
  EXPECT_TRUE(same(run_r.hz_b, tick_r.hz_b));
  EXPECT_TRUE(same(run_r.increment_b, tick_r.increment_b));
  // A full tick at the last inputs agrees with both.
  osc_control_result full;
  osc_control_tick(s, in, rate, full);
  EXPECT_TRUE(same(full.increment_a, run_r.increment_a));
  EXPECT_TRUE(same(full.pending_width_a, run_r.pending_width_a));
}

}  // namespace

TEST(osc_control, a_run_of_pitch_and_width_moves_matches_tick_by_tick) {
  // Vibrato and width modulation, B following A or held at middle C, on
  // either kernel (eight samples to an AVX2 register, four to an SSE2 one).
  for (synth::svf_lanes::kernel k : test_support::available_kernels())
  for (float keytrack_b : {1.f, 0.f}) {
    SCOPED_TRACE(test_support::kernel_name(k));
    test_support::forced_kernel forced(k);
    osc_control_inputs in;
    in.pitch = 57.f;
    in.tune_1 = 1.001f;
    in.tune_2 = 0.998f;
    in.width_a = -0.2f;
    in.keytrack_b = keytrack_b;
    in.tuning_b = 1.5f;
    const int n = 200;
    std::vector<int32_t> pitch(n), width(n);
    for (int i = 0; i < n; ++i) {
      pitch[size_t(i)] = int32_t(900.0 * std::sin(i * 0.07)) / 3 * 3;  // held for runs of samples
      width[size_t(i)] = int32_t(20000.0 * std::sin(i * 0.02));
    }
    expect_run_matches_ticks(in, pitch, width);
  }
}

TEST(osc_control, a_run_matches_the_ticks_at_the_edges_of_every_range) {
  // Modulation at the int32 extremes (octaves past the float range, widths
  // far past both ends), every table entry and fraction, increments past
  // the limit, a NaN tuning, and runs that end between four-sample groups.
  std::vector<int32_t> pitch, width;
  for (int32_t u : {INT32_MIN, INT32_MIN + 1, -8192 * 130, -1, 0, 1, 63, 64, 8191, 8192, 8192 * 130, INT32_MAX})
    pitch.push_back(u);
  for (int32_t u = -70000; u < 70000; u += 37) pitch.push_back(u);  // every entry and step of an octave and more
  for (size_t i = 0; i < pitch.size(); ++i) {
    const int32_t edges[] = {INT32_MIN, -65536, -32768, 0, 32767, 32768, 65536, INT32_MAX};
    width.push_back(i < 8 ? edges[i] : int32_t(i * 9973 % 131072) - 65536);
  }
  const float nan = std::nanf("");
  for (synth::svf_lanes::kernel k : test_support::available_kernels())
  for (float tune : {1.f, 3.5f, nan}) {
    test_support::forced_kernel forced(k);
    for (float keytrack_b : {1.f, 0.f}) {
      for (size_t n : {pitch.size(), size_t(1), size_t(6), size_t(13), pitch.size() - 3}) {
        SCOPED_TRACE(testing::Message() << test_support::kernel_name(k) << " tune " << tune << " keytrack "
                                        << keytrack_b << " n " << n);
        osc_control_inputs in;
        in.pitch = 100.f;
        in.tune_1 = tune;
        in.width_a = 0.7f;
        in.keytrack_b = keytrack_b;
        in.tuning_b = 2.5f;
        expect_run_matches_ticks(in, {pitch.begin(), pitch.begin() + long(n)}, {width.begin(), width.begin() + long(n)});
      }
    }
  }
}

namespace {

bool same_bits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The frequencies and increments of `r` against a tick from a fresh state,
// which keeps no memo: what the whole tick makes of `in` from scratch.
void expect_fresh_tick(const osc_control_inputs& in, float sample_rate, const osc_control_result& r) {
  osc_control_state fresh;
  const osc_control_result want = osc_control_tick(fresh, in, sample_rate);
  ASSERT_TRUE(same_bits(r.hz_a, want.hz_a)) << r.hz_a << " " << want.hz_a;
  ASSERT_TRUE(same_bits(r.hz_b, want.hz_b)) << r.hz_b << " " << want.hz_b;
  ASSERT_TRUE(same_bits(r.increment_a, want.increment_a)) << r.increment_a << " " << want.increment_a;
  ASSERT_TRUE(same_bits(r.increment_b, want.increment_b)) << r.increment_b << " " << want.increment_b;
}

}  // namespace

TEST(osc_control, retune_matches_the_whole_tick_under_every_xmod_setting_and_keytrack) {
  // XMod moving every sample, vibrato held for runs of samples, then B's
  // detune moving as well: the retune, and the tick that keeps its state,
  // give what a tick from scratch gives; B's keytrack in between takes the
  // kept note where A's frequency held. NaN XMod inputs and increments past
  // the limit included.
  const float nan = std::nanf("");
  for (int32_t setting = 0; setting < xmod_settings; ++setting) {
    for (float keytrack_b : {0.f, 1.f, 0.35f, 0.8f}) {
      SCOPED_TRACE(testing::Message() << "xmod " << setting << " keytrack " << keytrack_b);
      osc_control_inputs in;
      in.pitch = 64.f;
      in.offset = 0.25f;
      in.tune_1 = 2.f;
      in.tune_2 = 1.01f;
      in.keytrack_b = keytrack_b;
      in.tuning_b = 1.5f;
      in.detune_b_mod = 300;
      in.xmod_setting = setting;
      osc_control_state kept, retuned;
      osc_control_result kept_r, retuned_r;
      osc_control_tick(retuned, in, rate, retuned_r);
      for (int i = 0; i < 400; ++i) {
        in.pitch_mod = int32_t(1500.0 * std::sin(i * 0.05)) / 64 * 64;  // held for a few samples at a time
        in.xmod_a = i == 150 ? nan : float(0.6 * std::sin(i * 0.9));
        in.xmod_b = i % 7 == 0 ? in.xmod_b : float(0.3 * std::cos(i * 1.3));
        in.detune_b_mod = i < 200 ? 300 : int32_t(700.0 * std::sin(i * 0.2));
        if (i == 300) in.pitch_mod = 8192 * 6;  // far above half the rate
        osc_control_tick(kept, in, rate, kept_r);
        osc_control_retune(retuned, in, rate, 1.f / rate, retuned_r);
        expect_fresh_tick(in, rate, kept_r);
        expect_fresh_tick(in, rate, retuned_r);
        if (testing::Test::HasFatalFailure()) return;
      }
    }
  }
}

TEST(osc_control, keytrack_between_the_ends_scales_the_distance_from_middle_c) {
  // A at any pitch a float frequency reaches below half the rate, raised or
  // lowered by its modulation, B at keytrack k sits k times as far from
  // middle C, in cents, as A does.
  keytrack_memo m;
  double worst = 0;
  for (float k : {0.05f, 0.25f, 0.5f, 0.805f, 0.999f}) {
    for (int32_t u : {0, 3001, -8192 * 2 - 77}) {
      for (double note = -24; note <= 134; note += 0.37) {
        const float held = float(equal_tempered(60) * std::exp2((note - 60) / 12.0));
        const double hz_a = held * std::exp2(u / 8192.0);
        const double expected =
            std::min(equal_tempered(60) * std::exp2(k * std::log2(hz_a / equal_tempered(60))), rate / 2.0);
        worst = std::max(worst, std::fabs(analysis::cents(keytracked_hz(m, held, u, k, rate), expected)));
      }
    }
  }
  EXPECT_LT(worst, 0.01);  // the exponential's table; the logarithm adds a few millionths
  EXPECT_EQ(keytracked_hz(m, 20000.f, 0, 0.999f, 30000.f), 15000.f);  // held to half the rate
}

TEST(osc_control, keytrack_between_the_ends_follows_each_of_its_inputs) {
  // The kept pitch is made again when A's held frequency, its modulation,
  // the keytrack or the rate moves, each alone; a rate low enough limits B
  // at half of it.
  osc_control_inputs in;
  in.pitch = 100.f;
  in.keytrack_b = 0.5f;
  osc_control_state s;
  osc_control_result r;
  osc_control_tick(s, in, rate, r);
  expect_fresh_tick(in, rate, r);
  in.keytrack_b = 0.9f;
  osc_control_tick(s, in, rate, r);
  expect_fresh_tick(in, rate, r);
  for (float other_rate : {48000.f, 1000.f, 44100.f}) {
    osc_control_tick(s, in, other_rate, r);
    expect_fresh_tick(in, other_rate, r);
  }
  EXPECT_EQ(keytracked_hz(s.keytrack, r.hz_a, 0, 0.9f, 1000.f), 500.f);
  in.pitch_mod = 8192;
  osc_control_retune(s, in, rate, 1.f / rate, r);
  expect_fresh_tick(in, rate, r);
  in.pitch_mod = 0;
  osc_control_retune(s, in, rate, 1.f / rate, r);
  expect_fresh_tick(in, rate, r);
}

TEST(osc_control, reglide_follows_the_whole_tick_through_every_glide_mode) {
  // A glide under way with vibrato, B's detune and XMod moving: one glide
  // step and a retune give the whole tick's record, field for field, and
  // leave the glide where the whole tick leaves it, until it settles.
  for (int32_t mode = glide_mode::log; mode < glide_mode::count; ++mode) {
    for (float keytrack_b : {1.f, 0.f, 0.4f}) {
      for (int32_t setting : {0, 2, 7}) {
        SCOPED_TRACE(testing::Message() << "mode " << mode << " keytrack " << keytrack_b << " xmod " << setting);
        osc_control_state whole, stepped;
        for (osc_control_state* s : {&whole, &stepped}) {
          s->glide.mode = mode;
          glide_set_time(s->glide, 0.2f, rate);
          glide_start(s->glide, glide_position_of(mode, 48.f, 0.1f, rate), 67.f, 0.1f, rate);
        }
        osc_control_inputs in;
        in.pitch = 67.f;
        in.offset = 0.1f;
        in.tune_2 = 1.02f;
        in.width_a = 0.3f;
        in.width_b = -0.2f;
        in.keytrack_b = keytrack_b;
        in.tuning_b = 1.25f;
        in.xmod_setting = setting;
        osc_control_result want, got;
        osc_control_tick(whole, in, rate, want);
        osc_control_tick(stepped, in, rate, got);
        int ticks = 0;
        for (; ticks < 200000 && !glide_settled(stepped.glide, in.pitch, in.offset); ++ticks) {
          in.pitch_mod = int32_t(900.0 * std::sin(ticks * 0.01));
          in.detune_b_mod = ticks % 3 == 0 ? in.detune_b_mod : int32_t(400.0 * std::cos(ticks * 0.003));
          in.xmod_a = float(0.5 * std::sin(ticks * 0.7));
          in.xmod_b = float(0.2 * std::cos(ticks * 0.4));
          osc_control_tick(whole, in, rate, want);
          osc_control_reglide(stepped, in, rate, 1.f / rate, got);
          ASSERT_EQ(std::memcmp(&want, &got, sizeof want), 0) << "tick " << ticks;
          ASSERT_EQ(whole.glide.position, stepped.glide.position) << "tick " << ticks;
        }
        EXPECT_GT(ticks, 100) << "the glide must take a while";
        EXPECT_TRUE(glide_settled(whole.glide, in.pitch, in.offset)) << "both settle at the same tick";
      }
    }
  }
}

TEST(osc_control, keytrack_takes_a_glides_pitch_as_it_would_take_its_frequency) {
  // B keytracked between the ends takes A's pitch from the glide in octaves
  // where the glide makes it from a pitch; the logarithm of A's frequency
  // gives the same B to within the exponential table's error, k times. Held
  // at half the rate, and in the Hz modes, B comes from the frequency itself,
  // bit for bit, however the kept memo was last made.
  osc_control_inputs in;
  in.tune_1 = 1.01f;
  in.tune_2 = 0.97f;
  in.keytrack_b = 0.3f;
  in.tuning_b = 1.5f;
  const auto from_frequency = [&](const osc_control_result& r) {
    keytrack_memo m;
    return r.ratio_b * keytracked_hz(m, r.base * in.tune_1 * in.tune_2, in.pitch_mod, in.keytrack_b, rate);
  };
  for (int32_t mode : {glide_mode::off, glide_mode::log, glide_mode::linear}) {
    SCOPED_TRACE(testing::Message() << "mode " << mode);
    osc_control_state s;
    s.glide.mode = mode;
    glide_set_time(s.glide, 0.3f, rate);
    glide_start(s.glide, 20.0, 110.f, 0.f, rate);
    in.pitch = 110.f;
    double worst = 0;
    osc_control_result r;
    for (int tick = 0; tick < 30000; ++tick) {
      in.pitch_mod = int32_t(2000.0 * std::sin(tick * 0.002));
      osc_control_tick(s, in, rate, r);
      ASSERT_TRUE(r.base_octaves == r.base_octaves) << "tick " << tick;
      worst = std::max(worst, std::fabs(analysis::cents(r.hz_b, from_frequency(r))));
    }
    EXPECT_LT(worst, 0.005);
    in.pitch = 150.f;  // A far above half the rate: B from the held frequency
    osc_control_tick(s, in, rate, r);
    if (mode == glide_mode::off) {
      EXPECT_FALSE(r.base_octaves == r.base_octaves);
      EXPECT_EQ(r.hz_b, from_frequency(r));
    }
  }
  osc_control_state s;  // a pitch mode's memo, then the Hz mode mid-glide
  s.glide.mode = glide_mode::log;
  glide_set_time(s.glide, 0.3f, rate);
  glide_start(s.glide, 40.0, 70.f, 0.f, rate);
  in.pitch = 70.f;
  osc_control_result r;
  for (int tick = 0; tick < 200; ++tick) osc_control_tick(s, in, rate, r);
  glide_set_mode(s.glide, glide_mode::log_hz, in.pitch, in.offset, rate);
  for (int tick = 0; tick < 200; ++tick) {
    osc_control_tick(s, in, rate, r);
    ASSERT_FALSE(r.base_octaves == r.base_octaves);
    ASSERT_EQ(r.hz_b, from_frequency(r)) << "tick " << tick;
  }
}
