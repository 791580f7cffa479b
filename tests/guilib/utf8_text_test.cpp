// UTF-8 text through the built fonts: one glyph per character, one "?" per
// missing character or invalid sequence, measuring on characters.
#include <gtest/gtest.h>

#include <string>

#include "guilib/archive/gui_archive.h"
#include "guilib/font/font.h"
#include "guilib/font/font_file.h"
#include "guilib/paint/text.h"
#include "platform/utf8.h"

namespace gui {
namespace {

font built(const char* name) {
  mount_builtin();
  font f;
  EXPECT_TRUE(load_archive_font(f, name)) << name;
  return f;
}

// The glyph's ink, drawn alone.
std::vector<color32> ink(const font& f, const char* text) {
  bitmap b;
  create(b, 64, f.sheet.height() + 2);
  draw_text(b, f, 2, f.overhang + 1, text, 0xFFFFFFFF);
  return b.pixels;
}

TEST(utf8_text, every_built_font_has_its_own_glyph_for_latin_1_and_latin_extended_a) {
  mount_builtin();
  const archive_entry* dir = find_child(gui_archive().root(), "fonts");
  ASSERT_NE(dir, nullptr);
  for (const auto& e : dir->children) {
    SCOPED_TRACE(e->name);
    font f;
    ASSERT_TRUE(load_font(f, e->data, e->size));
    int missing = 0;
    for (char32_t c = 0xA1; c < 0x180; ++c) missing += c != 0xAD && !f.present[size_t(glyph_slot(c))];
    EXPECT_EQ(missing, 0);
    EXPECT_TRUE(f.present[size_t(glyph_slot(U'…'))]);
    EXPECT_GT(f.x_offset[size_t(glyph_slot(U'Ł'))], f.x_offset['~']);  // after "!" to "~" on the sheet
  }
}

TEST(utf8_text, unicode_draws_one_glyph_per_character_and_measures_as_drawn) {
  const font f = built("DejaVu Sans 9");
  const std::string text = "Ünïcödé ß";
  // The width the metrics give character by character.
  int32_t expected = 0;
  std::vector<char32_t> chars;
  for (size_t at = 0; at < text.size(); at += platform::decode_utf8(text, at).length)
    chars.push_back(platform::decode_utf8(text, at).code);
  ASSERT_EQ(chars.size(), 9u);
  for (size_t i = 0; i < chars.size(); ++i) {
    expected += leading(f, chars[i]) + (is_blank(chars[i]) ? 0 : width(f, chars[i]));
    if (i + 1 < chars.size()) expected += trailing(f, chars[i]) + kerning(f, chars[i], chars[i + 1]);
  }
  EXPECT_EQ(measure(f, text.c_str()), expected);
  EXPECT_LT(measure(f, text.c_str()), measure(f, "??n??c??d?? ??"));  // not one placeholder per byte
  bitmap canvas;
  create(canvas, 200, f.sheet.height());
  EXPECT_EQ(draw_text(canvas, f, 10, f.overhang, text.c_str(), 0xFFFFFFFF), 10 + expected);
  // Each accented letter is its own glyph: not the "?", not its base letter.
  for (const char* c : {"Ü", "ï", "ö", "é", "ß"}) {
    EXPECT_NE(ink(f, c), ink(f, "?")) << c;
    EXPECT_NE(ink(f, c), ink(f, "u")) << c;
  }
  // The dots of "Ü" rise above the line into the overhang rows, and are drawn.
  EXPECT_GT(f.overhang, 0);
  const std::vector<color32> u = ink(f, "Ü");
  bool above = false;
  for (int x = 0; x < 64; ++x)
    for (int y = 1; y < 1 + f.overhang; ++y) above |= alpha_of(u[size_t(y * 64 + x)]) > 0;
  EXPECT_TRUE(above);
}

TEST(utf8_text, each_invalid_sequence_and_missing_character_is_one_placeholder) {
  const font f = built("DejaVu Sans 9");
  EXPECT_EQ(measure(f, "A\xC3(B"), measure(f, "A?(B"));          // a lead byte without its continuation
  EXPECT_EQ(measure(f, "x\xE2\x82y"), measure(f, "x?y"));        // a three-byte sequence cut after two
  EXPECT_EQ(measure(f, "\xFF\xFE"), measure(f, "??"));           // two bytes that begin nothing
  EXPECT_EQ(measure(f, "a\xF0\x9F\x8E\xB5z"), measure(f, "a?z"));  // a character no font holds
  EXPECT_EQ(ink(f, "\xE2\x82"), ink(f, "?"));
  EXPECT_EQ(ink(f, "\xF0\x9F\x8E\xB5"), ink(f, "?"));
  // A count that cuts a character leaves it out.
  EXPECT_EQ(measure(f, "a\xC3\xA9", 2), measure(f, "a"));
  EXPECT_EQ(measure(f, "a\xC3\xA9", 3), measure(f, "a\xC3\xA9"));
}

}  // namespace
}  // namespace gui
