// The instance state's small chunks: "ctrl" (the 17 global parameters),
// "flag" (the six switches), "p_rt" (the routes in use), "mdcc" (the MIDI
// controller map) and "saws" (the unison saw count).
#pragma once

#include <cstdint>

#include "riff/chunk.h"
#include "synth/engine.h"

namespace files {

constexpr uint32_t ctrl_chunk_size = riff::header_size + 4 + 4 * synth::global_param_count;  // 80
constexpr uint32_t flag_chunk_size = riff::header_size + 4 + 4 * synth::engine_flag_count;   // 36
constexpr uint32_t saws_chunk_size = 24;

// A route row from its six stored fields.
synth::route make_route(int32_t source_class, int32_t source_index, int32_t dest_class, int32_t dest_index,
                        int32_t mode, float depth);

uint32_t write_ctrl_chunk(uint8_t* dest, const synth::synth& engine);
// Version 1 sets the globals; version 0 (older layout) also shifts Coarse Tune
// by an octave and rebuilds the bender and velocity routes, unless
// `routes_follow` (a "p_rt" is present, so the routes come from it).
void read_ctrl_chunk(riff::chunk_view c, bool routes_follow, synth::synth& engine);

uint32_t write_flag_chunk(uint8_t* dest, const synth::synth& engine);
void read_flag_chunk(riff::chunk_view c, synth::synth& engine);

uint32_t write_routes_chunk(uint8_t* dest, synth::synth& engine);
void read_routes_chunk(riff::chunk_view c, synth::synth& engine);

// The ".vornmidiccmap" file is this chunk alone.
uint32_t write_cc_map_chunk(uint8_t* dest, const synth::cc_map& map);
// Clears the map, then stores the pairs the bytes hold; the id is not checked.
void read_cc_map_chunk(const uint8_t* data, size_t available, synth::cc_map& map);

uint32_t write_saws_chunk(uint8_t* dest, const synth::synth& engine);

}  // namespace files
