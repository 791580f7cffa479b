// Own sequence files ("KVX1", "KVX2") written bit by bit from the layout the
// loaders read, for tests and fuzz seeds. Header-only.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace test_support {

using bytes = std::vector<uint8_t>;

class kvx_bits {
 public:
  void put(uint32_t v, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if (bit_ % 8 == 0) out.push_back(0);
      if ((v >> i) & 1) out.back() |= uint8_t(0x80 >> (bit_ % 8));
      ++bit_;
    }
  }
  bytes out;

 private:
  uint64_t bit_ = 0;
};

// A cell as stored: the note byte N (0 none), instrument (-1 none), the
// stored command K (-1 none; 63 is command 0) and parameter (-1 none).
struct kvx_cell {
  int note_byte = 0;
  int instrument = -1;
  int command = -1;
  int parameter = -1;
};

// cells[(group * 64 + row) * channels + channel]; missing cells are empty.
inline bytes kvx_patterns(const std::vector<kvx_cell>& cells, int groups, int channels) {
  kvx_bits b;
  for (int i = 0; i < groups * 64 * channels; ++i) {
    const kvx_cell c = size_t(i) < cells.size() ? cells[size_t(i)] : kvx_cell{};
    uint32_t flags = 0;
    if (c.note_byte) flags |= 1;
    if (c.instrument >= 0) flags |= 2;
    if (c.command >= 0) flags |= 4;
    if (c.command >= 0 && c.parameter >= 0) flags |= 8;
    b.put(flags, 4);
    if (flags & 1) b.put(uint32_t(c.note_byte), 8);
    if (flags & 2) b.put(uint32_t(c.instrument), 6);
    if (flags & 4) b.put(uint32_t(c.command), 6);
    if (flags & 8) b.put(uint32_t(c.parameter), 8);
  }
  return b.out;
}

inline void append(bytes& to, const bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

inline void append_name(bytes& to, const std::string& name, size_t size) {
  for (size_t i = 0; i < size; ++i) to.push_back(i < name.size() ? uint8_t(name[i]) : 0);
}

inline bytes kvx1_file(int speed, int tempo, int channels, int positions, const std::string& name,
                       const std::vector<kvx_cell>& cells) {
  bytes f = {'K', 'V', 'X', '1', uint8_t(speed), uint8_t(tempo), uint8_t(channels), uint8_t(positions)};
  append_name(f, name, 24);
  append(f, kvx_patterns(cells, positions, channels));
  return f;
}

struct kvx2_sample {
  std::vector<int> values;  // in file order (the loader stores them last-first)
  int bits = 8;
  int exponent = 0;         // rate 44100 * 2^exponent
  int loop_start = 0, loop_end = 0, loop_flags = 0;
};

struct kvx2_song {
  int speed = 6, swing = 0, tempo = 125, fourth = 255, flags = 0;
  std::string name = "song";
  int groups = 1, channels = 1;
  std::vector<kvx_cell> cells;
  std::vector<int> positions = {0};
  std::vector<bytes> instruments;  // 44-byte records; none: "END!"
  std::vector<kvx2_sample> samples;
};

inline bytes kvx2_file(const kvx2_song& s) {
  bytes f = {'K', 'V', 'X', '2', uint8_t(s.speed << 4 | s.swing), uint8_t(s.tempo), uint8_t(s.fourth),
             uint8_t(s.flags)};
  const int flags = s.flags & 0x80 ? 0 : s.flags;  // bit 7 set: the flags count as 0
  if (flags & 1) {
    f.push_back(uint8_t(s.name.size()));
    f.insert(f.end(), s.name.begin(), s.name.end());
    f.push_back(0);  // the second text: empty
  } else {
    append_name(f, s.name, 24);
  }
  append(f, {0, 0, 0, 0, uint8_t(s.groups), uint8_t(s.channels), 0, 0});
  append(f, kvx_patterns(s.cells, s.groups, s.channels));
  append(f, {0, 0, 0, 0, uint8_t(s.positions.size()), 0, 0, 0});
  for (int p : s.positions) f.push_back(uint8_t(p));
  if (s.instruments.empty()) {
    append(f, {'E', 'N', 'D', '!'});
    return f;
  }
  append(f, {0, 0, 0, 0, uint8_t(s.instruments.size()), 0, 0, 0});
  for (const bytes& r : s.instruments) append(f, r);
  append(f, {0, 0, 0, 0, uint8_t(s.samples.size()), 0, 0, 0});
  for (const kvx2_sample& m : s.samples) {
    const int n = int(m.values.size());
    append(f, {0, 0, 0, 0, uint8_t(n >> 8), uint8_t(n), uint8_t(m.loop_start >> 8), uint8_t(m.loop_start),
               uint8_t(m.loop_end >> 8), uint8_t(m.loop_end), uint8_t((m.exponent & 15) << 4 | (m.bits - 1)),
               uint8_t(m.loop_flags)});
    kvx_bits b;
    for (int v : m.values) b.put(uint32_t(v) & ((1u << m.bits) - 1), m.bits);
    append(f, b.out);
  }
  return f;
}

// A 44-byte instrument record: name, level, waveform nibble and parameter.
inline bytes kvx2_instrument(const std::string& name, int level, int waveform, int parameter) {
  bytes r(44, 0);
  for (size_t i = 0; i < name.size() && i < 27; ++i) r[i] = uint8_t(name[i]);
  r[27] = uint8_t(level);
  r[28] = 2;  // range 8'
  r[29] = uint8_t(waveform << 4);
  r[30] = uint8_t(parameter);
  r[33] = 255;  // Env A sustain full
  r[35] = 255;  // filter mode: keep the preset's
  r[43] = 128;  // centre
  return r;
}

}  // namespace test_support
