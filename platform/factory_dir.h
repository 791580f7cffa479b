// The folder of the factory content (bank, states, songs) that a file dialog
// offers beside the user's own folder. Paths are UTF-8.
#pragma once

#include <string>

namespace platform {

// $VORN_FACTORY_DIR if set, else the folder "Vorn Factory" beside the
// library holding this code (the plug-in), with a trailing separator; empty
// when that folder does not exist.
std::string factory_dir();

}  // namespace platform
