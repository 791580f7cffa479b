#include "guilib/paint/switch_strip.h"

#include <algorithm>

#include "guilib/paint/canvas.h"
#include "guilib/style/palette.h"

namespace gui {

namespace {

void render_frame(bitmap& out, const switch_strip_shape& shape, int position) {
  const float w = float(shape.frame_width), h = float(shape.frame_height);
  const int stops = std::max(shape.positions, 2);
  const color32 accent = shape.accent_rgb ? (0xFF000000u | shape.accent_rgb) : palette::accent;
  const bool on = position > 0;
  canvas c(shape.frame_width, shape.frame_height);

  // Track: a filled pill with a one-pixel edge.
  const float inset = 0.5f;
  const float rad = h * 0.5f - inset;
  auto track = [&](float x, float y) { return sdf::rounded_rect(x, y, inset, inset, w - inset, h - inset, rad); };
  // A two-position switch lights its whole track when on; one with more
  // positions keeps a dark track and shows the choice by the thumb.
  const bool lit = on && stops == 2;
  const color32 fill = lit ? accent : palette::base::panel_edge;
  const color32 edge = lit ? mix(accent, 0xFF000000u, 0.25f) : palette::base::raised_edge;
  c.paint(c.whole(), track, edge);
  c.paint(c.whole(), [&](float x, float y) { return track(x, y) + 1.f; }, fill);

  // Stop marks for switches of more than two positions.
  const float margin = std::max(1.5f, h * 0.16f);
  const float thumb_r = h * 0.5f - margin;
  const float left = margin + thumb_r, right = w - margin - thumb_r;
  if (stops > 2) {
    for (int k = 0; k < stops; ++k) {
      const float x = left + (right - left) * float(k) / float(stops - 1);
      c.paint(around(x, h * 0.5f, 2.f), [&](float px, float py) { return sdf::circle(px, py, x, h * 0.5f, std::max(0.8f, h * 0.07f)); },
              mix(palette::base::raised_edge, palette::base::text_secondary, 0.4f));
    }
  }

  // Thumb with a soft shadow.
  const float tx = left + (right - left) * float(position) / float(stops - 1), ty = h * 0.5f;
  c.paint(around(tx, ty + 0.6f, thumb_r, 3.f), [&](float x, float y) { return sdf::circle(x, y, tx, ty + 0.6f, thumb_r); },
          0x90000000u, std::max(1.f, h * 0.12f));
  const color32 thumb = !on ? palette::base::text_secondary : stops == 2 ? 0xFFF4F5F7u : accent;
  c.paint(around(tx, ty, thumb_r), [&](float x, float y) { return sdf::circle(x, y, tx, ty, thumb_r); }, thumb);

  c.to_bitmap(out, position * shape.frame_height);
}

}  // namespace

void render_switch_strip(bitmap& out, const switch_strip_shape& shape) {
  const int positions = std::max(shape.positions, 1);
  create(out, shape.frame_width, shape.frame_height * positions);
  for (int k = 0; k < positions; ++k) render_frame(out, shape, k);
}

}  // namespace gui
