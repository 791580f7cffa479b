#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/fp_mode.h"
#include "synth/dsp/noise_generator.h"
#include "synth/dsp/oscillator.h"
#include "synth/dsp/svf_lanes.h"
#include "tests/support/lane_kernels.h"
#include "tools/analysis/signal.h"
#include "tools/analysis/spectrum.h"

using namespace synth;

namespace {

constexpr double rate = 44100.0;

struct rig {
  noise_generator noise;
  oscillator osc;
  rig(int32_t wf, float increment, float width = 0.5f) {
    osc.init(&noise.out_float);
    osc.set_waveform(wf);
    osc.set_pending_width(width);
    osc.set_increment(increment);
    osc.render();  // applies the waveform
    osc.reset();
  }
  std::vector<float> run(size_t n) {
    std::vector<float> out(n);
    for (float& v : out) {
      noise.next();
      v = osc.render();
    }
    return out;
  }
};

// The trivially sampled waveform, as a reference for aliasing.
std::vector<float> naive_wave(int32_t wf, double hz, size_t n, double width = 0.5) {
  std::vector<float> out(n);
  double p = 0;
  for (float& v : out) {
    p += hz / rate;
    p -= std::floor(p);
    switch (wf) {
      case waveform::pulse: v = float(p >= width ? 1 : -1); break;
      case waveform::ramp: v = float(2 * p - 1); break;
      default: v = float(std::fabs(0.5 - p) * 4 - 1); break;
    }
  }
  return out;
}

double alias_db(const std::vector<float>& x, double hz) {
  // Skip the start-up transient.
  return analysis::alias_to_signal_db(x.data() + 64, x.size() - 64, rate, hz);
}

}  // namespace

TEST(oscillator, waveform_names_look_up_both_ways) {
  EXPECT_EQ(waveform_index("null"), 0);
  EXPECT_EQ(waveform_index("pulse"), 1);
  EXPECT_EQ(waveform_index("staircase"), 5);
  EXPECT_EQ(waveform_index("saw"), -1);
  EXPECT_EQ(waveform_index(nullptr), -1);
  noise_generator n;
  oscillator o;
  o.init(&n.out_float);
  EXPECT_TRUE(o.set_waveform("triangle"));
  EXPECT_FALSE(o.set_waveform("square"));
  EXPECT_EQ(o.waveform(), waveform::null);  // waits for the next sample
  EXPECT_EQ(o.render(), 0.f);
  EXPECT_EQ(o.waveform(), waveform::triangle);
  EXPECT_TRUE(o.active() && o.nonzero());
}

TEST(oscillator, every_band_limited_waveform_aliases_at_least_30_db_less_than_naive) {
  struct wave_case { int32_t wf; float width; };
  for (double hz : {880.0, 1760.0, 3520.0}) {
    for (wave_case c : {wave_case{waveform::ramp, 0.5f}, {waveform::pulse, 0.5f}, {waveform::pulse, 0.1f},
                        {waveform::triangle, 0.5f}}) {
      SCOPED_TRACE(hz);
      SCOPED_TRACE(waveform_names[c.wf]);
      SCOPED_TRACE(c.width);
      rig r(c.wf, float(hz / rate), c.width);
      const double bl = alias_db(r.run(size_t(rate)), hz);
      const double naive = alias_db(naive_wave(c.wf, hz, size_t(rate), c.width), hz);
      EXPECT_LT(bl, naive - 30.0) << "band-limited " << bl << " dB, naive " << naive << " dB";
      EXPECT_LT(bl, -45.0);
    }
  }
}

TEST(oscillator, outputs_have_no_dc_and_full_amplitude) {
  for (int32_t wf : {waveform::pulse, waveform::ramp, waveform::triangle, waveform::sine}) {
    for (float inc : {0.01f, 0.0791f, -0.0537f, 0.31f}) {
      SCOPED_TRACE(waveform_names[wf]);
      SCOPED_TRACE(inc);
      rig r(wf, inc, 0.3f);
      std::vector<float> x = r.run(size_t(rate));
      // Mean over whole cycles.
      const size_t period_n = size_t(std::floor((rate - 100) * std::fabs(inc)) / std::fabs(inc));
      EXPECT_NEAR(analysis::mean(x.data() + 100, period_n), 0.0, 2e-3);
      EXPECT_TRUE(analysis::all_finite(x.data(), x.size()));
      const double f = std::fabs(inc) * rate;
      if (std::fabs(inc) < 0.02f && wf != waveform::pulse) {
        // Fundamental of the ideal wave: ramp 2/pi, triangle 8/pi^2, sine 1.
        // The triangle's faded slope residual lifts it by 2 % at 441 Hz.
        const double expected = wf == waveform::ramp ? 2 / M_PI : wf == waveform::triangle ? 8 / (M_PI * M_PI) : 1.0;
        const double tolerance = wf == waveform::triangle ? 0.03 : 0.01;
        EXPECT_NEAR(analysis::tone_amplitude(x.data(), x.size(), rate, f), expected, tolerance * expected);
      }
    }
  }
}

TEST(oscillator, measured_pitch_matches_the_increment) {
  for (double hz : {27.5, 110.0, 440.0, 3520.0, 9000.0}) {
    for (int32_t wf : {waveform::ramp, waveform::pulse, waveform::triangle, waveform::sine}) {
      SCOPED_TRACE(hz);
      rig r(wf, float(hz / rate));
      std::vector<float> x = r.run(size_t(rate));
      const double exact = double(r.osc.increment()) * rate;  // the float increment in force
      const double f = analysis::fundamental_hz(x.data(), x.size(), rate, hz);
      EXPECT_NEAR(analysis::cents(f, exact), 0.0, 0.01);
    }
  }
}

TEST(oscillator, increment_zero_holds_and_large_increments_are_limited) {
  rig r(waveform::pulse, 0.f, 0.5f);
  std::vector<float> x = r.run(200);
  for (size_t i = 20; i < x.size(); ++i) EXPECT_EQ(x[i], x[19]);
  EXPECT_EQ(r.osc.phase(), 0.f);
  r.osc.set_increment(0.9f);
  EXPECT_EQ(r.osc.increment(), 0.5f);
  r.osc.set_increment(-7.f);
  EXPECT_EQ(r.osc.increment(), -0.5f);
  r.osc.set_increment(std::nanf(""));
  EXPECT_EQ(r.osc.increment(), 0.f);
}

TEST(oscillator, negative_increment_plays_the_ramp_mirrored) {
  const float inc = 0.0123f;
  rig up(waveform::ramp, inc), down(waveform::ramp, -inc);
  std::vector<float> a = up.run(44100), b = down.run(44100);
  // Falling from phase 0 is the rising ramp upside down, corrections included
  // (after the falling one's extra step at phase 0 has died away).
  double worst = 0;
  for (size_t i = 20; i < a.size(); ++i) worst = std::max(worst, double(std::fabs(a[i] + b[i])));
  EXPECT_LT(worst, 5e-3);
  EXPECT_NEAR(alias_db(b, inc * rate), alias_db(a, inc * rate), 1.0);
}

TEST(oscillator, widths_0_and_1_give_silence_with_zero_amplitude_steps) {
  for (float w : {0.f, 1.f}) {
    rig r(waveform::pulse, 0.07f, w);
    std::vector<float> x = r.run(1000);
    for (size_t i = 40; i < x.size(); ++i) EXPECT_EQ(x[i], 0.f) << i;  // width 0.5 until the first wrap
  }
}

TEST(oscillator, width_change_waits_for_the_wrap) {
  rig r(waveform::pulse, 0.01f, 0.5f);
  r.run(30);
  r.osc.set_pending_width(0.2f);
  r.run(10);
  EXPECT_EQ(r.osc.width(), 0.5f);
  r.run(70);  // past the wrap at sample 100
  EXPECT_EQ(r.osc.width(), 0.2f);
}

TEST(oscillator, hard_sync_before_the_natural_wrap_is_handled_first) {
  noise_generator n;
  oscillator master, slave;
  master.init(&n.out_float);
  slave.init(&n.out_float);
  master.set_waveform(waveform::ramp);
  slave.set_waveform(waveform::ramp);
  master.set_increment(0.225f);
  slave.set_increment(0.2f);
  for (int i = 0; i < 4; ++i) {  // master at 0.9, slave at 0.8
    master.render();
    slave.render();
  }
  // Next sample: the master wraps 0.125 / 0.225 = 0.556 samples before its
  // end; the slave, now at 0.3 per sample, would wrap naturally only 1/3
  // sample before the end. The sync comes first and the wrap never happens.
  slave.set_increment(0.3f);
  slave.set_sync_master(&master);
  prepare_sync(slave);
  ASSERT_TRUE(slave.sync_pending());
  EXPECT_NEAR(slave.sync_time(), 0.125f / 0.225f, 1e-5);
  master.render();
  slave.render();
  EXPECT_NEAR(slave.phase(), 0.3f * 0.125f / 0.225f, 1e-5);
  EXPECT_FALSE(slave.sync_pending());
  // A sync after the natural wrap: both happen, the sync last.
  slave.set_sync_master(nullptr);
  slave.set_increment(0.1778f);
  for (int i = 0; i < 3; ++i) {  // master 0.125 -> 0.8, slave 0.167 -> 0.7
    master.render();
    slave.render();
  }
  // Now the slave wraps 1/3 sample before the end, the master 1/9: the
  // natural wrap first, then the reset.
  slave.set_increment(0.45f);
  slave.set_sync_master(&master);
  prepare_sync(slave);
  ASSERT_TRUE(slave.sync_pending());
  const float sync_time = slave.sync_time();
  master.render();
  slave.render();
  EXPECT_NEAR(slave.phase(), 0.45f * sync_time, 1e-5);
}

TEST(oscillator, hard_synced_ramp_is_periodic_in_the_master_and_band_limited) {
  noise_generator n;
  oscillator master, slave;
  master.init(&n.out_float);
  slave.init(&n.out_float);
  master.set_waveform(waveform::ramp);
  slave.set_waveform(waveform::ramp);
  const double hz = 440;
  master.set_increment(float(hz / rate));
  slave.set_increment(float(hz * 2.37 / rate));
  slave.set_sync_master(&master);
  std::vector<float> x(static_cast<size_t>(rate));
  for (float& v : x) {
    prepare_sync(slave);
    master.render();
    v = slave.render();
  }
  // Naive reference: the slave phase restarts exactly at each master wrap.
  std::vector<float> naive(x.size());
  double pm = 0, ps = 0;
  for (float& v : naive) {
    pm += hz / rate;
    ps += hz * 2.37 / rate;
    if (pm >= 1) {
      pm -= 1;
      ps = pm * 2.37;
    }
    ps -= std::floor(ps);
    v = float(2 * ps - 1);
  }
  const double f = analysis::fundamental_hz(x.data(), x.size(), rate, hz);
  EXPECT_NEAR(analysis::cents(f, double(master.increment()) * rate), 0.0, 0.01);
  const double bl = alias_db(x, double(master.increment()) * rate);
  const double nv = alias_db(naive, hz);
  EXPECT_LT(bl, nv - 25.0) << bl << " vs naive " << nv;
}

TEST(oscillator, multi_ramp_wraps_several_times_per_sample_each_with_its_own_residual) {
  noise_generator n;
  oscillator o;
  o.init(&n.out_float);
  o.set_waveform(waveform::ramp);
  o.set_saw_count(2);
  o.set_spread(30.f);  // very wide: ramp 1 runs far above the main pitch
  const float inc = 0.4f;
  o.set_increment(inc);
  const float d1 = o.saw_ratio(1) * inc;
  ASSERT_GT(d1, 1.2f);  // at least one, often two wraps per sample
  EXPECT_NEAR(o.saw_ratio(0) + o.saw_ratio(1), 2.f, 1e-5);  // ratios average 1
  std::vector<float> x(static_cast<size_t>(rate));
  for (float& v : x) v = o.render();
  EXPECT_TRUE(analysis::all_finite(x.data(), x.size()));
  // All of ramp 1 lies above the folding frequency: what reaches the output
  // is its aliases, which the residuals must cancel. A naive ramp at that
  // rate leaves its fundamental's alias at 2/pi times the gain.
  const double alias_hz = std::fabs(d1 - std::round(d1)) * rate;
  const double gain = o.saw_gain();
  const double leaked = analysis::tone_amplitude(x.data() + 64, x.size() - 64, rate, alias_hz);
  EXPECT_LT(leaked, 0.01 * gain * 2 / M_PI) << "alias at " << alias_hz << " Hz";
}

TEST(oscillator, multi_ramp_ratios_follow_the_detune_pattern) {
  noise_generator n;
  oscillator o;
  o.init(&n.out_float);
  o.set_saw_count(7);
  EXPECT_NEAR(o.saw_gain(), std::sqrt(1.0 / 8.0), 1e-6);
  o.set_spread(1.f);
  double sum = 0;
  for (int k = 0; k < 7; ++k) sum += o.saw_ratio(k);
  EXPECT_NEAR(sum / 7, 1.0, 1e-6);
  // Ratio k sits (sqrt(m) - 1) / (sqrt(19) - 1) of 1/6 octave above ratio 0.
  const double s1 = (std::sqrt(2.0) - 1) / (std::sqrt(19.0) - 1);
  const double s6 = (std::sqrt(8.0) - 1) / (std::sqrt(19.0) - 1);
  const double shift = o.saw_ratio(0) - 1.0;
  EXPECT_NEAR(o.saw_ratio(1) - shift, std::exp2(s1 / 6), 1e-5);
  EXPECT_NEAR(o.saw_ratio(6) - shift, std::exp2(s6 / 6), 1e-5);
  // The multi-ramp keeps the pitch and stays band-limited.
  o.set_waveform(waveform::ramp);
  o.set_increment(float(440 / rate));
  std::vector<float> x(static_cast<size_t>(rate));
  for (float& v : x) v = o.render();
  EXPECT_TRUE(analysis::all_finite(x.data(), x.size()));
  EXPECT_NEAR(analysis::mean(x.data() + 100, x.size() - 100), 0.0, 0.01);
}

TEST(oscillator, sine_shape_is_close_to_a_sine) {
  double worst = 0;
  for (int i = 0; i < 1000; ++i) {
    const double p = i / 1000.0;
    worst = std::max(worst, std::fabs(sine_shape(float(p)) - std::sin(2 * M_PI * p)));
  }
  EXPECT_LT(worst, 6e-3);
  rig r(waveform::sine, float(1000 / rate));
  std::vector<float> x = r.run(size_t(rate));
  EXPECT_LT(alias_db(x, 1000), -45.0);  // harmonics of the approximation count as signal; nothing else
}

TEST(oscillator, staircase_holds_a_noise_value_per_quarter_cycle) {
  noise_generator n;
  oscillator o;
  o.init(&n.out_float);
  o.set_waveform(waveform::staircase);
  o.set_increment(0.001f);
  std::vector<float> noise_values, out;
  for (int i = 0; i < 4000; ++i) {
    n.next();
    noise_values.push_back(n.out_float);
    out.push_back(o.render());
  }
  // Steps at phase 0.25 k, i.e. samples 250 k; mid-step the output has settled
  // on the noise value current when the step happened (the residual's last
  // tap leaves less than 1e-5 of the step).
  for (int k = 1; k < 15; ++k) {
    const float level = out[size_t(250 * k + 125)];
    bool found = false;
    for (int d = -2; d <= 2; ++d) found = found || std::fabs(level - noise_values[size_t(250 * k + d)]) < 1e-5f;
    EXPECT_TRUE(found) << "step " << k;
    EXPECT_EQ(out[size_t(250 * k + 100)], level);
  }
}

TEST(oscillator, waveform_change_is_a_band_limited_jump_at_the_next_sample) {
  rig r(waveform::ramp, 0.002f);
  r.run(100);
  r.osc.set_waveform(waveform::pulse);
  std::vector<float> x = r.run(40);
  EXPECT_EQ(r.osc.waveform(), waveform::pulse);
  // Ramp at phase 0.2 reads -0.6; the pulse (width 0.5) reads -1 + 0 mean
  // correction: a jump of 0.4 spread over a couple of samples, not one.
  EXPECT_LT(analysis::max_step(x.data(), x.size()), 0.32);
  EXPECT_GT(analysis::max_step(x.data(), x.size()), 0.15);
  EXPECT_NEAR(x.back(), -1.0 + 2.0 * 0.002 * 0, 0.02);
}

TEST(oscillator, gate_restart_puts_the_phase_back_to_zero) {
  rig r(waveform::triangle, 0.013f);
  r.run(37);
  r.osc.restart();
  EXPECT_EQ(r.osc.phase(), 0.f);
  std::vector<float> x = r.run(50);
  EXPECT_TRUE(analysis::all_finite(x.data(), x.size()));
}

TEST(oscillator, a_block_with_a_control_per_sample_matches_sample_by_sample) {
  // Vibrato and pulse-width modulation every sample, through each waveform,
  // a synced slave (the per-sample path) and a multi-ramp: the block form
  // gives the samples and the state of set_increment, set_pending_width and
  // render, sample by sample.
  for (int wf = waveform::pulse; wf <= waveform::sine; ++wf) {
    for (int kind = 0; kind < 3; ++kind) {
      oscillator master[2], osc[2];
      for (int k = 0; k < 2; ++k) {
        master[k].init(nullptr);
        master[k].set_waveform(waveform::ramp);
        master[k].set_increment(0.013f);
        osc[k].init(nullptr);
        osc[k].set_waveform(wf);
        if (kind == 1) osc[k].set_sync_master(&master[k]);
        if (kind == 2) osc[k].set_spread(0.4f);
        osc[k].render();  // takes up the waveform, which otherwise waits a sample (and the loops with it)
      }
      const int n = 300;
      std::vector<float> inc(n), width(n), expect(n), got(n);
      for (int i = 0; i < n; ++i) {
        inc[size_t(i)] = 0.02f + 0.01f * std::sin(float(i) * 0.05f);
        width[size_t(i)] = 0.5f + 0.45f * std::sin(float(i) * 0.031f);
      }
      // The block form takes a synced slave a sample at a time, as its
      // master must move in between.
      const int piece = kind == 1 ? 1 : n;
      for (int i = 0; i < n; i += piece) {
        for (int j = i; j < i + piece; ++j) {
          synth::prepare_sync(osc[0]);
          osc[0].set_increment(inc[size_t(j)]);
          osc[0].set_pending_width(width[size_t(j)]);
          expect[size_t(j)] = osc[0].render();
          master[0].render();
        }
        synth::prepare_sync(osc[1]);
        osc[1].render_block(&got[size_t(i)], piece, &inc[size_t(i)], &width[size_t(i)]);
        for (int j = 0; j < piece; ++j) master[1].render();
      }
      for (int i = 0; i < n; ++i) ASSERT_EQ(got[size_t(i)], expect[size_t(i)]) << wf << "/" << kind << " @" << i;
      EXPECT_EQ(osc[1].phase(), osc[0].phase());
      EXPECT_EQ(osc[1].width(), osc[0].width());
      EXPECT_EQ(osc[1].increment(), osc[0].increment());
    }
  }
}

TEST(oscillator, multi_ramp_block_is_sample_by_sample_for_every_ramp_count) {
  // The block form runs the ramps four (SSE2) or eight (AVX2) to a
  // register: counts that fill a register, leave lanes over or take one
  // ramp; rising and falling (through-zero) increments; a spread so wide
  // that ramps wrap several times a sample. Samples, phases and the ramps
  // left out all stay equal, through either kernel.
  for (svf_lanes::kernel kernel : test_support::available_kernels()) {
    test_support::forced_kernel forced(kernel);
    for (int count : {1, 3, 4, 5, 8, 9, 12, 16}) {
      for (float spread : {0.4f, 12.f}) {  // 12: the top ramp runs ~100 times the pitch
        SCOPED_TRACE(std::to_string(count) + " ramps, spread " + std::to_string(spread) +
                     (kernel == svf_lanes::kernel::avx2 ? ", AVX2" : ", SSE2"));
        oscillator osc[2];
        for (oscillator& o : osc) {
          o.init(nullptr);
          o.set_waveform(waveform::ramp);
          o.set_saw_count(16);
          o.set_spread(spread);
          o.set_increment(0.01f);
          for (int i = 0; i < 37; ++i) o.render();  // every ramp somewhere of its own
          o.set_saw_count(count);
        }
        const int n = 400;
        std::vector<float> inc(n), width(n, 0.5f), expect(n), got(n);
        for (int i = 0; i < n; ++i) inc[size_t(i)] = 0.03f * std::sin(float(i) * 0.02f) + (i < n / 2 ? 0.01f : -0.01f);
        for (int i = 0; i < n; ++i) {
          osc[0].set_increment(inc[size_t(i)]);
          expect[size_t(i)] = osc[0].render();
        }
        // Pieces of 64 and of 13 (chunks of the kernel cut short).
        for (int at = 0, piece = 64; at < n; at += piece, piece = piece == 64 ? 13 : 64) {
          const int m = std::min(piece, n - at);
          osc[1].render_block(&got[size_t(at)], m, &inc[size_t(at)], &width[size_t(at)]);
        }
        for (int i = 0; i < n; ++i) ASSERT_EQ(got[size_t(i)], expect[size_t(i)]) << "@" << i;
        for (int k = 0; k < oscillator::max_saws; ++k) EXPECT_EQ(osc[1].saw_phase(k), osc[0].saw_phase(k)) << "ramp " << k;
        // A fixed increment through the block form without one per sample.
        osc[0].set_saw_count(16);
        osc[1].set_saw_count(16);
        for (int i = 0; i < 100; ++i) expect[size_t(i)] = osc[0].render();
        osc[1].render_block(got.data(), 100);
        for (int i = 0; i < 100; ++i) ASSERT_EQ(got[size_t(i)], expect[size_t(i)]) << "all 16 @" << i;
      }
    }
  }
}

TEST(oscillator, block_render_is_sample_by_sample_for_every_waveform_pitch_and_kernel) {
  // Every waveform (pulses of three widths), pitches from note 0 at 192 kHz
  // to Nyquist rising and falling, a fixed increment and one per sample (a
  // vibrato crossing zero for the falling ones, a sample past the limit and
  // a NaN among them), in blocks cut unevenly, in the default rounding and
  // the processing call's: the block form gives render()'s samples bit for
  // bit, through either phase kernel.
  auto bits = [](float x) {
    uint32_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
  };
  for (svf_lanes::kernel kernel : test_support::available_kernels()) {
    test_support::forced_kernel forced(kernel);
    for (bool processing : {false, true}) {
      platform::scoped_fp_mode mode(processing ? platform::processing_fp_mode : platform::control_fp_mode);
      for (int wf = waveform::null; wf < waveform::count; ++wf) {
        for (float width : {0.5f, 0.1f, 0.93f}) {
          if (width != 0.5f && wf != waveform::pulse) continue;
          for (float inc : {4.3e-5f, 0.0099773f, 0.0731f, 0.29f, 0.47f, 0.5f, -0.0131f, -0.41f}) {
            for (bool per_sample : {false, true}) {
              SCOPED_TRACE(std::string(waveform_names[wf]) + " width " + std::to_string(width) + " increment " +
                           std::to_string(inc) + (per_sample ? " per sample" : " fixed") +
                           (processing ? ", toward zero" : ", nearest") +
                           (kernel == svf_lanes::kernel::avx2 ? ", AVX2" : ", SSE2"));
              float noise = 0.25f;
              oscillator osc[2];
              for (oscillator& o : osc) {
                o.init(&noise);
                o.set_waveform(wf);
                o.set_pending_width(width);
                o.set_increment(inc);
                o.render();  // takes up the waveform
              }
              const int n = 1500;
              std::vector<float> increment(n), widths(n), expect(n), got(n);
              for (int i = 0; i < n; ++i) {
                const float vibrato = std::sin(float(i) * 0.013f);
                increment[size_t(i)] = inc < 0.f ? inc * (0.2f + vibrato) : inc * (1.f + 0.05f * vibrato);
                widths[size_t(i)] = width + 0.05f * vibrato;
              }
              increment[700] = 3.f;  // held to Nyquist for a sample
              increment[900] = std::nanf("");  // held to 0
              const int pieces[] = {64, 13, 1, 3, 200, 7, 128};
              for (int at = 0, k = 0; at < n; ++k) {
                const int m = std::min(pieces[k % 7], n - at);
                noise = float(k % 5) * 0.3f - 0.6f;  // the staircase's next levels
                for (int i = at; i < at + m; ++i) {
                  if (per_sample) {
                    osc[0].set_increment(increment[size_t(i)]);
                    osc[0].set_pending_width(widths[size_t(i)]);
                  }
                  expect[size_t(i)] = osc[0].render();
                }
                if (per_sample)
                  osc[1].render_block(&got[size_t(at)], m, &increment[size_t(at)], &widths[size_t(at)]);
                else
                  osc[1].render_block(&got[size_t(at)], m);
                at += m;
              }
              for (int i = 0; i < n; ++i) ASSERT_EQ(bits(got[size_t(i)]), bits(expect[size_t(i)])) << "@" << i;
              EXPECT_EQ(bits(osc[1].phase()), bits(osc[0].phase()));
              EXPECT_EQ(osc[1].increment(), osc[0].increment());
              EXPECT_EQ(osc[1].pending_width(), osc[0].pending_width());
              // The sample after the blocks: the state that was left holds.
              EXPECT_EQ(bits(osc[1].render()), bits(osc[0].render()));
            }
          }
        }
      }
    }
  }
}
