// The knob style "seven_spline": a dark cap whose outline is a closed curve
// with seven shallow lobes (a grip that turns with the knob), a soft shadow
// under it, a light pointer from near the centre to the cap's edge, and
// around it a dim track with the value as an accent arc.
//
// Frames cover a whole turn, frame i at i / (frames - 1) turns from straight
// down, so that the frame index floor((frames - 1) * p) of the knob widget
// shows its position p. The part of the turn within dead_fraction / 2 of the
// bottom on either side is never reached by a value: the track leaves it open.
#pragma once

#include <cstdint>

#include "guilib/image/bitmap.h"

namespace gui {

enum class knob_variant : int {
  unipolar = 1,  // the arc grows clockwise from the start of the track
  bipolar = 2,   // the arc grows from 12 o'clock to either side
};

struct knob_strip_shape {
  int frame_width = 0;
  int frame_height = 0;
  int frames = 65;
  int variant = int(knob_variant::unipolar);
  uint32_t arc_rgb = 0;        // 0xRRGGBB of the value arc; 0 = the palette's accent
  float dead_fraction = 0.1f;  // the knob widget's default
};

// Renders all frames stacked vertically: frame_width x (frames * frame_height).
void render_knob_strip(bitmap& out, const knob_strip_shape& shape);

// One frame at turn position p (0..1 from straight down, clockwise), into
// rows y0 .. y0 + frame_height of out.
void render_knob_frame(bitmap& out, int y0, const knob_strip_shape& shape, float p);

}  // namespace gui
