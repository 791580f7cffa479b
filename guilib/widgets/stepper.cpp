#include "guilib/widgets/stepper.h"

#include <algorithm>

#include "guilib/paint/canvas.h"
#include "guilib/style/palette.h"
#include "guilib/view/painter.h"

namespace gui {

stepper::stepper(std::string name, rect r, const ui_style& style, std::vector<std::string> choices)
    : control("stepper", std::move(name), r), style_(style), texts_(std::move(choices)) {
  set_range(0.f, float(std::max(count() - 1, 0)));
  set_integer(true);
  set_sensitivity(1.f, 1.f);
  set_value(0.f);
  filter().right = true;  // the owner's menu
}

stepper::stepper(std::string name, rect r, const ui_style& style, std::vector<const bitmap*> icons)
    : control("selector", std::move(name), r), style_(style), icons_(std::move(icons)) {
  set_range(0.f, float(std::max(count() - 1, 0)));
  set_integer(true);
  set_sensitivity(1.f, 1.f);
  set_value(0.f);
  filter().right = true;  // the owner's menu
}

void stepper::set_choices(std::vector<std::string> choices) {
  texts_ = std::move(choices);
  set_range(minimum(), minimum() + float(std::max(count() - 1, 0)));
  set_value(value());
  mark_dirty();
}

void stepper::set_icons(std::vector<const bitmap*> icons) {
  icons_ = std::move(icons);
  set_range(minimum(), minimum() + float(std::max(count() - 1, 0)));
  set_value(value());
  mark_dirty();
}

int32_t stepper::count() const { return int32_t(icons_.empty() ? texts_.size() : icons_.size()); }

std::string stepper::choice_text() const {
  const int32_t c = choice();
  return c >= 0 && c < int32_t(texts_.size()) ? texts_[size_t(c)] : std::string();
}

void stepper::step(int32_t delta, bool wrap) {
  const int32_t lo = int32_t(minimum()), hi = int32_t(maximum());
  int32_t v = int32_t(value()) + delta;
  if (wrap && hi >= lo) {
    const int32_t span = hi - lo + 1;
    v = lo + ((v - lo) % span + span) % span;
  }
  set_value(float(v));
  notify();
}

int32_t stepper::zone(point p) const {
  const rect& r = bounds();
  const int32_t arrow = std::max(style_.px(12.f), r.height());
  if (p.x < r.x1 + arrow) return -1;
  if (p.x >= r.x2 - arrow) return 1;
  return 0;
}

int stepper::press(event& e, point p) {
  if (e.input.right && !e.input.left) return request_menu(p) ? press_code::handled : press_code::decline;
  if (!e.input.left) return press_code::decline;
  const int32_t z = zone(p);
  if (z == 0 && on_edit) {
    if (e.input.double_click) on_edit(*this);
    return press_code::handled;
  }
  step(z == 0 ? 1 : z, z == 0);
  return press_code::handled;
}

bool stepper::wheel(event& e, point p, float delta) {
  if (delta == 0.f) return false;
  step(delta > 0.f ? 1 : -1, false);
  return true;
}

void stepper::paint(painter& p) {
  const rect& r = bounds();
  const float radius = float(r.height()) * 0.5f;
  p.fill_round(r, radius, hovered() ? mix(palette::raised, palette::raised_edge, 0.5f) : palette::raised);
  p.frame_round(r, radius, 1.f, palette::raised_edge);
  const float ay = float(r.y1 + r.y2) * 0.5f, size = std::max(4.f, float(r.height()) * 0.42f);
  const float inset = std::max(radius, size);
  const int32_t v = int32_t(value());
  const color32 on = enabled() ? palette::text_secondary : palette::raised_edge;
  p.arrow(float(r.x1) + inset, ay, size, -1, 0, v > int32_t(minimum()) ? on : palette::raised_edge);
  p.arrow(float(r.x2) - inset, ay, size, 1, 0, v < int32_t(maximum()) ? on : palette::raised_edge);
  const int32_t c = choice();
  if (!icons_.empty()) {
    if (c >= 0 && c < int32_t(icons_.size()) && icons_[size_t(c)]) {
      const bitmap& b = *icons_[size_t(c)];
      p.blit(b, 0, 0, b.width(), b.height(), r.x1 + (r.width() - b.width()) / 2, r.y1 + (r.height() - b.height()) / 2,
             enabled() ? 255 : 110);
    }
    return;
  }
  const font& f = *style_.label;
  const std::string s = fit_text(f, choice_text(), std::max(r.width() - 2 * int32_t(inset) - 4, 0));
  const int32_t w = measure(f, s.c_str());
  p.text(f, r.x1 + (r.width() - w) / 2, r.y1 + (r.height() - f.line_height()) / 2, s,
         enabled() ? palette::text_primary : palette::text_secondary);
}

}  // namespace gui
