#include "files/vals_migration.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace files {

namespace {

namespace p = synth::p;

// Mixer levels of versions before 3 were linear in dB over 48 dB, 0 = -36 dB.
float old_level_db(float level) { return level * 48.f - 36.f; }

void invert_glide_time(float* v) { v[p::glide_time] = 1.f - v[p::glide_time]; }

// Pulse-like LFO shapes (up to 0.8) measured their width from the other side.
void invert_lfo_widths(float* v) {
  if (v[p::mod_a_shape] <= 0.8f) v[p::mod_a_width] = 1.f - v[p::mod_a_width];
  if (v[p::mod_b_shape] <= 0.8f) v[p::mod_b_width] = 1.f - v[p::mod_b_width];
}

void move_levels_to_taper(float* v) {
  const float old_depth = v[p::shaper_depth];
  v[p::shaper_depth] = old_depth * 0.5f;
  float volume_db = old_level_db(v[p::volume]);
  if (v[p::shaper_mode] == 0.f) volume_db -= 3.f * old_depth;  // the old soft-clip shaper added gain
  v[p::volume] = level_taper(volume_db);
  if (v[p::ringmod_level] <= 0.f) {
    if (v[p::osc_a_level] > 0.f) v[p::osc_a_level] = level_taper(old_level_db(v[p::osc_a_level]));
    if (v[p::osc_b_level] > 0.f) v[p::osc_b_level] = level_taper(old_level_db(v[p::osc_b_level]));
  } else {
    // The old mixer faded Osc B's level between plain A (0) and the ring
    // product (3/4 and up). Rebuilt as A and ring levels that cross-fade by
    // that amount, each on the taper; B itself no longer sounds.
    const float ring = std::clamp(v[p::osc_b_level] * (4.f / 3.f), 0.f, 1.f);
    v[p::osc_a_level] = level_taper(old_level_db(1.f - ring));
    v[p::osc_b_level] = 0.f;
    v[p::ringmod_level] = level_taper(old_level_db(ring));
  }
  if (v[p::noise_level] > 0.f) v[p::noise_level] = level_taper(old_level_db(v[p::noise_level]));
}

float denormalised(int index, float value) {
  const synth::param_info& r = synth::param_row(index);
  return r.min + value * (r.max - r.min);
}

float old_waveform(float normalised, float width_normalised) {
  const float w = std::floor(normalised * 4.f);
  if (w == 4.f) return 5.f;                                                   // staircase moved up
  if (w == 3.f && std::fabs(width_normalised * 2.f - 1.f) > 0.2f) return 4.f;  // narrow "triangle" was the sine
  return w;
}

float old_resonance(float r) {
  return std::clamp(0.1f / (0.9333333f / std::pow(r, 0.25f) - 0.8333333f), 0.f, 1.f);
}

// Envelope times were the time to fall by 72 dB (2^-12) at 48 kHz; now the
// time to fall to 1 %.
float old_envelope_time(float x) {
  const double d = (std::pow(double(x), 4.0) * 39.9996 + 0.0004) * 48000.0;
  const double a = std::pow(std::pow(2.0, -12.0), 1.0 / d);
  const double t = -4.605170208339834 / std::log(a);
  return float(std::pow((t * 2.0833333e-05 - 0.0001) * 0.025000062, 0.25));
}

float old_lfo_rate(float r, float range) {
  if (range == 0.f) {
    const float f = (r + 1.f / 256.f) * (r + 1.f / 256.f) * 32.703197f;
    if (f <= 0.008333334f) return 0.f;
    if (f >= 32.f) return 1.f;
    return std::sqrt((f - 0.008333334f) * 0.03125814f);
  }
  if (range == 1.f) return ((r * 64.f - 32.f) * 0.027777778f + 1.f) * 0.5f;
  return r;
}

void denormalise_all(float* v) {
  const float width_a = v[p::osc_a_width], width_b = v[p::osc_b_width];
  for (int i = 0; i < synth::preset_param_count; ++i) {
    const float n = v[i];
    switch (i) {
      case p::osc_xmod: v[i] = n * 4.f; break;
      case p::osc_a_waveform: v[i] = old_waveform(n, width_a); break;
      case p::osc_b_waveform: v[i] = old_waveform(n, width_b); break;
      case p::osc_b_coarse: v[i] = std::floor(n * 63.f - 31.5f); break;
      case p::shaper_mode: v[i] = std::min(std::floor(n * 3.f), 2.f); break;
      case p::env_a_trigger:
      case p::env_b_trigger: v[i] = std::floor(n * 5.f); break;
      case p::mod_a_shape:
      case p::mod_b_shape: v[i] = std::min(std::floor(n * 5.f), 4.f); break;
      default: v[i] = denormalised(i, n); break;
    }
  }
  // Keytrack used to pull the cutoff down from the top.
  v[p::filter_frequency] =
      std::clamp(v[p::filter_frequency] + (1.f - v[p::filter_keytrack]) * 0.09375f, 0.f, 1.f);
  v[p::shflt_frequency] =
      std::clamp(v[p::shflt_frequency] + (1.f - v[p::shflt_keytrack]) * 0.09375f, 0.f, 1.f);
  v[p::filter_fmod] = -v[p::filter_fmod];
  v[p::filter_resonance] = old_resonance(v[p::filter_resonance]);
  v[p::shflt_resonance] = old_resonance(v[p::shflt_resonance]);
  for (int i : {p::env_a_decay, p::env_a_release, p::env_b_decay, p::env_b_release})
    v[i] = old_envelope_time(v[i]);
  v[p::mod_a_rate] = old_lfo_rate(v[p::mod_a_rate], std::floor(v[p::mod_a_range]));
  v[p::mod_b_rate] = old_lfo_rate(v[p::mod_b_rate], std::floor(v[p::mod_b_range]));
}

}  // namespace

float level_taper(float db) {
  struct point {
    float db, level;
  };
  static constexpr point taper[] = {{-90.f, 0.f}, {-42.f, 0.0625f}, {-24.f, 0.25f}, {0.f, 0.75f}, {12.f, 1.f}};
  if (!(db > taper[0].db)) return 0.f;  // NaN too
  for (size_t i = 1; i < std::size(taper); ++i) {
    if (db <= taper[i].db) {
      const point a = taper[i - 1], b = taper[i];
      return a.level + (db - a.db) / (b.db - a.db) * (b.level - a.level);
    }
  }
  return 1.f;
}

void migrate_values(float* v, int32_t version) {
  if (version < 1) invert_glide_time(v);
  if (version < 2) invert_lfo_widths(v);
  if (version < 3) move_levels_to_taper(v);
  if (version < 4) denormalise_all(v);
}

}  // namespace files
