// The switch style "slide_switch": a pill-shaped track with a round thumb
// that sits at one of `positions` stops, left to right, one frame per
// position stacked vertically. Position 0 is "off" (grey thumb on a dim
// track); the others show the accent.
#pragma once

#include <cstdint>

#include "guilib/image/bitmap.h"

namespace gui {

struct switch_strip_spec {
  int frame_width = 0;
  int frame_height = 0;
  int positions = 2;
  uint32_t accent_rgb = 0;  // 0xRRGGBB; 0 = the palette's accent
};

void render_switch_strip(bitmap& out, const switch_strip_spec& spec);

}  // namespace gui
