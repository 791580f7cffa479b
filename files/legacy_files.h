// The first generation of preset and bank files: "KVXi" holds one legacy
// record, "KVXb" up to 128 of them. A record is the id, a version byte, a
// 24-bit length of what follows the 8-byte header, a signed name length n,
// n name bytes, then the values: 89 bytes (versions 0 and 1) or 89 normalised
// reals (version 255).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "synth/preset.h"

namespace files {

constexpr size_t legacy_header_size = 8;

// Converts the record at `record` (with `available` bytes after it) into
// target, starting from `init` (the user's init preset). Empty on success,
// else the reason; target may then hold the init values and the name.
std::string convert_legacy_record(const uint8_t* record, size_t available, const synth::preset& init,
                                  synth::preset& target);

// Fills slots 127, 126, ... from the records in file order. Empty text means
// success; "loaded KVXb ?" is the caller's.
std::string load_legacy_bank(const uint8_t* data, size_t size, const synth::preset& init, synth::bank& b);

}  // namespace files
