// The menu a right click opens on a control: controller learn (or forget the
// controllers mapped to it), its default, a typed value, and, for the
// parameters a host automates, the name of its automation lane. The items are
// written in the menu description language and shown by the toolkit's pop-up.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "guilib/menu/menu_session.h"
#include "guilib/widgets/ui_style.h"

namespace gui {

// Item values of the menu.
namespace control_menu_item {
constexpr int32_t learn = 1;
constexpr int32_t set_default = 2;
constexpr int32_t enter_value = 3;
constexpr int32_t forget_first = 100;  // + the controller number
}  // namespace control_menu_item

struct control_menu_entries {
  bool learn = false;                 // the control's value can be mapped to a controller
  std::vector<int32_t> controllers;   // the controllers mapped to it now
  bool set_default = true;
  bool enter_value = true;
  std::string automation_name;        // empty: the host has no lane for it
};

// The description string ("[150x14]Learn MIDI controller=1,...").
std::string control_menu_text(const control_menu_entries& entries);

// The owner of one opened menu: says which item was chosen.
class control_menu final : public menu_owner {
 public:
  control_menu(const ui_style& style, rect anchor, std::string description, std::function<void(int32_t)> chosen)
      : style_(style), anchor_(anchor), description_(std::move(description)), chosen_(std::move(chosen)) {}

  std::string_view menu_description() const override { return description_; }
  menu_options menu_settings(const input_state& held) const override;
  const ui_style& menu_style() const override { return style_; }
  rect menu_anchor() const override { return anchor_; }
  void menu_chosen(const menu_choice& c) override;

 private:
  const ui_style& style_;
  rect anchor_;
  std::string description_;
  std::function<void(int32_t)> chosen_;
};

}  // namespace gui
