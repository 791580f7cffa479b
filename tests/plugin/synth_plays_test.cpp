// Rendered audio through vorn.so, as a host hears it: pitch, timing, level,
// clicks, pedal, unison, routes, learn, reset. Every check measures sound.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/synth_host.h"
#include "tools/analysis/signal.h"
#include "tools/analysis/spectrum.h"

namespace {

using test_support::block;
using test_support::default_rate;
using test_support::int_norm;
using test_support::make_host;

double cents_off(double hz, double want) { return 1200.0 * std::log2(hz / want); }

}  // namespace

TEST(synth_plays, note_69_sounds_at_concert_pitch_and_tuning_moves_it) {
  struct tuning_case {
    const char* what;
    int coarse;       // "Coarse Tune" internal (24 = none)
    int bend_msb;     // pitch bend data2, data1 = 0 unless msb is 127
    double want_hz;
  };
  const tuning_case cases[] = {
      {"defaults", 24, 64, 440.0},
      {"+12 semitones", 36, 64, 880.0},
      {"-12 semitones", 12, 64, 220.0},
      {"bend down fully", 24, 0, 440.0 * std::exp2(-2.0 / 12.0)},
      {"bend up fully", 24, 127, 440.0 * std::exp2(2.0 * (16383.0 / 8192.0 - 1.0) / 12.0)},
  };
  for (const tuning_case& c : cases) {
    SCOPED_TRACE(c.what);
    auto h = make_host();
    ASSERT_TRUE(h);
    h->sine_patch();
    h->set_global(90, int_norm(c.coarse, 0, 48));
    h->midi(0, 0xE0, c.bend_msb == 127 ? 127 : 0, c.bend_msb);
    h->midi(0, 0x90, 69, 100);
    h->render(1.5);
    double hz = h->measured_hz(size_t(0.3 * default_rate), size_t(1.0 * default_rate), c.want_hz);
    EXPECT_NEAR(cents_off(hz, c.want_hz), 0.0, 0.1) << hz << " Hz";
  }
}

// The sanitizer builds run the DSP many times slower: they sample the grid
// (the flat low notes of a float phase would show in any sample of it).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int note_stride = 11;
#else
constexpr int note_stride = 1;
#endif

TEST(synth_plays, every_note_is_within_a_tenth_of_a_cent_at_every_rate) {
  // A phase that loses its low bits plays low notes flat, more so at high
  // rates where the increment is small. Each note is measured over 12
  // cycles (at least 20 ms) after 50 ms for the previous note to fade.
  for (double rate : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0}) {
    SCOPED_TRACE(rate);
    auto h = make_host(rate);
    ASSERT_TRUE(h);
    h->sine_patch();
    double worst = 0;
    int worst_note = -1;
    for (int note = 0; note < 128; note += note == 0 ? 1 : note_stride) {
      const double want = 440.0 * std::exp2((note - 69) / 12.0);
      if (want >= rate / 2) break;  // above the folding frequency no note can sound
      constexpr double settle = 0.05;
      const double window = std::max(0.02, 12.0 / want);
      h->left.clear();
      h->midi(0, 0x90, note, 100);
      h->render(settle + window);
      const double hz = h->measured_hz(size_t(settle * rate), size_t(window * rate), want);
      const double off = cents_off(hz, want);
      if (std::fabs(off) > std::fabs(worst)) {
        worst = off;
        worst_note = note;
      }
      h->midi(0, 0x80, note, 0);
    }
    EXPECT_LT(std::fabs(worst), 0.1) << "note " << worst_note << ": " << worst << " cents";
  }
}

TEST(synth_plays, the_triangle_has_its_ideal_harmonics_and_aliases_like_the_ramp) {
  // Odd harmonics 8 / (pi^2 k^2): relative to the fundamental 1 / k^2,
  // within 0.5 dB below 8 kHz; what is not harmonic at least 30 dB below a
  // naive triangle's aliasing at the same pitch.
  for (int note : {81, 93}) {  // 880 Hz and 1760 Hz
    const double hz = 440.0 * std::exp2((note - 69) / 12.0);
    SCOPED_TRACE(hz);
    auto h = make_host();
    ASSERT_TRUE(h);
    h->sine_patch();
    h->instance.set_parameter(16, int_norm(3, 0, 5));  // Osc A Waveform: triangle
    h->midi(0, 0x90, note, 100);
    h->render(1.2);
    const size_t from = size_t(0.2 * default_rate), n = size_t(default_rate);
    const float* x = h->left.data() + from;
    const double h1 = analysis::tone_amplitude(x, n, default_rate, hz);
    ASSERT_GT(h1, 0.1);
    for (int k = 3; k * hz < 8000.0; k += 2) {
      const double db = analysis::amplitude_db(analysis::tone_amplitude(x, n, default_rate, k * hz) / h1 * k * k);
      EXPECT_NEAR(db, 0.0, 0.5) << "harmonic " << k;
    }
    std::vector<float> naive(n);
    double phase = 0.0;
    for (float& v : naive) {
      phase += hz / default_rate;
      phase -= std::floor(phase);
      v = float(std::fabs(0.5 - phase) * 4.0 - 1.0);
    }
    const double band_limited = analysis::alias_to_signal_db(x, n, default_rate, hz);
    const double trivial = analysis::alias_to_signal_db(naive.data(), n, default_rate, hz);
    EXPECT_LT(band_limited, trivial - 30.0) << band_limited << " dB against naive " << trivial << " dB";
  }
}

TEST(synth_plays, a_note_starts_exactly_at_its_frame) {
  auto h = make_host();
  ASSERT_TRUE(h);
  h->sine_patch();
  h->instance.set_parameter(17, 0.75f);  // sine phase does not matter; just a busy setting
  h->midi(100, 0x90, 60, 100);
  h->render(double(block) / default_rate);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(h->left[size_t(i)], 0.f) << i;
  EXPECT_LT(analysis::first_above(h->left.data() + 100, 8, 1e-7), 8u);
  EXPECT_GT(analysis::rms(h->left.data() + 100, 400), 1e-3);
}

TEST(synth_plays, events_at_the_same_frame_split_the_block_once) {
  // Notes at 0, 10 and 10: the first ten frames hold only the first note.
  auto one = make_host(), three = make_host();
  ASSERT_TRUE(one && three);
  one->midi(0, 0x90, 60, 100);
  three->midi(0, 0x90, 60, 100);
  three->midi(10, 0x90, 64, 100);
  three->midi(10, 0x90, 67, 100);
  one->render(double(block) / default_rate);
  three->render(double(block) / default_rate);
  for (int i = 0; i < 10; ++i) EXPECT_FLOAT_EQ(one->left[size_t(i)], three->left[size_t(i)]) << i;
  double diff = 0;
  for (int i = 10; i < block; ++i) diff += std::fabs(one->left[size_t(i)] - three->left[size_t(i)]);
  EXPECT_GT(diff, 1e-3);
}

TEST(synth_plays, accumulating_call_adds_to_the_host_buffer) {
  auto a = make_host(), b = make_host();
  ASSERT_TRUE(a && b);
  a->midi(0, 0x90, 60, 100);
  b->midi(0, 0x90, 60, 100);
  std::vector<float> la(block), ra(block), lb(block, 0.25f), rb(block, -0.5f);
  a->instance.process(la.data(), ra.data(), block);
  b->instance.process_accumulating(lb.data(), rb.data(), block);
  for (int i = 0; i < block; ++i) {
    ASSERT_NEAR(lb[size_t(i)], la[size_t(i)] + 0.25f, 1e-6f) << i;
    ASSERT_NEAR(rb[size_t(i)], ra[size_t(i)] - 0.5f, 1e-6f) << i;
  }
}

TEST(synth_plays, suspend_and_resume_start_the_next_block_silent) {
  auto h = make_host();
  ASSERT_TRUE(h);
  h->midi(0, 0x90, 60, 100);
  h->midi(0, 0x90, 64, 100);
  h->render(0.2);
  ASSERT_GT(analysis::rms(h->left.data(), h->left.size()), 1e-3);
  h->instance.suspend();
  h->instance.resume();
  h->left.clear();
  h->render(0.2);
  EXPECT_EQ(analysis::peak(h->left.data(), h->left.size()), 0.0);
  h->midi(0, 0x80, 60, 0);  // no held note survives: nothing starts
  h->render(0.1);
  EXPECT_EQ(analysis::peak(h->left.data(), h->left.size()), 0.0);
}

TEST(synth_plays, release_and_attack_never_click) {
  auto h = make_host();
  ASSERT_TRUE(h);
  h->sine_patch();
  h->instance.set_parameter(0, 1.f);  // loud: +12 dB
  h->midi(0, 0x90, 81, 127);          // 880 Hz
  h->render(0.5);
  h->midi(0, 0x80, 81, 0);
  h->render(0.3);
  const size_t on_end = size_t(0.5 * default_rate) / block * block;
  double sustained_step = analysis::max_step(h->left.data() + size_t(0.2 * default_rate), size_t(0.2 * default_rate));
  double release_step = analysis::max_step(h->left.data() + on_end - 8, h->left.size() - on_end + 8);
  double attack_step = analysis::max_step(h->left.data(), 2048);
  ASSERT_GT(sustained_step, 1e-3);
  // A sine's own slope bounds every step: the gates only ever shrink it.
  EXPECT_LE(release_step, sustained_step * 1.02);
  EXPECT_LE(attack_step, sustained_step * 1.02);
  EXPECT_LT(analysis::peak(h->left.data() + on_end + size_t(0.05 * default_rate), 4096), 1e-3);
}

TEST(synth_plays, stepped_changes_under_a_held_note_never_click) {
  // A held 220 Hz note; between two blocks a stepped parameter swaps part of
  // the signal path. The largest sample step around the switch stays within
  // twice the largest step of the steady sound before or after it.
  struct setting {
    int index;
    int min, max;
    int value;
  };
  struct change_case {
    const char* what;
    std::vector<setting> patch;  // on top of the sine patch
    std::vector<std::pair<int, float>> knobs;
    setting change;
  };
  const change_case cases[] = {
      {"filter bypass -> Low 24 dB", {}, {{41, 0.55f}, {42, 0.3f}}, {39, 0, 8, 5}},
      {"filter Low 12 dB -> High 24 dB", {{39, 0, 8, 1}}, {{41, 0.55f}, {42, 0.3f}}, {39, 0, 8, 6}},
      {"volume envelope A -> Gate", {{1, 0, 2, 1}}, {}, {1, 0, 2, 0}},
      {"volume envelope Gate -> B", {}, {{68, 0.3f}}, {1, 0, 2, 2}},
      {"shaper Logarithmic -> Absolute", {}, {{52, 0.6f}}, {51, 0, 2, 2}},
      {"shaper filter bypass -> Low 12 dB", {}, {{56, 0.45f}}, {55, 0, 8, 5}},
      {"waveform sine -> triangle", {}, {}, {16, 0, 5, 3}},
      {"waveform sine -> ramp", {}, {}, {16, 0, 5, 2}},
  };
  for (const change_case& c : cases) {
    SCOPED_TRACE(c.what);
    auto h = make_host();
    ASSERT_TRUE(h);
    h->sine_patch();
    for (const setting& s : c.patch) h->instance.set_parameter(s.index, int_norm(s.value, s.min, s.max));
    for (auto [index, value] : c.knobs) h->instance.set_parameter(index, value);
    h->midi(0, 0x90, 57, 100);
    h->render(0.5 + 0.25 / 220.0);  // the switch falls on the sine's crest, not a zero crossing
    const size_t at = h->left.size();
    h->instance.set_parameter(c.change.index, int_norm(c.change.value, c.change.min, c.change.max));
    h->render(0.4);
    const size_t span = size_t(0.15 * default_rate);
    const float* x = h->left.data();
    const double before = analysis::max_step(x + at - span, span);
    const double after = analysis::max_step(x + at + span, span);
    const double around = analysis::max_step(x + at - 64, size_t(0.05 * default_rate));
    ASSERT_GT(std::min(before, after), 1e-4);
    EXPECT_LE(around, 2.0 * std::max(before, after)) << "step " << around << ", steady " << before << " / " << after;
  }
}

TEST(synth_plays, sustain_pedal_64_is_up_and_65_is_down) {
  for (int pedal : {64, 65}) {
    SCOPED_TRACE(pedal);
    auto h = make_host();
    ASSERT_TRUE(h);
    h->sine_patch();
    h->midi(0, 0xB0, 64, pedal);
    h->midi(0, 0x90, 60, 100);
    h->render(0.2);
    h->midi(0, 0x80, 60, 0);
    h->render(0.5);
    double tail = analysis::rms(h->left.data() + size_t(0.6 * default_rate), size_t(0.05 * default_rate));
    if (pedal == 65) {
      EXPECT_GT(tail, 1e-3);  // held by the pedal
      h->midi(0, 0xB0, 64, 0);
      h->render(0.3);
      EXPECT_LT(analysis::peak(h->left.data() + size_t(0.9 * default_rate), size_t(0.05 * default_rate)), 1e-4);
    } else {
      EXPECT_LT(tail, 1e-4);
    }
  }
}

TEST(synth_plays, two_unison_layers_sit_hard_left_and_right) {
  auto single = make_host(), wide = make_host();
  ASSERT_TRUE(single && wide);
  single->sine_patch();
  wide->sine_patch();
  wide->set_global(101, int_norm(1, 0, 15));  // two layers
  wide->set_global(104, 1.f);                 // full width
  for (auto* h : {single.get(), wide.get()}) {
    h->midi(0, 0x90, 69, 100);
    h->render(0.5);
  }
  // Each channel holds one layer at gain (1 / sqrt 2) * 1.4124 ~ 0.99875,
  // where the single centred voice has about 1.0.
  const size_t from = size_t(0.2 * default_rate), n = size_t(0.2 * default_rate);
  double ratio_l = analysis::rms(wide->left.data() + from, n) / analysis::rms(single->left.data() + from, n);
  double ratio_r = analysis::rms(wide->right.data() + from, n) / analysis::rms(single->right.data() + from, n);
  EXPECT_NEAR(ratio_l, 0.99875 / 1.0000, 0.01);
  EXPECT_NEAR(ratio_r, 0.99875 / 1.0000, 0.01);
}

TEST(synth_plays, level_meter_and_voices_stop_after_the_tail) {
  auto h = make_host();
  ASSERT_TRUE(h);
  h->midi(0, 0x90, 60, 100);
  h->render(0.3);
  h->midi(0, 0x80, 60, 0);
  h->render(3.0);
  // The master highpass decays too; at the end the output is exactly silent.
  EXPECT_EQ(analysis::peak(h->left.data() + h->left.size() - block, block), 0.0);
}
