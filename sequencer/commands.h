// The cell commands the player knows: numbers, the two-character mnemonics
// of the row text, and which of them reuse their last non-zero parameter.
#pragma once

#include <cstdint>

namespace sequencer {

namespace cmd {
enum : int32_t {
  arpeggio_6_up = 0, arpeggio_3_up = 1, arpeggio_4_alternate = 2, arpeggio_6_down = 3, arpeggio_3_down = 4,
  restore_env_a_attack_decay = 5, restore_env_a_sustain_release = 6,
  restore_env_b_attack_decay = 7, restore_env_b_sustain_release = 8,
  volume = 9,            // "vi": L1 <- parameter / 255
  speed_swing = 10,      // "A ": speed from the high nibble (when not 0), swing from the low one
  pattern_break = 11,    // "b ": next position, at row `parameter`
  restore_cutoff = 12,   // "fc"
  note_delay = 13,       // "d ": the row's note starts parameter / 256 of the row late
  pitch_up = 14,         // "p+": the note rises by parameter semitones over the row
  pitch_down = 15,       // "p-"
  glide = 16,            // "g "
  vibrato = 17,          // "vb"
  mark_i = 18, mark_j = 19, mark_k = 20,  // "i ", "j ", "k ": shown, nothing played
  restore_width = 21,    // "pw"; from an AHX module (parameter 128 + position / 2) the pulse position
  all_volumes = 22,      // "vm": L2 of every channel <- parameter / 255
  note_off = 23,         // "n ": the note is released parameter / 256 of the row late
  cutoff = 24,           // "fx": filter "Frequency" <- parameter / 255
  pan = 25,              // "p ": "Panning" <- (parameter - 128) / 127
  restore_resonance = 26,  // "q "
  retrigger = 27,        // "r ": the note restarts every row / (parameter >> 4); bit 3: (p & 7) + 1 times
  volume_slide = 28,     // "s ": L1 moves by (high nibble, or - low nibble) / 15 over the row
  tempo = 29,
  channel_volume = 31,   // L2 <- parameter / 255
  restore_panning = 33,
  position_jump = 35,    // own files: to position parameter + 1; AHX: to position parameter
  retrigger_2 = 36,      // as 27
  restore_filter_env_b = 37,
  set_speed = 38,        // speed <- parameter, at least 1 (AHX F00: the song ends)
  position_hundreds = 48,  // AHX 0y: the hundreds digit of a jump in the same row
};
}
constexpr int32_t command_count = 64;  // numbers a cell can hold (own files: 6 bits)

// Two characters, or null for a number without a mnemonic.
const char* command_mnemonic(int32_t command);
// Commands whose parameter 0 means "the last non-zero parameter".
bool command_reuses_parameter(int32_t command);

}  // namespace sequencer
