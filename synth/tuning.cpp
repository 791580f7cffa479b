#include "synth/tuning.h"

#include <cmath>

namespace synth {

namespace {

constexpr double note0_hz_exact = 8.17579891564371;  // 440 * 2^(-69/12)

// The degree key k plays, or false when the key is silent.
bool key_degree(const scala_scale& scale, const scala_keymap& map, int key, long long& degree) {
  if (key < map.first_key || key > map.last_key) return false;
  const long long offset = key - map.middle_key;
  if (map.map.empty()) {
    degree = offset;
    return true;
  }
  const auto size = static_cast<long long>(map.map.size());
  long long pattern = offset / size, entry = offset % size;
  if (entry < 0) {
    entry += size;
    pattern -= 1;
  }
  const int d = map.map[size_t(entry)];
  if (d == keymap_unmapped) return false;
  const long long octave = map.octave_degree > 0 ? map.octave_degree : scale.size();
  degree = pattern * octave + d;
  return true;
}

}  // namespace

std::string build_tuning(const scala_scale& scale, const scala_keymap& map, tuning_table& out) {
  if (scale.size() < 1) return "No scale";
  long long reference_degree = 0;
  if (!key_degree(scale, map, map.reference_key, reference_degree))
    return "Reference key " + std::to_string(map.reference_key) + " is not mapped";
  const double reference_cents = scale.degree_cents(reference_degree);
  const double reference_pitch = 12.0 * std::log2(map.reference_hz / note0_hz_exact);
  tuning_table t;
  t.active = true;
  for (int key = 0; key < tuning_keys; ++key) {
    long long degree = 0;
    if (!key_degree(scale, map, key, degree)) continue;
    const double pitch = reference_pitch + (scale.degree_cents(degree) - reference_cents) / 100.0;
    if (!(pitch >= lowest_key_pitch && pitch <= highest_key_pitch)) continue;
    t.pitch[size_t(key)] = float(pitch);
    t.mapped[size_t(key)] = 1;
  }
  out = t;
  return {};
}

std::string tuning_from_texts(std::string_view scale_text, std::string_view keymap_text, tuning_table& out,
                              std::string* description) {
  scala_scale scale;
  std::string error = read_scala_scale(scale_text, scale);
  if (!error.empty()) return error;
  scala_keymap map;
  map.reference_hz = default_tuning_hz;
  if (!keymap_text.empty()) {
    error = read_scala_keymap(keymap_text, map);
    if (!error.empty()) return error;
  }
  error = build_tuning(scale, map, out);
  if (error.empty() && description) *description = scale.description;
  return error;
}

}  // namespace synth
