// Loading a tuning file: a Scala scale (.scl) or keyboard mapping (.kbm),
// told apart by the extension. A scale keeps the loaded mapping; a mapping
// applies to the loaded scale (twelve equal steps when none is loaded).
#pragma once

#include <string>

#include "synth/engine.h"

namespace files {

// Bytes a tuning file may have (the readers' own bound).
constexpr size_t max_tuning_file_bytes = 1u << 20;

// Empty on success; otherwise the reason, and the tuning is left as it was.
std::string load_tuning_file(const std::string& path, synth::synth& engine);

}  // namespace files
