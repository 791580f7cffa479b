// The groups of the command function (plugin/synth_command.h), each taking
// the numbers of its range and returning 0 for numbers it does not know.
#pragma once

#include <cstddef>

#include "plugin/synth_command.h"

namespace synth {
class synth;
}

namespace plugin {

class instance;

int parameter_command(instance& p, command_args& a, int number);  // 0..25
int file_command(instance& p, command_args& a, int number);       // 26..55
int voice_command(instance& p, command_args& a, int number);      // 59..85
int tuning_command(instance& p, command_args& a, int number);     // 86..90

// The text parameter `index` would show at internal `value`: preset
// parameters through a scratch copy of the current program (an LFO rate
// reads its Range there), globals as they are. Takes the engine lock.
void trial_display(synth::synth& engine, int index, float value, char* text, size_t cap);

// Copies text into a.text_out (when given), cut to its capacity.
void put_text_out(command_args& a, const char* text);

}  // namespace plugin
