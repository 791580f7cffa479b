// A colour scheme of the background menu carried into the whole look: the
// surface, the panels, their edges, the raised faces and the texts take the
// scheme's hue at the lightness steps of the default look, so a scheme reads
// as a tint of the instrument rather than of the gaps between its panels.
// The accent and the lights keep their colours: they carry meaning.
#pragma once

#include "guilib/style/color_presets.h"

namespace gui {

struct surface_palette {
  color32 background, panel, panel_edge, raised, raised_edge, text_primary, text_secondary;
};

// The default look's colours.
surface_palette default_surface();
// The look of a scheme: its hue (the average of a blend's corners), its
// saturation kept subtle on the dark surfaces; greys stay neutral.
surface_palette surface_of(const color_scheme& s);
// Makes p the colours widgets paint with (palette.h). UI thread only.
void use_surface(const surface_palette& p);

}  // namespace gui
