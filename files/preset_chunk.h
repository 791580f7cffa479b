// The preset chunk "kvxi" (children "name", "ctgr", "vals") and the bank
// chunk "kvxb" ("name", "list" with the count, then the preset chunks as its
// siblings). Writers measure when given no destination.
#pragma once

#include <cstdint>
#include <string>

#include "riff/chunk.h"
#include "synth/preset.h"

namespace files {

constexpr uint32_t vals_chunk_size = riff::header_size + 4 + 4 * synth::preset_param_count;  // 368

// Names and categories read from files keep at most this many characters.
std::string stored_name(std::string text);

uint32_t write_preset_chunk(uint8_t* dest, const synth::preset& p);
// False, and p unchanged, unless c is a "kvxi" chunk. A "vals" of a newer
// version than we write leaves the values as they were.
bool read_preset_chunk(riff::chunk_view c, synth::preset& p);
// The values of a "vals" chunk: migrated from older versions, then limited.
void read_vals(riff::chunk_view vals, synth::preset& p);

uint32_t write_bank_chunk(uint8_t* dest, const synth::bank& b);
// False, and b unchanged, unless c is a "kvxb" chunk. Reads the bank name and
// the first `count` presets (at most 128, while they lie inside c).
bool read_bank_chunk(riff::chunk_view c, synth::bank& b);

}  // namespace files
