// The main voice filter: responses of every mode, resonance, triggers,
// saturation, audio-rate modulation and stability over the parameter space.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <tuple>
#include <vector>

#include "synth/dsp/noise_generator.h"
#include "synth/dsp/state_variable_filter.h"
#include "tests/dsp/filter_probe.h"

namespace {

using namespace synth;
using namespace filter_probe;


filter_controls controls(double cutoff_hz, float resonance = 0.f, int32_t saturation = 0) {
  filter_controls c;
  c.frequency = frequency_for_hz(cutoff_hz);
  c.resonance = resonance;
  c.saturation = saturation;
  return c;
}

state_variable_filter make(int32_t mode, const filter_controls& c) {
  state_variable_filter f;
  f.init(&table_44k(), float(rate));
  f.set_mode(mode);
  f.update(c);
  return f;
}

// Output of a filter left ringing with no input, in units.
std::vector<float> ring(state_variable_filter& f, size_t n, const filter_controls* modulation = nullptr,
                        float mixer = 0.f) {
  std::vector<float> y(n);
  for (auto& v : y) {
    if (modulation) f.modulate(mixer, *modulation);
    v = float(f.process(0) / unit);
  }
  return y;
}

double peak_of(const std::vector<float>& y, double from_s, double to_s) {
  size_t a = size_t(from_s * rate), b = size_t(to_s * rate);
  return analysis::peak(y.data() + a, b - a);
}

constexpr int low12 = 1, high12 = 2, band12 = 3, notch12 = 4;
constexpr int low24 = 5, high24 = 6, band24 = 7, notch24 = 8;

TEST(state_variable_filter, lowpass_stop_band_falls_12_and_24_db_per_octave) {
  const auto c = controls(200.0);
  for (auto [mode, slope] : {std::pair{low12, 12.0}, std::pair{low24, 24.0}}) {
    SCOPED_TRACE(mode);
    auto f = make(mode, c);
    EXPECT_NEAR(response_db(f, 25.0), 0.0, 0.5);  // passband
    EXPECT_NEAR(slope_db_per_octave(f, 1600.0), slope, 1.0);
  }
}

// The highpass is x - low, which keeps the damping's share of the band
// output: with no resonance (damping 2) it falls 6 dB per octave per stage
// far below the cutoff, and steepens towards 12 per stage as the damping
// shrinks.
TEST(state_variable_filter, highpass_is_input_minus_lowpass) {
  for (auto [mode, slope] : {std::pair{high12, 6.0}, std::pair{high24, 12.0}}) {
    SCOPED_TRACE(mode);
    auto f = make(mode, controls(4000.0));
    EXPECT_NEAR(response_db(f, 16000.0), 0.0, 1.5);
    EXPECT_NEAR(-slope_db_per_octave(f, 250.0), slope, 1.0);
    auto resonant = make(mode, controls(4000.0, 0.9f));
    EXPECT_GT(-slope_db_per_octave(resonant, 1000.0), slope + 4.0);
  }
  // x - low exactly: High 12 and Low 12 on the same input sum to the input.
  auto lo = make(low12, controls(1000.0, 0.3f)), hi = make(high12, controls(1000.0, 0.3f));
  noise_generator noise;
  for (int i = 0; i < 1000; ++i) {
    noise.next();
    int32_t x = noise.out16 * 128;
    ASSERT_EQ(lo.process(x) + hi.process(x), x);
  }
}

// The centres sit on the cutoff at low cutoffs. Higher up the heavy damping
// of a low resonance pulls them upwards (the runs hold the input for both
// halves of the sample), so there the test asks for resonance.
TEST(state_variable_filter, band_and_notch_centre_on_the_cutoff) {
  for (auto [hz, res, tolerance] : {std::tuple{250.0, 0.f, 0.5}, std::tuple{1000.0, 0.5f, 0.5},
                                    std::tuple{4000.0, 0.8f, 1.0}}) {
    SCOPED_TRACE(testing::Message() << hz << " Hz, resonance " << res);
    for (int mode : {band12, band24})
      EXPECT_NEAR(semitones(extreme_hz(make(mode, controls(hz, res)), hz, true), hz), 0.0, tolerance) << mode;
    for (int mode : {notch12, notch24})
      EXPECT_NEAR(semitones(extreme_hz(make(mode, controls(hz, res)), hz, false), hz), 0.0, tolerance) << mode;
  }
  // Skirts: 6 dB per octave per side for "Band 6 dB", 12 for "Band 12 dB".
  for (auto [mode, slope] : {std::pair{band12, 6.0}, std::pair{band24, 12.0}}) {
    auto f = make(mode, controls(500.0));
    EXPECT_NEAR(slope_db_per_octave(f, 4000.0), slope, 1.0) << mode;
    EXPECT_NEAR(-slope_db_per_octave(f, 31.25), slope, 1.0) << mode;
  }
  // Notch depth against the passband an octave and a half away.
  auto n1 = make(notch12, controls(500.0)), n2 = make(notch24, controls(500.0));
  EXPECT_LT(response_db(n1, 500.0), response_db(n1, 60.0) - 30.0);
  EXPECT_LT(response_db(n2, 500.0), response_db(n2, 60.0) - 60.0);
}

TEST(state_variable_filter, full_resonance_rings_at_the_cutoff_from_a_spike_without_growing) {
  for (double hz : {250.0, 1000.0, 4000.0}) {
    SCOPED_TRACE(hz);
    auto f = make(low12, controls(hz, 1.f));
    f.trigger(filter_trigger::spike);
    auto y = ring(f, size_t(5 * rate));
    EXPECT_GT(std::abs(y[0]), 0.01f);  // rings from the first sample
    EXPECT_NEAR(ring_hz(y) / hz, 1.0, 1e-3);
    double early = peak_of(y, 0.1, 0.2), late = peak_of(y, 4.9, 5.0);
    EXPECT_GT(early, 1.0);
    EXPECT_LE(late, early * 1.001);
    EXPECT_GE(late, early * 0.9);
  }
  // The cutoff modulation sum counts twice as fine as the frequency: 3072
  // is one octave.
  auto c = controls(500.0, 1.f);
  c.cutoff_mod = 2 * 1536;
  auto f = make(band12, c);
  f.trigger(filter_trigger::spike);
  EXPECT_NEAR(ring_hz(ring(f, size_t(rate))), 1000.0, 1.0);
}

TEST(state_variable_filter, triggers_clear_or_spike_the_state_and_mode_changes_keep_it) {
  auto f = make(low24, controls(800.0, 0.5f));
  noise_generator noise;
  for (int i = 0; i < 500; ++i) noise.next(), f.process(noise.out16 * 128);
  auto before = f.state();
  f.trigger(filter_trigger::none);
  EXPECT_EQ(f.state().low2, before.low2);
  EXPECT_EQ(f.state().band, before.band);

  auto spiked = f;
  spiked.trigger(filter_trigger::spike);
  EXPECT_EQ(spiked.state().band, 0xFFFFFF);
  EXPECT_EQ(spiked.state().low | spiked.state().low2 | spiked.state().band2, 0);

  f.trigger(filter_trigger::reset);
  auto after = f.state();
  EXPECT_EQ(after.low | after.band | after.low2 | after.band2, 0);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(f.process(0), 0);

  // Switching Low 12 to High 12 mid-stream keeps the integrators, so the
  // highpass continues as input minus the lowpass that kept running.
  auto lo = make(low12, controls(800.0, 0.7f));
  for (int i = 0; i < 500; ++i) noise.next(), lo.process(noise.out16 * 128);
  auto hi = lo, cascade = lo;
  hi.set_mode(high12);
  cascade.set_mode(low24);
  for (int i = 0; i < 500; ++i) {
    noise.next();
    int32_t x = noise.out16 * 128;
    int32_t y = lo.process(x);
    ASSERT_EQ(hi.process(x), x - y);
    cascade.process(x);
    ASSERT_EQ(cascade.state().low, lo.state().low);  // first stage continues
  }
}

// Harmonics 2 and 3 of a loud 200 Hz sine through a wide-open lowpass,
// relative to the fundamental, in dB.
std::pair<double, double> harmonics_db(state_variable_filter f) {
  std::vector<float> y(static_cast<size_t>(rate));
  for (size_t i = 0; i < y.size(); ++i)
    y[i] = float(f.process(int32_t(2.0 * unit * std::sin(2.0 * std::numbers::pi * 200.0 * double(i) / rate))) / unit);
  const float* p = y.data() + 4410;
  size_t n = y.size() - 4410;
  double h1 = analysis::tone_amplitude(p, n, rate, 200.0);
  return {analysis::amplitude_db(analysis::tone_amplitude(p, n, rate, 400.0) / h1),
          analysis::amplitude_db(analysis::tone_amplitude(p, n, rate, 600.0) / h1)};
}

TEST(state_variable_filter, any_positive_saturation_selects_the_saturating_forms) {
  auto linear = make(low12, controls(5000.0));
  auto [l2, l3] = harmonics_db(linear);
  EXPECT_LT(std::max(l2, l3), -120.0);

  // The smallest positive value already switches forms (its gain is just
  // below one, so the output moves off the linear one).
  auto tiny = make(low12, controls(5000.0, 0.f, 1));
  EXPECT_GE(tiny.variant(), 8);
  auto a = linear, b = tiny;
  bool differs = false;
  for (int i = 0; i < 2000; ++i) {
    int32_t x = int32_t(unit * std::sin(0.01 * i));
    differs |= a.process(x) != b.process(x);
  }
  EXPECT_TRUE(differs);

  auto [h2, h3] = harmonics_db(make(low12, controls(5000.0, 0.f, 0x40000000)));
  auto [f2, f3] = harmonics_db(make(low12, controls(5000.0, 0.f, 0x7FFFFFFF)));
  EXPECT_GT(h2, -80.0);
  EXPECT_GT(f2, h2 + 6.0);
  EXPECT_GT(f3, h3 + 6.0);

  // Back to 0 at a control tick: linear again, state kept.
  auto back = make(low12, controls(5000.0, 0.f, 0x7FFFFFFF));
  back.update(controls(5000.0, 0.f, 0));
  EXPECT_LT(back.variant(), 8);
  auto [b2, b3] = harmonics_db(back);
  EXPECT_LT(std::max(b2, b3), -120.0);
}

TEST(state_variable_filter, fmod_moves_the_cutoff_through_a_500_hz_smoother) {
  auto c = controls(1000.0, 1.f);
  c.fmod = 1.f;
  auto f = make(low12, c);
  f.modulate(0.f, c);  // with FMod on, the cutoff is set here, not at the tick
  const int32_t start = f.coefficient();
  EXPECT_EQ(start, table_44k().cutoff_coefficient(c.frequency >> 15));
  // A mixer value of 0.1875 with FMod 1 is 1536 cutoff units: an octave.
  const int32_t target = table_44k().cutoff_coefficient((c.frequency >> 15) + 1536);
  f.modulate(0.1875f, c);
  EXPECT_GT(f.coefficient(), start);
  EXPECT_LT(f.coefficient(), target - (target - start) / 2);  // smoothed, not a jump
  for (int i = 0; i < int(0.005 * rate); ++i) f.modulate(0.1875f, c);
  EXPECT_NEAR(f.coefficient(), target, (target - start) / 200);

  f.trigger(filter_trigger::spike);
  auto y = ring(f, size_t(rate), &c, 0.1875f);
  EXPECT_NEAR(ring_hz(y), 2000.0, 2.0);
}

TEST(state_variable_filter, qmod_moves_the_damping_within_zero_and_the_limit) {
  auto c = controls(1000.0, 1.f);
  c.qmod = 1.f;  // mixer 0.5 -> resonance 0.5 -> damping 1
  auto damped = make(band12, c);
  damped.trigger(filter_trigger::spike);
  auto y = ring(damped, size_t(0.2 * rate), &c, 0.5f);
  EXPECT_EQ(damped.damping(), 1 << 29);
  EXPECT_LT(peak_of(y, 0.1, 0.2), 1e-3 * peak_of(y, 0.0, 0.01));

  c.qmod = -1.f;  // pushes the resonance past 1: damping stays at 0, never negative
  auto held = make(band12, c);
  held.trigger(filter_trigger::spike);
  auto z = ring(held, size_t(rate), &c, 0.5f);
  EXPECT_EQ(held.damping(), 0);
  EXPECT_LE(peak_of(z, 0.9, 1.0), peak_of(z, 0.0, 0.1) * 1.001);

  c = controls(20000.0, 0.f);  // top of the table: the limit binds
  c.qmod = 1.f;
  auto top = make(low12, c);
  top.modulate(1.f, c);
  EXPECT_LT(top.damping(), 1 << 29);
  EXPECT_GT(top.damping(), 0);
}

struct sweep_result {
  double out_peak = 0, state_peak = 0, tail = 0;
};

// Drives a filter with noise then a square (each half of seconds) at level
// units, then tail_seconds of silence; returns peaks in units and the
// output level left in the last tenth of the silence.
sweep_result drive(state_variable_filter f, double level, double seconds, double tail_seconds) {
  sweep_result r;
  noise_generator noise;
  const int32_t amp = int32_t(level * unit);
  const size_t n = size_t(seconds * rate);
  int32_t out = 0, st = 0;
  for (size_t i = 0; i < n; ++i) {
    int32_t x;
    if (i < n / 2) {
      noise.next();
      x = int32_t(noise.out16) * (amp >> 15);
    } else {
      x = (i / 200) & 1 ? amp : -amp;
    }
    out = std::max(out, std::abs(f.process(x)));
    auto s = f.state();
    st = std::max({st, std::abs(s.low), std::abs(s.band), std::abs(s.low2), std::abs(s.band2)});
  }
  int32_t tail = 0;
  const size_t silence = size_t(tail_seconds * rate);
  for (size_t i = 0; i < silence; ++i) {
    int32_t y = std::abs(f.process(0));
    if (i >= silence - silence / 10) tail = std::max(tail, y);
  }
  return {out / unit, st / unit, tail / unit};
}

TEST(state_variable_filter, stays_bounded_over_cutoff_resonance_saturation_and_mode) {
  // Ten seconds of full-scale noise and square per setting.
  for (double v : {0.3, 0.75, 1.0})
    for (float res : {0.f, 0.8f, 1.f})
      for (int32_t sat : {0, 0x7FFFFFFF})
        for (int mode = 1; mode <= 8; ++mode) {
          filter_controls c;
          c.frequency = int32_t(v * 536870912.0);
          c.resonance = res;
          c.saturation = sat;
          auto r = drive(make(mode, c), 1.0, 10.0, 1.0);
          SCOPED_TRACE(testing::Message() << "v " << v << " res " << res << " sat " << sat << " mode " << mode);
          EXPECT_LT(r.out_peak, 16.0);
          EXPECT_LT(r.state_peak, 32.0);
          if (res < 1.f) {
            EXPECT_LT(r.tail, 0.01);
          }
        }
}

TEST(state_variable_filter, states_stay_far_inside_32_bits_at_the_input_limit) {
  for (int vi = 0; vi <= 10; ++vi)
    for (float res : {0.f, 0.9f, 1.f})
      for (int32_t sat : {0, 0x40000000, 0x7FFFFFFF})
        for (int mode = 1; mode <= 8; ++mode) {
          filter_controls c;
          c.frequency = int32_t(vi * 53687091.2);
          c.resonance = res;
          c.saturation = sat;
          // 20 units: beyond the limit, so it is held at 16.
          auto r = drive(make(mode, c), 20.0, 0.2, 0.0);
          SCOPED_TRACE(testing::Message() << "v " << vi / 10.0 << " res " << res << " sat " << sat << " mode " << mode);
          EXPECT_LT(r.state_peak, 64.0);
        }
  // FMod and QMod at full depth driven by noise as the mixer.
  for (int mode = 1; mode <= 8; ++mode) {
    auto c = controls(2000.0, 0.9f, 0x7FFFFFFF);
    c.fmod = 1.f;
    c.qmod = -1.f;
    auto f = make(mode, c);
    noise_generator noise;
    int32_t peak = 0;
    for (int i = 0; i < int(rate); ++i) {
      noise.next();
      f.modulate(4.f * noise.out_float, c);
      peak = std::max(peak, std::abs(f.process(filter_input(4.f * noise.out_float))));
    }
    EXPECT_LT(peak / unit, 64.0) << mode;
  }
}

TEST(state_variable_filter, resonance_curve_and_input_conversion) {
  EXPECT_EQ(resonance_curve(-0.5f), 0.f);
  EXPECT_EQ(resonance_curve(0.f), 0.f);
  EXPECT_NEAR(resonance_curve(0.01f), 0.086, 0.001);
  EXPECT_NEAR(resonance_curve(0.1f), 0.509, 0.001);
  EXPECT_NEAR(resonance_curve(0.5f), 0.903, 0.001);
  EXPECT_NEAR(resonance_curve(0.9999f), 1.0, 1e-4);
  EXPECT_EQ(resonance_curve(1.f), 1.f);
  EXPECT_EQ(resonance_curve(7.f), 1.f);
  for (float v = 0.f; v < 1.f; v += 0.01f) EXPECT_LT(resonance_curve(v), resonance_curve(v + 0.01f));

  EXPECT_EQ(filter_input(0.25f), 1 << 20);
  EXPECT_EQ(filter_input(1e9f), 1 << 26);
  EXPECT_EQ(filter_input(-1e9f), -(1 << 26));
  EXPECT_EQ(filter_input(std::numeric_limits<float>::quiet_NaN()), -(1 << 26));
}

}  // namespace

TEST(state_variable_filter, a_block_without_audio_rate_modulation_follows_new_controls_and_held_cutoffs) {
  // Blocks one after the other, the controls changed between them while the
  // cutoff stays where the last block left it (resonance, saturation on and
  // off, an FMod block in between), the cutoff then held in steps of a few
  // samples with updates due at some: every sample's coefficients and the
  // state after each block are update's, sample by sample.
  const filter_controls first = controls(700.0, 0.3f, 0);
  state_variable_filter a = make(1, first), b = make(1, first);
  filter_controls blocks[5] = {first, controls(700.0, 0.9f, 0), controls(700.0, 0.9f, 0x50000000),
                               controls(700.0, 0.9f, 0x50000000), controls(700.0, 0.1f, 0)};
  blocks[3].fmod = 0.5f;
  constexpr int n = 64;
  for (int k = 0; k < 5; ++k) {
    const filter_controls& c = blocks[k];
    std::vector<int32_t> cut(n), f(n), q(n), limit(n), sat_a(n), sat_bias(n);
    std::vector<uint8_t> due(n);
    std::vector<float> mixer(n, 0.3f);
    for (int i = 0; i < n; ++i) {
      cut[size_t(i)] = i < 10 ? 0 : 900 * ((i / 7) % 3) - 600;  // where the last block left it, then steps
      due[size_t(i)] = uint8_t(k == 2 ? i % 2 : 1);
    }
    b.controls_block(c, cut.data(), due.data(), mixer.data(), nullptr, n,
                     {f.data(), q.data(), limit.data(), sat_a.data(), sat_bias.data()});
    filter_controls now = c;
    for (int i = 0; i < n; ++i) {
      if (due[size_t(i)]) {
        now.cutoff_mod = cut[size_t(i)];
        a.update(now);
      }
      if (c.fmod != 0.f) a.modulate(mixer[size_t(i)], now);
      SCOPED_TRACE(::testing::Message() << "block " << k << " @" << i);
      ASSERT_EQ(f[size_t(i)], a.coefficient());
      ASSERT_EQ(q[size_t(i)], a.damping());
      ASSERT_EQ(limit[size_t(i)], a.damping_limit());
      ASSERT_EQ(sat_a[size_t(i)], a.saturation_gain().a);
      ASSERT_EQ(sat_bias[size_t(i)], a.saturation_gain().bias);
    }
    EXPECT_EQ(b.variant(), a.variant()) << "block " << k;
    // The same integrators come out of the same input.
    for (int i = 0; i < 50; ++i) ASSERT_EQ(b.process(1 << 22), a.process(1 << 22)) << "block " << k;
  }
}

TEST(state_variable_filter, a_block_of_coefficients_matches_update_and_modulate_sample_by_sample) {
  // FMod alone (the one-loop form, with the smoother run here or beforehand
  // by smooth_fmod), FMod with QMod, and no audio-rate modulation, each with
  // an update due at every sample, at none, or at some; saturating and
  // linear; a resonant mid cutoff, and a high one without resonance, where
  // the stability limit holds the damping down. The coefficients of every
  // sample and the state after the block are update-then-modulate's.
  noise_generator noise;
  for (auto [hz, resonance] : {std::pair{700.0, 0.8f}, std::pair{12000.0, 0.f}})
  for (float fmod : {0.6f, -0.3f, 0.f}) {
    for (float qmod : {0.f, 0.4f}) {
      for (int due_kind = 0; due_kind < 3; ++due_kind) {
        for (int32_t saturation : {0, 0x50000000}) {
          filter_controls c = controls(hz, resonance, saturation);
          c.fmod = fmod;
          c.qmod = qmod;
          state_variable_filter a = make(5, c), b = make(5, c);
          const int n = 200;
          std::vector<float> mixer(n), smoothed(n);
          std::vector<int32_t> cut(n);
          std::vector<uint8_t> due(n);
          for (int i = 0; i < n; ++i) {
            noise.next();
            mixer[size_t(i)] = noise.out_float * 1.5f;
            cut[size_t(i)] = int32_t(6000.0 * std::sin(i * 0.1));  // +-23 semitones
            due[size_t(i)] = due_kind == 0 ? 1 : due_kind == 1 ? 0 : uint8_t(i % 3 == 0);
          }
          std::vector<int32_t> f(n), q(n), limit(n), sat_a(n), sat_bias(n);
          const bool ahead = b.fmod_alone(c) && due_kind != 1;
          if (ahead) {
            state_variable_filter* filters[1] = {&b};
            const float* in[1] = {mixer.data()};
            float* out[1] = {smoothed.data()};
            state_variable_filter::smooth_fmod(filters, in, out, 1, n);
          }
          b.controls_block(c, cut.data(), due.data(), mixer.data(), ahead ? smoothed.data() : nullptr, n,
                           {f.data(), q.data(), limit.data(), sat_a.data(), sat_bias.data()});
          filter_controls now = c;
          for (int i = 0; i < n; ++i) {
            if (due[size_t(i)]) {
              now.cutoff_mod = cut[size_t(i)];
              a.update(now);
            }
            if (fmod != 0.f || qmod != 0.f) a.modulate(mixer[size_t(i)], now);
            SCOPED_TRACE(::testing::Message() << fmod << "/" << qmod << "/" << due_kind << "/" << saturation << " @" << i);
            ASSERT_EQ(f[size_t(i)], a.coefficient());
            ASSERT_EQ(q[size_t(i)], a.damping());
            ASSERT_EQ(limit[size_t(i)], a.damping_limit());
            ASSERT_EQ(sat_a[size_t(i)], a.saturation_gain().a);
            ASSERT_EQ(sat_bias[size_t(i)], a.saturation_gain().bias);
          }
          // The next sample after the block agrees too (the smoother and the cutoff carried over).
          a.modulate(0.25f, now);
          b.modulate(0.25f, now);
          EXPECT_EQ(b.coefficient(), a.coefficient());
          EXPECT_EQ(b.damping(), a.damping());
        }
      }
    }
  }
}

TEST(state_variable_filter, fmod_smoothers_side_by_side_match_each_one_alone) {
  // One to eight smoothers at once (four to a set of lanes, two sets side
  // by side, and the rest alone), each with its own rate and state, over blocks shorter than a
  // row of four samples and longer: the outputs and the states carried into
  // the next block are each smoother's own, bit for bit.
  constexpr int most = 8;
  std::array<state_variable_filter, most> alone, together;
  noise_generator noise;
  for (int l = 0; l < most; ++l) {
    alone[size_t(l)].init(&table_44k(), 22050.f + 9000.f * float(l));
    together[size_t(l)] = alone[size_t(l)];
  }
  for (int count = 1; count <= most; ++count) {
    for (int n : {3, 77}) {
      std::array<std::vector<float>, most> in, expected, out;
      std::array<state_variable_filter*, most> group;
      std::array<const float*, most> from;
      std::array<float*, most> to;
      for (int l = 0; l < count; ++l) {
        in[size_t(l)].resize(size_t(n));
        for (float& x : in[size_t(l)]) x = (noise.next(), noise.out_float) * float(l + 1);
        expected[size_t(l)].resize(size_t(n));
        out[size_t(l)].resize(size_t(n));
        state_variable_filter* one[1] = {&alone[size_t(l)]};
        const float* one_in[1] = {in[size_t(l)].data()};
        float* one_out[1] = {expected[size_t(l)].data()};
        state_variable_filter::smooth_fmod(one, one_in, one_out, 1, n);
        group[size_t(l)] = &together[size_t(l)];
        from[size_t(l)] = in[size_t(l)].data();
        to[size_t(l)] = out[size_t(l)].data();
      }
      state_variable_filter::smooth_fmod(group.data(), from.data(), to.data(), count, n);
      for (int l = 0; l < count; ++l) {
        SCOPED_TRACE(::testing::Message() << count << " smoothers, n " << n << ", smoother " << l);
        for (int i = 0; i < n; ++i)
          ASSERT_EQ(std::bit_cast<uint32_t>(out[size_t(l)][size_t(i)]),
                    std::bit_cast<uint32_t>(expected[size_t(l)][size_t(i)]))
              << "@" << i;
      }
    }
  }
  // The states each run left: one more sample of each alone agrees.
  for (int l = 0; l < most; ++l) {
    const float x = 0.5f;
    float a = 0.f, b = 0.f;
    state_variable_filter* fa[1] = {&alone[size_t(l)]};
    state_variable_filter* fb[1] = {&together[size_t(l)]};
    const float* in[1] = {&x};
    float* oa[1] = {&a};
    float* ob[1] = {&b};
    state_variable_filter::smooth_fmod(fa, in, oa, 1, 1);
    state_variable_filter::smooth_fmod(fb, in, ob, 1, 1);
    EXPECT_EQ(std::bit_cast<uint32_t>(a), std::bit_cast<uint32_t>(b)) << "smoother " << l;
  }
}
