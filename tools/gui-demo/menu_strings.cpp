#include "tools/gui-demo/menu_strings.h"

#include "editor/menu_strings.h"

namespace demo {

namespace {

const char* loop_menu = "[60x13]Off=0,One=1,Three=3,Infinite=-1";

}  // namespace

const std::vector<menu_string>& every_menu() {
  static const std::vector<menu_string> menus = {
      {"Main", gui::main_menu},
      {"Voices", gui::voices_menu},
      {"XMod", gui::xmod_menu},
      {"Filter", gui::filter_menu},
      {"Shaper filter", gui::shaper_filter_menu},
      {"Route source", gui::source_menu()},
      {"Route mode", gui::route_mode_menu},
      {"Destination", gui::destination_menu()},
      {"Effect", gui::effect_menu},
      {"Scale", gui::scale_menu},
      {"Background", gui::bitmap_menu},
      {"Colour", gui::colour_menu()},
      {"Sequence loop", loop_menu},
  };
  return menus;
}

std::string menu_of_menus() {
  std::string s = "[110x14]";
  for (const menu_string& m : every_menu()) s += std::string(m.name) + "{" + m.text + "}";
  return s;
}

}  // namespace demo
