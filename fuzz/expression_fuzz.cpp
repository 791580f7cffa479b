// Fuzz target: the style expression evaluator. Any text evaluates without
// crashing; a failed statement never changes the result.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "guilib/style/color.h"
#include "guilib/style/expression.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  gui::expression_evaluator e;
  e.evaluate(text.c_str());
  const double before = e.result();
  e.evaluate("1 / 0");
  if (e.result() != before && !(before != before)) std::abort();  // NaN compares unequal to itself
  gui::parse_color(text);
  gui::named_color(text);
  return 0;
}
