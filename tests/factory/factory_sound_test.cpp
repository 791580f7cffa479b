// Every factory sound auditioned through vorn.so with the same phrase
// (assets/factory/phrase.mid: a triad arpeggio, a low and a high note, then an
// eight-note chord at velocity 127) and at the ends of the keyboard. What a
// sound designer listens for first, as numbers: no clipping, a loudness that
// sits with the rest of the bank, no offset, no runaway, a tail that ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/factory/audition.h"
#include "tools/render/midi_file.h"

namespace {

using factory_test::audition_result;
using factory_test::factory_sound;

constexpr double peak_limit = 0.8912509;   // -1 dBFS
constexpr double loudness_window_db = 4.0;  // around the bank's median
constexpr double dc_limit = 1e-3;           // -60 dBFS of offset in either channel
constexpr double max_tail_seconds = 8.0;    // release, reverb and echoes included
constexpr double extreme_note_seconds = 1.0;

double db(double amplitude) { return 20.0 * std::log10(std::max(amplitude, 1e-12)); }

// A MIDI file of assets/factory and the time of its last note-off.
std::vector<midi::timed_message> midi_file(const std::string& name, double& notes_end) {
  midi::song song;
  std::string error;
  EXPECT_TRUE(midi::read_file(VORN_SOURCE_DIR "/assets/factory/" + name, song, error)) << error;
  notes_end = 0.0;
  for (const midi::timed_message& m : song.messages) {
    const int kind = m.bytes[0] & 0xF0;
    if (kind == 0x80 || (kind == 0x90 && m.bytes[2] == 0)) notes_end = std::max(notes_end, m.seconds);
  }
  return song.messages;
}

// A single held note, for the ends of the keyboard.
std::vector<midi::timed_message> held_note(int key) {
  const uint8_t k = uint8_t(key);
  return {{0.0, {0x90, k, 127}, 3}, {extreme_note_seconds, {0x80, k, 0}, 3}};
}

void expect_sound_and_bounded(const audition_result& r) {
  ASSERT_TRUE(r.error.empty()) << r.error;
  EXPECT_TRUE(r.finite);
  EXPECT_LE(r.peak, peak_limit) << "peak " << db(r.peak) << " dBFS";
  EXPECT_GE(r.tail_seconds, 0.0) << "still ringing " << max_tail_seconds << " s after the last note-off";
  EXPECT_LE(std::fabs(r.dc[0]), dc_limit) << "left offset " << r.dc[0];
  EXPECT_LE(std::fabs(r.dc[1]), dc_limit) << "right offset " << r.dc[1];
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

TEST(factory_sounds, every_sound_passes_the_audition) {
  const std::vector<factory_sound> sounds = factory_test::read_sound_index();
  ASSERT_FALSE(sounds.empty());
  double notes_end = 0.0;
  const std::vector<midi::timed_message> messages = midi_file("phrase.mid", notes_end);
  ASSERT_GT(notes_end, 0.0);
  std::vector<audition_result> results;
  std::vector<double> worst_peak;
  for (const factory_sound& s : sounds) {
    SCOPED_TRACE(std::to_string(s.slot) + " " + s.name);
    factory_test::audition_request request = factory_test::request_for(s);
    const bool drum = factory_test::plays_in_drum_mode(s);
    request.messages = drum ? factory_test::on_one_key(messages, factory_test::drum_key(s)) : messages;
    request.notes_end = notes_end;
    request.max_tail = max_tail_seconds;
    results.push_back(factory_test::audition(request));
    expect_sound_and_bounded(results.back());
    worst_peak.push_back(results.back().peak);
    // The ends of the keyboard: filters tracking past their stable range,
    // resonance running away, pitch envelopes folding at the top. A drum
    // sound is played at pitch here, from the bank, as a melodic sound.
    if (drum) {
      request.state.clear();
      request.bank = factory_test::factory_bank();
    }
    for (int key : {24, 96}) {
      SCOPED_TRACE("held key " + std::to_string(key));
      request.messages = held_note(key);
      request.notes_end = extreme_note_seconds;
      const audition_result r = factory_test::audition(request);
      expect_sound_and_bounded(r);
      worst_peak.back() = std::max(worst_peak.back(), r.peak);
    }
  }
  std::vector<double> loudness;
  for (const audition_result& r : results) loudness.push_back(db(r.gated_rms));
  const double centre = median(loudness);
  const auto [quietest, loudest] = std::minmax_element(loudness.begin(), loudness.end());
  std::printf("%-4s %-24s %-6s %9s %9s %9s %7s %9s %7s\n", "slot", "name", "cat", "peak dB", "rms dB",
              "gated dB", "delta", "dc", "tail s");
  for (size_t i = 0; i < sounds.size(); ++i) {
    const audition_result& r = results[i];
    std::printf("%-4d %-24s %-6s %9.2f %9.2f %9.2f %+7.2f %9.1e %7.2f\n", sounds[i].slot, sounds[i].name.c_str(),
                sounds[i].category.c_str(), db(worst_peak[i]), db(r.notes_rms), loudness[i], loudness[i] - centre,
                std::max(std::fabs(r.dc[0]), std::fabs(r.dc[1])), r.tail_seconds);
    EXPECT_NEAR(loudness[i], centre, loudness_window_db) << sounds[i].name << " against the bank's median";
  }
  std::printf("loudness: median %.2f dBFS RMS, spread %.2f dB (%+.2f .. %+.2f)\n", centre, *loudest - *quietest,
              *quietest - centre, *loudest - centre);
}

// Drum mode's own chord: eight kit pieces (kick, snare, clap, closed hat,
// two toms, crash, ride) struck together at full velocity.
TEST(factory_sounds, drum_kit_struck_at_once_stays_below_minus_1_dbfs) {
  factory_test::audition_request request;
  request.state = factory_test::factory_dir() + "/Vorn Drum Kit.vornstate";
  for (int key : {36, 38, 39, 42, 45, 50, 49, 51}) {
    request.messages.push_back({0.0, {0x90, uint8_t(key), 127}, 3});
    request.messages.push_back({0.2, {0x80, uint8_t(key), 0}, 3});
  }
  std::stable_sort(request.messages.begin(), request.messages.end(),
                   [](const midi::timed_message& a, const midi::timed_message& b) { return a.seconds < b.seconds; });
  request.notes_end = 0.2;
  const audition_result r = factory_test::audition(request);
  expect_sound_and_bounded(r);
  EXPECT_GT(r.peak, 0.1) << "the kit hardly sounds";
  std::printf("drum kit, eight pieces at once: peak %.2f dBFS\n", db(r.peak));
}

// The demo song's two stems as make demo renders them: the band in the demo
// rig (program changes pick each part's sound), the drums in the kit.
TEST(factory_sounds, demo_song_stems_play_cleanly) {
  for (const char* stem : {"band", "drums"}) {
    SCOPED_TRACE(stem);
    factory_test::audition_request request;
    const bool band = std::string(stem) == "band";
    request.state = factory_test::factory_dir() + (band ? "/Vorn Demo Band.vornstate" : "/Vorn Drum Kit.vornstate");
    request.messages = midi_file(std::string("demo_") + stem + ".mid", request.notes_end);
    const audition_result r = factory_test::audition(request);
    expect_sound_and_bounded(r);
    EXPECT_GT(r.gated_rms, 0.03) << "the stem hardly sounds";
    std::printf("demo %s: peak %.2f dBFS, gated RMS %.2f dBFS\n", stem, db(r.peak), db(r.gated_rms));
  }
}

}  // namespace
