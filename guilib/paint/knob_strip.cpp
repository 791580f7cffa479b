#include "guilib/paint/knob_strip.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "guilib/paint/canvas.h"
#include "guilib/style/palette.h"

namespace gui {

namespace {

constexpr float pi = std::numbers::pi_v<float>;
constexpr int grip_lobes = 7;
constexpr float grip_depth = 0.022f;  // lobe height as a fraction of the cap radius

// Proportions of a knob of diameter s pixels; strokes never thinner than
// what still reads as a line at 16 pixels.
struct knob_geometry {
  float cx, cy;
  float track_r, track_hw;  // centre radius and half-width of the track
  float cap_r;
  float pointer_hw, pointer_from, pointer_to;

  explicit knob_geometry(int w, int h) {
    const float s = float(std::min(w, h));
    cx = float(w) * 0.5f;
    cy = float(h) * 0.5f;
    track_hw = std::max(0.8f, s * 0.045f);
    track_r = s * 0.5f - track_hw - 0.6f;
    const float gap = std::max(1.2f, s * 0.07f);
    cap_r = track_r - track_hw - gap;
    pointer_hw = std::max(0.65f, s * 0.026f);
    pointer_from = cap_r * 0.30f;
    pointer_to = cap_r - std::max(1.5f, s * 0.05f);
  }
};

}  // namespace

void render_knob_frame(bitmap& out, int y0, const knob_strip_shape& shape, float p) {
  const knob_geometry g(shape.frame_width, shape.frame_height);
  const float d = shape.dead_fraction;
  const float start = -(1.f - d) * pi, stop = (1.f - d) * pi;
  const float angle = (p - 0.5f) * 2.f * pi;  // pointer, 0 straight up
  const float value_angle = std::clamp(angle, start, stop);
  const color32 accent = shape.arc_rgb ? (0xFF000000u | shape.arc_rgb) : palette::accent;
  const float s = float(std::min(shape.frame_width, shape.frame_height));

  canvas c(shape.frame_width, shape.frame_height);
  const pixel_box all = c.whole();

  // Track, then the value on it.
  c.paint(all, [&](float x, float y) { return sdf::arc(x, y, g.cx, g.cy, g.track_r, g.track_hw, start, stop); },
          palette::base::panel_edge);
  float a0 = start, a1 = value_angle;
  if (shape.variant == int(knob_variant::bipolar)) {
    a0 = std::min(0.f, value_angle);
    a1 = std::max(0.f, value_angle);
  }
  if (a1 - a0 > 1e-4f) {
    c.paint(all, [&](float x, float y) { return sdf::arc(x, y, g.cx, g.cy, g.track_r, g.track_hw, a0, a1); }, accent);
  }

  // Soft shadow a little below the cap.
  const float drop = std::max(0.5f, s * 0.03f);
  c.paint(around(g.cx, g.cy + drop, g.cap_r, 4.f),
          [&](float x, float y) { return sdf::circle(x, y, g.cx, g.cy + drop, g.cap_r + s * 0.01f); },
          [](float, float) { return 0x8C000000u; }, std::max(1.f, s * 0.07f));

  // Cap with its seven-lobed grip; the rim is lighter towards the top, as lit from above.
  auto cap = [&](float x, float y) {
    const float lobe = std::cos(float(grip_lobes) * (sdf::angle_of(x - g.cx, y - g.cy) - angle));
    return sdf::length(x - g.cx, y - g.cy) - g.cap_r * (1.f - grip_depth + grip_depth * lobe);
  };
  const float rim = std::max(0.9f, s * 0.03f);
  c.paint(around(g.cx, g.cy, g.cap_r), cap, [&](float x, float y) {
    const float lit = std::clamp(0.5f - (y - g.cy) / (2.f * g.cap_r), 0.f, 1.f);
    return mix(palette::base::raised_edge, mix(palette::base::raised_edge, palette::base::text_secondary, 0.35f), lit);
  });
  c.paint(around(g.cx, g.cy, g.cap_r), [&](float x, float y) { return cap(x, y) + rim; },
          [&](float x, float y) {
            const float t = std::clamp((y - g.cy) / g.cap_r * 0.5f + 0.5f, 0.f, 1.f);
            return mix(mix(palette::base::raised, palette::base::raised_edge, 0.35f), palette::base::raised, t);
          });

  // Pointer.
  const float sx = std::sin(angle), sy = -std::cos(angle);
  c.paint(around(g.cx, g.cy, g.cap_r), [&](float x, float y) {
    return sdf::segment(x, y, g.cx + sx * g.pointer_from, g.cy + sy * g.pointer_from, g.cx + sx * g.pointer_to,
                        g.cy + sy * g.pointer_to, g.pointer_hw);
  }, palette::base::text_primary);

  c.to_bitmap(out, y0);
}

void render_knob_strip(bitmap& out, const knob_strip_shape& shape) {
  const int frames = std::max(shape.frames, 1);
  create(out, shape.frame_width, shape.frame_height * frames);
  for (int i = 0; i < frames; ++i) {
    const float p = frames > 1 ? float(i) / float(frames - 1) : 0.5f;
    render_knob_frame(out, i * shape.frame_height, shape, p);
  }
}

}  // namespace gui
