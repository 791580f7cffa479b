// The computer keyboard as a music keyboard, for playing without a MIDI
// keyboard: two rows of keys as on common standalone synths. The bottom row
// Z S X D C V G B H N J M , L . ; / plays from C3 (MIDI note 48) up to E4, the
// top row Q 2 W 3 E R 5 T 6 Y 7 U I 9 O 0 P from C4 up to E5 (the digits and
// the home-row letters are the black keys). Left and Right move both rows an
// octave down or up (four octaves either way).
//
// Keys are the toolkit's key codes (guilib/platform/keys.h). A key held while
// the octave moves ends on the note it started, so no note hangs.
#pragma once

#include <array>
#include <cstdint>

#include "plugin/standalone/midi_fifo.h"

namespace standalone {

class typing_keyboard {
 public:
  static constexpr int32_t base_note = 48;  // C3: the bottom row's Z
  static constexpr int32_t max_octave_shift = 4;
  static constexpr uint8_t velocity = 100;

  typing_keyboard() { held_.fill(-1); }

  // The note a key plays at the current octave, or -1 (not a note key, or
  // beyond MIDI's 0..127).
  int32_t note_for(int32_t key) const;

  // A key went down: true with a note-on in `out` when it starts a note. A
  // repeat of a held key starts nothing; the octave keys move the octave.
  bool key_down(int32_t key, midi_message& out);
  // A key went up: true with the note-off of the note it started.
  bool key_up(int32_t key, midi_message& out);
  // The window lost the keyboard: note-offs for every held key (at most
  // `capacity`), which no longer count as held. Returns how many.
  int32_t release_all(midi_message* out, int32_t capacity);

  int32_t octave_shift() const { return octave_shift_; }
  int32_t held_count() const;

 private:
  std::array<int16_t, 256> held_;  // the note each key code started, or -1
  int32_t octave_shift_ = 0;
};

}  // namespace standalone
