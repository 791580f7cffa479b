// The editor's view tree at one GUI scale and what the editor reaches in it:
// the parameter controls by index, the display and its lights, the preset
// selector, the tab pages with the route and effect rows, the background
// layers. Built in the order the window shows them (background first). The
// editor builds it again whenever the scale changes.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "editor/param_binding.h"
#include "editor/synth_port.h"
#include "guilib/menu/dropbox.h"
#include "guilib/view/root_container.h"
#include "guilib/widgets/button.h"
#include "guilib/widgets/decor.h"
#include "guilib/widgets/edit.h"
#include "guilib/widgets/history_arrow.h"
#include "guilib/widgets/hover_note.h"
#include "guilib/widgets/knob.h"
#include "guilib/widgets/lights.h"
#include "guilib/widgets/slider.h"
#include "guilib/widgets/stepper.h"
#include "guilib/widgets/tabs.h"
#include "guilib/widgets/ui_style.h"
#include "synth/param_table.h"

namespace gui {

constexpr int32_t route_rows = 16;
constexpr int32_t effect_slots = 4;
constexpr int32_t engine_switches = 6;
constexpr int32_t meter_lights = 17;

struct route_row_view {
  container* row = nullptr;
  dropbox* source = nullptr;
  dropbox* mode = nullptr;
  dropbox* destination = nullptr;
  knob* depth = nullptr;  // bipolar, its value floating above it while hovered
};

struct effect_row_view {
  dropbox* effect = nullptr;
  button* edit = nullptr;
  std::string name;  // the slot's effect as the engine names it ("-": empty)
};

// The parameters of the effect in one slot, over the Effect page.
struct effect_edit_view {
  container* panel = nullptr;  // "fx edit"; hidden until an edit button opens it
  text* title = nullptr;
  button* close = nullptr;
  container* params = nullptr;   // the controls, made when the view opens
  int32_t slot = -1;
  std::string effect;            // the effect they were made for
  std::vector<control*> values;  // one per effect parameter, index = user value
};

struct editor_view {
  const ui_style* style = nullptr;

  // Background layers, bottom up.
  gradient* backdrop = nullptr;      // "gradient"
  image* background_image = nullptr; // "bgimage"
  image* overlay = nullptr;          // "background/overlay"

  // The preset selector.
  stepper* program = nullptr;        // "number"
  edit* name = nullptr;
  edit* category = nullptr;
  edit* bank = nullptr;
  dropbox* programs = nullptr;       // "menu": the program list
  history_arrow* undo_arrow = nullptr;  // "undo", "redo": by the name
  history_arrow* redo_arrow = nullptr;

  // The display.
  text* line0 = nullptr;
  text* line1 = nullptr;
  std::string message[2];            // the whole message the lines show
  hover_note* display_note = nullptr;  // shows it whole under the pointer
  menu_button* main_menu = nullptr;
  text* voices = nullptr;            // "active voices"
  indicator* midi = nullptr;         // "activity"
  indicator* sustain = nullptr;
  ledstrip* meter[2] = {};           // "Peak meter", left and right
  ledstrip* voice_lights = nullptr;  // one per allocator slot
  menu_button* look_menu = nullptr;  // colour, scale and background

  // Envelope stage and gate lights (A D S R G), LFO lights (F D V).
  ledstrip* envelope_lights[2] = {};
  ledstrip* lfo_lights[2] = {};

  std::array<bound_control, synth::param_count> params{};

  tabs* pages = nullptr;
  std::array<slider*, engine_switches> switches{};
  std::array<indicator*, engine_switches> switch_lights{};
  knob* saws = nullptr;              // "nsaws"
  std::array<route_row_view, route_rows> routes{};
  std::array<effect_row_view, effect_slots> effects{};
  effect_edit_view fx_edit;

  // Owned reactions of the widgets.
  std::vector<std::unique_ptr<control_listener>> listeners;
  function_listener& listen(std::function<void(control&)> f) {
    auto l = std::make_unique<function_listener>(std::move(f));
    function_listener& made = *l;
    listeners.push_back(std::move(l));
    return made;
  }
};

// Fills root with the editor at style's scale. pcm_waves: how many PCM waves
// the waveform choices list. Values are not read here (refresh does that).
void build_editor_view(root_container& root, const ui_style& style, const synth_port& port, int32_t pcm_waves,
                       editor_view& v);

// Parts of the build, one file each.
void build_header(root_container& root, const ui_style& style, editor_view& v);
void build_sections(root_container& root, const ui_style& style, const synth_port& port, int32_t pcm_waves,
                    editor_view& v);
void build_tabs(root_container& root, const ui_style& style, const synth_port& port, int32_t pcm_waves,
                editor_view& v);

}  // namespace gui
