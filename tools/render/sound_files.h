// The sound files vorn-render applies before rendering and saves after it.
// Everything goes through the host chunk calls, as a DAW restoring or saving
// a project does: states and banks through the bank chunk, presets through
// the preset chunk, WAVE files by adding a record to the state's PCM list.
#pragma once

#include <string>

#include "tools/vsthost/plugin_instance.h"

namespace render {

bool apply_state_file(vsthost::plugin_instance& plugin, const std::string& path, std::string& error);
// The bank file's presets replace the instance's bank (older "KVXb" files too).
bool apply_bank_file(vsthost::plugin_instance& plugin, const std::string& path, std::string& error);
// Into the current program (older "KVXi" files too).
bool apply_preset_file(vsthost::plugin_instance& plugin, const std::string& path, std::string& error);
// Appends the WAVE file (its first channel) to the PCM list as a new wave.
bool add_wave_file(vsthost::plugin_instance& plugin, const std::string& path, std::string& error);

bool save_state_file(vsthost::plugin_instance& plugin, const std::string& path, std::string& error);
bool save_preset_file(vsthost::plugin_instance& plugin, const std::string& path, std::string& error);

}  // namespace render
