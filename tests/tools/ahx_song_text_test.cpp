// The song description vorn-ahx compiles: a number that does not fit the
// module field it goes to, or a reference to a position or track that is not
// there, is refused with its line rather than written as a different song.
#include <gtest/gtest.h>

#include <string>

#include "tools/ahx/module.h"
#include "tools/ahx/song_text.h"

namespace {

const std::string instrument = "instrument 1 \"Lead\"\n  step square +0\n";
const std::string track = "track 1\n  0 C-3 1 F06\n";

bool compiles(const std::string& text, std::string& error) {
  ahx::module m;
  error.clear();
  return ahx::parse_song_text(text, m, error);
}

TEST(ahx_song_text, a_small_song_compiles_with_every_field_at_its_limit) {
  const std::string text = "song \"Edge\"\nversion 0\nmultiplier 4\nrows 64\nrestart 1\nsubsong 1\n"
                           "instrument 1 \"Lead\"\n  volume 64\n  wavelength 5\n  envelope 255 64 255 0 255 255 64\n"
                           "  square 63 63 255\n  filter 63 63 127\n  vibrato 255 15 63\n  hardcut 7 release\n"
                           "  playlist 255\n  step noise B-5 volume ff\n" +
                           track + "positions\n  1 127 1 -128 0 0 0 0\n  0 0 0 0 0 0 1 0\n";
  ahx::module m;
  std::string error;
  ASSERT_TRUE(ahx::parse_song_text(text, m, error)) << error;
  EXPECT_EQ(m.restart, 1);
  EXPECT_EQ(m.positions[0][1].transpose, -128);
  EXPECT_EQ(m.instruments[0].filter_speed, 127);
}

TEST(ahx_song_text, numbers_past_their_fields_are_refused_with_the_line) {
  struct refused {
    std::string text;
    const char* line;
  };
  const std::string positions = "positions\n  1 0 0 0 0 0 0 0\n";
  const refused cases[] = {
      {"version 2\n" + instrument + track + positions, "line 1:"},
      {"multiplier 5\n" + instrument + track + positions, "line 1:"},
      {"multiplier 0\n" + instrument + track + positions, "line 1:"},
      {instrument + "  volume 65\n" + track + positions, "line 3:"},
      {instrument + "  wavelength 6\n" + track + positions, "line 3:"},
      {instrument + "  envelope 1 65 1 64 1 1 0\n" + track + positions, "line 3:"},
      {instrument + "  envelope 256 64 1 64 1 1 0\n" + track + positions, "line 3:"},
      {instrument + "  square 16 64 2\n" + track + positions, "line 3:"},
      {instrument + "  filter 128 40 4\n" + track + positions, "line 3:"},
      {instrument + "  vibrato 12 16 20\n" + track + positions, "line 3:"},
      {instrument + "  vibrato 12 3 64\n" + track + positions, "line 3:"},
      {instrument + "  hardcut 8\n" + track + positions, "line 3:"},
      {instrument + "  playlist -1\n" + track + positions, "line 3:"},
      {instrument + track + "positions\n  1 128 0 0 0 0 0 0\n", "line 6:"},
  };
  for (const refused& c : cases) {
    std::string error;
    EXPECT_FALSE(compiles(c.text, error)) << c.text;
    EXPECT_EQ(error.rfind(c.line, 0), 0u) << c.text << " -> " << error;
  }
}

TEST(ahx_song_text, positions_and_subsongs_stay_inside_the_song) {
  const std::string body = instrument + track + "positions\n  1 0 0 0 0 0 0 0\n  1 0 0 0 0 0 0 0\n";
  std::string error;
  EXPECT_TRUE(compiles("restart 1\nsubsong 1\n" + body, error)) << error;
  EXPECT_FALSE(compiles("restart 2\n" + body, error));
  EXPECT_EQ(error, "restart 2 past the last position");
  EXPECT_FALSE(compiles(instrument + track + "positions\n  2 0 0 0 0 0 0 0\n", error));
  EXPECT_EQ(error, "position 0: no track 2");
  EXPECT_FALSE(compiles("subsong 2\n" + body, error));
  EXPECT_EQ(error, "subsong 2 past the last position");
  // 999 positions at most, 63 instruments, 255 playlist steps.
  std::string long_song = instrument + track + "positions\n";
  for (int i = 0; i < 1000; ++i) long_song += "  1 0 0 0 0 0 0 0\n";
  EXPECT_FALSE(compiles(long_song, error));
  EXPECT_EQ(error, "line 1005: more than 999 positions");
  std::string many;
  for (int i = 1; i <= 64; ++i) many += "instrument " + std::to_string(i) + "\n";
  EXPECT_FALSE(compiles(many + track + "positions\n  1 0 0 0 0 0 0 0\n", error));
  EXPECT_EQ(error, "line 64: more than 63 instruments");
  std::string steps = "instrument 1\n";
  for (int i = 0; i < 256; ++i) steps += "  step . .\n";
  EXPECT_FALSE(compiles(steps + track + "positions\n  1 0 0 0 0 0 0 0\n", error));
  EXPECT_EQ(error, "line 257: more than 255 playlist steps");
}

}  // namespace
