#include "editor/control_menu.h"

namespace gui {

namespace {

// Menu texts may not hold the language's delimiters.
std::string plain(std::string s) {
  for (char& c : s)
    if (c == ',' || c == '{' || c == '}' || c == '=' || c == '[' || c == ']') c = ' ';
  return s;
}

}  // namespace

std::string control_menu_text(const control_menu_entries& e) {
  std::string s = "[150x14][h0]";
  if (!e.automation_name.empty()) s += "[lAutomation: " + plain(e.automation_name) + "]";
  if (e.learn && e.controllers.empty()) s += "Learn MIDI controller=" + std::to_string(control_menu_item::learn) + ",";
  for (int32_t cc : e.controllers)
    s += "Forget controller CC " + std::to_string(cc) + "=" + std::to_string(control_menu_item::forget_first + cc) + ",";
  if (e.set_default) s += "Set to default=" + std::to_string(control_menu_item::set_default) + ",";
  // Three dots, not U+2026: the menu fonts draw single bytes.
  if (e.enter_value) s += "Enter value…=" + std::to_string(control_menu_item::enter_value) + ",";
  return s;
}

menu_options control_menu::menu_settings(const input_state& held) const {
  menu_options o;
  o.scale = style_.scale;
  o.item_width = 150;
  o.item_height = 14;
  o.shift = held.shift;
  o.ctrl = held.ctrl;
  o.alt = held.alt;
  return o;
}

void control_menu::menu_chosen(const menu_choice& c) {
  if (chosen_) chosen_(c.value);
}

}  // namespace gui
