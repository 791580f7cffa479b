// Every menu the instrument defines, as menu description strings: the fixed
// ones of the editor and those made from tables (route sources with the MIDI
// controller names, route destinations from the parameter table, colour presets).
#pragma once

#include <string>
#include <vector>

namespace demo {

struct menu_string {
  const char* name;  // what the gallery calls it
  std::string text;
};

const std::vector<menu_string>& every_menu();

// One string holding every menu above as a submenu of its name.
std::string menu_of_menus();

}  // namespace demo
