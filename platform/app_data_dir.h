// The per-user data directory: start-up state and bank, user init and reset
// presets, word lists. Computed and created on first use and kept for the life
// of the library; it ends with a separator so file names append directly.
// Paths are UTF-8.
#pragma once

#include <string>

namespace platform {

// $VORN_DATA_DIR if set, else the user's application-data folder followed by
// vorn/synth/ (Linux: $XDG_DATA_HOME or ~/.local/share; Windows: the shell's
// per-user AppData folder). Empty when no directory could be made.
const std::string& app_data_dir();

// Directory + base name + extension ("init", ".vornbank"); empty when the
// directory is unset.
std::string app_data_file(const char* base_name, const char* extension);

// What app_data_dir() keeps: the same lookup, made again from the current
// environment and created on disk.
std::string find_app_data_dir();

// Creates every missing directory of path (separators '/' or '\\'); true when
// path names a directory afterwards.
bool make_directories(const std::string& path);

}  // namespace platform
