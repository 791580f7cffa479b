// AHX modules, big-endian: a 14-byte header, the subsong list, the positions
// (four track numbers with signed transposes each), the tracks (3 bytes per
// row), the instruments (22 bytes and a playlist of 4-byte entries each) and
// the name table (the song name, then one name per instrument).
//
// The header, subsong list, positions and tracks must all lie inside the
// data, or the module is refused as cut short; an instrument cut off by the end of the
// data ends the instrument list there; names cut off are empty.
#include <algorithm>

#include "files/preset_chunk.h"
#include "sequencer/ahx_preset.h"
#include "sequencer/byte_span.h"
#include "sequencer/ahx_translate.h"
#include "sequencer/ahx_voice.h"
#include "sequencer/song_load.h"

namespace sequencer {

namespace {

constexpr size_t header_size = 14;
constexpr size_t position_size = 8;
constexpr size_t row_size = 3;
constexpr size_t instrument_size = 22;
constexpr size_t entry_size = 4;
constexpr int32_t ahx_channels = 4;
constexpr size_t max_name = 255;  // longer texts are cut (we keep 63 characters anyway)

struct ahx_header {
  int32_t version = 0;
  size_t names_at = 0;
  bool track_zero_stored = true;
  int32_t positions = 0, restart = 0, rows = 0, tracks = 0, instruments = 0, subsongs = 0;
};

ahx_header read_header(byte_span b) {
  ahx_header h;
  h.version = b.u8(3);
  h.names_at = b.u16_be(4);
  const uint8_t b6 = b.u8(6);
  h.track_zero_stored = !(b6 & 0x80);
  h.positions = (b6 & 15) << 8 | b.u8(7);
  h.restart = b.u16_be(8);
  h.rows = b.u8(10);
  h.tracks = b.u8(11) + 1;
  h.instruments = b.u8(12);
  h.subsongs = b.u8(13);
  return h;
}

void read_positions(byte_span b, size_t at, song& s) {
  for (int32_t i = 0; i < s.length(); ++i) {
    for (int32_t j = 0; j < ahx_channels; ++j) {
      track_ref& t = s.positions[size_t(i)][size_t(j)];
      t.pattern = b.u8(at + size_t(i) * position_size + size_t(2 * j));
      t.transpose = b.s8(at + size_t(i) * position_size + size_t(2 * j) + 1);
    }
  }
}

// Tracks from `first` on (1 when track 0 is not stored: it stays empty).
void read_tracks(byte_span b, size_t at, int32_t first, song& s) {
  for (int32_t t = first; t < s.pattern_count; ++t) {
    for (int32_t r = 0; r < s.rows_per_pattern; ++r) {
      s.pattern_cell(t, r) = decode_ahx_row(b.u8(at), b.u8(at + 1), b.u8(at + 2));
      at += row_size;
    }
  }
}

playlist_entry read_entry(byte_span b, size_t at) {
  const uint8_t b0 = b.u8(at), b1 = b.u8(at + 1);
  playlist_entry e;
  e.fx[1] = b0 >> 5;
  e.fx[0] = (b0 >> 2) & 7;
  const int waveform = (b0 & 3) << 1 | b1 >> 7;
  e.waveform = uint8_t(waveform <= 4 ? waveform : 0);
  e.fixed = (b1 >> 6) & 1;
  e.note = uint8_t(std::min(b1 & 63, 60));
  e.fx_param[0] = b.u8(at + 2);
  e.fx_param[1] = b.u8(at + 3);
  return e;
}

// One instrument at `at`; false when it (with its playlist) reaches past the end.
bool read_instrument(byte_span b, size_t& at, int32_t version, ahx_instrument& in) {
  if (!b.has(at, instrument_size)) return false;
  const size_t length = b.u8(at + 21);
  if (!b.has(at + instrument_size, length * entry_size)) return false;
  auto u = [&](size_t offset) { return int32_t(b.u8(at + offset)); };
  in.volume = std::min(u(0), 64);
  in.wavelength = std::min(u(1) & 7, 5);
  in.attack_ticks = u(2);
  in.attack_volume = std::min(u(3), 64);
  in.decay_ticks = u(4);
  in.decay_volume = std::min(u(5), 64);
  in.sustain_ticks = u(6);
  in.release_ticks = u(7);
  in.release_volume = std::min(u(8), 64);
  if (version >= 1) {  // the filter came with version 1
    in.filter_speed = (u(1) >> 3) | (u(12) >> 7) << 5 | (u(19) >> 7) << 6;
    in.filter_lower = u(12) & 0x7F;
    in.filter_upper = u(19) & 0x7F;
  }
  in.vibrato_delay = u(13);
  in.hard_cut_release = (u(14) & 0x80) != 0;
  in.hard_cut_ticks = (u(14) >> 4) & 7;
  in.vibrato_depth = u(14) & 15;
  in.vibrato_speed = u(15);
  in.square_lower = u(16);
  in.square_upper = u(17);
  in.square_speed = u(18);
  in.playlist_speed = u(20);
  in.playlist.resize(length);
  for (size_t i = 0; i < length; ++i) in.playlist[i] = read_entry(b, at + instrument_size + i * entry_size);
  at += instrument_size + length * entry_size;
  return true;
}

// The next zero-terminated name of the table; empty once the data ends.
std::string next_name(byte_span b, size_t& at) {
  if (at >= b.size) return {};
  const size_t n = b.text_length(at, b.size - at);
  std::string name(reinterpret_cast<const char*>(b.data) + at, std::min(n, max_name));
  at += n + 1;
  return name;
}

}  // namespace

int parse_ahx(const uint8_t* data, size_t size, const load_context& context, song_load& out) {
  const byte_span b{data, size};
  if (!b.has(0, header_size)) return load_cut_short;
  const ahx_header h = read_header(b);
  if (h.version > 1 || h.positions < 1 || h.rows < 1) return load_unknown;

  const size_t positions_at = header_size + 2 * size_t(h.subsongs);
  const size_t tracks_at = positions_at + size_t(h.positions) * position_size;
  const int32_t first_track = h.track_zero_stored ? 0 : 1;
  const size_t track_bytes = size_t(h.tracks - first_track) * size_t(h.rows) * row_size;
  if (!b.has(positions_at, size_t(h.positions) * position_size) || !b.has(tracks_at, track_bytes))
    return load_cut_short;

  song& s = out.tune;
  s.format = song_format::ahx;
  s.version = h.version;
  s.multiplier = ((b.u8(6) >> 5) & 3) + 1;
  s.restart = h.restart < h.positions ? h.restart : 0;
  s.rows_per_pattern = h.rows;
  s.channels = ahx_channels;
  s.speed = 6;
  s.tempo = 125;  // 4 * 125 / (speed * 10) rows per second: a row every `speed` 50 Hz ticks
  s.swing = 0;
  s.fourth = 255;
  s.positions.assign(size_t(h.positions), position{});
  read_positions(b, positions_at, s);
  s.make_patterns(h.tracks);
  read_tracks(b, tracks_at, first_track, s);

  size_t at = tracks_at + track_bytes;
  const int32_t wanted = std::min(h.instruments, max_instruments);
  for (int32_t i = 0; i < wanted; ++i) {
    ahx_instrument in;
    if (!read_instrument(b, at, h.version, in)) break;
    s.instruments.push_back(std::move(in));
  }
  s.instrument_count = int32_t(s.instruments.size());

  size_t names = h.names_at;
  s.name = next_name(b, names);
  out.fills_bank = true;
  for (int32_t i = 0; i < s.instrument_count; ++i) {
    synth::preset p = context.init;
    p.name = files::stored_name(next_name(b, names));
    p.category = files::stored_name(s.name);
    ahx_preset(s.instruments[size_t(i)], s.version, ahx_voice::replayer_tick_hz * float(s.multiplier), p);
    out.presets.emplace_back(i, std::move(p));
  }
  return load_ok;
}

}  // namespace sequencer
