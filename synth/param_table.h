// The parameter table: one row per parameter, read by the host boundary, the
// files, MIDI learn, the routes and the editor alike. Parameters 0..88 belong
// to each preset (the 89 a host sees); 89..105 are the instance's globals.
#pragma once

#include <cstddef>
#include <cstdint>

namespace synth {

constexpr int preset_param_count = 89;
constexpr int global_param_count = 17;
constexpr int first_global_param = preset_param_count;
constexpr int param_count = preset_param_count + global_param_count;  // 106
constexpr int param_group_count = 22;

struct param_info {
  const char* name;   // table name ("Frequency"); the full name adds the group
  float min;          // internal units
  float max;
  bool is_integer;    // the value is a whole number
  float def;          // default, internal units
};

struct param_group {
  const char* name;   // empty for the globals' group
  int number;
  int first;          // first parameter of the group
};

inline bool param_valid(int index) { return index >= 0 && index < param_count; }

// Row of a valid index (0..105); any other index reads an empty-named 0..1 row,
// so a stray index from a host or a file never reads past the table.
const param_info& param_row(int index);

// Group number of a parameter: the last group whose first index is not above it;
// -1 below the first group (negative indices), the globals' group above 88.
int param_group_of(int index);
const param_group& group_row(int group);  // group 0..21

// Host/editor normalised 0..1 <-> internal units. Integer parameters inside
// [0, 1] use floor(n * (max - min + 0.999) + min) so every integer gets an equal
// share and the top is reachable; outside [0, 1] the plain range is used.
float to_internal(int index, float normalised);
float to_normalised(int index, float internal);

// The name a host sees: "Volume", "Filter Frequency", "Osc B Xmod",
// "Unison Voices". Writes at most cap - 1 characters and a terminator.
void full_name(int index, char* text, size_t cap);

// Named indices used across the engine.
namespace p {
enum : int {
  volume = 0, volume_env = 1, volume_mod_a = 2, volume_mod_b = 3,
  panning = 4, panning_mod_a = 5, panning_mod_b = 6,
  glide_mode = 7, glide_time = 8,
  osc_range = 9, osc_sync = 10,
  pitch_env_a = 11, pitch_env_b = 12, pitch_mod_a = 13, pitch_mod_b = 14,
  osc_xmod = 15,
  osc_a_waveform = 16, osc_a_width = 17, osc_a_xmod = 18,
  width_env_a = 19, width_env_b = 20, width_mod_a = 21, width_mod_b = 22,
  osc_b_waveform = 23, osc_b_width = 24, osc_b_xmod = 25, osc_b_keytrack = 26,
  osc_b_coarse = 27, osc_b_fine = 28,
  detune_env_a = 29, detune_env_b = 30, detune_mod_a = 31, detune_mod_b = 32,
  osc_a_level = 33, osc_a_invert = 34, osc_b_level = 35, osc_b_invert = 36,
  ringmod_level = 37, noise_level = 38,
  filter_mode = 39, filter_trigger = 40, filter_frequency = 41, filter_resonance = 42,
  filter_keytrack = 43, filter_fmod = 44, filter_qmod = 45, filter_saturation = 46,
  filter_env_a = 47, filter_env_b = 48, filter_mod_a = 49, filter_mod_b = 50,
  shaper_mode = 51, shaper_depth = 52, shaper_symm = 53, shaper_tone = 54,
  shflt_mode = 55, shflt_frequency = 56, shflt_resonance = 57, shflt_keytrack = 58,
  env_a_attack = 59, env_a_decay = 60, env_a_sustain = 61, env_a_release = 62,
  env_a_keytrack = 63, env_a_trigger = 64, env_a_const_atk = 65,
  env_b_attack = 66, env_b_decay = 67, env_b_sustain = 68, env_b_release = 69,
  env_b_keytrack = 70, env_b_trigger = 71, env_b_const_atk = 72,
  mod_a_rate = 73, mod_a_delay = 74, mod_a_shape = 75, mod_a_width = 76,
  mod_a_bias = 77, mod_a_keysync = 78, mod_a_keytrack = 79, mod_a_range = 80,
  mod_b_rate = 81, mod_b_delay = 82, mod_b_shape = 83, mod_b_width = 84,
  mod_b_bias = 85, mod_b_keysync = 86, mod_b_keytrack = 87, mod_b_range = 88,
  voices = 89, coarse_tune = 90, fine_tune = 91, master_volume = 92,
  bender_range = 93, bender_route = 94, bender_scale = 95, bender_offset = 96,
  global_glide_mode = 97, velocity_route = 98, velocity_scale = 99, velocity_offset = 100,
  unison_voices = 101, unison_detune = 102, unison_randomization = 103, unison_width = 104,
  parameter_filter = 105,
};
}  // namespace p

}  // namespace synth
