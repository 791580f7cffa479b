// What every widget needs to look like the rest of the instrument at a given
// GUI scale: the fonts of each role, rasterised for the scaled size (a bitmap
// font is never scaled as an image), and lengths scaled to whole pixels.
//
// Sizes at scale 1: labels 8 px, section headers 9 px bold capitals with
// letter spacing, value readouts 9 px mono, the display's lines 11 px mono,
// menu items 8 px, group labels in menus 7 px bold capitals; never below 7 px
// at small scales. The nearest size the built-in fonts carry is taken; with
// no fonts mounted every role falls back to the compiled-in default font.
#pragma once

#include <string>

#include "guilib/font/font.h"

namespace gui {

struct ui_style {
  float scale = 1.f;
  const font* label = nullptr;
  const font* header = nullptr;
  const font* value = nullptr;
  const font* display = nullptr;
  const font* menu = nullptr;
  const font* menu_header = nullptr;  // group labels inside menus: small bold capitals

  // A length of the 762 x 516 layout in pixels at this scale, truncated.
  int px(float unscaled) const { return int(unscaled * scale); }
  // The same for stroke widths and radii, never below one pixel.
  float line(float unscaled) const { return unscaled * scale < 1.f ? 1.f : unscaled * scale; }
};

// The style of a scale (0.25 .. 4), made on first use and kept. UI thread only.
const ui_style& style_for_scale(float scale);

// A built-in font by family ("DejaVu Sans", "DejaVu Sans Bold", "DejaVu Sans
// Mono") at the carried size nearest to pixels; the default font when the
// family has none.
const font& nearest_font(const std::string& family, float pixels);

}  // namespace gui
