// Fuzz target: the style-sheet parser. Any text gives a tree no deeper than
// the nesting bound, whose names hold none of the delimiters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "guilib/style/style_sheet.h"

namespace {

void check(const gui::style_node& n, size_t depth) {
  if (depth > gui::max_style_depth + 1) std::abort();
  if (n.name.find_first_of("={};") != std::string::npos) std::abort();
  for (const auto& c : n.children) check(*c, depth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  gui::style_sheet s;
  s.parse(std::string(reinterpret_cast<const char*>(data), size));
  check(s.root(), 0);
  return 0;
}
