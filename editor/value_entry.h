// The field "Enter value…" opens over a control: the value as its display
// shows it, all selected, so that typing replaces it. Enter (or a click
// elsewhere) takes the text, Escape drops it; either way the field then
// leaves the window.
#pragma once

#include <functional>
#include <string>

#include "guilib/widgets/edit.h"

namespace gui {

class value_entry final : public edit {
 public:
  value_entry(rect r, const ui_style& style, std::string shown);
  std::function<void(const std::string& text)> on_enter;

  bool key_down(event& e, int32_t key) override;
  void focus_changed(bool focused) override;

 private:
  bool cancelled_ = false;
  bool done_ = false;
};

// Puts a field at r over root's tree, focused. The field removes itself.
value_entry& open_value_entry(root_container& root, const ui_style& style, rect r, const std::string& shown,
                              std::function<void(const std::string&)> entered);

}  // namespace gui
