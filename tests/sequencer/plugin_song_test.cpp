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
