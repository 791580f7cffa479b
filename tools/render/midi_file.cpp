#include "tools/render/midi_file.h"

#include <algorithm>
#include <cstdio>

namespace midi {

namespace {

constexpr size_t chunk_header_bytes = 8;  // 4-byte id, 32-bit big-endian length
constexpr size_t header_min_bytes = 6;    // format, track count, division
constexpr int max_vlq_bytes = 4;          // 28 bits, the format's limit
constexpr uint8_t meta_status = 0xff;
constexpr uint8_t meta_tempo = 0x51;
constexpr uint8_t meta_end_of_track = 0x2f;
constexpr double us_per_second = 1e6;

// A bounded reader over one byte range; every read checks the end.
class cursor {
 public:
  cursor(const uint8_t* begin, size_t size) : p_(begin), end_(begin + size), begin_(begin) {}
  bool at_end() const { return p_ >= end_; }
  size_t remaining() const { return size_t(end_ - p_); }
  size_t offset() const { return size_t(p_ - begin_); }
  bool byte(uint8_t& out) {
    if (at_end()) return false;
    out = *p_++;
    return true;
  }
  bool peek(uint8_t& out) const {
    if (at_end()) return false;
    out = *p_;
    return true;
  }
  bool skip(size_t n) {
    if (n > remaining()) return false;
    p_ += n;
    return true;
  }
  bool be(int bytes, uint32_t& out) {
    out = 0;
    for (int i = 0; i < bytes; ++i) {
      uint8_t b;
      if (!byte(b)) return false;
      out = (out << 8) | b;
    }
    return true;
  }
  bool vlq(uint32_t& out) {
    out = 0;
    for (int i = 0; i < max_vlq_bytes; ++i) {
      uint8_t b;
      if (!byte(b)) return false;
      out = (out << 7) | (b & 0x7f);
      if (!(b & 0x80)) return true;
    }
    return false;  // a fifth continuation byte: not a valid quantity
  }
  const uint8_t* here() const { return p_; }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
  const uint8_t* begin_;
};

enum class kind : uint8_t { channel, tempo, end };

struct raw_event {
  uint64_t tick;
  int32_t track;
  kind what;
  uint32_t tempo_us;
  uint8_t bytes[3];
  uint8_t size;
};

// Data bytes following a channel status: 1 for program change and channel
// pressure, 2 for the rest.
int data_bytes(uint8_t status) {
  const uint8_t high = status & 0xf0;
  return (high == 0xc0 || high == 0xd0) ? 1 : 2;
}

std::string where(int32_t track, size_t offset) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "track %d, byte %zu", int(track), offset);
  return buf;
}

bool read_meta(cursor& c, int32_t track, raw_event& e, bool& keep, std::string& error) {
  uint8_t type;
  uint32_t length;
  if (!c.byte(type) || !c.vlq(length) || length > c.remaining()) {
    error = "truncated meta event (" + where(track, c.offset()) + ")";
    return false;
  }
  const uint8_t* body = c.here();
  c.skip(length);
  keep = false;
  if (type == meta_end_of_track) {
    e.what = kind::end;
    keep = true;
  } else if (type == meta_tempo) {
    if (length != 3) {
      error = "tempo event of the wrong length (" + where(track, c.offset()) + ")";
      return false;
    }
    e.tempo_us = (uint32_t(body[0]) << 16) | (uint32_t(body[1]) << 8) | body[2];
    if (e.tempo_us == 0) {
      error = "tempo of zero microseconds per quarter (" + where(track, c.offset()) + ")";
      return false;
    }
    e.what = kind::tempo;
    keep = true;
  }
  return true;
}

// One MTrk body. Running status holds across channel messages only: meta and
// system-exclusive events cancel it.
bool read_track(cursor c, int32_t track, std::vector<raw_event>& out, std::string& error) {
  uint64_t tick = 0;
  uint8_t running = 0;
  while (!c.at_end()) {
    uint32_t delta;
    if (!c.vlq(delta)) {
      error = "truncated or invalid delta time (" + where(track, c.offset()) + ")";
      return false;
    }
    tick += delta;
    raw_event e{tick, track, kind::channel, 0, {0, 0, 0}, 0};
    uint8_t first;
    if (!c.peek(first)) {
      error = "track ends after a delta time (" + where(track, c.offset()) + ")";
      return false;
    }
    if (first == meta_status) {
      c.skip(1);
      running = 0;
      bool keep;
      if (!read_meta(c, track, e, keep, error)) return false;
      if (keep) out.push_back(e);
      if (e.what == kind::end && keep) return true;
      continue;
    }
    if (first == 0xf0 || first == 0xf7) {  // system exclusive, or its continuation
      c.skip(1);
      running = 0;
      uint32_t length;
      if (!c.vlq(length) || !c.skip(length)) {
        error = "truncated system-exclusive event (" + where(track, c.offset()) + ")";
        return false;
      }
      continue;
    }
    if (first & 0x80) {
      if (first > 0xef) {
        error = "system message inside a track (" + where(track, c.offset()) + ")";
        return false;
      }
      running = first;
      c.skip(1);
    } else if (!running) {
      error = "data byte without a status (" + where(track, c.offset()) + ")";
      return false;
    }
    e.bytes[0] = running;
    e.size = uint8_t(1 + data_bytes(running));
    for (int i = 1; i < e.size; ++i) {
      if (!c.byte(e.bytes[i]) || (e.bytes[i] & 0x80)) {
        error = "truncated or invalid channel message (" + where(track, c.offset()) + ")";
        return false;
      }
    }
    out.push_back(e);
  }
  // A track without its end-of-track event still ends at its last event.
  return true;
}

// Ticks to seconds: the tempo map for metrical time, or a fixed frame rate
// for SMPTE time (division's high byte is minus the frames per second).
class clock {
 public:
  explicit clock(uint16_t division) {
    if (division & 0x8000) {
      const int fps = -int(int8_t(division >> 8));
      const int per_frame = division & 0xff;
      // 29 stands for 29.97 drop-frame. Zero ticks per frame leaves the
      // clock invalid.
      if (per_frame > 0) seconds_per_tick_smpte_ = 1.0 / ((fps == 29 ? 29.97 : double(fps)) * per_frame);
    } else {
      ticks_per_quarter_ = division;
    }
  }
  bool valid() const { return seconds_per_tick_smpte_ > 0.0 || ticks_per_quarter_ > 0; }
  double at(uint64_t tick) {
    if (seconds_per_tick_smpte_ > 0.0) return double(tick) * seconds_per_tick_smpte_;
    seconds_ += double(tick - tick_) * us_per_quarter_ / (us_per_second * ticks_per_quarter_);
    tick_ = tick;
    return seconds_;
  }
  void set_tempo(uint32_t us_per_quarter) { us_per_quarter_ = us_per_quarter; }

 private:
  double seconds_per_tick_smpte_ = 0.0;
  int ticks_per_quarter_ = 0;
  double us_per_quarter_ = default_us_per_quarter;
  uint64_t tick_ = 0;
  double seconds_ = 0.0;
};

bool read_header(cursor& c, song& s, std::string& error) {
  uint32_t id, length, format, tracks, division;
  if (!c.be(4, id) || id != 0x4d546864 /* "MThd" */) {
    error = "not a Standard MIDI File (no MThd header)";
    return false;
  }
  if (!c.be(4, length) || length < header_min_bytes || length > c.remaining()) {
    error = "truncated or invalid MThd header";
    return false;
  }
  c.be(2, format);
  c.be(2, tracks);
  c.be(2, division);
  c.skip(length - header_min_bytes);
  if (format > 1) {
    error = "MIDI file format " + std::to_string(format) + " is not supported (only 0 and 1)";
    return false;
  }
  if (tracks == 0 || (format == 0 && tracks != 1)) {
    error = "invalid track count " + std::to_string(tracks) + " for format " + std::to_string(format);
    return false;
  }
  s.format = int32_t(format);
  s.tracks = int32_t(tracks);
  s.division = int32_t(division);
  return true;
}

bool read_tracks(cursor& c, const song& s, std::vector<raw_event>& events, std::string& error) {
  int32_t found = 0;
  while (found < s.tracks) {
    if (c.remaining() < chunk_header_bytes) {
      error = "truncated file: " + std::to_string(found) + " of " + std::to_string(s.tracks) +
              " tracks present";
      return false;
    }
    uint32_t id, length;
    c.be(4, id);
    c.be(4, length);
    if (length > c.remaining()) {
      error = "truncated chunk at byte " + std::to_string(c.offset() - chunk_header_bytes);
      return false;
    }
    if (id == 0x4d54726b /* "MTrk" */) {
      if (!read_track(cursor(c.here(), length), found, events, error)) return false;
      ++found;
    }
    c.skip(length);  // unknown chunks are skipped whole
  }
  return true;
}

}  // namespace

bool parse(const uint8_t* data, size_t size, song& out, std::string& error) {
  out = song{};
  song s;
  cursor c(data, data ? size : 0);
  if (!read_header(c, s, error)) return false;
  clock time(uint16_t(s.division));
  if (!time.valid()) {
    error = "invalid time division";
    return false;
  }
  std::vector<raw_event> events;
  if (!read_tracks(c, s, events, error)) return false;

  std::stable_sort(events.begin(), events.end(), [](const raw_event& a, const raw_event& b) {
    if (a.tick != b.tick) return a.tick < b.tick;
    return a.track < b.track;
  });
  s.messages.reserve(events.size());
  for (const raw_event& e : events) {
    const double at = time.at(e.tick);
    s.length_seconds = std::max(s.length_seconds, at);
    if (e.what == kind::tempo) {
      time.set_tempo(e.tempo_us);
      ++s.tempo_changes;
    } else if (e.what == kind::channel) {
      s.messages.push_back({at, {e.bytes[0], e.bytes[1], e.bytes[2]}, e.size});
    }
  }
  out = std::move(s);
  return true;
}

bool read_file(const std::string& path, song& out, std::string& error) {
  out = song{};
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "cannot open " + path;
    return false;
  }
  std::vector<uint8_t> bytes;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) {
    error = "cannot read " + path;
    return false;
  }
  if (!parse(bytes.data(), bytes.size(), out, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

}  // namespace midi
