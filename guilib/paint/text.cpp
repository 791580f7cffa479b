#include "guilib/paint/text.h"

#include <algorithm>
#include <string_view>

#include "platform/utf8.h"

namespace gui {

namespace {

// The sheet's row 0 is `overhang` rows above the line's top.
void draw_glyph(bitmap& dst, const font& f, size_t slot, int x, int y, color32 colour, clip_box clip) {
  const int gx = f.x_offset[slot], gw = f.glyphs[slot].width;
  y -= f.overhang;
  const int row0 = std::max(0, clip.y0 - y), row1 = std::min(f.sheet.height(), clip.y1 - y);
  const int col0 = std::max({0, clip.x0 - x, -gx}), col1 = std::min({gw, clip.x1 - x, f.sheet.width() - gx});
  for (int row = row0; row < row1; ++row) {
    color32* to = &dst.at(0, y + row);
    for (int col = col0; col < col1; ++col) blend_over(to[x + col], colour, alpha_of(f.sheet.at(gx + col, row)));
  }
}

}  // namespace

int draw_text(bitmap& dst, const font& f, int x, int y, const char* text, color32 colour) {
  return draw_text(dst, f, x, y, text, colour, whole(dst));
}

int draw_text(bitmap& dst, const font& f, int x, int y, const char* text, color32 colour, clip_box clip) {
  if (!text) return x;
  clip = {std::max(clip.x0, 0), std::max(clip.y0, 0), std::min(clip.x1, dst.width()), std::min(clip.y1, dst.height())};
  const std::string_view s(text);
  platform::utf8_char c = platform::decode_utf8(s, 0);
  for (size_t at = 0; c.length != 0;) {
    const platform::utf8_char next = platform::decode_utf8(s, at + c.length);
    x += leading(f, c.code);
    if (!is_blank(c.code)) {
      if (!clip.empty()) draw_glyph(dst, f, drawn_slot(f, c.code), x, y, colour, clip);
      x += width(f, c.code);
    }
    if (next.length != 0) x += trailing(f, c.code) + kerning(f, c.code, next.code);
    at += c.length;
    c = next;
  }
  return x;
}

}  // namespace gui
