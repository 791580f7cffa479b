#include "guilib/paint/blit.h"

#include <algorithm>

namespace gui {

void blend_over(color32& d, color32 s, uint32_t cover) {
  const uint32_t sa = alpha_of(s) * cover;  // 0 .. 255 * 255
  if (sa == 0) return;
  const uint32_t da = alpha_of(d) * (255u * 255u - sa) / (255u * 255u);  // 0 .. 255
  const uint32_t out_a255 = sa + da * 255u;                            // alpha * 255 * 255
  auto ch = [&](uint32_t sc, uint32_t dc) { return (sc * sa + dc * da * 255u + out_a255 / 2) / out_a255; };
  d = argb((out_a255 + 127) / 255u, ch(red_of(s), red_of(d)), ch(green_of(s), green_of(d)), ch(blue_of(s), blue_of(d)));
}

void fill_rect(bitmap& dst, int x, int y, int w, int h, color32 c) {
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + w, dst.width()), y1 = std::min(y + h, dst.height());
  for (int yy = y0; yy < y1; ++yy)
    for (int xx = x0; xx < x1; ++xx) blend_over(dst.at(xx, yy), c);
}

void draw_bitmap(bitmap& dst, const bitmap& src, int sx, int sy, int w, int h, int dx, int dy) {
  for (int y = 0; y < h; ++y) {
    const int ty = dy + y, fy = sy + y;
    if (ty < 0 || ty >= dst.height() || fy < 0 || fy >= src.height()) continue;
    for (int x = 0; x < w; ++x) {
      const int tx = dx + x, fx = sx + x;
      if (tx < 0 || tx >= dst.width() || fx < 0 || fx >= src.width()) continue;
      blend_over(dst.at(tx, ty), src.at(fx, fy));
    }
  }
}

}  // namespace gui
