#include "guilib/paint/blit.h"

#include <algorithm>

namespace gui {

namespace {

clip_box intersect(clip_box a, const bitmap& dst) {
  return {std::max(a.x0, 0), std::max(a.y0, 0), std::min(a.x1, dst.width()), std::min(a.y1, dst.height())};
}

}  // namespace

void blend_over(color32& d, color32 s, uint32_t cover) {
  const uint32_t sa = alpha_of(s) * cover;  // 0 .. 255 * 255
  if (sa == 0) return;
  if (sa == 255u * 255u) {
    d = s;
    return;
  }
  if (alpha_of(d) == 255) {
    // Over an opaque pixel (a window's surface): one weight, the result stays
    // opaque; x / 255 by multiplication, exact for 0 <= x <= 65535 + 127.
    const uint32_t a = (sa + 127) / 255, b = 255 - a;
    auto ch = [a, b](uint32_t sc, uint32_t dc) { return (sc * a + dc * b + 127) / 255; };
    d = argb(255, ch(red_of(s), red_of(d)), ch(green_of(s), green_of(d)), ch(blue_of(s), blue_of(d)));
    return;
  }
  const uint32_t da = alpha_of(d) * (255u * 255u - sa) / (255u * 255u);  // 0 .. 255
  const uint32_t out_a255 = sa + da * 255u;                            // alpha * 255 * 255
  auto ch = [&](uint32_t sc, uint32_t dc) { return (sc * sa + dc * da * 255u + out_a255 / 2) / out_a255; };
  d = argb((out_a255 + 127) / 255u, ch(red_of(s), red_of(d)), ch(green_of(s), green_of(d)), ch(blue_of(s), blue_of(d)));
}

void fill_rect(bitmap& dst, int x, int y, int w, int h, color32 c) { fill_rect(dst, x, y, w, h, c, whole(dst)); }

void fill_rect(bitmap& dst, int x, int y, int w, int h, color32 c, clip_box clip) {
  const clip_box b = intersect({std::max(x, clip.x0), std::max(y, clip.y0), std::min(x + w, clip.x1), std::min(y + h, clip.y1)}, dst);
  if (b.empty() || alpha_of(c) == 0) return;
  for (int yy = b.y0; yy < b.y1; ++yy) {
    color32* row = &dst.at(0, yy);
    if (alpha_of(c) == 255) {
      std::fill(row + b.x0, row + b.x1, c);
    } else {
      for (int xx = b.x0; xx < b.x1; ++xx) blend_over(row[xx], c);
    }
  }
}

void draw_bitmap(bitmap& dst, const bitmap& src, int sx, int sy, int w, int h, int dx, int dy) {
  draw_bitmap(dst, src, sx, sy, w, h, dx, dy, whole(dst));
}

void draw_bitmap(bitmap& dst, const bitmap& src, int sx, int sy, int w, int h, int dx, int dy, clip_box clip,
                 uint32_t opacity) {
  // Limit the block to the source, then the destination box to the clip.
  if (sx < 0) w += sx, dx -= sx, sx = 0;
  if (sy < 0) h += sy, dy -= sy, sy = 0;
  w = std::min(w, src.width() - sx);
  h = std::min(h, src.height() - sy);
  const clip_box b = intersect({std::max(dx, clip.x0), std::max(dy, clip.y0), std::min(dx + w, clip.x1),
                                std::min(dy + h, clip.y1)}, dst);
  if (b.empty() || opacity == 0) return;
  for (int ty = b.y0; ty < b.y1; ++ty) {
    const color32* from = src.pixels.data() + size_t(sy + ty - dy) * size_t(src.width());
    color32* to = &dst.at(0, ty);
    for (int tx = b.x0; tx < b.x1; ++tx) {
      const color32 p = from[sx + tx - dx];
      const uint32_t a = alpha_of(p);
      if (a == 0) continue;
      if (a == 255 && opacity == 255) {
        to[tx] = p;
      } else {
        blend_over(to[tx], p, opacity);
      }
    }
  }
}

}  // namespace gui
