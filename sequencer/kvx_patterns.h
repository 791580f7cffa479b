// The bit-packed pattern data of both own sequence formats ("KVX1", "KVX2").
#pragma once

#include <cstddef>
#include <cstdint>

#include "sequencer/byte_span.h"
#include "sequencer/song.h"

namespace sequencer {

constexpr int32_t kvx_rows = 64;

struct kvx_pattern_format {
  bool second_generation = false;  // "KVX2": commands 31 and 12 are renumbered
  bool adjusted = false;           // "KVX2" flag: command 12 keeps its number
};

// The note byte N of a cell: bits 0..6 the note (0 none, 1..108 notes 12..119
// less one octave, 109..111 the special notes), bit 7 the retrigger flag.
void decode_kvx_note(uint32_t note_byte, cell& c);

// Reads `groups` groups of `channels` patterns (pattern g * channels + j holds
// channel j of group g) into s, whose patterns must exist. Cells are stored
// row by row, each channel's cell after the other. Returns the bytes used.
size_t read_kvx_patterns(byte_span bytes, size_t start, int32_t groups, int32_t channels,
                         kvx_pattern_format format, song& s);

}  // namespace sequencer
