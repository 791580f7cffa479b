#include "synth/param_display.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "synth/param_table.h"

namespace synth {
namespace {

std::string show(int index, float v, const display_context& ctx = {}) {
  char text[64];
  display(index, v, ctx, text, sizeof text);
  return text;
}

std::string time_text(double t, const char* zero = nullptr) {
  char text[64];
  format_time(t, zero, text, sizeof text);
  return text;
}

std::string freq_text(double f, const char* zero = nullptr) {
  char text[64];
  format_frequency(f, zero, text, sizeof text);
  return text;
}

// A preset vector with every default, so an LFO rate can read its Range.
std::array<float, preset_param_count> default_values() {
  std::array<float, preset_param_count> v{};
  for (int i = 0; i < preset_param_count; ++i) v[i] = param_row(i).def;
  return v;
}

// v with 32 v landing inside step c - 1 of the tempo range (c = 1..33).
float tempo_step(int c) { return (float(c - 1) + 0.25f) / 32.f; }

TEST(param_display, time_format_picks_unit_and_decimals) {
  EXPECT_EQ(time_text(0.0), "Off");
  EXPECT_EQ(time_text(-1.0, "-"), "-");
  EXPECT_EQ(time_text(0.5e-6), "0.50 us");
  EXPECT_EQ(time_text(0.0125), "12.5 ms");
  EXPECT_EQ(time_text(0.25), "250 ms");
  EXPECT_EQ(time_text(1.5), "1.50 s");
  EXPECT_EQ(time_text(123.4), "123 s");
  // Thresholds follow the number as printed: never "100.00 us" or "1000 ms".
  EXPECT_EQ(time_text(double(0.0001f)), "100 us");
  EXPECT_EQ(time_text(9.9999), "10.0 s");
  EXPECT_EQ(time_text(0.99999), "1.00 s");
  EXPECT_EQ(time_text(0.0994), "99.4 ms");
}

TEST(param_display, frequency_format_covers_every_unit_and_the_period) {
  EXPECT_EQ(freq_text(440.0), "440 Hz");
  EXPECT_EQ(freq_text(12.34), "12.3 Hz");
  EXPECT_EQ(freq_text(1500.0), "1.50 kHz");
  EXPECT_EQ(freq_text(2.5e6), "2.50 MHz");
  EXPECT_EQ(freq_text(3e9), "3.00 GHz");
  EXPECT_EQ(freq_text(4e12), "4.00 THz");
  EXPECT_EQ(freq_text(999.99), "1.00 kHz");
  EXPECT_EQ(freq_text(0.5), "2.00 s");
  EXPECT_EQ(freq_text(0.0), "Off");
  EXPECT_EQ(freq_text(-3.0, ""), "");
}

TEST(param_display, level_curve_passes_its_points_and_rises_monotonically) {
  EXPECT_FLOAT_EQ(level_curve_db(-1.f), -90.f);
  EXPECT_FLOAT_EQ(level_curve_db(0.f), -90.f);
  EXPECT_FLOAT_EQ(level_curve_db(0.03125f), -66.f);
  EXPECT_FLOAT_EQ(level_curve_db(0.0625f), -42.f);
  EXPECT_FLOAT_EQ(level_curve_db(0.25f), -24.f);
  EXPECT_FLOAT_EQ(level_curve_db(0.5f), -12.f);
  EXPECT_FLOAT_EQ(level_curve_db(0.75f), 0.f);
  EXPECT_FLOAT_EQ(level_curve_db(0.875f), 6.f);
  EXPECT_FLOAT_EQ(level_curve_db(1.f), 12.f);
  float prev = level_curve_db(0.f);
  for (int i = 1; i <= 1000; ++i) {
    float db = level_curve_db(i / 1000.f);
    ASSERT_GT(db, prev) << i;
    prev = db;
  }
}

TEST(param_display, volume_pan_and_mixer_levels) {
  EXPECT_EQ(show(p::volume, 0.75f), "0.0 dB");
  EXPECT_EQ(show(p::volume, 1.f), "12.0 dB");
  EXPECT_EQ(show(p::volume, 0.5f), "-12.0 dB");
  EXPECT_EQ(show(p::volume, 0.f), "-36.0 dB");
  EXPECT_EQ(show(p::volume_env, 2.f), "B");
  EXPECT_EQ(show(p::volume_env, 3.f), "invalid");
  EXPECT_EQ(show(p::panning, -1.f), "Left");
  EXPECT_EQ(show(p::panning, 0.f), "Center");
  EXPECT_EQ(show(p::panning, 1.f), "Right");
  EXPECT_EQ(show(p::panning, -0.5f), "-50.0");
  EXPECT_EQ(show(p::osc_a_level, 0.f), "-");
  EXPECT_EQ(show(p::osc_a_level, 0.75f), "0.0 dB");
  EXPECT_EQ(show(p::noise_level, 0.25f), "-24.0 dB");
  EXPECT_EQ(show(p::ringmod_level, 1.f), "12.0 dB");
  EXPECT_EQ(show(p::osc_b_invert, 1.f), "On");
  EXPECT_EQ(show(p::mod_b_keysync, 0.f), "-");
  EXPECT_EQ(show(p::volume_mod_a, 0.f), "-");  // the plain percentage texts
  EXPECT_EQ(show(p::filter_env_b, -1.f), "-100.0");
  EXPECT_EQ(show(p::shaper_depth, 0.5f), "50.0");
}

TEST(param_display, oscillator_texts) {
  EXPECT_EQ(show(p::glide_mode, 4.f), "Linear Hz");
  EXPECT_EQ(show(p::glide_time, 0.f), "-");
  EXPECT_EQ(show(p::glide_time, 1.f), "4.00 s");
  const char* ranges[] = {"32", "16", "8", "4", "2"};
  for (int r = 0; r <= 4; ++r) EXPECT_EQ(show(p::osc_range, float(r)), ranges[r]);
  EXPECT_EQ(show(p::osc_sync, 1.f), "A --> B");
  EXPECT_EQ(show(p::osc_xmod, 12.f), "A + B LD");
  EXPECT_EQ(show(p::osc_xmod, 13.f), "invalid");
  EXPECT_EQ(show(p::osc_b_coarse, to_internal(p::osc_b_coarse, 1.f)), "+36");
  EXPECT_EQ(show(p::osc_b_coarse, to_internal(p::osc_b_coarse, 0.f)), "-36");
  EXPECT_EQ(show(p::osc_b_coarse, to_internal(p::osc_b_coarse, 0.5f)), "+0");
  EXPECT_EQ(show(p::osc_b_fine, 0.f), "-");
  EXPECT_EQ(show(p::osc_b_fine, 0.25f), "+25.0 cents");
  EXPECT_EQ(show(p::osc_b_fine, -0.5f), "-50.0 cents");
}

TEST(param_display, waveforms_name_analytic_shapes_then_pcm_waves) {
  EXPECT_EQ(show(p::osc_a_waveform, 0.f), "-");
  EXPECT_EQ(show(p::osc_a_waveform, 1.f), "Pulse");
  EXPECT_EQ(show(p::osc_b_waveform, 3.f), "Triangle");
  EXPECT_EQ(show(p::osc_b_waveform, 5.f), "Staircase");
  EXPECT_EQ(show(p::osc_a_waveform, 6.f), "PCM no data!");
  const char* names[] = {"Choir", "Bell"};
  display_context ctx;
  ctx.pcm_names = names;
  ctx.pcm_count = 2;
  EXPECT_EQ(show(p::osc_a_waveform, 6.f, ctx), "Choir");
  EXPECT_EQ(show(p::osc_b_waveform, 7.f, ctx), "Bell");
  EXPECT_EQ(show(p::osc_b_waveform, 8.f, ctx), "PCM no data!");
}

TEST(param_display, filter_shaper_and_envelope_texts) {
  EXPECT_EQ(show(p::filter_mode, 0.f), "-");
  EXPECT_EQ(show(p::filter_mode, 1.f), "Low 12 dB");
  EXPECT_EQ(show(p::filter_mode, 8.f), "Notch x2");
  EXPECT_EQ(show(p::filter_mode, 9.f), "invalid");
  EXPECT_EQ(show(p::filter_trigger, 2.f), "Reset");
  // Cutoff 2^(10.666667 v) * 2 * 8.175799 Hz: 16.35 Hz .. 26.58 kHz.
  EXPECT_EQ(show(p::filter_frequency, 0.f), "16.4 Hz");
  EXPECT_EQ(show(p::filter_frequency, 0.5f), "659 Hz");
  EXPECT_EQ(show(p::shflt_frequency, 1.f), "26.6 kHz");
  EXPECT_EQ(show(p::shaper_mode, 2.f), "Absolute");
  EXPECT_EQ(show(p::shaper_tone, 0.f), "1.00 Hz");
  EXPECT_EQ(show(p::shaper_tone, 1.f), "4.00 kHz");
  EXPECT_EQ(show(p::shflt_mode, 7.f), "Band KHN");
  EXPECT_EQ(show(p::env_a_attack, 0.f), "100 us");
  EXPECT_EQ(show(p::env_a_attack, 1.f), "10.0 s");
  EXPECT_EQ(show(p::env_b_decay, 1.f), "40.0 s");
  EXPECT_EQ(show(p::env_a_release, 0.5f), "2.50 s");
  EXPECT_EQ(show(p::env_b_trigger, 7.f), "Mod & Delay B");
}

TEST(param_display, lfo_texts_follow_the_range_of_the_same_lfo) {
  auto values = default_values();
  display_context ctx;
  ctx.preset = values.data();
  EXPECT_EQ(show(p::mod_a_rate, 0.f, ctx), "Hold");
  EXPECT_EQ(show(p::mod_a_rate, 1.f, ctx), "32.0 Hz");
  EXPECT_EQ(show(p::mod_a_rate, 0.1f, ctx), "3.05 s");  // 0.328 Hz as its period
  values[p::mod_a_range] = 1.f;  // Audio; Mod B stays Low
  EXPECT_EQ(show(p::mod_a_rate, 483.5f / 720.f, ctx), "12st 30cents");
  EXPECT_EQ(show(p::mod_a_rate, 236.5f / 720.f, ctx), "-12st 40cents");
  EXPECT_EQ(show(p::mod_a_rate, 355.5f / 720.f, ctx), "-0st 50cents");
  EXPECT_EQ(show(p::mod_b_rate, 1.f, ctx), "32.0 Hz");
  values[p::mod_b_range] = 2.f;  // Tempo
  EXPECT_EQ(show(p::mod_b_rate, 0.f, ctx), "32 T");
  EXPECT_EQ(show(p::mod_b_rate, 1.f, ctx), "64th");
  EXPECT_EQ(show(p::mod_b_rate, 0.5f, ctx), "2nd D");
  const char* tempo[] = {"16 D", "16", "16 T", "1 D", "1", "1 T", "2nd T", "4th D", "32nd D", "32nd", "64th D"};
  const int steps[] = {2, 3, 4, 14, 15, 16, 19, 20, 29, 30, 32};
  for (int i = 0; i < 11; ++i) EXPECT_EQ(show(p::mod_b_rate, tempo_step(steps[i]), ctx), tempo[i]) << steps[i];
  values[p::mod_b_range] = 3.f;
  EXPECT_EQ(show(p::mod_b_rate, 0.5f, ctx), "invalid");
  EXPECT_EQ(show(p::mod_a_delay, 0.f), "-");
  EXPECT_EQ(show(p::mod_a_delay, 1.f), "5.50 s");
  EXPECT_EQ(show(p::mod_b_shape, 4.f), "Random");
  EXPECT_EQ(show(p::mod_a_bias, -1.f), "Negative");
  EXPECT_EQ(show(p::mod_a_bias, 0.f), "Bipolar");
  EXPECT_EQ(show(p::mod_b_bias, 1.f), "Positive");
  EXPECT_EQ(show(p::mod_a_range, 2.f), "Tempo");
}

TEST(param_display, global_texts) {
  EXPECT_EQ(show(p::voices, param_row(p::voices).def), "Poly 16");
  EXPECT_EQ(show(p::voices, to_internal(p::voices, 0.f)), "Mono Lowest");
  EXPECT_EQ(show(p::voices, to_internal(p::voices, 1.f)), "Poly 32");
  EXPECT_EQ(show(p::voices, 3.f), "Mono Oldest");
  EXPECT_EQ(show(p::coarse_tune, 24.f), "-");
  EXPECT_EQ(show(p::coarse_tune, 36.f), "+12 semitones");
  EXPECT_EQ(show(p::coarse_tune, 0.f), "-24 semitones");
  EXPECT_EQ(show(p::fine_tune, 0.5f), "+0 cents");
  EXPECT_EQ(show(p::fine_tune, 0.f), "-50 cents");
  EXPECT_EQ(show(p::master_volume, 0.625f), "-18.0 dB");
  EXPECT_EQ(show(p::master_volume, 1.f), "0.0 dB");
  EXPECT_EQ(show(p::bender_range, 2.f), "+2 semitones");
  EXPECT_EQ(show(p::bender_route, 0.f), "-");
  EXPECT_EQ(show(p::bender_route, 1.f), "Volume Volume");
  EXPECT_EQ(show(p::velocity_route, 42.f), "Filter Frequency");
  EXPECT_EQ(show(p::velocity_route, 89.f), "Mod B Range");
  EXPECT_EQ(show(p::bender_route, 90.f), "invalid");
  EXPECT_EQ(show(p::bender_scale, 0.5f), "-");
  EXPECT_EQ(show(p::bender_offset, 1.f), "+1.00");
  EXPECT_EQ(show(p::velocity_scale, 0.f), "-1.00");
  EXPECT_EQ(show(p::velocity_offset, 0.75f), "+0.50");
  display_context mono;
  mono.polyphonic = false;
  EXPECT_EQ(show(p::global_glide_mode, 0.f), "Follow");
  EXPECT_EQ(show(p::global_glide_mode, 2.f, mono), "Afingered");
  EXPECT_EQ(show(p::global_glide_mode, 3.f), "invalid");
  EXPECT_EQ(show(p::unison_voices, 0.f), "1");
  EXPECT_EQ(show(p::unison_voices, 15.f), "16");
  EXPECT_EQ(show(p::unison_detune, 0.5f), "50 cents");
  EXPECT_EQ(show(p::unison_width, 0.5f), "50%");
  EXPECT_EQ(show(p::parameter_filter, 0.2f), "invalid");
  EXPECT_EQ(show(-1, 0.f), "invalid");
  EXPECT_EQ(show(param_count, 0.f), "invalid");
}

// Every text of every parameter at several values, into buffers of several
// sizes: the text is the prefix of the full text that fits, always terminated,
// and nothing past cap is touched.
TEST(param_display, texts_stay_inside_small_buffers) {
  auto values = default_values();
  std::string long_name(100, 'w');
  const char* names[] = {long_name.c_str()};
  display_context ctx;
  ctx.preset = values.data();
  ctx.pcm_names = names;
  ctx.pcm_count = 1;
  constexpr char guard = '\x5a';
  for (int index = -1; index <= param_count; ++index) {
    const param_info& r = param_row(index);
    for (float v : {r.min, r.max, r.def, 0.5f * (r.min + r.max), 6.f, -1e30f, 1e30f}) {
      char full[256];
      display(index, v, ctx, full, sizeof full);
      ASSERT_LT(std::strlen(full), 255u);
      for (size_t cap : {size_t(0), size_t(1), size_t(2), size_t(5), size_t(64)}) {
        char text[80];
        std::memset(text, guard, sizeof text);
        display(index, v, ctx, text, cap);
        for (size_t i = cap; i < sizeof text; ++i) ASSERT_EQ(text[i], guard) << index << " cap " << cap;
        if (cap == 0) continue;
        size_t len = std::strlen(text);
        ASSERT_LT(len, cap);
        EXPECT_EQ(std::string(text), std::string(full).substr(0, len));
        EXPECT_EQ(len, std::min(cap - 1, std::strlen(full)));
      }
    }
  }
  char text[64];
  display(p::osc_a_waveform, 6.f, ctx, text, sizeof text);
  EXPECT_EQ(std::strlen(text), 63u);
}

}  // namespace
}  // namespace synth
