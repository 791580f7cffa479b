// Compositing straight-alpha pixels: "over" blends of colours and bitmaps,
// clipped to the destination.
#pragma once

#include <cstdint>

#include "guilib/image/bitmap.h"

namespace gui {

// d = s over d, with s's alpha scaled by cover (0..255).
void blend_over(color32& d, color32 s, uint32_t cover = 255);

void fill_rect(bitmap& dst, int x, int y, int w, int h, color32 c);

// Blends the w x h block of src at (sx, sy) onto dst at (dx, dy).
void draw_bitmap(bitmap& dst, const bitmap& src, int sx, int sy, int w, int h, int dx, int dy);
inline void draw_bitmap(bitmap& dst, const bitmap& src, int dx, int dy) {
  draw_bitmap(dst, src, 0, 0, src.width(), src.height(), dx, dy);
}

}  // namespace gui
