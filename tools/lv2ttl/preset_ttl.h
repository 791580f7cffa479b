// The Turtle of the vorn-presets.lv2 bundle: every factory sound as a
// pset:Preset carrying its parameter values and the instance state it plays
// in, each in a pset:Bank named after its category.
#pragma once

#include <string>
#include <vector>

namespace lv2ttl {

// factory_dir holds the factory bank build's output (sounds.tsv, the bank,
// the states). Writes manifest.ttl and presets.ttl into bundle_dir; false
// with a message on stderr when a file is missing or unreadable.
bool write_presets(const std::string& factory_dir, const std::string& bundle_dir,
                   const std::vector<std::string>& symbols);

}  // namespace lv2ttl
