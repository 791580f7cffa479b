// AHX modules play as the replayer times them: every row lasts `speed` ticks
// of 20 ms / multiplier, speed commands act from their row, jumps (with their
// hundreds digit), breaks and the restart position lead where the replayer
// goes, and a pass ends where its song-end detection would. The expected
// length is walked here from the module's own AHX rows, independently of the
// player's translated commands.
#include <gtest/gtest.h>

#include <cmath>

#include "sequencer/player.h"
#include "tests/sequencer/ahx_fixture.h"
#include "tools/ahx/module.h"

namespace {

constexpr double rate = 44100.0;

int decimal(int p) { return (p >> 4) * 10 + (p & 15); }

// Frames the replayer spends on `passes` passes through m: row by row, the
// speed (ticks per row) as set by Fxx, the next place by Bxx (with a 0y
// hundreds digit in the same row), Dxx and the end of the positions; a pass
// ends at the end of the positions, at a jump backwards (or to the same
// position) or at F00.
int64_t replayer_frames(const ahx::module& m, int passes) {
  const double tick = rate / (50.0 * m.multiplier);
  int pos = 0, row = 0, speed = 6;
  double frames = 0.0;
  for (int pass = 0; pass < passes;) {
    int jump = -1, next_row = 0, hundreds = 0;
    bool end = false;
    for (int j = 0; j < 4; ++j) {
      const int t = m.positions[size_t(pos)][size_t(j)].track;
      const ahx::row r = t < int(m.tracks.size()) ? m.tracks[size_t(t)][size_t(row)] : ahx::row{};
      if (r.command == 0xF && r.parameter == 0) end = true;
      else if (r.command == 0xF) speed = r.parameter;
      if (r.command == 0x0 && (r.parameter & 15) >= 1 && (r.parameter & 15) <= 9) hundreds = r.parameter & 15;
      if (r.command == 0xB && jump < 0) jump = decimal(r.parameter);
      if (r.command == 0xD && jump < 0) {
        jump = pos + 1;
        next_row = decimal(r.parameter) < m.rows ? decimal(r.parameter) : 0;
      }
    }
    if (end) {
      ++pass;
      pos = m.restart, row = 0;
      continue;
    }
    frames += speed * tick;
    for (int j = 0; j < 4 && jump >= 0; ++j) {
      const ahx::row r = m.tracks[size_t(m.positions[size_t(pos)][size_t(j)].track)][size_t(row)];
      if (r.command == 0xB) jump += 100 * hundreds;
    }
    if (jump < 0) {
      if (++row < m.rows) continue;
      jump = pos + 1;
      next_row = 0;
    }
    if (jump >= int(m.positions.size())) {
      ++pass;
      pos = m.restart, row = next_row;
    } else if (jump <= pos) {
      ++pass;
      pos = jump, row = next_row;
    } else {
      pos = jump, row = next_row;
    }
  }
  return std::llround(frames);
}

using test_support::ahx_player;

ahx::module empty_module(int positions, int rows) {
  ahx::module m;
  m.rows = rows;
  m.positions.assign(size_t(positions), {ahx::track_ref{0, 0}, {0, 0}, {0, 0}, {0, 0}});
  m.tracks.assign(8, std::vector<ahx::row>(size_t(rows)));
  return m;
}

// Speed changes, a jump with a hundreds digit, a break to a row and a jump
// back that ends the pass.
ahx::module winding_module() {
  ahx::module m = empty_module(110, 8);
  for (size_t p = 0; p < m.positions.size(); ++p) m.positions[p][0].track = 7;  // silence elsewhere
  m.positions[0] = {ahx::track_ref{1, 0}, {2, 0}, {0, 0}, {0, 0}};
  m.tracks[1][0] = {0, 0, 0xF, 0x03};
  m.tracks[1][2] = {0, 0, 0xF, 0x14};  // speed 20: beyond the own formats' 15
  m.tracks[1][4] = {0, 0, 0xB, 0x05};
  m.tracks[2][4] = {0, 0, 0x0, 0x01};  // ... to position 105
  m.positions[105] = {ahx::track_ref{3, 0}, {0, 0}, {0, 0}, {0, 0}};
  m.tracks[3][0] = {0, 0, 0xF, 0x06};
  m.tracks[3][3] = {0, 0, 0xD, 0x02};  // to position 106, row 2
  m.positions[107] = {ahx::track_ref{4, 0}, {0, 0}, {0, 0}, {0, 0}};
  m.tracks[4][5] = {0, 0, 0xB, 0x03};  // back to position 3: the pass has ended
  return m;
}

TEST(ahx_timing, speed_changes_jumps_with_hundreds_breaks_and_a_jump_back_take_the_replayers_time) {
  const ahx::module m = winding_module();
  const int64_t expected = replayer_frames(m, 1);
  // 2 rows at speed 3, 3 at 20; 4 at 6; 6 at 6 from row 2; 6 at 6: in 882-frame ticks.
  ASSERT_EQ(expected, (2 * 3 + 3 * 20 + 4 * 6 + 6 * 6 + 6 * 6) * 882);
  ahx_player a;
  a.play(m, 0);
  EXPECT_EQ(a.frames_until_stopped(expected * 2), expected);
  EXPECT_EQ(a.player.loop_count(), 2);
}

TEST(ahx_timing, the_multiplier_shortens_ticks_and_a_second_pass_starts_at_the_restart_position) {
  ahx::module m = empty_module(3, 4);
  m.multiplier = 2;
  m.restart = 1;
  m.positions[1][2].track = 1;
  m.tracks[1][2] = {0, 0, 0xF, 0x02};
  m.positions[2][3].track = 2;
  m.tracks[2][1] = {0, 0, 0xD, 0x63};  // a row past the track: the next position's row 0, here the end
  const int64_t expected = replayer_frames(m, 2);
  ahx_player a;
  a.play(m, 1);
  EXPECT_EQ(a.frames_until_stopped(expected * 2), expected);
  EXPECT_EQ(a.player.loop_count(), 3);
}

TEST(ahx_timing, f00_ends_the_song_where_the_replayer_stops) {
  ahx::module m = empty_module(2, 4);
  m.positions[1][1].track = 1;
  m.tracks[1][2] = {0, 0, 0xF, 0x00};
  ahx_player a;
  a.play(m, 0);
  EXPECT_EQ(a.frames_until_stopped(1 << 24), replayer_frames(m, 1));
  EXPECT_EQ(a.frames_until_stopped(1), 0);
  EXPECT_EQ(replayer_frames(m, 1), 6 * 6 * 882);
}

}  // namespace
