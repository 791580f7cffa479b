// A scrolling list of text rows ("list"): the file dialog's folders and
// files, and any list the editor shows. The value is the selected row (-1
// for none). A press selects, a double-click or Enter activates; the wheel
// scrolls three rows a notch; the arrows, Page Up/Down, Home and End move
// the selection; typing a character jumps to the next row that starts with it.
// A scroll bar appears at the right edge when the rows do not fit.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "guilib/view/control.h"
#include "guilib/widgets/ui_style.h"

namespace gui {

class list_box : public control {
 public:
  list_box(std::string name, rect r, const ui_style& style);

  bool wants_focus() const override { return true; }
  void set_rows(std::vector<std::string> rows);
  const std::vector<std::string>& rows() const { return rows_; }
  int32_t selected() const { return int32_t(value()); }
  void select(int32_t row, bool tell = true);
  int32_t row_height() const;
  int32_t visible_rows() const;
  int32_t first_visible() const { return scroll_; }
  void ensure_visible(int32_t row);
  // The row at a window point, or -1.
  int32_t row_at(point p) const;

  // A row was double-clicked or Enter was pressed on it.
  std::function<void(list_box&, int32_t row)> on_activate;

  int press(event& e, point p) override;
  bool move(event& e, point p) override;
  bool wheel(event& e, point p, float delta) override;
  bool key_down(event& e, int32_t key) override;
  bool character(event& e, int32_t c) override;
  void paint(painter& p) override;

 private:
  rect bar() const;  // the scroll bar's track, empty when all rows fit
  rect thumb() const;
  void scroll_to(int32_t first);

  const ui_style& style_;
  std::vector<std::string> rows_;
  int32_t scroll_ = 0;
  bool dragging_thumb_ = false;
  int32_t thumb_grab_ = 0;  // pointer offset into the thumb
};

}  // namespace gui
