// The Turtle of the vorn.lv2 bundle: manifest.ttl and vorn.ttl, read from
// the parameter table and the engine's display texts.
#pragma once

#include <string>
#include <vector>

namespace lv2ttl {

// The parameters' port symbols in parameter order ("filter_frequency").
std::vector<std::string> port_symbols();
std::string plugin_manifest();
std::string plugin_description();

}  // namespace lv2ttl
