// "KVX2": after the magic a 4-byte header (speed and swing nibbles, tempo,
// the fourth value, flags), the name, then blocks that each keep their count
// at block byte 4 and their data from block byte 8: patterns (group count,
// channel count), positions, instruments ("END!" at the block start: none,
// and no samples), samples.
#include <algorithm>
#include <cstring>

#include "files/preset_chunk.h"
#include "files/wave_load.h"
#include "sequencer/kvx2_instrument.h"
#include "sequencer/kvx_patterns.h"
#include "sequencer/song_load.h"

namespace sequencer {

namespace {

constexpr size_t magic_size = 4;
constexpr size_t block_count_at = 4;
constexpr size_t block_data_at = 8;
constexpr size_t fixed_name_size = 24;
constexpr uint8_t flag_counted_name = 1;  // a length byte and the name instead of 24 bytes
constexpr uint8_t flag_adjusted = 2;      // command 12 keeps its number
constexpr size_t sample_header_size = 12;
constexpr double base_rate_hz = 44100.0;

// Where the first block starts, and the name.
size_t read_name(byte_span bytes, uint8_t flags, std::string& name) {
  const size_t at = magic_size + 4;
  if (!(flags & flag_counted_name)) {
    name.assign(reinterpret_cast<const char*>(bytes.data) + std::min(at, bytes.size),
                bytes.text_length(at, fixed_name_size));
    return at + fixed_name_size;
  }
  const size_t length = bytes.u8(at);
  name.assign(reinterpret_cast<const char*>(bytes.data) + std::min(at + 1, bytes.size),
              bytes.text_length(at + 1, length));
  const size_t second = at + 1 + length;  // a second counted text, not used
  return second + 1 + bytes.u8(second);
}

// One sample at `at`; false (nothing read) when its header or data would reach
// past the end. The loop flags: bit 0 loops between the stored points, bit 1
// loops from the loop start to the last frame.
bool read_sample(byte_span bytes, size_t& at, int32_t index, synth::pcm_record& r) {
  if (!bytes.has(at, sample_header_size)) return false;
  const int32_t length = bytes.u16_be(at + 4);
  const int32_t last = std::max(length - 1, 0);
  const int32_t loop_start = std::min<int32_t>(bytes.u16_be(at + 6), last);
  const int32_t loop_end = std::min<int32_t>(bytes.u16_be(at + 8), last);
  const int bits = (bytes.u8(at + 10) & 15) + 1;
  const int exponent = int8_t(bytes.u8(at + 10)) >> 4;  // signed high nibble: rate 44100 * 2^x
  const uint8_t loop_flags = bytes.u8(at + 11);
  const size_t data_bytes = (size_t(length) * size_t(bits) + 7) / 8;
  if (!bytes.has(at + sample_header_size, data_bytes)) return false;

  std::vector<int16_t> frames(static_cast<size_t>(length));
  bit_reader reader(bytes, at + sample_header_size);
  for (int32_t i = 0; i < length; ++i) {  // stored last-first
    const uint32_t v = reader.read(bits) << (16 - bits);
    frames[size_t(length - 1 - i)] = int16_t(uint16_t(v));
  }
  r = synth::pcm_record{};
  r.assign(frames.data(), length);
  r.name = "pcm #";
  const char tag = char(uint8_t('1' + index));
  r.name += tag ? tag : '?';
  r.source_bits = bits;
  r.frames_per_cycle = synth::frames_per_cycle(base_rate_hz * std::ldexp(1.0, exponent), 0.0);
  if (loop_flags & 1) r.set_loop(loop_start, loop_end, 0.f);
  else if (loop_flags & 2) r.set_loop(loop_start, last, 0.f);
  r.set_end_guards();
  at += sample_header_size + data_bytes;
  return true;
}

void read_samples(byte_span bytes, size_t block, song_load& out) {
  out.replaces_pcms = true;
  const int32_t count = bytes.u8(block + block_count_at);
  size_t at = block + block_data_at;
  for (int32_t i = 0; i < count; ++i) {
    synth::pcm_record r;
    if (!read_sample(bytes, at, i, r)) break;
    out.pcms.push_back(std::move(r));
  }
}

}  // namespace

int parse_kvx2(const uint8_t* data, size_t size, const load_context& context, song_load& out) {
  const byte_span bytes{data, size};
  if (!bytes.has(magic_size, 4)) return load_unknown;
  song& s = out.tune;
  s.format = song_format::own;
  s.speed = bytes.u8(magic_size) >> 4;
  s.swing = bytes.u8(magic_size) & 15;
  s.tempo = bytes.u8(magic_size + 1);
  s.fourth = bytes.u8(magic_size + 2);
  const uint8_t flags = bytes.u8(magic_size + 3) & 0x80 ? 0 : bytes.u8(magic_size + 3);
  s.multiplier = 1;
  s.rows_per_pattern = kvx_rows;

  const size_t patterns = read_name(bytes, flags, s.name);
  const int32_t groups = bytes.u8(patterns + block_count_at);
  s.channels = bytes.u8(patterns + block_count_at + 1);
  if (groups < 1 || s.channels < 1 || s.channels > max_channels) return load_unknown;
  s.make_patterns(groups * s.channels);
  const kvx_pattern_format format{true, (flags & flag_adjusted) != 0};
  const size_t used = read_kvx_patterns(bytes, patterns + block_data_at, groups, s.channels, format, s);

  const size_t positions = patterns + block_data_at + used;
  const size_t first = positions + block_data_at;
  const int32_t count = bytes.has(first, 0) ? int32_t(std::min<size_t>(bytes.u8(positions + block_count_at),
                                                                        bytes.size - first))
                                            : 0;
  if (count < 1) return load_unknown;
  s.positions.assign(size_t(count), position{});
  for (int32_t i = 0; i < count; ++i) {
    const int32_t group = std::min<int32_t>(bytes.u8(first + size_t(i)), groups - 1);
    for (int32_t j = 0; j < s.channels; ++j) s.positions[size_t(i)][size_t(j)].pattern = s.channels * group + j;
  }

  const size_t instruments = first + size_t(count);
  if (bytes.has(instruments, 4) && std::memcmp(data + instruments, "END!", 4) == 0) return load_ok;
  const size_t records = instruments + block_data_at;
  const size_t room = bytes.has(records, 0) ? (bytes.size - records) / kvx2_instrument_size : 0;
  const int32_t k = int32_t(std::min<size_t>({bytes.u8(instruments + block_count_at), room,
                                              size_t(max_instruments)}));
  read_samples(bytes, records + size_t(k) * kvx2_instrument_size, out);
  s.instrument_count = k;
  for (int32_t i = 0; i < k; ++i) {
    synth::preset p = context.init;
    convert_kvx2_instrument(bytes, records + size_t(i) * kvx2_instrument_size, s.name, int32_t(out.pcms.size()), p);
    out.presets.emplace_back(k - 1 - i, std::move(p));
  }
  return load_ok;
}

}  // namespace sequencer
