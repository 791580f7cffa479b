// The editor's menus as menu description strings: the fixed ones, and those
// made from tables (route sources with the MIDI controller names, route
// destinations from the parameter table, colour presets, the program list).
#pragma once

#include <string>
#include <vector>

namespace gui {

// The display's "Menu" button. Beside loading and saving, the bank, the
// controller map and the PCM list, it reaches every action of the action
// tree: bank sorting, randomising, PCM replace and remove, the sequencer.
extern const char* const main_menu;
extern const char* const voices_menu;
extern const char* const xmod_menu;
extern const char* const filter_menu;
extern const char* const shaper_filter_menu;
extern const char* const route_mode_menu;
extern const char* const effect_menu;
extern const char* const scale_menu;
extern const char* const bitmap_menu;

std::string source_menu();
// Every sound parameter by section, parameter p as 128 + p.
std::string destination_menu();
// The same list for the legacy bender and velocity routes: "-" = 0, p as p + 1.
std::string legacy_route_menu();
// "None" = -1 and the colour presets from 0.
std::string colour_menu();
// The 128 programs, "000 Name", in four columns of 32; value = program.
// Characters of the menu language in a name are shown as look-alikes.
std::string program_menu(const std::vector<std::string>& names);

}  // namespace gui
