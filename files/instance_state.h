// The instance state "vorn": the bank, the globals, the switches, the routes,
// the PCM list, the effect slots, the controller map, the editor's look, the
// tuning and MPE settings (when used) and the unison saw count, in that
// order. It is the state file (".vornstate"),
// the user's init.vornstate and the host's bank chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "synth/engine.h"

namespace files {

// Measure-then-write. Takes the engine lock; a caller that measures and then
// writes holds the lock across both, so the size cannot change in between.
uint32_t write_state(uint8_t* dest, synth::synth& engine);
// Reads `available` bytes holding a "vorn" chunk; anything else (a
// different id, a size past the bytes) changes nothing and returns false.
bool read_state(const uint8_t* data, size_t available, synth::synth& engine);

std::string save_state_file(const std::string& path, synth::synth& engine);
std::string load_state_file(const std::string& path, synth::synth& engine);
std::string save_init_state(synth::synth& engine);
// init.vornstate in the data folder, when it exists; false otherwise.
bool load_init_state(synth::synth& engine);

// ".vornmidiccmap": the controller map alone.
std::string save_cc_map_file(const std::string& path, synth::synth& engine);
std::string load_cc_map_file(const std::string& path, synth::synth& engine);

}  // namespace files
