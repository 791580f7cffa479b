// Bringing the view up to date with the synthesizer, through the command
// interface only: the preset selector, the parameter controls, the route and
// effect rows, the engine switches, and the lights and meters that move while
// the instrument plays. The editor's timer runs these; the screenshot tool
// runs the full refresh once.
#pragma once

#include <array>
#include <cstdint>

#include "editor/editor_view.h"
#include "editor/synth_port.h"

namespace gui {

// The preset selector's number, name, category and bank, and the program list.
void refresh_presets(editor_view& v, const synth_port& port);
// Every parameter control from the engine's values. Controls the user holds
// (a knob being dragged, an open drop-down) are left alone.
void refresh_params(editor_view& v, const synth_port& port);
void refresh_routes(editor_view& v, const synth_port& port);
void refresh_effects(editor_view& v, const synth_port& port);
void refresh_switches(editor_view& v, const synth_port& port);
void refresh_all(editor_view& v, const synth_port& port);

// What the lights remember between ticks: the MIDI light's afterglow.
struct light_state {
  float midi = 0.f;
};

// One timer tick of the moving parts: the peak meter, the voice count and
// voice lights, the envelope and LFO lights of the displayed voice, the MIDI
// and sustain lights.
void tick_lights(editor_view& v, const synth_port& port, light_state& s);

// The meter's light value of a level: 20 log10(level) / 3 + 16, so the 17
// lights span 48 dB in 3 dB steps with the top light at 0 dBFS.
float meter_value(float level);

}  // namespace gui
