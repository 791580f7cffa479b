#include "guilib/paint/text.h"

#include <cstring>

#include "guilib/paint/blit.h"

namespace gui {

namespace {

void draw_glyph(bitmap& dst, const font& f, unsigned char c, int x, int y, color32 colour) {
  const int gx = f.x_offset[c], gw = f.glyphs[c].width;
  for (int row = 0; row < f.sheet.height(); ++row) {
    const int ty = y + row;
    if (ty < 0 || ty >= dst.height()) continue;
    for (int col = 0; col < gw; ++col) {
      const int sx = gx + col, tx = x + col;
      if (sx < 0 || sx >= f.sheet.width() || tx < 0 || tx >= dst.width()) continue;
      blend_over(dst.at(tx, ty), colour, alpha_of(f.sheet.at(sx, row)));
    }
  }
}

}  // namespace

int draw_text(bitmap& dst, const font& f, int x, int y, const char* text, color32 colour) {
  if (!text) return x;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  const size_t n = std::strlen(text);
  for (size_t i = 0; i < n; ++i) {
    x += leading(f, s[i]);
    if (!is_blank(s[i])) {
      draw_glyph(dst, f, s[i], x, y, colour);
      x += width(f, s[i]);
    }
    if (i + 1 < n) x += trailing(f, s[i]) + kerning(f, s[i], s[i + 1]);
  }
  return x;
}

}  // namespace gui
