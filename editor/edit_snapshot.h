// The parts of the instance an edit changes, read into undo records and put
// back, all through the synth port (commands, whole presets, the host).
#pragma once

#include <cstdint>

#include "editor/synth_port.h"
#include "editor/undo_history.h"

namespace gui {

// What a step covers: bit flags, and the parameter of a parameter step.
namespace edit_part {
constexpr uint32_t param = 1;     // one parameter (the current program's, or a global)
constexpr uint32_t program = 2;   // the current program whole
constexpr uint32_t bank = 4;      // every slot and the bank's name
constexpr uint32_t routes = 8;    // the 16 route rows
constexpr uint32_t effects = 16;  // the four effect slots with their values
}  // namespace edit_part

struct edit_scope {
  uint32_t parts = 0;
  int32_t param = -1;
};

edit_state capture(const synth_port& port, const edit_scope& scope);

// Keeps only the bank slots an edit changed: a pair of captures of the same
// scope loses the program records that are equal in both.
void keep_changed_programs(edit_state& before, edit_state& after);

// Puts a captured state back. Parameters of the current program go through
// the host (so it records them, between a begin and an end of edit); whole
// programs and the bank through the preset access; routes and effects
// through their commands.
void restore(const synth_port& port, const edit_state& state);

}  // namespace gui
