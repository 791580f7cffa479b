// The instance's tuning: the pitch every key plays. Without a tuning, key k
// plays pitch k (twelve-tone equal temperament, A4 = 440 Hz), exactly as the
// voices always did; a Scala scale with an optional keyboard mapping replaces
// that with a pitch per key, or silence for a key the mapping leaves out.
// Pitches are in semitones above MIDI note 0 (8.175799 Hz), the unit the
// oscillators, glide and keytracking already work in.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "synth/scala_keymap.h"
#include "synth/scala_scale.h"

namespace synth {

constexpr int tuning_keys = 128;
// No keyboard mapping: degree 0 on key 60 at middle C.
constexpr int default_tuning_key = 60;
constexpr double default_tuning_hz = 261.6256;
// Pitches a key may take (semitones above note 0): about 0.5 Hz to 1.3 MHz.
// Keys outside this range are silent; the oscillators clamp at Nyquist anyway.
constexpr double lowest_key_pitch = -48.0;
constexpr double highest_key_pitch = 228.0;

struct tuning_table {
  bool active = false;                          // false: key k plays pitch k
  std::array<float, tuning_keys> pitch{};       // semitones above note 0
  std::array<uint8_t, tuning_keys> mapped{};    // 0: the key is silent

  float key_pitch(int key) const { return active ? pitch[size_t(key & 0x7F)] : float(key & 0x7F); }
  bool key_sounds(int key) const { return !active || mapped[size_t(key & 0x7F)] != 0; }
};

// The texts a tuning was made from, kept for the instance state.
struct tuning_texts {
  std::string scale;   // the .scl text; empty: no tuning
  std::string keymap;  // the .kbm text; empty: the default mapping
};

// Pitch table of a scale under a mapping. Returns an error text (the
// reference key is silent, or its pitch is out of range) and leaves `out`
// alone, or empty on success.
std::string build_tuning(const scala_scale& scale, const scala_keymap& map, tuning_table& out);
// The whole way from texts: reads both (an empty keymap text gives the
// default mapping) and builds the table; all or nothing.
std::string tuning_from_texts(std::string_view scale_text, std::string_view keymap_text, tuning_table& out,
                              std::string* description = nullptr);

}  // namespace synth
