// The skin's full-window and panel images.
#pragma once

#include "guilib/image/bitmap.h"

namespace skin {

// The window surface: the palette's background with a faint top-to-bottom
// falloff (row-constant, so it packs well).
gui::bitmap render_background(int width, int height);

// Transparent except for a one-pixel inner frame that closes the window's edge.
gui::bitmap render_overlay(int width, int height);

// A section card: rounded panel colour with a one-pixel edge.
gui::bitmap render_panel(int width, int height);

}  // namespace skin
