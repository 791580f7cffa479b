// The engine's six switches, by index: short name and description as the
// editor shows them.
#pragma once

namespace synth {

enum class engine_flag : int {
  use_program_change = 0,  // follow MIDI program changes
  immediate_program = 1,   // a program change reloads every voice at once
  recycle_voices = 2,      // the same note re-strikes its own releasing voice
  drum_mode = 3,           // each key plays preset (note - 24) mod 128 at pitch 60
  mono_retrigger = 4,      // new notes retrigger the envelopes in mono operation
  block_dc = 5,            // DC-blocking highpass on the output
};
constexpr int engine_flag_count = 6;

struct engine_flag_info {
  const char* short_name;
  const char* description;
  bool default_on;
};

constexpr engine_flag_info engine_flag_table[engine_flag_count] = {
    {"use prg chg", "Follow MIDI program change", false},
    {"imd prg chg", "Immediately update all voices", false},
    {"recycle vcs", "Recycle same voice for same note", true},
    {"drum mode", "Map note to preset", false},
    {"mono retrig", "Retrigger new notes in monophonic mode", false},
    {"block dc", "Highpass filter output", true},
};

}  // namespace synth
