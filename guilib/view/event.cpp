#include "guilib/view/event.h"

#include <array>
#include <cstddef>

namespace gui {

const char* event_name(int32_t code) {
  static constexpr std::array<const char*, 26> names = {
      "destroy",          "undefined message type", "create",           "activate",
      "redraw",           "resize",                 "set focus",        "kill focus",
      "key down",         "key up",                 "key repeat",       "character",
      "mouse left down",  "mouse left up",          "mouse left double", "mouse mid down",
      "mouse mid up",     "mouse mid double",       "mouse right down", "mouse right up",
      "mouse right double", "mouse move",           "mouse wheel",      "vertical scroll",
      "horizontal scroll", "timer"};
  if (code < 0 || code >= int32_t(std::size(names))) return "undefined message type";
  return names[std::size_t(code)];
}

}  // namespace gui
