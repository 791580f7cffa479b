// The instance state's tuning and expression chunks. Both are written only
// when they hold something (a loaded tuning, MPE switched on), so the state
// of an instance that uses neither is byte for byte what it always was, and
// a state without them loads as twelve-tone equal temperament, MPE off.
//
// "tune": id, size, u32 version 0, then the string chunks "scl " (the scale
// file's text) and "kbm " (the keyboard mapping's text; a bare header when
// the default mapping applies).
// "mpe ": id, size 24, u32 version 0, u32 switch (0 or 1), u32 members of
// the lower zone, u32 members of the upper zone.
#pragma once

#include <cstdint>

#include "riff/chunk.h"
#include "synth/engine.h"

namespace files {

constexpr uint32_t mpe_chunk_size = 24;

// Nothing (0 bytes) without a tuning.
uint32_t write_tuning_chunk(uint8_t* dest, const synth::synth& engine);
// An absent chunk, another version or texts that do not read give no tuning.
void read_tuning_chunk(riff::chunk_view c, synth::synth& engine);

// Nothing (0 bytes) while MPE is off.
uint32_t write_mpe_chunk(uint8_t* dest, synth::synth& engine);
// An absent chunk or another version: MPE off.
void read_mpe_chunk(riff::chunk_view c, synth::synth& engine);

}  // namespace files
