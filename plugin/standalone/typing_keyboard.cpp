#include "plugin/standalone/typing_keyboard.h"

#include "guilib/platform/keys.h"

namespace standalone {

namespace {

namespace key = wnd::key;

struct key_step {
  int32_t key;
  int32_t semitones;  // above base_note
};

// The two rows: bottom from C3, top from C4, each running on past the octave.
constexpr key_step key_steps[] = {
    {'Z', 0},  {'S', 1},  {'X', 2},  {'D', 3},  {'C', 4},  {'V', 5},  {'G', 6},  {'B', 7},
    {'H', 8},  {'N', 9},  {'J', 10}, {'M', 11}, {key::comma, 12}, {'L', 13}, {key::period, 14},
    {key::semicolon, 15}, {key::slash, 16},
    {'Q', 12}, {'2', 13}, {'W', 14}, {'3', 15}, {'E', 16}, {'R', 17}, {'5', 18}, {'T', 19},
    {'6', 20}, {'Y', 21}, {'7', 22}, {'U', 23}, {'I', 24}, {'9', 25}, {'O', 26}, {'0', 27},
    {'P', 28},
};

constexpr int32_t octave_down_key = key::left, octave_up_key = key::right;

bool valid_key(int32_t key) { return key >= 0 && key < 256; }

midi_message note_message(uint8_t status, int32_t note, uint8_t velocity) {
  midi_message m;
  m.bytes[0] = status;
  m.bytes[1] = uint8_t(note);
  m.bytes[2] = velocity;
  m.size = 3;
  return m;
}

}  // namespace

int32_t typing_keyboard::note_for(int32_t key) const {
  for (const key_step& s : key_steps) {
    if (s.key != key) continue;
    const int32_t note = base_note + 12 * octave_shift_ + s.semitones;
    return note >= 0 && note <= 127 ? note : -1;
  }
  return -1;
}

bool typing_keyboard::key_down(int32_t key, midi_message& out) {
  if (key == octave_down_key || key == octave_up_key) {
    const int32_t step = key == octave_up_key ? 1 : -1;
    const int32_t shift = octave_shift_ + step;
    if (shift >= -max_octave_shift && shift <= max_octave_shift) octave_shift_ = shift;
    return false;
  }
  if (!valid_key(key) || held_[size_t(key)] >= 0) return false;
  const int32_t note = note_for(key);
  if (note < 0) return false;
  held_[size_t(key)] = int16_t(note);
  out = note_message(0x90, note, velocity);
  return true;
}

bool typing_keyboard::key_up(int32_t key, midi_message& out) {
  if (!valid_key(key) || held_[size_t(key)] < 0) return false;
  out = note_message(0x80, held_[size_t(key)], 0);
  held_[size_t(key)] = -1;
  return true;
}

int32_t typing_keyboard::release_all(midi_message* out, int32_t capacity) {
  int32_t n = 0;
  for (size_t k = 0; k < held_.size() && n < capacity; ++k) {
    if (held_[k] < 0) continue;
    out[n++] = note_message(0x80, held_[k], 0);
    held_[k] = -1;
  }
  return n;
}

int32_t typing_keyboard::held_count() const {
  int32_t n = 0;
  for (int16_t h : held_) n += h >= 0;
  return n;
}

}  // namespace standalone
