// The shared folder where the GUI keeps the bitmaps it renders itself (knob
// and switch strips of sizes the skin does not carry), so that later runs
// load them instead of rendering again.
#pragma once

#include <string>

namespace platform {

// "$VORN_CACHE_DIR/" if set, else the shared data folder followed by
// vorn/8/bitmap cache/ (Linux: "$XDG_CACHE_HOME/", else "$HOME/.cache/";
// Windows: the shell's all-users application-data folder); created when
// missing. Read anew on every call (tests point it at temporary folders).
// Empty when no folder could be made: the cache is then skipped.
std::string bitmap_cache_dir();

}  // namespace platform
