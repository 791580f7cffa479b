#include "tools/ahx/song_text.h"

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

namespace ahx {

namespace {

const char* const note_letters[12] = {"C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};
const char* const effect_names[8] = {"filter", "up", "down", "pulse", "mod", "jump", "volume", "speed"};
const char* const waveform_names[5] = {".", "triangle", "saw", "square", "noise"};

// What the module's fields hold (a number outside would be written as a
// different one).
constexpr int max_positions = 999;
constexpr int max_instruments = 63;
constexpr int max_subsongs = 255;
constexpr int max_steps = 255;
constexpr int max_volume = 64;

// An instrument setting's numbers and the range each must lie in.
struct setting_range {
  const char* key;
  size_t count;
  int lo[7];
  int hi[7];
};
constexpr setting_range instrument_settings[] = {
    {"volume", 1, {0}, {max_volume}},
    {"wavelength", 1, {0}, {5}},
    {"playlist", 1, {0}, {255}},
    // attack ticks, volume; decay ticks, volume; sustain ticks; release ticks, volume
    {"envelope", 7, {0, 0, 0, 0, 0, 0, 0}, {255, max_volume, 255, max_volume, 255, 255, max_volume}},
    {"square", 3, {0, 0, 0}, {63, 63, 255}},   // pulse limits, ticks per step
    {"filter", 3, {0, 0, 0}, {63, 63, 127}},   // limits, speed (7 bits)
    {"vibrato", 3, {0, 0, 0}, {255, 15, 63}},  // delay ticks, depth, speed
};

struct parser {
  module& m;
  std::string error;
  int line = 0;
  enum { none, in_instrument, in_track, in_positions } block = none;
  int track = -1;

  bool fail(const std::string& why) {
    error = "line " + std::to_string(line) + ": " + why;
    return false;
  }

  static bool integer(const std::string& t, int& out) {
    if (t.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(t.c_str(), &end, 10);
    if (*end) return false;
    out = int(v);
    return true;
  }
  static bool hex(const std::string& t, int& out) {
    if (t.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(t.c_str(), &end, 16);
    if (*end || v < 0) return false;
    out = int(v);
    return true;
  }
  // "C-3" -> 25 (C-1 is 1); false for anything else.
  static bool note(const std::string& t, int& out) {
    if (t.size() != 3 || t[2] < '1' || t[2] > '5') return false;
    for (int i = 0; i < 12; ++i) {
      if (t.compare(0, 2, note_letters[i]) == 0) {
        out = (t[2] - '1') * 12 + i + 1;
        return true;
      }
    }
    return false;
  }

  bool numbers(const std::vector<std::string>& w, size_t from, size_t count, std::vector<int>& out) {
    if (w.size() != from + count) return fail("\"" + w[0] + "\" takes " + std::to_string(count) + " numbers");
    out.assign(count, 0);
    for (size_t i = 0; i < count; ++i)
      if (!integer(w[from + i], out[i])) return fail("not a number: " + w[from + i]);
    return true;
  }

  instrument* current() { return block == in_instrument && !m.instruments.empty() ? &m.instruments.back() : nullptr; }

  bool step(const std::vector<std::string>& w) {
    entry e;
    if (w.size() < 3 || w.size() > 7 || w.size() % 2 == 0) return fail("step WAVE NOTE [EFFECT HEX [EFFECT HEX]]");
    bool known = false;
    for (int i = 0; i < 5; ++i) {
      if (w[1] == waveform_names[i]) {
        e.waveform = i;
        known = true;
      }
    }
    if (!known) return fail("unknown waveform " + w[1]);
    if (w[2][0] == '+') {
      int n;
      if (!integer(w[2].substr(1), n) || n < 0 || n > 59) return fail("relative note +0 .. +59: " + w[2]);
      e.note = n + 1;
    } else if (w[2] != ".") {
      if (!note(w[2], e.note)) return fail("not a note: " + w[2]);
      e.fixed = true;
    }
    for (size_t k = 0; 3 + 2 * k < w.size(); ++k) {
      int fx = -1;
      for (int i = 0; i < 8; ++i)
        if (w[3 + 2 * k] == effect_names[i]) fx = i;
      if (fx < 0) return fail("unknown effect " + w[3 + 2 * k]);
      if (!hex(w[4 + 2 * k], e.fx_param[k]) || e.fx_param[k] > 255) return fail("effect parameter 00..ff");
      e.fx[k] = fx;
    }
    if (current()->playlist.size() >= max_steps) return fail("more than 255 playlist steps");
    current()->playlist.push_back(e);
    return true;
  }

  bool instrument_line(const std::vector<std::string>& w) {
    instrument& in = *current();
    std::vector<int> v;
    const std::string& key = w[0];
    if (key == "step") return step(w);
    if (key == "hardcut") {
      const bool release = w.size() == 3 && w[2] == "release";
      if ((w.size() != 2 && !release) || !integer(w[1], in.hard_cut_ticks)) return fail("hardcut TICKS [release]");
      if (in.hard_cut_ticks < 0 || in.hard_cut_ticks > 7) return fail("hardcut ticks 0..7");
      in.hard_cut_release = release;
      return true;
    }
    const setting_range* range = nullptr;
    for (const setting_range& r : instrument_settings)
      if (key == r.key) range = &r;
    if (!range) return fail("unknown instrument setting " + key);
    if (!numbers(w, 1, range->count, v)) return false;
    for (size_t i = 0; i < range->count; ++i)
      if (v[i] < range->lo[i] || v[i] > range->hi[i])
        return fail(key + " number " + std::to_string(i + 1) + ": " + std::to_string(range->lo[i]) + ".." +
                    std::to_string(range->hi[i]));
    if (key == "volume") in.volume = v[0];
    else if (key == "wavelength") in.wavelength = v[0];
    else if (key == "playlist") in.playlist_speed = v[0];
    else if (key == "square") in.square_lower = v[0], in.square_upper = v[1], in.square_speed = v[2];
    else if (key == "filter") in.filter_lower = v[0], in.filter_upper = v[1], in.filter_speed = v[2];
    else if (key == "vibrato") in.vibrato_delay = v[0], in.vibrato_depth = v[1], in.vibrato_speed = v[2];
    else {
      in.attack_ticks = v[0], in.attack_volume = v[1], in.decay_ticks = v[2], in.decay_volume = v[3];
      in.sustain_ticks = v[4], in.release_ticks = v[5], in.release_volume = v[6];
    }
    return true;
  }

  bool track_row(const std::vector<std::string>& w) {
    int r;
    if (w.size() != 4 || !integer(w[0], r)) return fail("track rows: ROW NOTE INSTRUMENT COMMAND");
    if (r < 0 || r >= m.rows) return fail("row outside the track");
    row& out = m.tracks[size_t(track)][size_t(r)];
    if (w[1] != "---" && w[1] != "." && !note(w[1], out.note)) return fail("not a note: " + w[1]);
    if (w[2] != "." && (!integer(w[2], out.instrument) || out.instrument < 1 || out.instrument > 63))
      return fail("instrument 1..63 or .");
    if (w[3] != ".") {
      int c;
      if (w[3].size() != 3 || !hex(w[3], c)) return fail("command: three hex digits or .");
      out.command = c >> 8;
      out.parameter = c & 0xFF;
    }
    return true;
  }

  bool position_line(const std::vector<std::string>& w) {
    std::vector<int> v;
    if (w.size() != 8) return fail("a position is four pairs: TRACK TRANSPOSE");
    if (!numbers(w, 0, 8, v)) return false;
    if (m.positions.size() >= max_positions) return fail("more than 999 positions");
    std::array<track_ref, 4> p;
    for (int j = 0; j < 4; ++j) {
      p[size_t(j)] = {v[size_t(2 * j)], v[size_t(2 * j + 1)]};
      if (p[size_t(j)].track < 0 || p[size_t(j)].track > 255) return fail("track 0..255");
      if (p[size_t(j)].transpose < -128 || p[size_t(j)].transpose > 127) return fail("transpose -128..127");
    }
    m.positions.push_back(p);
    return true;
  }

  bool header(const std::vector<std::string>& w, const std::string& quoted) {
    std::vector<int> v;
    if (w[0] == "song") {
      m.name = quoted;
      return true;
    }
    if (!numbers(w, 1, 1, v)) return false;
    if (w[0] == "version") {
      if (v[0] < 0 || v[0] > 1) return fail("version 0 or 1");
      m.version = v[0];
    } else if (w[0] == "multiplier") {
      if (v[0] < 1 || v[0] > 4) return fail("multiplier 1..4");
      m.multiplier = v[0];
    } else if (w[0] == "restart") {
      m.restart = v[0];  // checked against the positions at the end
    } else if (w[0] == "subsong") {
      if (m.subsongs.size() >= max_subsongs) return fail("more than 255 subsongs");
      m.subsongs.push_back(v[0]);
    }
    else if (v[0] < 1 || v[0] > 64 || !m.tracks.empty()) return fail("rows 1..64, before the first track");
    else m.rows = v[0];
    return true;
  }

  bool statement(const std::vector<std::string>& w, const std::string& quoted) {
    static const char* const headers[] = {"song", "version", "multiplier", "restart", "subsong", "rows"};
    for (const char* h : headers)
      if (w[0] == h) return header(w, quoted);
    if (w[0] == "instrument") {
      int n;
      if (w.size() < 2 || !integer(w[1], n) || n != int(m.instruments.size()) + 1)
        return fail("instruments are numbered 1, 2, ... in order");
      if (n > max_instruments) return fail("more than 63 instruments");
      m.instruments.emplace_back();
      m.instruments.back().name = quoted;
      block = in_instrument;
      return true;
    }
    if (w[0] == "track") {
      if (w.size() != 2 || !integer(w[1], track) || track < 0 || track > 255) return fail("track 0..255");
      if (m.tracks.size() <= size_t(track)) m.tracks.resize(size_t(track) + 1, std::vector<row>(size_t(m.rows)));
      block = in_track;
      return true;
    }
    if (w[0] == "positions") {
      block = in_positions;
      return true;
    }
    switch (block) {
      case in_instrument: return instrument_line(w);
      case in_track: return track_row(w);
      case in_positions: return position_line(w);
      default: return fail("unknown statement " + w[0]);
    }
  }
};

// Words of a line without its comment; a "quoted text" is taken out whole.
std::vector<std::string> words_of(std::string text, std::string& quoted) {
  quoted.clear();
  const size_t q = text.find('"');
  if (q != std::string::npos) {
    const size_t end = text.find('"', q + 1);
    quoted = text.substr(q + 1, end == std::string::npos ? std::string::npos : end - q - 1);
    text.erase(q, end == std::string::npos ? std::string::npos : end - q + 1);
  }
  // A comment starts with a '#' at the start of a word (a sharp sits inside one: "F#2").
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '#' && (i == 0 || text[i - 1] == ' ' || text[i - 1] == '\t')) {
      text.erase(i);
      break;
    }
  }
  std::istringstream in(text);
  std::vector<std::string> w;
  for (std::string t; in >> t;) w.push_back(t);
  return w;
}

}  // namespace

bool parse_song_text(const std::string& text, module& out, std::string& error) {
  out = module{};
  parser p{out, {}};
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    ++p.line;
    std::string quoted;
    const std::vector<std::string> w = words_of(line, quoted);
    if (w.empty()) continue;
    if (!p.statement(w, quoted)) {
      error = p.error;
      return false;
    }
  }
  if (out.positions.empty()) {
    error = "no positions";
    return false;
  }
  if (out.tracks.empty()) out.tracks.resize(1, std::vector<row>(size_t(out.rows)));
  const int length = int(out.positions.size());
  if (out.restart < 0 || out.restart >= length) {
    error = "restart " + std::to_string(out.restart) + " past the last position";
    return false;
  }
  for (int s : out.subsongs) {
    if (s < 0 || s >= length) {
      error = "subsong " + std::to_string(s) + " past the last position";
      return false;
    }
  }
  for (size_t i = 0; i < out.positions.size(); ++i) {
    for (const track_ref& t : out.positions[i]) {
      // Track 0 may stay unwritten (empty); any other must be there.
      if (t.track != 0 && size_t(t.track) >= out.tracks.size()) {
        error = "position " + std::to_string(i) + ": no track " + std::to_string(t.track);
        return false;
      }
    }
  }
  return true;
}

}  // namespace ahx
