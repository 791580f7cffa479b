// The text of vorn-render --list-fx: every registered effect with its
// parameters, ranges, defaults and the default's display.
#pragma once

#include <string>

namespace render {

std::string effects_report();

}  // namespace render
