// Songs played by vorn.so as a host loads it, started the way the editor
// does (command 56 through our tools' private request): rows fall on exact
// frames whatever the host's blocks, and an AHX instrument sounds at its
// note's period and note volume.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "plugin/synth_command.h"
#include "tests/support/kvx_builder.h"
#include "tests/support/synth_host.h"
#include "tests/sequencer/ahx_worked_example.h"
#include "tools/ahx/module.h"
#include "tools/analysis/signal.h"
#include "tools/render/sequence_job.h"

namespace {

constexpr int row_frames = 5292;  // tempo 125, speed 6, 44.1 kHz

std::string write_song(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = std::string(std::getenv("VORN_TEST_SCRATCH")) + "/" + name;
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}

// The left channel of `seconds` of the song, played once through vorn.so.
std::vector<float> play(const std::string& path, double seconds) {
  auto host = test_support::make_host();
  if (!host) return {};
  const plugin::command_request load = render::send_command(host->instance, plugin::command::load_sequence, path.c_str());
  EXPECT_EQ(load.returned, plugin::sequence_load_result::loaded) << load.result;
  render::send_command(host->instance, plugin::command::sequence_loop, nullptr, 0);
  host->render(seconds);
  return host->left;
}

// The first frame where two renders differ (n when they never do).
size_t first_difference(const std::vector<float>& a, const std::vector<float>& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return i;
  return n;
}

test_support::kvx_cell note(int note_byte) {
  test_support::kvx_cell c;
  c.note_byte = note_byte;
  return c;
}

TEST(song_in_plugin, every_note_starts_at_the_frame_its_row_starts_on) {
  // One channel: notes on rows 0, 3 and 7; played again without the note of
  // row 3 (then row 7), the renders part at that row's first frame exactly.
  for (int row : {3, 7}) {
    SCOPED_TRACE(row);
    std::vector<test_support::kvx_cell> cells(64);
    cells[0] = note(0x80 | 37);
    cells[3] = note(0x80 | 41);
    cells[7] = note(0x80 | 44);
    const std::string with = write_song("with.kvxs", test_support::kvx1_file(6, 125, 1, 1, "onsets", cells));
    cells[size_t(row)] = {};
    const std::string without = write_song("without.kvxs", test_support::kvx1_file(6, 125, 1, 1, "onsets", cells));
    const std::vector<float> a = play(with, 1.0), b = play(without, 1.0);
    ASSERT_GT(analysis::rms(a.data(), a.size()), 1e-3);
    EXPECT_EQ(first_difference(a, b), size_t(row * row_frames));
  }
}

TEST(song_in_plugin, the_worked_example_plays_its_notes_at_their_pitch_and_note_volume_on_their_rows) {
  const ahx::module m = test_support::ahx_worked_example();
  const std::string path = write_song("demo.ahx", ahx::write_module(m));
  const std::vector<float> a = play(path, 1.0);
  ASSERT_GE(a.size(), size_t(4 * row_frames));
  // C-3 and E-3 on a 32-sample wave at the replayer's periods 856 and 678:
  // PAL clock / (period * 32), a little flat of the tempered notes.
  const size_t skip = 1000;
  EXPECT_NEAR(analysis::fundamental_hz(a.data() + skip, row_frames - 2 * skip, 44100.0, 130.0),
              3546895.0 / (856 * 32), 0.1);
  EXPECT_NEAR(analysis::fundamental_hz(a.data() + 2 * row_frames + skip, row_frames - 2 * skip, 44100.0, 165.0),
              3546895.0 / (678 * 32), 0.1);
  // Row 3 repeats the envelope of row 2 at note volume 32 of 64: 6 dB down.
  const double row2 = analysis::rms(a.data() + 2 * row_frames + skip, row_frames - 2 * skip);
  const double row3 = analysis::rms(a.data() + 3 * row_frames + skip, row_frames - 2 * skip);
  EXPECT_NEAR(analysis::amplitude_db(row3 / row2), -6.0, 0.7);
  // Row 1 brings no note: the note of row 0 sounds on in its envelope.
  EXPECT_GT(analysis::rms(a.data() + row_frames + skip, row_frames - 2 * skip), 0.2 * row2);

  // Without the note of row 2 the renders part exactly where row 2 starts.
  ahx::module quiet = m;
  quiet.tracks[1][2] = {};
  const std::vector<float> b = play(write_song("quiet.ahx", ahx::write_module(quiet)), 1.0);
  EXPECT_EQ(first_difference(a, b), size_t(2 * row_frames));
}

}  // namespace

TEST(song_in_plugin, a_module_cut_short_is_refused_as_damaged_and_other_data_as_no_song) {
  auto host = test_support::make_host();
  ASSERT_TRUE(host);
  const std::vector<uint8_t> whole = ahx::write_module(test_support::ahx_worked_example());
  struct refusal {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* result;
  };
  for (const refusal& r : {refusal{"cut.ahx", {whole.begin(), whole.begin() + 30}, "damaged AHX module (cut short?)"},
                           refusal{"header.ahx", {whole.begin(), whole.begin() + 9}, "damaged AHX module (cut short?)"},
                           refusal{"junk.ahx", {'T', 'H', 'Y', 0, 1, 2}, "not a sequence (.kvxs) or AHX module (.ahx)"}}) {
    SCOPED_TRACE(r.name);
    const std::string path = write_song(r.name, r.bytes);
    const plugin::command_request load =
        render::send_command(host->instance, plugin::command::load_sequence, path.c_str());
    EXPECT_EQ(load.returned, plugin::sequence_load_result::not_a_sequence);
    EXPECT_STREQ(load.result, r.result);
  }
}

TEST(song_in_plugin, command_55_sets_the_stereo_separation_of_an_ahx_song_from_hard_sides_to_mono) {
  auto host = test_support::make_host();
  ASSERT_TRUE(host);
  const std::string path = write_song("pan.ahx", ahx::write_module(test_support::ahx_worked_example()));
  const plugin::command_request load = render::send_command(host->instance, plugin::command::load_sequence, path.c_str());
  ASSERT_EQ(load.returned, plugin::sequence_load_result::loaded) << load.result;
  // The replayer's hard sides by default: channel 0 plays left only.
  EXPECT_EQ(render::send_command(host->instance, plugin::command::ahx_separation, nullptr, -1).returned, 100);
  host->render(0.5);
  EXPECT_GT(analysis::rms(host->left.data(), host->left.size()), 0.05);
  EXPECT_LT(analysis::rms(host->right.data(), host->right.size()), 1e-4);
  // Mono from the next frame on: both sides alike once the output's DC
  // blockers have let go of what they held.
  EXPECT_EQ(render::send_command(host->instance, plugin::command::ahx_separation, nullptr, 0).returned, 0);
  const size_t from = host->left.size() + 4410;
  host->render(0.3);
  const size_t n = host->left.size() - from;
  std::vector<float> difference(n);
  for (size_t i = 0; i < n; ++i) difference[i] = host->left[from + i] - host->right[from + i];
  const double level = analysis::rms(host->left.data() + from, n);
  EXPECT_GT(level, 0.02);
  EXPECT_NEAR(analysis::rms(host->right.data() + from, n), level, 1e-3 * level);
  EXPECT_LT(analysis::rms(difference.data(), n), 0.01 * level);
  EXPECT_EQ(render::send_command(host->instance, plugin::command::ahx_separation, nullptr, 250).returned, 100);
}
