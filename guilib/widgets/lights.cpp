#include "guilib/widgets/lights.h"

#include <algorithm>
#include <cmath>

#include "guilib/paint/canvas.h"
#include "guilib/style/palette.h"
#include "guilib/view/painter.h"

namespace gui {

ledstrip::ledstrip(std::string name, rect r, const ui_style& style, int32_t count, color32 colour, bool vertical,
                   const char* class_name)
    : control(class_name, std::move(name), r), style_(style), vertical_(vertical),
      levels_(size_t(std::max(count, 1)), 0.f), colours_(size_t(std::max(count, 1)), colour) {}

void ledstrip::set_level(int32_t i, float level) {
  if (i < 0 || i >= count()) return;
  level = std::isnan(level) ? 0.f : std::clamp(level, 0.f, 1.f);
  // Steps below what a pixel shows are not worth a repaint.
  if (std::fabs(level - levels_[size_t(i)]) < 1.f / 512.f) return;
  levels_[size_t(i)] = level;
  mark_dirty();
}

float ledstrip::level(int32_t i) const { return i >= 0 && i < count() ? levels_[size_t(i)] : 0.f; }

void ledstrip::set_colour(int32_t i, color32 c) {
  if (i < 0 || i >= count()) return;
  colours_[size_t(i)] = c;
  mark_dirty();
}

color32 ledstrip::colour(int32_t i) const { return i >= 0 && i < count() ? colours_[size_t(i)] : 0; }

void ledstrip::set_meter(float v) {
  for (int32_t i = 0; i < count(); ++i) set_level(i, v - float(i));
}

void ledstrip::update_look(int32_t arg) {
  for (int32_t i = 0; i < count(); ++i) set_level(i, float(arg) / 255.f);
}

point ledstrip::centre(int32_t i) const {
  const rect& r = bounds();
  const int32_t n = count();
  if (vertical_) {
    const float step = float(r.height()) / float(n);
    return {(r.x1 + r.x2) / 2, r.y2 - int32_t(step * (float(i) + 0.5f))};  // bottom up
  }
  const float step = float(r.width()) / float(n);
  return {r.x1 + int32_t(step * (float(i) + 0.5f)), (r.y1 + r.y2) / 2};
}

void ledstrip::paint(painter& p) {
  const rect& r = bounds();
  const int32_t n = count();
  const float cell = vertical_ ? float(r.height()) / float(n) : float(r.width()) / float(n);
  const float across = float(vertical_ ? r.width() : r.height());
  const float radius = std::max(1.f, std::min(cell, across) * 0.30f);
  for (int32_t i = 0; i < n; ++i) {
    const rect& rr = r;
    const float cx = vertical_ ? float(rr.x1 + rr.x2) * 0.5f : float(rr.x1) + cell * (float(i) + 0.5f);
    const float cy = vertical_ ? float(rr.y2) - cell * (float(i) + 0.5f) : float(rr.y1 + rr.y2) * 0.5f;
    const color32 hue = colours_[size_t(i)];
    const float level = levels_[size_t(i)];
    // Off is the same hue, dimmed: a light never reads as grey.
    const color32 off = mix(hue, palette::background, 0.78f);
    if (level > 0.f) {
      const float halo = std::min(radius * 2.4f, std::min(cell, across) * 0.5f + radius);
      p.halo(cx, cy, radius, halo, (hue & 0x00FFFFFFu) | (uint32_t(level * 110.f) << 24));
    }
    p.circle(cx, cy, radius, mix(off, hue, level));
    // A small highlight towards the top makes it read as a lens.
    if (level > 0.f) p.circle(cx - radius * 0.25f, cy - radius * 0.3f, radius * 0.35f, (0x00FFFFFFu) | (uint32_t(level * 90.f) << 24));
  }
}

std::vector<color32> meter_colours(int32_t count) {
  std::vector<color32> c;
  for (int32_t i = 0; i < count; ++i) {
    const float at = float(i + 1) / float(count);
    c.push_back(at <= 0.7f ? palette::led_green : at <= 0.88f ? palette::led_yellow : palette::led_red);
  }
  return c;
}

}  // namespace gui
