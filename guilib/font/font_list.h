// The fonts every window can count on: the default font compiled into the
// library (the 7-pixel DejaVu Sans) and its fixed-pitch copy, made on first use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "guilib/font/font.h"

namespace gui {

// Cell width of the fixed-pitch copy of the default font.
constexpr int32_t default_fixed_pitch = 8;

// [0] the default font, [1] its copy named "<name> fixed". UI thread only.
const std::vector<font>& font_list();

// The compiled-in font file (a ".vornfont" blob), generated at build time
// from the same font builder as the skin's fonts.
extern const uint8_t default_font_blob[];
extern const size_t default_font_blob_size;

}  // namespace gui
