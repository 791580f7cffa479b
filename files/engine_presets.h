// Presets and banks moved in and out of a running engine. Values go through
// the engine's one parameter setter, so voices that play a changed program
// pick the new values up; names and categories are plain stores made from
// the user-interface thread.
#pragma once

#include <string>

#include "synth/engine.h"

namespace files {

void apply_preset(synth::synth& engine, int slot, const synth::preset& p);
void apply_bank(synth::synth& engine, const synth::bank& b);

// Outcome texts as in preset_files.h; slot 0..127.
std::string load_preset_into(synth::synth& engine, int slot, const std::string& path);
std::string load_bank_into(synth::synth& engine, const std::string& path, std::string* message = nullptr);

// The start-up sequence of a new instance: the user's init and reset presets
// (each written from the factory preset when missing), the init preset in
// every slot, then init.vornstate and init.vornbank when they exist.
void load_start_up_files(synth::synth& engine);

}  // namespace files
