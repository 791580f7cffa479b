#include "sequencer/kvx_patterns.h"

namespace sequencer {

namespace {

constexpr uint32_t has_note = 1, has_instrument = 2, has_command = 4, has_parameter = 8;
constexpr int32_t command_none = 0;  // stored 0: no command
constexpr int32_t command_zero = 63;  // stored 63: command 0 (0 itself means none)

int32_t kvx_command(uint32_t k, kvx_pattern_format format) {
  if (k == command_none) return -1;
  int32_t c = k == command_zero ? 0 : int32_t(k);
  if (format.second_generation) {
    if (c == 31) c = 9;
    else if (c == 12 && !format.adjusted) c = 37;
  }
  return c;
}

}  // namespace

void decode_kvx_note(uint32_t note_byte, cell& c) {
  const int32_t n = int32_t(note_byte & 127);
  c.retrigger = uint8_t((note_byte >> 7) & 1);
  if (n == 0) {
    c.note = note_code::none;
  } else if (n < 109) {
    c.note = n + 11;
  } else {
    c.note = 107 - n;  // 109 cut, 110 release, 111 filter trigger
    if (c.note < note_code::filter_trigger) c.note = note_code::none;  // 112..127 mean nothing
  }
}

size_t read_kvx_patterns(byte_span bytes, size_t start, int32_t groups, int32_t channels,
                         kvx_pattern_format format, song& s) {
  bit_reader bits(bytes, start);
  for (int32_t g = 0; g < groups; ++g) {
    for (int32_t r = 0; r < kvx_rows; ++r) {
      for (int32_t j = 0; j < channels; ++j) {
        cell& c = s.pattern_cell(g * channels + j, r);
        c = cell{};
        const uint32_t flags = bits.read(4);
        const uint32_t note = flags & has_note ? bits.read(8) : 0;
        decode_kvx_note(note, c);
        if (flags & has_instrument) c.instrument = int32_t(bits.read(6));
        if (flags & has_command) {
          const uint32_t k = bits.read(6);
          c.parameter = flags & has_parameter ? int32_t(bits.read(8)) : 0;
          c.command = kvx_command(k, format);
          if (c.command < 0) c.parameter = 0;
        }
      }
    }
  }
  return bits.bytes_used();
}

}  // namespace sequencer
