// A factory sound's text turned into values: parameters by full name through
// the one parameter table, values from display texts through the display
// laws (synth/display_inverse.h), effects by registry name with their own displays.
#pragma once

#include <string>

#include "synth/engine.h"
#include "synth/preset.h"
#include "tools/factory/sound_text.h"

namespace factory {

// The factory Init with the sound's parameter lines over it, named and
// categorised. False with "line N: name: reason" in error.
bool build_preset(const sound_text& sound, synth::preset& out, std::string& error);

// True when the sound sets what belongs to an instance rather than a preset:
// globals, switches or insert effects.
bool needs_instance(const sound_text& sound);

// The sound's [Instance] lines (globals through the engine's setter,
// switches by their description, "On" or "-"/"Off", routes as route_text.h
// reads them) and its inserts applied to an engine. False with the reason in
// error.
bool apply_instance(const sound_text& sound, synth::synth& engine, std::string& error);

}  // namespace factory
