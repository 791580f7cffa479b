// An open pop-up menu: the chain of panels from the top level to the deepest
// open submenu, drawn over the window and holding all input until it closes.
//
// Mouse: moving over an item shows it hovered and opens its submenu (closing
// deeper ones); a press on an item chooses it, on a submenu item opens it,
// outside every panel closes the menu. A press on the owner, a drag into the
// menu and a release on an item chooses too. Keys: Up/Down move within the
// panel, Left/Right between columns (Right opens a submenu, Left closes one),
// Enter or Space choose or open, Escape closes the deepest panel, a letter
// jumps to the next item starting with it, Home/End to the ends.
//
// Panels open below their owner (above when there is no room) and submenus
// to the right of their item (left when there is no room); none leaves the
// window, or, where the backend makes pop-ups windows of their own (Win32:
// layered windows with per-pixel alpha), the monitor's work area. Either way
// the session holds the editor window's pointer and keys and routes them to
// the panels itself, in the editor's client coordinates.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "guilib/menu/menu_panel.h"
#include "guilib/menu/menu_parser.h"
#include "guilib/view/control.h"
#include "guilib/widgets/ui_style.h"

namespace wnd {
struct window;
}

namespace gui {

class root_container;

struct menu_choice {
  int32_t value = 0;
  std::string text;         // the item's text
  std::string path;         // lower-case names from the top, joined with "." ("load.preset")
  std::string level_path;   // the path of the level it is in ("load")
  bool dynamic = false;     // a placeholder entry
  int32_t dynamic_index = -1;  // its index among the level's placeholder entries
};

class menu_owner {
 public:
  virtual ~menu_owner() = default;
  virtual std::string_view menu_description() const = 0;
  // The parse settings; held: the modifiers down when the menu opens.
  virtual menu_options menu_settings(const input_state& held) const = 0;
  virtual const ui_style& menu_style() const = 0;
  // The window rectangle the pop-up opens from.
  virtual rect menu_anchor() const = 0;
  virtual void menu_chosen(const menu_choice& c) = 0;
  virtual void menu_closed() {}
};

class menu_session : public control {
 public:
  // Builds the menu of owner over root and grabs the input. held: the input
  // state when it opened (modifiers select the masked items; a held left
  // button lets a release on an item choose it).
  static menu_session& open(root_container& root, menu_owner& owner, const input_state& held);

  menu_session(root_container& root, menu_owner& owner, const input_state& held);
  ~menu_session() override;

  // Closes without a choice.
  void cancel();
  bool closed() const { return closed_; }
  // The open panels, the top one first. In pop-up windows a panel's
  // rectangles are in its window; add panel_offset to editor coordinates to get there.
  std::vector<menu_panel*> panels() const;
  point panel_offset(size_t depth) const;
  // The pop-up window of a panel, or none when panels are drawn in the editor.
  wnd::window* panel_window(size_t depth) const;
  const menu_level& tree() const { return tree_; }

  int press(event& e, point p) override;
  bool release(event& e, point p) override;
  bool move(event& e, point p) override;
  bool wheel(event& e, point p, float delta) override { return true; }
  bool key_down(event& e, int32_t key) override;
  bool character(event& e, int32_t c) override;
  void grab_lost() override { cancel(); }

 private:
  struct open_panel;
  menu_panel& add_panel(const menu_level& level, rect card_at);
  void remove_last_panel();
  void refresh();  // repaints the pop-up windows that changed
  void open_submenu(size_t depth, int32_t item);
  void close_from(size_t depth);  // closes panels depth.. and the deeper ones
  void choose(size_t depth, int32_t item);
  void finish();
  void fit_bounds();  // the session covers its panels, so opening repaints only them
  // The deepest panel holding p, or -1.
  int32_t panel_at(point p) const;
  void hover_step(int32_t direction);
  void hover_column(int32_t direction);
  menu_panel& deepest();
  menu_panel& panel(size_t depth) const;
  rect card_of(size_t depth) const;  // in editor coordinates
  rect item_of(size_t depth, int32_t item) const;
  int32_t item_at(size_t depth, point p) const;

  root_container& root_;
  menu_owner& owner_;
  menu_level tree_;
  std::vector<std::unique_ptr<open_panel>> open_;
  bool popups_ = false;  // panels in windows of their own
  rect area_;
  bool drag_choose_;      // opened with the left button down
  bool left_anchor_ = false;  // the pointer has left the owner since
  bool closed_ = false;
};

}  // namespace gui
