// Drop-downs ("dropbox"): a control that shows the text of the item whose
// value it holds and opens its menu when pressed; choosing an item sets the
// value, records the choice and tells the listener. A right click asks the
// listener for the control's own menu instead. The menu button ("menu")
// is the same with a fixed caption and no current value: every choice is
// reported, also a repeated one (the editor's main menu).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "guilib/menu/menu_parser.h"
#include "guilib/menu/menu_session.h"
#include "guilib/view/control.h"
#include "guilib/widgets/ui_style.h"

namespace gui {

class dropbox : public control, public menu_owner {
 public:
  dropbox(std::string name, rect r, const ui_style& style, std::string description, const char* class_name = "dropbox");

  void set_description(std::string d);
  const std::string& description() const { return description_; }
  // The owner's defaults for items before a size command, and the spacing.
  void set_item_size(int32_t w, int32_t h) { item_w_ = w, item_h_ = h; }
  void set_spacing(int32_t px) { spacing_ = px; }
  void set_placeholder(menu_placeholder* p) { placeholder_ = p; }
  // The last choice made (value, text, path).
  const menu_choice& chosen() const { return chosen_; }
  // The text shown: the item of the current value, or what display gives.
  std::string shown_text() const;
  std::function<std::string(const dropbox&)> display;
  // Values the menu shows as current besides the dropbox's own (a menu
  // button whose submenus each hold a setting).
  std::function<std::vector<int32_t>()> marked;
  bool is_open() const { return session_ != nullptr; }
  menu_session* session() const { return session_; }
  // Opens the menu as a press would, with these modifiers held.
  void open_menu(const input_state& held);

  int press(event& e, point p) override;
  bool wheel(event& e, point p, float delta) override;
  void hover(bool) override { mark_dirty(); }
  void paint(painter& p) override;

  std::string_view menu_description() const override { return description_; }
  menu_options menu_settings(const input_state& held) const override;
  const ui_style& menu_style() const override { return style_; }
  rect menu_anchor() const override { return bounds(); }
  void menu_chosen(const menu_choice& c) override;
  void menu_closed() override;

 protected:
  // The owner's value becomes the item's value and the choice is kept.
  void record(const menu_choice& c);

  const ui_style& style_;
  bool caption_mode_ = false;

 private:
  std::string description_;
  menu_level lookup_;  // the tree with every item, for shown_text
  int32_t item_w_ = 72, item_h_ = 14, spacing_ = 0;
  menu_placeholder* placeholder_ = nullptr;
  menu_choice chosen_;
  menu_session* session_ = nullptr;
};

class menu_button : public dropbox {
 public:
  menu_button(std::string name, rect r, const ui_style& style, std::string caption, std::string description);
  const std::string& caption() const { return caption_; }
  menu_options menu_settings(const input_state& held) const override;
  void menu_chosen(const menu_choice& c) override;
  void paint(painter& p) override;

 private:
  std::string caption_;
};

}  // namespace gui
