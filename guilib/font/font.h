// Bitmap fonts: one sheet holding the glyphs of "!" to "~" side by side and
// per-character metrics. A glyph is drawn `leading` pixels after the pen,
// occupies `width` pixels of the sheet, and the pen then advances by
// leading + width + trailing + the kerning of the pair. Characters outside
// "!" to "~" use the metrics of "?".
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

struct font {
  std::string name;
  bitmap sheet;                          // height = ascent + descent
  std::array<int32_t, 256> x_offset{};   // glyph's left edge on the sheet
  std::array<glyph_metrics, 256> glyphs{};
  std::vector<int8_t> kerning = std::vector<int8_t>(65536, 0);  // [first + second * 256]
  int32_t ascent = 0;                    // pixels above the baseline
  int32_t descent = 0;                   // pixels below it
  int32_t space = 0;                     // advance of a blank
  int32_t fixed_pitch = 0;               // 0 proportional, else the cell width
  int32_t tab_width = 3;                 // a tab is this many spaces (or cells)

  int32_t line_height() const { return ascent + descent; }
};

constexpr bool is_blank(unsigned char c) { return c == ' ' || c == '\t'; }

int32_t width(const font& f, unsigned char c);
int32_t leading(const font& f, unsigned char c);
int32_t trailing(const font& f, unsigned char c);
int32_t kerning(const font& f, unsigned char first, unsigned char second);

// Pixel width of the first `count` characters of text (count 0: all of it).
// The last character's trailing space is not counted.
int32_t measure(const font& f, const char* text, size_t count = 0);

// A copy of f named name + " fixed" whose characters take `pitch` pixels each.
font fixed_pitch_copy(const font& f, int32_t pitch);

}  // namespace gui
