#include "editor/controller_names.h"

#include <array>

#include "editor/menu_strings.h"
#include "guilib/menu/menu_parser.h"

namespace gui {

namespace {

// Walks the "CC" submenu of the source menu: an item's name is its text,
// prefixed by the group label above it where the text alone says too little
// ("A" under "FX send"). The first name found for a number is kept.
std::array<std::string, 128> build_names() {
  std::array<std::string, 128> names;
  const menu_level menu = parse_menu(source_menu(), menu_options{});
  const menu_level* cc = nullptr;
  for (const menu_item& it : menu.items)
    if (it.text == "CC" && it.submenu) cc = it.submenu.get();
  if (!cc) return names;
  std::string group;
  for (const menu_item& it : cc->items) {
    if (it.type == menu_item::kind::label) {
      group = it.text;
      continue;
    }
    const int32_t n = it.value - 384;  // the controllers' value base
    if (it.submenu || n < 0 || n >= 128 || !names[size_t(n)].empty()) continue;
    // A whole name already: the main controllers, the channel mode
    // messages, and the one envelope entry that is not a stage.
    if (group == "Controller" || group == "Control" || group.empty() || it.text == "Brightness") {
      names[size_t(n)] = it.text;
    } else if (group == "Pedals") {
      names[size_t(n)] = it.text + " pedal";
    } else {
      names[size_t(n)] = group + " " + it.text;
    }
  }
  return names;
}

}  // namespace

std::string controller_name(int32_t controller) {
  static const std::array<std::string, 128> names = build_names();
  if (controller >= 0 && controller < 128 && !names[size_t(controller)].empty()) return names[size_t(controller)];
  return "CC " + std::to_string(controller);
}

}  // namespace gui
