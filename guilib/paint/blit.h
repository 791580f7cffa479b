// Compositing straight-alpha pixels: "over" blends of colours and bitmaps,
// clipped to the destination and, where given, to a clip box within it.
#pragma once

#include <cstdint>

#include "guilib/image/bitmap.h"

namespace gui {

// A rectangle of destination pixels: x0, y0 inclusive, x1, y1 exclusive.
struct clip_box {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool empty() const { return x1 <= x0 || y1 <= y0; }
};

// The whole of dst.
inline clip_box whole(const bitmap& dst) { return {0, 0, dst.width(), dst.height()}; }

// d = s over d, with s's alpha scaled by cover (0..255).
void blend_over(color32& d, color32 s, uint32_t cover = 255);

void fill_rect(bitmap& dst, int x, int y, int w, int h, color32 c);
void fill_rect(bitmap& dst, int x, int y, int w, int h, color32 c, clip_box clip);

// Blends the w x h block of src at (sx, sy) onto dst at (dx, dy), its alpha
// scaled by opacity (0..255). Opaque source pixels are copied.
void draw_bitmap(bitmap& dst, const bitmap& src, int sx, int sy, int w, int h, int dx, int dy);
void draw_bitmap(bitmap& dst, const bitmap& src, int sx, int sy, int w, int h, int dx, int dy, clip_box clip,
                 uint32_t opacity = 255);
inline void draw_bitmap(bitmap& dst, const bitmap& src, int dx, int dy) {
  draw_bitmap(dst, src, 0, 0, src.width(), src.height(), dx, dy);
}

}  // namespace gui
