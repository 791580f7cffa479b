#include "guilib/widgets/slider.h"

#include <algorithm>
#include <cmath>

#include "guilib/paint/canvas.h"
#include "guilib/widgets/knob.h"
#include "guilib/style/palette.h"
#include "guilib/view/painter.h"

namespace gui {

slider::slider(std::string name, rect r, const ui_style& style, int32_t positions)
    : control("slider_strip", std::move(name), r), style_(style), positions_(positions) {
  filter().left = filter().middle = filter().right = true;
  if (positions >= 2) {
    set_range(0.f, float(positions - 1));
    set_integer(true);
    set_sensitivity(1.f);
  }
}

int32_t slider::thumb_width() const {
  if (!integer()) return 12;
  const int32_t steps = int32_t(maximum() - minimum()) + 1;
  return std::max(12, bounds().width() / std::max(steps, 1));
}

float slider::position_of(int32_t x) const {
  const int32_t travel = bounds().width() - thumb_width();
  return travel > 0 ? float(x - bounds().x1) / float(travel) : 0.f;
}

int slider::press(event& e, point p) {
  const input_state& in = e.input;
  const bool reset = (in.ctrl && in.right) || in.middle || (in.left && in.double_click);
  dragging_ = true;
  right_click_ = in.right && !in.left && !reset;
  if (!right_click_) drag_start();
  if (reset) set_value(default_);
  start_ = normalised();
  anchor_ = p;
  if (in.left) {
    set_normalised(position_of(p.x));
    start_ = normalised();
  }
  if (!right_click_) notify();  // a right click moves nothing
  return press_code::capture;
}

bool slider::move(event& e, point p) {
  if (right_click_) {
    if (!beyond_slop(anchor_, p)) return true;
    right_click_ = false;
    drag_start();
  }
  if (!e.input.shift && !e.input.right) {
    if (e.input.left) {
      set_normalised(position_of(p.x));
      start_ = normalised();
    }
  } else {
    const int32_t travel = std::max(bounds().width() - thumb_width(), 1);
    set_normalised(start_ - float(anchor_.x - p.x) * 0.01f / float(travel));
  }
  notify();
  return true;
}

bool slider::release(event& e, point p) {
  if (!dragging_) return false;
  dragging_ = false;
  if (right_click_) {
    right_click_ = false;
    request_menu(p);
    return false;
  }
  drag_end();
  return false;
}

bool slider::wheel(event& e, point p, float delta) {
  apply_delta(e, delta);
  return true;
}

int32_t slider::frame_index() const {
  if (positions_ < 2) return 0;
  return std::clamp(int32_t(std::lround(normalised() * float(positions_ - 1))), 0, positions_ - 1);
}

void slider::paint(painter& p) {
  const rect& r = bounds();
  const uint32_t opacity = enabled() ? 255 : 110;
  if (positions_ >= 2) {
    if (!strip_ || strip_->frame_width != r.width() || strip_->frame_height != r.height()) {
      strip want;
      want.style = "slide_switch";
      want.frames = positions_;
      want.frame_width = r.width();
      want.frame_height = r.height();
      strip_ = &slider_strips().get(want);
    }
    if (strip_->valid) {
      p.blit(strip_->image, 0, frame_index() * r.height(), r.width(), r.height(), r.x1, r.y1, opacity);
      if (hovered()) p.frame_round(r, float(r.height()) * 0.5f, 1.f, 0x40FFFFFF);
      return;
    }
  }
  // A continuous slider: a thin track, the accent from the origin to the
  // thumb, a round thumb. The origin is the left end, or zero when the range
  // spans both signs (a depth of 0 shows no accent, as a bipolar knob does).
  const float cy = float(r.y1 + r.y2) * 0.5f, t = float(thumb_width());
  const float x0 = float(r.x1) + t * 0.5f, x1 = float(r.x2) - t * 0.5f;
  const float tx = x0 + (x1 - x0) * std::clamp(normalised(), 0.f, 1.f);
  const bool bipolar = minimum() < 0.f && maximum() > 0.f;
  const float ox = bipolar ? x0 + (x1 - x0) * (-minimum() / (maximum() - minimum())) : x0;
  const float hw = style_.line(1.5f);
  p.line(x0, cy, x1, cy, hw, palette::panel_edge);
  if (tx != ox) p.line(std::min(ox, tx), cy, std::max(ox, tx), cy, hw, enabled() ? palette::accent : palette::raised_edge);
  const float radius = std::min(t * 0.5f, float(r.height()) * 0.5f) - 1.f;
  p.circle(tx, cy + 0.7f, radius, 0x80000000);
  p.circle(tx, cy, radius, hovered() ? 0xFFF4F5F7u : palette::text_primary);
}

}  // namespace gui
