// The player on songs built in memory: row timing to the sample, swing, loop
// limits, breaks and jumps, slides and the row text.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "sequencer/player.h"
#include "tests/sequencer/song_fixture.h"

namespace {

using test_support::song_fixture;

TEST(player_timing, tempo_125_speed_6_rows_fall_every_5292_samples_across_any_blocks) {
  song_fixture f(1, 2, 8);
  f.start();
  EXPECT_DOUBLE_EQ(f.player.samples_per_row(), 5292.0);
  // Rows start at 0, 5292, ...: after N frames, floor(N / 5292) + 1 rows were triggered.
  const int blocks[] = {1, 511, 5291, 1, 2, 5292, 777, 10000, 64, 3};
  int64_t frames = 0;
  for (int n : blocks) {
    f.render(n);
    frames += n;
    EXPECT_EQ(f.player.rows_played(), uint64_t(frames / 5292 + 1)) << "after " << frames << " frames";
  }
}

TEST(player_timing, speed_tempo_and_multiplier_set_the_row_length) {
  song_fixture f(1, 1, 4);
  f.tune.speed = 3;
  f.tune.tempo = 150;
  f.tune.multiplier = 2;  // own files keep 1; the rule holds for any
  f.start();
  EXPECT_DOUBLE_EQ(f.player.samples_per_row(), 44100.0 / (4.0 * 150 * 2 / (3 * 10.0)));
}

TEST(player_timing, swing_12_makes_rows_after_even_rows_one_and_a_half_and_after_odd_rows_half_the_base) {
  song_fixture f(1, 1, 8);
  f.tune.swing = 12;
  f.start();
  // Rows start at 0, then 1.5 * 5292 after row 0, 0.5 * 5292 after row 1, ...
  // A row starting at frame s is triggered once s frames have been rendered.
  const int64_t starts[] = {7938, 7938 + 2646, 2 * 7938 + 2646, 2 * 7938 + 2 * 2646};
  int64_t frames = 0;
  for (int i = 0; i < 4; ++i) {
    f.render(int(starts[i] - 1 - frames));
    EXPECT_EQ(f.player.rows_played(), uint64_t(i + 1)) << "just before row " << i + 1;
    f.render(1);
    EXPECT_EQ(f.player.rows_played(), uint64_t(i + 2)) << "at row " << i + 1;
    frames = starts[i];
  }
}

TEST(player_loops, limit_0_stops_after_this_pass_limit_1_after_one_more_and_minus_1_plays_on) {
  for (int limit : {0, 1, -1}) {
    SCOPED_TRACE(limit);
    song_fixture f(1, 2, 2);  // 2 positions of 2 rows: a pass is 4 rows
    f.start();
    f.player.set_loop_limit(limit);
    f.render(5292 * 4 - 1);
    EXPECT_EQ(f.player.mode(), sequencer::player::playing);
    f.render(1);
    EXPECT_EQ(f.player.loop_count(), 2);
    EXPECT_EQ(f.player.mode(), limit == 0 ? sequencer::player::stopped : sequencer::player::playing);
    f.render(5292 * 4);
    EXPECT_EQ(f.player.mode(), limit == -1 ? sequencer::player::playing : sequencer::player::stopped);
    if (limit == -1) {
      EXPECT_EQ(f.player.loop_count(), 3);
    }
  }
}

TEST(player_rows, command_35_with_3_continues_at_position_4_row_0) {
  song_fixture f(1, 6, 4);
  f.cell(0, 0, 1) = {-1, 0, -1, 35, 3};
  f.start();
  f.render(5292 * 2 + 1);
  ASSERT_EQ(f.player.rows_played(), 3u);
  EXPECT_EQ(f.plain_text(2).substr(0, 6), "04.00|");
  EXPECT_EQ(f.player.position(), 4);
  EXPECT_EQ(f.player.row(), 1);
}

TEST(player_rows, two_breaks_in_one_row_jump_once_to_the_first_ones_row) {
  song_fixture f(2, 4, 16);
  f.cell(0, 0, 0) = {-1, 0, -1, 11, 5};
  f.cell(0, 1, 0) = {-1, 0, -1, 11, 9};
  f.start();
  f.render(5292 + 1);
  EXPECT_EQ(f.plain_text(1).substr(0, 6), "01.05|");
  EXPECT_EQ(f.player.position(), 1);
}

TEST(player_rows, a_break_to_a_row_past_the_pattern_lands_on_row_0_of_the_next_position) {
  song_fixture f(1, 4, 8);
  f.cell(0, 0, 0) = {-1, 0, -1, 11, 8};
  f.start();
  f.render(5292 + 1);
  EXPECT_EQ(f.plain_text(1).substr(0, 6), "01.00|");
}

TEST(player_rows, a_break_or_jump_past_the_last_position_ends_the_pass) {
  song_fixture f(1, 2, 4);
  f.cell(1, 0, 0) = {-1, 0, -1, 11, 2};
  f.start();
  f.player.set_loop_limit(0);
  f.render(5292 * 5);  // position 0 (4 rows), position 1 row 0 breaks beyond the end
  EXPECT_EQ(f.player.mode(), sequencer::player::stopped);
  EXPECT_EQ(f.player.loop_count(), 2);
  EXPECT_EQ(f.player.rows_played(), 5u);
}

TEST(player_commands, volume_slides_0x30_and_0x05_move_l1_by_a_fifth_up_and_a_third_down) {
  song_fixture f(1, 1, 4);
  f.cell(0, 0, 0) = {-1, 0, -1, 9, 102};    // L1 = 0.4
  f.cell(0, 0, 1) = {-1, 0, -1, 28, 0x30};  // + 3/15
  f.cell(0, 0, 2) = {-1, 0, -1, 28, 0x05};  // - 5/15
  f.start();
  f.render(5292);  // row 1 starts its slide here
  EXPECT_NEAR(f.player.channel(0).l1, 0.4f, 1e-6f);
  f.render(2646);
  EXPECT_NEAR(f.player.channel(0).l1, 0.5f, 1e-4f);  // half way through the row
  f.render(2646);
  EXPECT_NEAR(f.player.channel(0).l1, 0.6f, 1e-4f);
  f.render(5292);
  EXPECT_NEAR(f.player.channel(0).l1, 0.6f - 1.f / 3.f, 1e-4f);
}

TEST(player_commands, a_parameter_of_0_reuses_the_last_non_zero_one) {
  song_fixture f(1, 1, 4);
  f.cell(0, 0, 0) = {-1, 0, -1, 28, 0x02};
  f.cell(0, 0, 1) = {-1, 0, -1, 28, 0};
  f.start();
  f.render(5292 * 2 + 1);
  EXPECT_NEAR(f.player.channel(0).l1, 1.f - 4.f / 15.f, 1e-3f);
}

TEST(player_text, rows_read_position_row_notes_instruments_and_commands_with_colour_bytes) {
  song_fixture f(4, 1, 2);
  f.cell(0, 0, 0) = {24, 1, 0, 9, 0x40};
  f.cell(0, 1, 0) = {61, 0, 11, 28, 0x05};
  f.cell(0, 2, 0) = {-2, 0, -1, 9, 0};
  f.cell(0, 3, 0) = {-3, 0, -1, 28, 0x32};
  f.cell(0, 0, 1) = {-4, 1, 0, 14, 0x0c};
  f.cell(0, 1, 1) = {-1, 0, -1, 48, 0x07};
  f.start();
  f.render(5292 + 1);
  EXPECT_EQ(f.plain_text(0), "00.00|C-2  1 vi40c#5 12 v-05~~~    vi__!!!    v+03");
  const std::string empty_channel(4 + 3 + 4, ' ');
  EXPECT_EQ(f.plain_text(1), "00.01|<->  1 p+0c       J#07" + empty_channel + empty_channel);
  char raw[sequencer::player::row_text_capacity];
  ASSERT_TRUE(f.player.row_text_of(0, raw, sizeof raw));
  ASSERT_EQ(raw[0], char(sequencer::player::colour_code));
  for (const char* c = raw; *c; ++c) {
    if (*c != sequencer::player::colour_code) continue;
    ASSERT_TRUE(c[1] && c[2] && c[3]);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(uint8_t(c[k]) & 1, 1);
    c += 3;
  }
}

}  // namespace
