// AHX track commands translated into the player's commands, and the note and
// instrument fields of a track row.
#pragma once

#include <cstdint>

#include "sequencer/song.h"

namespace sequencer {

// Player command numbers an AHX module uses (the player's table names the rest).
namespace ahx_command {
enum : int32_t {
  position_hundreds = 48,  // 0y: hundreds digit y of a position jump in the same row
};
}

// One 3-byte track row into a cell: note (0 none, else note + 23), instrument
// (0 none; an instrument also retriggers), command and parameter translated.
cell decode_ahx_row(uint8_t b0, uint8_t b1, uint8_t b2);

// The command (or -1) and parameter an AHX command with parameter p becomes.
void translate_ahx_command(int32_t command, int32_t p, cell& c);

// A parameter's two hex digits read as a decimal number (0x12 -> 12).
inline int32_t ahx_decimal(int32_t p) { return (p >> 4) * 10 + (p & 15); }

}  // namespace sequencer
