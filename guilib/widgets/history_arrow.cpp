#include "guilib/widgets/history_arrow.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "guilib/paint/canvas.h"
#include "guilib/style/palette.h"
#include "guilib/view/painter.h"

namespace gui {

history_arrow::history_arrow(std::string name, rect r, const ui_style& style, bool forward)
    : control("history arrow", std::move(name), r), style_(style), forward_(forward) {
  set_value(0.f);
}

int history_arrow::press(event& e, point p) {
  if (!e.input.left || !enabled()) return press_code::decline;
  tracking_ = pressed_ = true;
  mark_dirty();
  return press_code::capture;
}

bool history_arrow::move(event& e, point p) {
  if (!tracking_) return false;
  const bool inside = bounds().contains(p.x, p.y);
  if (inside != pressed_) pressed_ = inside, mark_dirty();
  return true;
}

bool history_arrow::release(event& e, point p) {
  if (!tracking_) return false;
  tracking_ = false;
  const bool click = pressed_;
  pressed_ = false;
  mark_dirty();
  if (click) notify(true);
  return false;
}

// A round face like the stepper's pill; the arrow is three quarters of a
// circle (an arc of short strokes) with a head at its open end.
void history_arrow::paint(painter& p) {
  const rect& r = bounds();
  const float radius = float(std::min(r.width(), r.height())) * 0.5f;
  color32 face = palette::raised;
  if (pressed_) face = palette::accent_dim;
  else if (hovered() && enabled()) face = mix(palette::raised, palette::raised_edge, 0.5f);
  p.fill_round(r, radius, face);
  p.frame_round(r, radius, 1.f, palette::raised_edge);

  const color32 ink = !enabled() ? palette::raised_edge : pressed_ || hovered() ? palette::accent : palette::text_primary;
  const float cx = float(r.x1 + r.x2) * 0.5f, cy = float(r.y1 + r.y2) * 0.5f + radius * 0.06f;
  const float ring = radius * 0.42f, half_width = std::max(0.6f, radius * 0.07f);
  // Undo: from the top round the right side to the lower left, the head at
  // the top pointing left (redo is its mirror image).
  const float m = forward_ ? -1.f : 1.f;
  constexpr int segments = 16;
  const float from = -0.5f * std::numbers::pi_v<float>, sweep = 1.25f * std::numbers::pi_v<float>;
  auto at = [&](int i, float& x, float& y) {
    const float a = from + sweep * float(i) / segments;
    x = cx + m * std::cos(a) * ring;
    y = cy + std::sin(a) * ring;
  };
  for (int i = 0; i < segments; ++i) {
    float x0, y0, x1, y1;
    at(i, x0, y0);
    at(i + 1, x1, y1);
    p.line(x0, y0, x1, y1, half_width, ink);
  }
  p.arrow(cx - m * ring * 0.15f, cy - ring, ring * 1.2f, forward_ ? 1 : -1, 0, ink);
}

}  // namespace gui
