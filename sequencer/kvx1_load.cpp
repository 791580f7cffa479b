// "KVX1": after the magic, speed, tempo, channel count and position count
// (one byte each), a 24-byte name, then the bit-packed patterns: one group of
// `channels` patterns per position, position i playing group i.
#include "sequencer/kvx_patterns.h"
#include "sequencer/song_load.h"

namespace sequencer {

namespace {

constexpr size_t magic_size = 4;
constexpr size_t name_size = 24;
constexpr size_t patterns_at = magic_size + 28;

}  // namespace

int parse_kvx1(const uint8_t* data, size_t size, song_load& out) {
  const byte_span bytes{data, size};
  if (!bytes.has(magic_size, 4)) return load_unknown;
  song& s = out.tune;
  s.format = song_format::own;
  s.speed = bytes.s8(magic_size);
  // Tempo and position count are read unsigned: as signed bytes, tempos
  // above 127 would turn into 1 and counts above 127 into nothing.
  s.tempo = bytes.u8(magic_size + 1);
  s.channels = bytes.s8(magic_size + 2);
  const int32_t positions = bytes.u8(magic_size + 3);
  if (s.channels < 1 || s.channels > max_channels || positions < 1) return load_unknown;
  s.fourth = 255;
  s.swing = 0;
  s.multiplier = 1;
  s.rows_per_pattern = kvx_rows;
  const size_t name_at = magic_size + 4;
  s.name.assign(reinterpret_cast<const char*>(data) + (name_at < size ? name_at : size),
                bytes.text_length(name_at, name_size));
  s.positions.assign(size_t(positions), position{});
  for (int32_t i = 0; i < positions; ++i)
    for (int32_t j = 0; j < s.channels; ++j) s.positions[size_t(i)][size_t(j)].pattern = i * s.channels + j;
  s.make_patterns(positions * s.channels);
  read_kvx_patterns(bytes, patterns_at, positions, s.channels, kvx_pattern_format{}, s);
  return load_ok;
}

}  // namespace sequencer
