#include <gtest/gtest.h>

#include <string>

#include "guilib/archive/gui_archive.h"
#include "guilib/archive/lzw.h"
#include "guilib/font/font.h"
#include "guilib/font/font_file.h"
#include "guilib/font/font_list.h"
#include "guilib/font/font_metrics.h"
#include "guilib/paint/text.h"
#include "tests/guilib/chunk_builder.h"

namespace gui {
namespace {

// A metrics text written for the test: widths for a few letters, a negative
// leading, kerning lines in all three forms.
const char* const metrics =
    "name = Test 7\r\n"
    "ascent = 9\n"
    "descent = 2\n"
    "space = 3\n"
    "default_leading = 0\n"
    "width {\n"
    "A 6\nV 6\nT 5\nw 7\nf 3\n? 4\ni 1\nj 2\n} 4\n"
    "}\n"
    "leading {\n"
    "j -1\n"
    "}\n"
    "trailing {\n"
    "f 0\n"
    "}\n"
    "kerning {\n"
    "AV\n"
    "Tw-1\n"
    "f?1\n"
    "}\n";

font test_font() {
  font f;
  parse_metrics(f, metrics, std::strlen(metrics));
  return f;
}

TEST(font_metrics, scalars_blocks_and_the_three_kerning_forms) {
  const font f = test_font();
  EXPECT_EQ(f.name, "Test 7");
  EXPECT_EQ(f.ascent, 9);
  EXPECT_EQ(f.descent, 2);
  EXPECT_EQ(f.space, 3);
  EXPECT_EQ(width(f, 'A'), 6);
  EXPECT_EQ(width(f, '}'), 4);  // a width line for "}" is not the block's end
  EXPECT_EQ(leading(f, 'j'), -1);
  EXPECT_EQ(trailing(f, 'A'), 1);  // default_trailing is missing: 1
  EXPECT_EQ(trailing(f, 'f'), 0);
  EXPECT_EQ(kerning(f, 'A', 'V'), -1);
  EXPECT_EQ(kerning(f, 'T', 'w'), -1);
  EXPECT_EQ(kerning(f, 'f', '?'), 1);
  EXPECT_EQ(kerning(f, 'V', 'A'), 0);
}

TEST(font_metrics, glyphs_lie_side_by_side_from_the_exclamation_mark) {
  const font f = test_font();
  EXPECT_EQ(f.x_offset['!'], 0);
  EXPECT_EQ(f.x_offset['A'], 4);             // only "?" (4) comes before "A"
  EXPECT_EQ(f.x_offset['V'], 4 + 6 + 5);     // ?, A, T
  EXPECT_EQ(f.x_offset['}'], f.x_offset['w'] + 7);
  // Characters outside "!" to "~" take the metrics of "?".
  EXPECT_EQ(width(f, 0xE9), 4);
  EXPECT_EQ(f.x_offset[0xE9], f.x_offset['?']);
  EXPECT_EQ(measure(f, "\xE9"), measure(f, "?"));
}

TEST(font_metrics, missing_keys_and_odd_values_stay_bounded) {
  font f;
  const std::string odd = "ascent=9\nspace = 99999999999\nwidth {\nA -5\nB 100000\n";
  parse_metrics(f, odd.data(), odd.size());
  EXPECT_EQ(f.ascent, 0);  // the number starts two characters after "="
  EXPECT_EQ(f.space, 255);
  EXPECT_EQ(width(f, 'A'), 0);
  EXPECT_EQ(width(f, 'B'), 255);
  EXPECT_EQ(f.name, "");
}

TEST(font, measure_counts_leading_width_and_inner_trailing_with_kerning) {
  const font f = test_font();
  EXPECT_EQ(measure(f, "A"), 6);
  EXPECT_EQ(measure(f, "AV"), 6 + 1 - 1 + 6);
  EXPECT_EQ(measure(f, "Tw"), 5 + 1 - 1 + 7);
  EXPECT_EQ(measure(f, "f?"), 3 + 0 + 1 + 4);
  EXPECT_EQ(measure(f, "ij"), 1 + 1 - 1 + 2);
  EXPECT_EQ(measure(f, "AVAV", 2), measure(f, "AV"));
  // A blank between two characters adds the space width.
  EXPECT_EQ(measure(f, "A V"), measure(f, "AV") + f.space - kerning(f, 'A', 'V'));
  // A trailing blank has no width of its own: only the last glyph's trailing space is added.
  EXPECT_EQ(measure(f, "A "), measure(f, "A") + trailing(f, 'A'));
  // A tab advances three spaces.
  EXPECT_EQ(measure(f, "A\tV"), measure(f, "A V") + 2 * f.space);
}

TEST(font, fixed_pitch_copy_centres_glyphs_in_their_cells) {
  font f = test_font();
  f.glyphs['i'].width = 3;
  const font fixed = fixed_pitch_copy(f, 8);
  EXPECT_EQ(fixed.name, "Test 7 fixed");
  EXPECT_EQ(leading(fixed, 'i'), 3);
  EXPECT_EQ(trailing(fixed, 'i'), 2);
  EXPECT_EQ(leading(fixed, 'w'), 1);   // 7 wide: (8 - 7 + 1) / 2
  EXPECT_EQ(trailing(fixed, 'w'), 0);
  f.glyphs['w'].width = 9;
  const font wide = fixed_pitch_copy(f, 8);
  EXPECT_EQ(leading(wide, 'w'), 0);
  EXPECT_EQ(trailing(wide, 'w'), -1);
  EXPECT_EQ(kerning(fixed, 'A', 'V'), 0);
  EXPECT_EQ(trailing(fixed, ' '), 8);
  EXPECT_EQ(trailing(fixed, '\t'), 24);
  EXPECT_EQ(measure(fixed, "AV i"), 32);
  EXPECT_EQ(measure(fixed, "A\tV"), 8 + 24 + 8);
}

TEST(font_file, loads_sheet_and_metrics_from_plain_and_compressed_members) {
  // A 1 x 1 32-bit BMP sheet and the metrics, once raw and once through LZW.
  test::bytes bmp(58, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  bmp[10] = 54;
  bmp[14] = 40;
  bmp[18] = 1;
  bmp[22] = 1;
  bmp[28] = 32;
  bmp[54] = 0xAA;
  const test::bytes text(metrics, metrics + std::strlen(metrics));
  const test::bytes packed_bmp = lzw_pack(bmp.data(), bmp.size());
  const test::bytes packed_text = lzw_pack(text.data(), text.size());
  for (bool compressed : {false, true}) {
    const test::bytes blob =
        compressed ? test::varc(2, test::cat({test::file_chunk("x.lzw", packed_text), test::file_chunk("bitmap.lzw", packed_bmp)}))
                   : test::varc(2, test::cat({test::file_chunk("bitmap.bmp", bmp), test::file_chunk("x.txt", text)}));
    font f;
    ASSERT_TRUE(load_font(f, blob.data(), blob.size())) << compressed;
    EXPECT_EQ(f.name, "Test 7");
    EXPECT_EQ(f.sheet.width(), 1);
    EXPECT_EQ(f.sheet.pixels[0], 0xAAu);
    EXPECT_EQ(kerning(f, 'f', '?'), 1);
  }
  const test::bytes no_metrics = test::varc(1, test::file_chunk("bitmap.bmp", bmp));
  font f;
  EXPECT_FALSE(load_font(f, no_metrics.data(), no_metrics.size()));
}

TEST(font_list, default_font_is_the_compiled_in_7_pixel_face_with_a_fixed_copy) {
  const std::vector<font>& list = font_list();
  ASSERT_EQ(list.size(), 2u);
  const font& d = list[0];
  EXPECT_EQ(d.name, "DejaVu Sans 7");
  EXPECT_EQ(list[1].name, "DejaVu Sans 7 fixed");
  EXPECT_EQ(list[1].fixed_pitch, 8);
  EXPECT_EQ(d.sheet.height(), d.overhang + d.ascent + d.descent);
  EXPECT_EQ(d.sheet.width(), d.x_offset[glyph_slot(0x2122)] + width(d, 0x2122));  // the last glyph, "™"
  EXPECT_GT(d.ascent, 4);
  // The sheet holds antialiased white: transparent, partial and full alpha.
  bool partial = false, full = false;
  for (color32 p : d.sheet.pixels) {
    EXPECT_TRUE(alpha_of(p) == 0 || (p & 0xFFFFFF) == 0xFFFFFF);
    partial |= alpha_of(p) > 0 && alpha_of(p) < 255;
    full |= alpha_of(p) == 255;
  }
  EXPECT_TRUE(partial);
  EXPECT_TRUE(full);
}

TEST(font_file, every_built_in_font_loads_and_draws_within_its_measured_width) {
  mount_builtin();
  const archive_entry* dir = find_child(gui_archive().root(), "fonts");
  ASSERT_NE(dir, nullptr);
  ASSERT_GE(dir->children.size(), 20u);
  const char* sample = "Cutoff 2.41 kHz AV Tw";
  for (const auto& e : dir->children) {
    SCOPED_TRACE(e->name);
    font f;
    ASSERT_TRUE(load_font(f, e->data, e->size));
    EXPECT_EQ(f.name + font_extension, e->name);
    EXPECT_EQ(f.sheet.width(), f.x_offset[glyph_slot(0x2122)] + width(f, 0x2122));  // the last glyph, "™"
    EXPECT_EQ(f.sheet.height(), f.overhang + f.line_height());
    bitmap canvas;
    const int w = measure(f, sample);
    create(canvas, w + 40, f.line_height());
    const int pen = draw_text(canvas, f, 20, 0, sample, 0xFFFFFFFF);
    EXPECT_EQ(pen, 20 + w);
    int left = canvas.width(), right = -1;
    for (int y = 0; y < canvas.height(); ++y)
      for (int x = 0; x < canvas.width(); ++x)
        if (alpha_of(canvas.at(x, y))) left = std::min(left, x), right = std::max(right, x);
    EXPECT_GE(left, 20 + leading(f, 'C'));
    EXPECT_LT(right, 20 + w + 1);
  }
  font bold;
  ASSERT_TRUE(load_archive_font(bold, "DejaVu Sans Bold 9"));
  ASSERT_TRUE(load_archive_font(bold, "DejaVu Sans Mono 11"));
  EXPECT_FALSE(load_archive_font(bold, "Tahoma 7"));
}

}  // namespace
}  // namespace gui
