// The per-user data directory: start-up state and bank, user init and reset
// presets, word lists. Computed and created on first use, kept for the life of
// the library; always ends with a separator so file names append directly.
#pragma once

#include <string>

namespace platform {

// "$VORN_DATA_DIR/" if set, else "$XDG_DATA_HOME/vorn/synth/", else
// "$HOME/.local/share/vorn/synth/". Empty when no directory could be made.
const std::string& app_data_dir();

// Directory + base name + extension ("init", ".vornbank"); empty when the
// directory is unset.
std::string app_data_file(const char* base_name, const char* extension);

// Creates every missing directory of path (separators '/' or '\\').
bool make_directories(const std::string& path);

}  // namespace platform
