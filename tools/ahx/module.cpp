#include "tools/ahx/module.h"

#include <algorithm>

namespace ahx {

namespace {

class byte_writer {
 public:
  void u8(int v) { bytes.push_back(uint8_t(v)); }
  void u16(int v) {
    u8(v >> 8);
    u8(v);
  }
  void text(const std::string& s) {
    bytes.insert(bytes.end(), s.begin(), s.end());
    u8(0);
  }
  std::vector<uint8_t> bytes;
};

void write_row(byte_writer& w, const row& r) {
  const int instrument = std::clamp(r.instrument, 0, 63);
  w.u8(std::clamp(r.note, 0, 63) << 2 | instrument >> 4);
  w.u8((instrument & 15) << 4 | (r.command & 15));
  w.u8(r.parameter);
}

void write_instrument(byte_writer& w, const instrument& in) {
  const int filter_speed = std::clamp(in.filter_speed, 0, 127);
  w.u8(in.volume);
  w.u8((filter_speed & 31) << 3 | (in.wavelength & 7));
  w.u8(in.attack_ticks);
  w.u8(in.attack_volume);
  w.u8(in.decay_ticks);
  w.u8(in.decay_volume);
  w.u8(in.sustain_ticks);
  w.u8(in.release_ticks);
  w.u8(in.release_volume);
  w.u8(0);
  w.u8(0);
  w.u8(0);
  w.u8((filter_speed >> 5 & 1) << 7 | (in.filter_lower & 0x7F));
  w.u8(in.vibrato_delay);
  w.u8((in.hard_cut_release ? 0x80 : 0) | (in.hard_cut_ticks & 7) << 4 | (in.vibrato_depth & 15));
  w.u8(in.vibrato_speed);
  w.u8(in.square_lower);
  w.u8(in.square_upper);
  w.u8(in.square_speed);
  w.u8((filter_speed >> 6 & 1) << 7 | (in.filter_upper & 0x7F));
  w.u8(in.playlist_speed);
  const size_t length = std::min<size_t>(in.playlist.size(), 255);
  w.u8(int(length));
  for (size_t i = 0; i < length; ++i) {
    const entry& e = in.playlist[i];
    const int waveform = e.waveform & 7;
    w.u8((e.fx[1] & 7) << 5 | (e.fx[0] & 7) << 2 | waveform >> 1);
    w.u8((waveform & 1) << 7 | (e.fixed ? 0x40 : 0) | (e.note & 63));
    w.u8(e.fx_param[0]);
    w.u8(e.fx_param[1]);
  }
}

}  // namespace

bool track_zero_empty(const module& m) {
  if (m.tracks.empty()) return true;
  for (const row& r : m.tracks[0])
    if (r.note || r.instrument || r.command || r.parameter) return false;
  return true;
}

std::vector<uint8_t> write_module(const module& m) {
  const bool skip_zero = track_zero_empty(m);
  const int highest_track = std::max(int(m.tracks.size()) - 1, 0);
  byte_writer w;
  w.text("THX");
  w.bytes.back() = uint8_t(m.version);  // the version byte replaces the text's terminator
  w.u16(0);                             // name table offset, set below
  const int length = std::clamp(int(m.positions.size()), 0, 0xFFF);
  w.u16((skip_zero ? 0x8000 : 0) | (std::clamp(m.multiplier, 1, 4) - 1) << 13 | length);
  w.u16(m.restart);
  w.u8(m.rows);
  w.u8(highest_track);
  w.u8(int(m.instruments.size()));
  w.u8(int(m.subsongs.size()));
  for (int s : m.subsongs) w.u16(s);
  for (int i = 0; i < length; ++i) {
    for (const track_ref& t : m.positions[size_t(i)]) {
      w.u8(t.track);
      w.u8(t.transpose);
    }
  }
  for (size_t t = skip_zero ? 1 : 0; t < m.tracks.size(); ++t) {
    for (int r = 0; r < m.rows; ++r) write_row(w, r < int(m.tracks[t].size()) ? m.tracks[t][size_t(r)] : row{});
  }
  for (const instrument& in : m.instruments) write_instrument(w, in);
  const size_t names = w.bytes.size();
  w.bytes[4] = uint8_t(names >> 8);
  w.bytes[5] = uint8_t(names);
  w.text(m.name);
  for (const instrument& in : m.instruments) w.text(in.name);
  return w.bytes;
}

}  // namespace ahx
