#include "guilib/paint/text.h"

#include <algorithm>
#include <cstring>

namespace gui {

namespace {

void draw_glyph(bitmap& dst, const font& f, unsigned char c, int x, int y, color32 colour, clip_box clip) {
  const int gx = f.x_offset[c], gw = f.glyphs[c].width;
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
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  const size_t n = std::strlen(text);
  for (size_t i = 0; i < n; ++i) {
    x += leading(f, s[i]);
    if (!is_blank(s[i])) {
      if (!clip.empty()) draw_glyph(dst, f, s[i], x, y, colour, clip);
      x += width(f, s[i]);
    }
    if (i + 1 < n) x += trailing(f, s[i]) + kerning(f, s[i], s[i + 1]);
  }
  return x;
}

}  // namespace gui
