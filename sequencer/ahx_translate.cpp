#include "sequencer/ahx_translate.h"

namespace sequencer {

namespace {

constexpr int32_t ahx_note_offset = 23;  // AHX note 1 (C-1) plays note 24

// Cxx: 00..40 note volume, 50..90 every channel's volume, A0..E0 this
// channel's volume; v / 64 as a parameter v * 4, full scale 255.
void translate_volume(int32_t p, cell& c) {
  int32_t v;
  if (p <= 0x40) {
    c.command = 9;
    v = p;
  } else if (p >= 0x50 && p <= 0x90) {
    c.command = 22;
    v = p - 0x50;
  } else if (p >= 0xA0 && p <= 0xE0) {
    c.command = 31;
    v = p - 0xA0;
  } else {
    return;
  }
  c.parameter = v == 64 ? 255 : v * 4;
}

void translate_extended(int32_t p, cell& c) {
  const int32_t low = p & 15;
  switch (p >> 4) {
    case 0x1: c.command = 14; c.parameter = low; break;
    case 0x2: c.command = 15; c.parameter = low; break;
    case 0x4: c.command = 17; c.parameter = low; break;
    case 0xA: c.command = 28; c.parameter = low * 16; break;
    case 0xB: c.command = 28; c.parameter = low; break;
    default: break;
  }
}

}  // namespace

void translate_ahx_command(int32_t command, int32_t p, cell& c) {
  c.command = -1;
  c.parameter = 0;
  switch (command) {
    case 0x0:
      if (p > 0 && (p & 15) >= 1 && (p & 15) <= 9) {
        c.command = ahx_command::position_hundreds;
        c.parameter = p & 15;
      }
      break;
    case 0x1: c.command = 14; c.parameter = p / 2; break;
    case 0x2: c.command = 15; c.parameter = p / 2; break;
    case 0x3:
    case 0x5: c.command = 16; c.parameter = 128; break;
    case 0x4: c.command = 12; c.parameter = 255; break;
    case 0x9: c.command = 21; c.parameter = p / 2 + 128; break;
    case 0xA: c.command = 28; c.parameter = p; break;
    case 0xB: c.command = 35; c.parameter = ahx_decimal(p); break;
    case 0xC: translate_volume(p, c); break;
    case 0xD: c.command = 11; c.parameter = ahx_decimal(p); break;
    case 0xE: translate_extended(p, c); break;
    case 0xF: c.command = 38; c.parameter = p; break;
    default: break;  // 6, 7, 8: nothing to play
  }
  if (c.command < 0) c.parameter = 0;
}

cell decode_ahx_row(uint8_t b0, uint8_t b1, uint8_t b2) {
  cell c;
  const int32_t note = b0 >> 2;
  c.note = note == 0 ? note_code::none : note + ahx_note_offset;
  const int32_t instrument = (b0 & 3) << 4 | b1 >> 4;
  c.instrument = instrument == 0 ? -1 : instrument - 1;
  c.retrigger = instrument != 0;
  translate_ahx_command(b1 & 15, b2, c);
  c.ahx_command = b1 & 15;
  c.ahx_parameter = b2;
  return c;
}

}  // namespace sequencer
