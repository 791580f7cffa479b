// Bitmap fonts: one sheet holding the glyphs side by side and per-character
// metrics. A glyph is drawn `leading` pixels after the pen, occupies `width`
// pixels of the sheet, and the pen then advances by leading + width +
// trailing + the kerning of the pair.
//
// Text is UTF-8. A font covers "!" to "~" and, when its metrics list them,
// the characters of Latin-1, Latin Extended-A and a few punctuation marks
// ("…", dashes, quotes); the sheet holds "!" to "~" first, then the other
// listed characters in code order. Any character the font lacks, and any
// invalid UTF-8 sequence, is drawn and measured once as "?".
//
// A fixed-pitch font (fixed_pitch = P > 0) puts every character in a cell of
// P pixels, centring narrower glyphs; it has no kerning.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "guilib/image/bitmap.h"

namespace gui {

struct glyph_metrics {
  int32_t leading = 0;   // space before the glyph, may be negative
  int32_t width = 0;     // glyph width on the sheet
  int32_t trailing = 0;  // space after the glyph, may be negative
};

// Characters a font can hold: every code below dense_glyph_end by its own
// slot, then the punctuation marks of extra_glyph_codes.
constexpr char32_t dense_glyph_end = 0x180;  // Basic Latin, Latin-1, Latin Extended-A
constexpr std::array<char32_t, 12> extra_glyph_codes = {0x2013, 0x2014, 0x2018, 0x2019, 0x201A, 0x201C,
                                                        0x201D, 0x201E, 0x2022, 0x2026, 0x20AC, 0x2122};
constexpr size_t glyph_slot_count = dense_glyph_end + extra_glyph_codes.size();

// The slot of c, or -1 when no font can hold it.
int32_t glyph_slot(char32_t c);
// The character of a slot.
char32_t slot_code(size_t slot);

struct font {
  std::string name;
  bitmap sheet;                                      // height = overhang + ascent + descent
  std::array<int32_t, glyph_slot_count> x_offset{};  // glyph's left edge on the sheet, by slot
  std::array<glyph_metrics, glyph_slot_count> glyphs{};
  std::array<bool, glyph_slot_count> present{};      // listed by the metrics (else drawn as "?")
  std::vector<int8_t> kerning = std::vector<int8_t>(65536, 0);  // [first + second * 256], codes below 256
  int32_t ascent = 0;                    // pixels above the baseline
  int32_t descent = 0;                   // pixels below it
  int32_t overhang = 0;                  // sheet rows above the ascent (accents on capitals)
  int32_t space = 0;                     // advance of a blank
  int32_t fixed_pitch = 0;               // 0 proportional, else the cell width
  int32_t tab_width = 3;                 // a tab is this many spaces (or cells)

  int32_t line_height() const { return ascent + descent; }
};

constexpr bool is_blank(char32_t c) { return c == ' ' || c == '\t' || c == 0xA0; }

// The slot a character is drawn with: its own, or that of "?".
size_t drawn_slot(const font& f, char32_t c);

int32_t width(const font& f, char32_t c);
int32_t leading(const font& f, char32_t c);
int32_t trailing(const font& f, char32_t c);
int32_t kerning(const font& f, char32_t first, char32_t second);

// Pixel width of the first `count` bytes of UTF-8 text (count 0: all of it);
// a character cut by count is not counted. The last character's trailing
// space is not counted.
int32_t measure(const font& f, const char* text, size_t count = 0);

// A copy of f named name + " fixed" whose characters take `pitch` pixels each.
font fixed_pitch_copy(const font& f, int32_t pitch);

}  // namespace gui
