// The widget gallery of vorn-gui-demo: every widget of the toolkit on one
// 762 x 516 page (scaled), grouped in sections as the editor groups its
// controls, with a drop-down for every menu the instrument defines and a
// button that opens all of them. Whatever the user changes is written into
// the display's two lines.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "guilib/menu/dropbox.h"
#include "guilib/view/root_container.h"
#include "guilib/widgets/button.h"
#include "guilib/widgets/knob.h"
#include "guilib/widgets/lights.h"
#include "guilib/widgets/text.h"
#include "guilib/widgets/ui_style.h"

namespace demo {

constexpr int base_width = 762, base_height = 516;

struct gallery {
  std::vector<gui::knob*> knobs;
  std::vector<gui::dropbox*> menus;   // one per menu string, in every_menu() order
  gui::menu_button* main_menu = nullptr;
  gui::menu_button* all_menus = nullptr;
  gui::text* line0 = nullptr;
  gui::text* line1 = nullptr;
  gui::ledstrip* meter_left = nullptr;
  gui::ledstrip* meter_right = nullptr;
  gui::button* open_button = nullptr;
  gui::button* save_button = nullptr;
  gui::button* confirm_button = nullptr;
  // Owned reactions.
  std::vector<std::unique_ptr<gui::control_listener>> listeners;
  std::unique_ptr<gui::menu_placeholder> placeholder;
};

// Fills root (sized base_width x base_height times the style's scale).
void build_gallery(gui::root_container& root, const gui::ui_style& style, gallery& g);

// One step of the gallery's idle animation: the meters and lights move.
void animate_gallery(gallery& g, int tick);

}  // namespace demo
