// Own sequence files keep their own rules whatever AHX modules do: tempered
// notes, "p+" and "s " spread over their row, the channel's level untouched
// by the AHX level and the stereo separation.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "sequencer/player.h"
#include "sequencer/song_load.h"
#include "synth/preset.h"
#include "tests/sequencer/song_fixture.h"
#include "tests/support/kvx_builder.h"
#include "tools/analysis/signal.h"
#include "tools/analysis/spectrum.h"

namespace {

constexpr double rate = 44100.0;
constexpr int row = 5292;  // tempo 125, speed 6

// One channel: C3 at row 0, "p+" 2 at row 2, "s " 05 at row 4, "vi" 255 at row 6.
std::vector<uint8_t> own_song() {
  std::vector<test_support::kvx_cell> cells(64);
  cells[0].note_byte = 0x80 | 37;  // note 48, C3, retriggered
  cells[2].command = 14, cells[2].parameter = 2;
  cells[4].command = 28, cells[4].parameter = 0x05;
  cells[6].command = 9, cells[6].parameter = 255;
  return test_support::kvx1_file(6, 125, 1, 1, "own", cells);
}

struct own_player : test_support::song_fixture {
  own_player() : song_fixture(1, 1, 1) {
    const std::vector<uint8_t> bytes = own_song();
    sequencer::load_context context;
    synth::build_factory_init(context.init);
    sequencer::song_load out;
    EXPECT_EQ(sequencer::parse_song(bytes.data(), bytes.size(), context, out), sequencer::load_ok);
    tune = std::move(out.tune);
    start();
  }
};

TEST(own_song_path, notes_slides_and_volume_slides_keep_their_row_based_rules) {
  own_player f;
  f.render(2 * row);
  // Row 1: tempered C3, not the AHX period table's 129.49 Hz.
  EXPECT_NEAR(analysis::fundamental_hz(f.left.data() + row + 500, row - 1000, rate, 130.8), 130.813, 0.05);
  f.render(2 * row);
  // "p+" 2 has reached D3 by the end of its row.
  EXPECT_NEAR(analysis::fundamental_hz(f.left.data() + 3 * row + 500, row - 1000, rate, 146.8), 146.832, 0.05);
  // "s " 05 takes L1 down by 5/15 over exactly its row.
  f.render(row / 2);
  EXPECT_NEAR(f.player.channel(0).l1, 1.f - 0.5f * 5.f / 15.f, 1e-3f);
  f.render(row - row / 2);
  EXPECT_NEAR(f.player.channel(0).l1, 1.f - 5.f / 15.f, 1e-5f);
  EXPECT_FLOAT_EQ(f.player.channel(0).pan, 0.f);
  EXPECT_EQ(f.player.channel(0).instrument, nullptr);
}

TEST(own_song_path, the_ahx_stereo_separation_leaves_an_own_song_sample_for_sample_alike) {
  // The same song twice, once with the separation at mono (an AHX-only
  // setting): both renders agree to the sample.
  own_player a, b;
  b.player.set_stereo_separation(0.f);
  for (own_player* f : {&a, &b}) f->render(8 * row);
  ASSERT_GT(analysis::rms(a.left.data(), a.left.size()), 1e-3);
  EXPECT_EQ(a.left, b.left);
  EXPECT_EQ(a.right, b.right);
}

}  // namespace
