// Where everything sits in the editor's 762 x 516 base layout (pixels at GUI
// scale 1; every length is multiplied by the scale and truncated). One table
// for the sections and one row per parameter, so a control can be found by its
// index (tests, the screenshot tool and the host-side tests use it too).
//
// The grid is 6 pixels: sections start and end on it with 6-pixel gutters.
// The signal runs left to right and top to bottom: the oscillators, osc A,
// osc B, the mixer and the filter on the first row, the shaper and the output
// on the second beside the Global / Route / Effect tabs, the envelopes and
// LFOs on the third. The filter cutoff is the largest knob of the window.
#pragma once

#include <cstdint>
#include <span>

#include "guilib/view/rect.h"

namespace gui::layout {

constexpr int32_t base_width = 762, base_height = 516;

enum class kind : uint8_t {
  knob_big,   // 49 px dial: the filter cutoff
  knob_main,  // 33 px: the main value of a section
  knob,       // 24 px
  knob_mini,  // 16 px: modulation depths beside the value they move, captioned A / B
  stepper,    // text choices with arrows, caption above
  icons,      // waveform / shape choices drawn as icons, caption above
  toggle,     // two-position switch, caption to its right
  dropdown,   // a menu of choices, caption above
};

// Dial sizes and the heights of the boxes, in base pixels.
int32_t dial_size(kind k);
constexpr float box_height = 15.f;
constexpr float caption_height = 11.f;

struct section_place {
  const char* name;    // the container's instance name ("filter")
  const char* title;   // the header shown ("Filter"); empty: no header
  float x, y, w, h;
};

struct control_place {
  int32_t index;        // parameter 0..105
  kind type;
  const char* section;  // the container it belongs to
  float x, y;           // dial or box top-left
  float w;              // box width (steppers, drop-downs); 0 for knobs and toggles
  const char* caption;
};

// Group captions over related controls ("Pitch", "Env", "Mod").
struct caption_place {
  const char* section;
  const char* text;
  float x, y, w;
  bool centred;
};

std::span<const section_place> sections();
std::span<const control_place> controls();
std::span<const caption_place> captions();
const section_place* section(const char* name);
// The row of parameter index, or null.
const control_place* control_of(int32_t index);

// Window rectangles at a GUI scale: a section, and a control's dial or box.
rect scaled(float x, float y, float w, float h, float scale);
rect section_rect(const section_place& s, float scale);
rect control_rect(const control_place& c, float scale);

// The window size at a scale (each side truncated, as the scale menu lists them).
int32_t width_at(float scale);
int32_t height_at(float scale);

// --- the fixed areas outside the parameter table -----------------------------------
// The tab pages' area (below the tab titles) and the effect parameter view.
extern const section_place tab_area;
constexpr float tab_bar_height = 18.f;

}  // namespace gui::layout
