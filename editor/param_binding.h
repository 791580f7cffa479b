// One widget per parameter: made from its layout row and the parameter table,
// holding the parameter's internal value (the widget's range is the
// parameter's range), and showing the engine's display text: knobs in their
// label while hovered or turned, steppers and drop-downs as their text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "editor/layout.h"
#include "editor/synth_port.h"
#include "guilib/image/bitmap.h"
#include "guilib/view/control.h"
#include "guilib/widgets/text.h"
#include "guilib/widgets/ui_style.h"

namespace gui {

struct bound_control {
  int32_t index = -1;
  const layout::control_place* place = nullptr;
  control* widget = nullptr;
  text* caption = nullptr;  // knobs: the knob's label child; others: the caption beside or above
};

// Makes the widget of place inside parent. pcm_waves: the number of loaded
// waves, which extend the waveform choices (values 6 on).
bound_control make_param_control(view& parent, const layout::control_place& place, const ui_style& style,
                                 const synth_port& port, int32_t pcm_waves);

// The choices a stepper of an integer parameter offers: the display text of
// every value of its range (a waveform also lists the loaded PCM waves).
std::vector<std::string> choice_texts(const synth_port& port, int32_t index, int32_t pcm_waves);
// The waveform or LFO shape icons at a scale, in value order.
std::vector<const bitmap*> choice_icons(int32_t index, float scale, int32_t pcm_waves);

// The engine's value into the widget, without telling its listener.
void show_value(bound_control& b, float internal);
// What the widget shows for its value: the text a user reads.
std::string shown_text(const bound_control& b);
// The host's 0..1 for the widget's value.
float normalised_of(const bound_control& b);

}  // namespace gui
