// The switch style "slide_switch": a pill-shaped track with a round thumb
// that sits at one of `positions` stops, left to right, one frame per
// position stacked vertically. Position 0 is "off": a grey thumb on a dark
// track. A two-position switch that is on fills its track with the accent
// under a light thumb; a switch of more positions keeps the dark track, marks
// its stops with dots and shows the accent in the thumb.
#pragma once

#include <cstdint>

#include "guilib/image/bitmap.h"

namespace gui {

struct switch_strip_shape {
  int frame_width = 0;
  int frame_height = 0;
  int positions = 2;
  uint32_t accent_rgb = 0;  // 0xRRGGBB; 0 = the palette's accent
};

void render_switch_strip(bitmap& out, const switch_strip_shape& shape);

}  // namespace gui
