// A pop-up panel built from one level of a parsed menu: a background
// ("alphamask": the card with its shadow), and for every shown entry a text
// widget ("token" for items, "label" for labels), with a marker ("sub") at
// the right end of an item that opens a submenu and a highlight view
// ("highlight") behind the item of the owner's current value.
#pragma once

#include <cstdint>
#include <vector>

#include "guilib/menu/menu_parser.h"
#include "guilib/view/view.h"
#include "guilib/widgets/ui_style.h"

namespace gui {

// The colour of the current value's highlight: hls(0.65, 0.65, 1.0).
color32 menu_highlight_colour();

class menu_panel : public view {
 public:
  // level must outlive the panel. The panel's content starts at origin
  // (window pixels), inset by the margins.
  menu_panel(const menu_level& level, const ui_style& style, point origin, int32_t depth);

  const menu_level& level() const { return level_; }
  int32_t depth() const { return depth_; }
  int32_t margin_x() const { return margin_x_; }
  int32_t margin_y() const { return margin_y_; }
  // The width an entry's text needs in a panel at style's scale: the text,
  // its padding and, for a submenu, the marker.
  static int32_t needed_width(const menu_item& it, const ui_style& style);

  // The window rectangle of entry i (shown entries only).
  rect item_rect(size_t i) const;
  // The entry under a window point: a shown, enabled choice; -1 if none.
  int32_t item_at(point p) const;
  int32_t hovered() const { return hovered_; }
  void set_hovered(int32_t i);
  // The entry whose submenu is open from this panel, -1 if none.
  int32_t open_item() const { return open_item_; }
  void set_open_item(int32_t i);
  // Choices a keyboard can reach, in string order (column by column).
  std::vector<int32_t> selectable() const;


  // Window position of the content's top-left (inside shadow and margin).
  point origin() const;
  // The visible card (the panel's rectangle less its shadow).
  rect card() const { return bounds().inset(shadow_); }
  int32_t shadow() const { return shadow_; }

 private:
  void damage_item(int32_t i);

  const menu_level& level_;
  const ui_style& style_;
  int32_t depth_;
  int32_t margin_x_, margin_y_, shadow_;
  int32_t hovered_ = -1, open_item_ = -1;
};

}  // namespace gui
