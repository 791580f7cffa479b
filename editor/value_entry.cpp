#include "editor/value_entry.h"

#include "guilib/platform/keys.h"
#include "guilib/view/root_container.h"

namespace gui {

value_entry::value_entry(rect r, const ui_style& style, std::string shown) : edit("value entry", r, style, std::move(shown)) {
  set_max_length(63);
}

bool value_entry::key_down(event& e, int32_t key) {
  if (key == wnd::key::escape) cancelled_ = true;
  return edit::key_down(e, key);
}

void value_entry::focus_changed(bool focused) {
  edit::focus_changed(focused);
  if (focused || done_) return;
  done_ = true;
  if (!cancelled_ && on_enter) on_enter(str());
  // Not from inside our own handler: the root removes us once the event is done.
  if (root_container* r = root()) {
    r->defer([r, this] { r->release(*this); });
  }
}

value_entry& open_value_entry(root_container& root, const ui_style& style, rect r, const std::string& shown,
                              std::function<void(const std::string&)> entered) {
  value_entry& f = root.add<value_entry>(r, style, shown);
  f.on_enter = std::move(entered);
  root.tree_changed();
  root.set_focus(&f);
  return f;
}

}  // namespace gui
