#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/render/midi_file.h"

namespace {

using bytes = std::vector<uint8_t>;

void put_vlq(bytes& out, uint32_t v) {
  uint8_t tmp[5];
  int n = 0;
  tmp[n++] = v & 0x7f;
  while (v >>= 7) tmp[n++] = uint8_t(0x80 | (v & 0x7f));
  while (n) out.push_back(tmp[--n]);
}

void put_be(bytes& out, uint32_t v, int n) {
  for (int i = n - 1; i >= 0; --i) out.push_back(uint8_t(v >> (8 * i)));
}

// A track body built event by event; chunk() wraps it with its header.
struct track {
  bytes body;
  track& at(uint32_t delta, std::initializer_list<uint8_t> data) {
    put_vlq(body, delta);
    body.insert(body.end(), data);
    return *this;
  }
  track& tempo(uint32_t delta, uint32_t us_per_quarter) {
    put_vlq(body, delta);
    body.insert(body.end(), {0xff, 0x51, 0x03});
    put_be(body, us_per_quarter, 3);
    return *this;
  }
  track& end(uint32_t delta = 0) { return at(delta, {0xff, 0x2f, 0x00}); }
  bytes chunk() const {
    bytes out = {'M', 'T', 'r', 'k'};
    put_be(out, uint32_t(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
  }
};

bytes smf(uint16_t format, uint16_t division, const std::vector<track>& tracks) {
  bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
  put_be(out, format, 2);
  put_be(out, uint16_t(tracks.size()), 2);
  put_be(out, division, 2);
  for (const track& t : tracks) {
    const bytes c = t.chunk();
    out.insert(out.end(), c.begin(), c.end());
  }
  return out;
}

bool parse(const bytes& b, midi::song& s, std::string& error) {
  // An exactly sized copy, so that any read past the end is a read past an allocation.
  std::vector<uint8_t> copy(b);
  return midi::parse(copy.data(), copy.size(), s, error);
}

TEST(midi_file, format_0_at_the_default_tempo_with_running_status) {
  // 96 ticks per quarter at the default 120 BPM: 192 ticks per second.
  track t;
  t.at(0, {0x90, 60, 100})
      .at(96, {62, 90})      // running status: another note-on
      .at(96, {60, 0})       // ... and a zero-velocity note-off
      .at(0, {0xc3, 5})      // program change: one data byte
      .at(48, {7})           // running status with one data byte
      .at(48, {0xe0, 0, 64})
      .end(192);
  midi::song s;
  std::string error;
  ASSERT_TRUE(parse(smf(0, 96, {t}), s, error)) << error;
  EXPECT_EQ(s.format, 0);
  ASSERT_EQ(s.messages.size(), 6u);
  const double seconds[] = {0.0, 0.5, 1.0, 1.0, 1.25, 1.5};
  const uint8_t status[] = {0x90, 0x90, 0x90, 0xc3, 0xc3, 0xe0};
  for (size_t i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(s.messages[i].seconds, seconds[i], 1e-12);
    EXPECT_EQ(s.messages[i].bytes[0], status[i]);
  }
  EXPECT_EQ(s.messages[1].bytes[1], 62);
  EXPECT_EQ(s.messages[2].bytes[2], 0);
  EXPECT_EQ(s.messages[3].size, 2);
  EXPECT_EQ(s.messages[4].bytes[1], 7);
  EXPECT_EQ(s.messages[5].size, 3);
  EXPECT_NEAR(s.length_seconds, 2.5, 1e-12);  // the end-of-track event counts
}

TEST(midi_file, format_1_tempo_changes_convert_ticks_piecewise_in_every_track) {
  // 480 ticks per quarter. 120 BPM for two quarters (1 s), then 240 BPM.
  track tempo;
  tempo.tempo(0, 500000).tempo(960, 250000).end();
  track notes;
  notes.at(480, {0x91, 64, 80})   // 0.5 s
      .at(960, {0x81, 64, 0})     // tick 1440: 1 s + 480 ticks at 0.25 s/quarter = 1.25 s
      .at(960, {0x91, 65, 80})    // tick 2400: 1.25 + 0.5 = 1.75 s
      .end();
  track late_tempo;               // a tempo event in a later track still applies to all
  late_tempo.tempo(2880, 1000000).end();
  track more;
  more.at(3360, {0x92, 70, 1}).end();  // 2880 -> 2.0 s, +480 ticks at 1 s/quarter = 3.0 s
  midi::song s;
  std::string error;
  ASSERT_TRUE(parse(smf(1, 480, {tempo, notes, late_tempo, more}), s, error)) << error;
  EXPECT_EQ(s.format, 1);
  EXPECT_EQ(s.tracks, 4);
  EXPECT_EQ(s.tempo_changes, 3);
  ASSERT_EQ(s.messages.size(), 4u);
  EXPECT_NEAR(s.messages[0].seconds, 0.5, 1e-12);
  EXPECT_NEAR(s.messages[1].seconds, 1.25, 1e-12);
  EXPECT_NEAR(s.messages[2].seconds, 1.75, 1e-12);
  EXPECT_NEAR(s.messages[3].seconds, 3.0, 1e-12);
}

TEST(midi_file, tracks_merge_in_time_order_keeping_track_order_on_ties) {
  track a, b;
  a.at(10, {0x90, 1, 1}).at(10, {0x90, 3, 1}).end();
  b.at(5, {0x90, 0, 1}).at(5, {0x90, 2, 1}).at(10, {0x90, 4, 1}).end();
  midi::song s;
  std::string error;
  ASSERT_TRUE(parse(smf(1, 100, {a, b}), s, error)) << error;
  ASSERT_EQ(s.messages.size(), 5u);
  for (uint8_t i = 0; i < 5; ++i) EXPECT_EQ(s.messages[i].bytes[1], i);  // tick 10: a before b
}

TEST(midi_file, sysex_meta_and_unknown_chunks_are_skipped_and_cancel_running_status) {
  track t;
  t.at(0, {0x90, 60, 1})
      .at(0, {0xf0, 3, 0x7e, 0x00, 0xf7})
      .at(0, {0xff, 0x01, 4, 't', 'e', 'x', 't'})
      .at(0, {0xf7, 1, 0xf7})
      .at(0, {0x90, 61, 1})
      .end();
  bytes file = smf(0, 96, {});
  file[11] = 1;  // one track, behind an alien chunk
  const bytes alien = {'X', 'y', 'z', 'w', 0, 0, 0, 3, 1, 2, 3};
  file.insert(file.end(), alien.begin(), alien.end());
  const bytes c = t.chunk();
  file.insert(file.end(), c.begin(), c.end());
  midi::song s;
  std::string error;
  ASSERT_TRUE(parse(file, s, error)) << error;
  ASSERT_EQ(s.messages.size(), 2u);
  EXPECT_EQ(s.messages[1].bytes[1], 61);

  track after_meta;  // a data byte right after a meta event has no status to run on
  after_meta.at(0, {0x90, 60, 1}).at(0, {0xff, 0x01, 0}).at(0, {62, 1}).end();
  EXPECT_FALSE(parse(smf(0, 96, {after_meta}), s, error));
  EXPECT_NE(error.find("status"), std::string::npos);
  EXPECT_TRUE(s.messages.empty());
}

TEST(midi_file, smpte_division_counts_frames_not_quarters) {
  track t;
  t.tempo(0, 250000).at(1000, {0x90, 60, 1}).end();  // tempo has no effect in SMPTE time
  midi::song s;
  std::string error;
  const uint16_t division = uint16_t((uint8_t(-25) << 8) | 40);  // 25 fps, 40 ticks per frame
  ASSERT_TRUE(parse(smf(0, division, {t}), s, error)) << error;
  ASSERT_EQ(s.messages.size(), 1u);
  EXPECT_NEAR(s.messages[0].seconds, 1.0, 1e-12);
}

TEST(midi_file, malformed_headers_and_events_give_errors) {
  track good;
  good.at(0, {0x90, 60, 1}).end();
  midi::song s;
  std::string error;
  struct bad_case {
    const char* what;
    bytes file;
  };
  std::vector<bad_case> cases;
  cases.push_back({"empty", {}});
  cases.push_back({"not MThd", {'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96}});
  cases.push_back({"format 2", smf(2, 96, {good})});
  cases.push_back({"format 0 with two tracks", smf(0, 96, {good, good})});
  cases.push_back({"zero division", smf(0, 0, {good})});
  cases.push_back({"missing track", smf(1, 96, {good})});
  cases.back().file[11] = 2;
  bytes huge_chunk = smf(0, 96, {good});
  huge_chunk[18] = huge_chunk[19] = huge_chunk[20] = huge_chunk[21] = 0xff;
  cases.push_back({"chunk length past the end", huge_chunk});
  auto with = [&](std::initializer_list<uint8_t> data) {
    track t;
    t.body.insert(t.body.end(), data);
    return smf(0, 96, {t});
  };
  cases.push_back({"five-byte delta", with({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 1})});
  cases.push_back({"data byte first", with({0, 60, 1})});
  cases.push_back({"status byte as data", with({0, 0x90, 60, 0x90})});
  cases.push_back({"message cut by chunk end", with({0, 0x90, 60})});
  cases.push_back({"delta cut by chunk end", with({0, 0x90, 60, 1, 0x81})});
  cases.push_back({"meta length past chunk", with({0, 0xff, 0x01, 0x7f, 'a'})});
  cases.push_back({"sysex length past chunk", with({0, 0xf0, 0x8f, 0xff, 0xff, 0x7f})});
  cases.push_back({"tempo of zero", with({0, 0xff, 0x51, 3, 0, 0, 0})});
  cases.push_back({"short tempo", with({0, 0xff, 0x51, 2, 1, 2})});
  cases.push_back({"system message in track", with({0, 0xf8})});
  for (const bad_case& c : cases) {
    SCOPED_TRACE(c.what);
    error.clear();
    EXPECT_FALSE(parse(c.file, s, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(s.messages.empty());
  }
}

std::string demo_path() { return std::string(VORN_SOURCE_DIR) + "/assets/demo/demo.mid"; }

bytes read_all(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

TEST(midi_file, every_truncation_of_the_demo_song_is_an_error) {
  const bytes full = read_all(demo_path());
  ASSERT_GT(full.size(), 100u);
  midi::song s;
  std::string error;
  for (size_t n = 0; n < full.size(); ++n) {
    const bytes cut(full.begin(), full.begin() + long(n));
    ASSERT_FALSE(parse(cut, s, error)) << "prefix of " << n << " bytes parsed";
  }
  EXPECT_TRUE(parse(full, s, error)) << error;
}

TEST(midi_file, corrupted_bytes_never_yield_unsorted_or_non_finite_times) {
  const bytes full = read_all(demo_path());
  ASSERT_FALSE(full.empty());
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  int parsed = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    bytes b = full;
    const int flips = 1 + int(next() % 4);
    for (int i = 0; i < flips; ++i) b[next() % b.size()] = uint8_t(next() >> 24);
    midi::song s;
    std::string error;
    if (!parse(b, s, error)) continue;
    ++parsed;
    for (size_t i = 0; i < s.messages.size(); ++i) {
      ASSERT_TRUE(std::isfinite(s.messages[i].seconds));
      if (i) {
        ASSERT_LE(s.messages[i - 1].seconds, s.messages[i].seconds);
      }
      ASSERT_LT(s.messages[i].bytes[1], 0x80);
    }
  }
  EXPECT_GT(parsed, 0);  // some flips land in note data and still parse
}

TEST(midi_file, demo_song_is_format_1_about_20_seconds_and_matches_its_generator) {
  midi::song s;
  std::string error;
  ASSERT_TRUE(midi::read_file(demo_path(), s, error)) << error;
  EXPECT_EQ(s.format, 1);
  EXPECT_EQ(s.tracks, 4);
  EXPECT_EQ(s.tempo_changes, 2);
  EXPECT_NEAR(s.length_seconds, 20.4, 0.01);  // nine bars at 120 BPM, one at 100
  int ons = 0, offs = 0;
  for (const auto& m : s.messages) {
    if ((m.bytes[0] & 0xf0) == 0x90 && m.bytes[2] > 0) ++ons;
    if ((m.bytes[0] & 0xf0) == 0x80 || ((m.bytes[0] & 0xf0) == 0x90 && m.bytes[2] == 0)) ++offs;
  }
  EXPECT_GT(ons, 100);
  EXPECT_EQ(ons, offs);

  // The checked-in file is what the checked-in script writes.
  char out[] = "/tmp/vorn-demo-mid-XXXXXX";
  const int fd = mkstemp(out);
  ASSERT_GE(fd, 0);
  const std::string cmd = "python3 '" + std::string(VORN_SOURCE_DIR) + "/assets/demo/make_demo_mid.py' " + out;
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_EQ(read_all(out), read_all(demo_path()));
  std::remove(out);
}

TEST(midi_file, missing_file_is_an_error_naming_it) {
  midi::song s;
  std::string error;
  EXPECT_FALSE(midi::read_file("/nonexistent/song.mid", s, error));
  EXPECT_NE(error.find("/nonexistent/song.mid"), std::string::npos);
}

}  // namespace
