#include <gtest/gtest.h>

#include <string>

#include "platform/utf8.h"

namespace platform {
namespace {

TEST(utf8, decodes_every_length_and_takes_each_invalid_run_as_one_character) {
  const std::string s = "A\xC3\xA9\xE2\x80\xA6\xF0\x9F\x8E\xB5";  // A é … 🎵
  EXPECT_EQ(decode_utf8(s, 0).code, U'A');
  EXPECT_EQ(decode_utf8(s, 1).code, U'é');
  EXPECT_EQ(decode_utf8(s, 1).length, 2u);
  EXPECT_EQ(decode_utf8(s, 3).code, U'…');
  EXPECT_EQ(decode_utf8(s, 6).code, char32_t(0x1F3B5));
  EXPECT_EQ(decode_utf8(s, 6).length, 4u);
  EXPECT_EQ(char_count(s), 4u);
  EXPECT_EQ(decode_utf8(s, s.size()).length, 0u);

  // A lead byte whose sequence is cut short: one placeholder for the run.
  const utf8_char cut = decode_utf8("\xE2\x80x", 0);
  EXPECT_FALSE(cut.valid);
  EXPECT_EQ(cut.code, replacement_character);
  EXPECT_EQ(cut.length, 2u);
  // Stray continuation bytes and bytes that never begin a character: one each.
  EXPECT_EQ(char_count("\x80\x80\xFF"), 3u);
  // Overlong forms and surrogates are not characters.
  EXPECT_FALSE(decode_utf8("\xC0\xAF", 0).valid);
  EXPECT_FALSE(decode_utf8("\xED\xA0\x80", 0).valid);
  EXPECT_EQ(char_count("\xC0\xAF"), 1u);
}

TEST(utf8, steps_and_cuts_fall_on_character_boundaries) {
  const std::string s = "Br\xC3\xA4\xC3\x9F";  // Bräß
  EXPECT_EQ(next_char(s, 2), 4u);
  EXPECT_EQ(prev_char(s, 6), 4u);
  EXPECT_EQ(prev_char(s, 4), 2u);
  EXPECT_EQ(prev_char(s, 0), 0u);
  EXPECT_EQ(prev_char("a\x80", 2), 1u);  // a stray byte stands alone
  EXPECT_EQ(cut_utf8(s, 5), "Br\xC3\xA4");  // "ß" would be cut in half: left out
  EXPECT_EQ(cut_utf8(s, 4), "Br\xC3\xA4");
  EXPECT_EQ(cut_utf8(s, 3), "Br");
  EXPECT_EQ(cut_utf8(s, 100), s);
  std::string out;
  for (char32_t c : {U'A', U'ß', U'€', char32_t(0x1F3B5), char32_t(0xD800)}) append_utf8(out, c);
  EXPECT_EQ(out, "A\xC3\x9F\xE2\x82\xAC\xF0\x9F\x8E\xB5\xEF\xBF\xBD");
}

}  // namespace
}  // namespace platform
