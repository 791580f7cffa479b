// The groups of the command function (plugin/synth_command.h), each taking
// the numbers of its range and returning 0 for numbers it does not know.
#pragma once

#include "plugin/synth_command.h"

namespace plugin {

class synth_plugin;

int parameter_command(synth_plugin& p, command_args& a, int number);  // 0..25
int file_command(synth_plugin& p, command_args& a, int number);       // 26..55
int voice_command(synth_plugin& p, command_args& a, int number);      // 59..85
int tuning_command(synth_plugin& p, command_args& a, int number);     // 86..90

// Copies text into a.text_out (when given), cut to its capacity.
void put_text_out(command_args& a, const char* text);

}  // namespace plugin
