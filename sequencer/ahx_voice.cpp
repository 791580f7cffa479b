#include "sequencer/ahx_voice.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "synth/param_table.h"

namespace sequencer::ahx_voice {

namespace {

namespace p = synth::p;

constexpr int32_t nominal_wavelength = 3;  // 32-sample waves sound at the written note
constexpr float mixer_unity = 0.75f;        // level taper: 0 dB
constexpr int32_t noise_range = 4;
constexpr float noise_coarse = 12.f;        // B an octave above A at range 4: 8 x the note
constexpr float middle_c_hz = 261.6256f;
constexpr float cutoff_base_hz = 16.3516f;  // the cutoff table's base
constexpr float cutoff_octaves = 10.666667f;  // "Frequency" 0..1 spans these octaves above the base
constexpr float middle_period = 340.f;
constexpr float vibrato_period_peak = 255.f / 128.f;  // period units per depth step
constexpr float pitch_depth_semitones = 48.f;  // "Pitch Mod" +-1 moves +-4 octaves
constexpr float lfo_low_min_hz = 0.0083333f, lfo_low_span_hz = 31.991667f;
constexpr float lfo_delay_max_s = 5.5f;
constexpr float attack_max_s = 9.9999f, decay_max_s = 39.9999f, min_time_s = 0.0001f;
constexpr float exponential_stretch = 1.8f;

constexpr int16_t period_table[61] = {
    0,                                                                  // no note
    3424, 3232, 3048, 2880, 2712, 2560, 2416, 2280, 2152, 2032, 1920, 1812,  // C-1
    1712, 1616, 1524, 1440, 1356, 1280, 1208, 1140, 1076, 1016, 960,  906,   // C-2
    856,  808,  762,  720,  678,  640,  604,  570,  538,  508,  480,  453,   // C-3
    428,  404,  381,  360,  339,  320,  302,  285,  269,  254,  240,  226,   // C-4
    214,  202,  190,  180,  170,  160,  151,  143,  135,  127,  120,  113};  // C-5
constexpr double pal_clock_hz = 3546895.0;
constexpr double nominal_wave_samples = 32.0;
constexpr double a4_hz = 440.0;
constexpr double a4_note = 69.0;

float time_value(float seconds, float max_s) {
  return float(std::pow(std::max(seconds - min_time_s, 0.f) / max_s, 0.25f));
}

}  // namespace

int32_t range_of(int32_t wavelength) {
  return std::clamp(2 + nominal_wavelength - std::clamp(wavelength, 0, 5), 0, 4);
}

int32_t octave_offset(int32_t wavelength) {
  const int32_t octaves_up = nominal_wavelength - std::clamp(wavelength, 0, 5);
  return 12 * (2 + octaves_up - range_of(wavelength));
}

param_list waveform_setup(int32_t waveform, int32_t wavelength) {
  param_list l;
  if (waveform < 1 || waveform > 4) return l;
  if (waveform == 4) {
    l.add(p::osc_a_waveform, 0.f);
    l.add(p::osc_a_level, 0.f);
    l.add(p::osc_b_waveform, 5.f);
    l.add(p::osc_b_level, mixer_unity);
    l.add(p::osc_b_keytrack, 1.f);
    l.add(p::osc_b_coarse, noise_coarse);
    l.add(p::osc_range, float(noise_range));
    return l;
  }
  constexpr float oscillator_of[4] = {0.f, 3.f, 2.f, 1.f};  // triangle, ramp, pulse
  l.add(p::osc_a_waveform, oscillator_of[waveform]);
  l.add(p::osc_a_level, mixer_unity);
  l.add(p::osc_b_waveform, 0.f);
  l.add(p::osc_b_level, 0.f);
  l.add(p::osc_range, float(range_of(wavelength)));
  return l;
}

int32_t square_step(int32_t wavelength) { return 1 << (5 - std::clamp(wavelength, 0, 5)); }

float square_width(int32_t position, int32_t wavelength) {
  const int32_t step = square_step(wavelength);
  const int32_t steps = std::max((std::clamp(position, 0, 63)) / step, 1);
  const float duty = float(steps * step) / 64.f;
  return 2.f * duty - 1.f;
}

filter_setting filter_of(int32_t position, int32_t wavelength) {
  filter_setting f;
  if (position < 1 || position > 63 || position == 32) return f;
  const int32_t strength = position < 32 ? position - 1 : position - 33;
  f.mode = position < 32 ? 1 : 2;  // "Low 12 dB", "High 12 dB"
  const double coefficient = (8.0 + 3.0 * strength) * 0.0125;
  const double samples = double(4 << std::clamp(wavelength, 0, 5));
  const double harmonic = samples * std::asin(std::min(coefficient * 0.5, 1.0)) / std::numbers::pi;
  const double note_hz = middle_c_hz * std::exp2(double(range_of(wavelength) - 2));
  f.frequency = float(std::clamp(std::log2(harmonic * note_hz / cutoff_base_hz) / cutoff_octaves, 0.0, 1.0));
  return f;
}

int32_t period_of(int32_t index) {
  const int32_t period = period_table[std::clamp(index, 0, 60)];
  return period > 0 ? period : max_period;
}

double note_of_period(int32_t period) {
  const double hz = pal_clock_hz / (double(std::clamp(period, min_period, max_period)) * nominal_wave_samples);
  return a4_note + 12.0 * std::log2(hz / a4_hz);
}

float channel_pan(int32_t channel, float separation) {
  const float side = (channel % 4 == 0 || channel % 4 == 3) ? -1.f : 1.f;
  return side * std::clamp(separation, 0.f, 1.f);
}

// The voices' pan law (0.224 a^2 + 0.776 a per side, a the side's share).
float pan_law_sum(float pan) {
  const float pp = std::clamp(pan * 0.5f + 0.5f, 0.f, 1.f);
  const float a = (1.f - pp) * (1.f + pp), b = (2.f - pp) * pp;
  return (0.224f * a * a + 0.776f * a) + (0.224f * b * b + 0.776f * b);
}

float vibrato_pitch_depth(int32_t depth) {
  const float period_offset = vibrato_period_peak * float(std::clamp(depth, 0, 15));
  const float semitones = 12.f * std::log2(middle_period / (middle_period - period_offset));
  return semitones / pitch_depth_semitones;
}

float vibrato_rate(int32_t speed, float tick_hz) {
  const float hz = float(std::clamp(speed, 0, 63)) * tick_hz / 64.f;
  if (hz <= lfo_low_min_hz) return 0.f;
  return std::min(std::sqrt((hz - lfo_low_min_hz) / lfo_low_span_hz), 1.f);
}

float lfo_delay(int32_t ticks, float tick_hz) {
  return std::min(std::sqrt(float(std::max(ticks, 0)) / tick_hz / lfo_delay_max_s), 1.f);
}

float attack_value(int32_t ticks, float tick_hz) {
  return std::min(time_value(float(std::max(ticks, 0)) / tick_hz, attack_max_s), 1.f);
}

float decay_value(int32_t ticks, float tick_hz) {
  return std::min(time_value(exponential_stretch * float(std::max(ticks, 0)) / tick_hz, decay_max_s), 1.f);
}

}  // namespace sequencer::ahx_voice
