// gfx: the window-sized 32-bit pixel buffer the toolkit paints into, and what
// showing it needs. Pixels are 0xAARRGGBB with straight alpha, the toolkit's
// bitmap format; a backend copies dirty rectangles of it to the screen.
#pragma once

#include "guilib/image/bitmap.h"

namespace gfx {

struct surface {
  gui::bitmap pixels;         // what the views paint
  gui::bitmap premultiplied;  // layered windows: the copy handed to the platform
};

// Sizes the surface (contents cleared).
void resize(surface& s, int width, int height);

// The copy a per-pixel-alpha window shows: each colour channel of a pixel of
// alpha a > 0 becomes (c * (a + 1)) >> 8, alpha kept; a pixel of alpha 0
// becomes 0x01000000, black at alpha 1, which the platform still routes mouse
// input to (a pixel of alpha 0 would let clicks fall through to what lies below).
gui::color32 premultiply_for_layered(gui::color32 straight);
void premultiply_for_layered(const gui::bitmap& straight, gui::bitmap& out);

}  // namespace gfx
