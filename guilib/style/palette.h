// The default look: one near-black blue-grey surface, panels a step lighter,
// one amber accent for values and active states. Renderers and widgets take
// their colours from here so that the whole instrument reads as one.
#pragma once

#include "guilib/image/bitmap.h"

namespace gui::palette {

// The default look's surface and text colours; the built-in skin is drawn with them.
namespace base {
constexpr color32 background = 0xFF16181D;      // window surface
constexpr color32 panel = 0xFF1E2128;           // section panels
constexpr color32 panel_edge = 0xFF2A2E37;      // 1 px panel edges, dim tracks
constexpr color32 raised = 0xFF2C3038;          // knob caps, switch tracks
constexpr color32 raised_edge = 0xFF3B404B;     // their rims
constexpr color32 text_primary = 0xFFD8DCE3;    // labels, pointers
constexpr color32 text_secondary = 0xFF8A92A0;  // section headers, units, idle thumbs
}  // namespace base

// The surface and text colours widgets paint with now: the default look, or
// a colour scheme's tint of it (scheme_palette.h). UI thread only.
inline color32 background = base::background;
inline color32 panel = base::panel;
inline color32 panel_edge = base::panel_edge;
inline color32 raised = base::raised;
inline color32 raised_edge = base::raised_edge;
inline color32 text_primary = base::text_primary;
inline color32 text_secondary = base::text_secondary;

constexpr color32 accent = 0xFFF0A030;          // values: knob arcs, switches on, selection
constexpr color32 accent_dim = 0xFF5A4428;      // accent on the surface at low strength
constexpr color32 meter_hot = 0xFFE2513A;       // top of meters
constexpr color32 led_green = 0xFF3CCB5A;
constexpr color32 led_yellow = 0xFFF0C030;
constexpr color32 led_red = 0xFFE8433A;
constexpr color32 shadow = 0xFF000000;          // used at partial alpha

}  // namespace gui::palette
