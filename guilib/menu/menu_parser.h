// The menu description language: every pop-up choice is written as one
// string, parsed into the item tree of a pop-up each time it opens.
//
//   menu    := { command } item { "," { command } item } [","]
//   item    := text [ "=" number ] [ "{" menu "}" ]
//   command := "[" body "]", its kind the first of "abhlmnpx" in the body:
//     [WxH] item size (unscaled)   [bN] value base    [hN] highlight on/off
//     [l] empty row   [lText] label   [n] new column   [m] clear / [msca] modifier mask
//     [p] placeholder items from the owner   [aN] read and ignored
//
// An item's value is base + counter; "=N" sets the counter first. The
// counter advances when an item ends with "," or with the "}" closing its own
// submenu, whether or not the item shows; an item ended by "[" or by the end
// of the string does not advance it. Items with empty text, or outside a
// modifier mask whose keys were not held when the pop-up opened, make no
// widget. Items are laid out in columns; sizes are scaled and truncated.
//
// Hostile strings are bounded: unbalanced braces end or skip a level, at
// most max_menu_items entries and max_menu_depth levels are made, sizes and
// positions are clamped.
#pragma once

#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "guilib/view/rect.h"

namespace gui {

constexpr size_t max_menu_items = 4096;     // entries of one parse, all levels together
constexpr int max_menu_depth = 16;          // nested submenus
constexpr int32_t max_menu_item_size = 1024;  // unscaled pixels of [WxH]
constexpr int32_t max_menu_extent = 1 << 16;  // scaled pixels of a panel's content

struct menu_level;

struct menu_item {
  enum class kind { choice, label };
  kind type = kind::choice;
  std::string text;
  int32_t value = 0;
  bool shown = false;         // has a widget: text not empty, mask satisfied
  bool enabled = true;        // placeholder entries may be inert ("No CC Mapped")
  bool highlighted = false;   // highlight flag on and value == the owner's current value
  bool dynamic = false;       // added by the placeholder provider
  rect area;                  // in the panel's content, scaled pixels (shown items only)
  std::unique_ptr<menu_level> submenu;
};

struct menu_level {
  std::vector<menu_item> items;  // in string order, shown or not
  int32_t width = 0, height = 0;  // content size: columns side by side, the tallest column
  std::string path;              // lower-case item names from the top, joined with "."
};

// What "[p]" adds through: items and labels at the current position.
class menu_adder {
 public:
  virtual ~menu_adder() = default;
  virtual void item(const std::string& text, bool enabled = true) = 0;
  virtual void label(const std::string& text) = 0;
};

class menu_placeholder {
 public:
  virtual ~menu_placeholder() = default;
  // Adds the items of the level at path ("cc map.remove") where "[p]" stands.
  virtual void populate(const std::string& path, menu_adder& add) = 0;
};

struct menu_options {
  float scale = 1.f;
  int32_t current = INT32_MIN;                // the owner's value
  std::vector<int32_t> marked;                // more values shown as current (a menu of several settings)
  int32_t item_width = 72, item_height = 14;  // the owner's defaults, unscaled
  int32_t spacing = 0;                        // scaled pixels between items of a column
  bool shift = false, ctrl = false, alt = false;  // held when the pop-up opened
  menu_placeholder* placeholder = nullptr;
  // The scaled width an entry's text needs (its padding and a submenu's
  // marker included), or none. With it, a column whose entries' texts do not
  // fit its [WxH] width grows to the widest, up to max_column_width
  // (unscaled), and the columns to its right move along.
  std::function<int32_t(const menu_item&)> needed_width;
  int32_t max_column_width = 320;
};

menu_level parse_menu(std::string_view description, const menu_options& options);

// The lower-case form used in item paths.
std::string menu_path_name(std::string_view text);

// The first shown-or-not choice item with this value, depth first in string
// order (labels are not choices); none when no item has it.
const menu_item* find_menu_value(const menu_level& level, int32_t value);

// Counts of a tree, for tests and bounds: every entry, and the levels.
size_t count_menu_items(const menu_level& level);

}  // namespace gui
