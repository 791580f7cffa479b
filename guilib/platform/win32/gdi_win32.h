// gfx::gdi: a window's surface as GDI sees it. The toolkit paints into the
// window record's pixels; presenting copies a rectangle of them into a
// window-sized 32-bit top-down DIB section selected into a memory DC and
// blits it to the window. A layered window gets the whole surface
// premultiplied into a second DIB section and handed to UpdateLayeredWindow
// with per-pixel alpha.
#pragma once

#include <windows.h>

#include "guilib/platform/window.h"
#include "guilib/view/rect.h"

namespace gfx {

struct gdi {
  HDC memory = nullptr;
  HBITMAP dib = nullptr, old = nullptr;
  uint32_t* bits = nullptr;  // the DIB's pixels, B, G, R, A each
  int32_t width = 0, height = 0;
};

// Makes (or remakes, at a new size) the DIB section of the window's surface.
bool make_gdi(gdi& g, int32_t width, int32_t height);
void free_gdi(gdi& g);

// Copies rectangle r of the surface to the window. False (and a message box
// captioned "gfx::gdi") when GDI failed.
bool present_gdi(HWND hwnd, gdi& g, const gfx::surface& s, const gui::rect& r);
// The whole surface, premultiplied, to a layered window at its screen position.
bool present_layered(HWND hwnd, gdi& g, gfx::surface& s);

}  // namespace gfx
