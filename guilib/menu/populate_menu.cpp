#include "guilib/menu/populate_menu.h"

namespace gui {

void menu_populator::populate(const std::string& path, menu_adder& add) { populate_menu(*this, path, add); }

bool populate_menu(const menu_populator& table, const std::string& path, menu_adder& add) {
  if (!table.handles(path)) {
    if (table.on_unhandled) table.on_unhandled(populate_unhandled_text, path);
    return false;
  }
  table.fillers().at(path)(add);
  return true;
}

}  // namespace gui
