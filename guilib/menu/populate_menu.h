// gui::populate_menu: the dynamic parts of menus. A "[p]" in a menu string
// asks the owner's placeholder provider for the entries of that level by its
// path ("cc map.remove"); the populator keeps one filler per path, and a
// request for a path nobody fills is reported rather than ignored.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "guilib/menu/menu_parser.h"

namespace gui {

constexpr const char* populate_unhandled_text = "gui::populate_menu() didn't handle request to populate";

class menu_populator : public menu_placeholder {
 public:
  using filler = std::function<void(menu_adder&)>;

  // The entries of the level at path (lower case, names joined with ".").
  void add(const std::string& path, filler f) { fillers_[path] = std::move(f); }
  void populate(const std::string& path, menu_adder& add) override;
  bool handles(const std::string& path) const { return fillers_.count(path) != 0; }
  const std::map<std::string, filler>& fillers() const { return fillers_; }

  // Told populate_unhandled_text and the path when a request finds no filler.
  std::function<void(const std::string& message, const std::string& path)> on_unhandled;

 private:
  std::map<std::string, filler> fillers_;
};

// Runs the filler of path; false, and the populator's complaint, when there is none.
bool populate_menu(const menu_populator& table, const std::string& path, menu_adder& add);

}  // namespace gui
