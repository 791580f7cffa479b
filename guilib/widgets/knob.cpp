#include "guilib/widgets/knob.h"

#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <numbers>

#include "guilib/style/palette.h"
#include "guilib/view/painter.h"

namespace gui {

namespace {

int32_t speed_of(const event& e) { return (e.input.shift ? 1 : 0) + (e.input.right ? 1 : 0); }

}  // namespace

bool beyond_slop(point from, point to) {
  return std::abs(to.x - from.x) > menu_slop || std::abs(to.y - from.y) > menu_slop;
}

knob::knob(std::string name, rect dial, const ui_style& style, int32_t frames, int32_t variant)
    : control("knob", std::move(name), dial), style_(style), frames_(frames), variant_(variant) {
  filter().left = filter().middle = filter().right = true;
  const int32_t pad = style.px(14.f), line = style.label ? style.label->line_height() : 9;
  label_ = &add<text>("label", rect{dial.x1 - pad, dial.y2 + style.px(1.f), dial.x2 + pad, dial.y2 + style.px(1.f) + line + 1},
                      "", &style);
  label_->set_align(align::centre, align::start);
  label_->set_colour(palette::text_secondary);
}

void knob::set_caption(std::string c) {
  caption_ = std::move(c);
  refresh_label();
}

std::string knob::value_text() const {
  if (display_) return display_(*this);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", double(value()));
  return buf;
}

void knob::set_floating_value(bool on) {
  floating_ = on;
  if (on) {
    // Wide enough for a signed value with two decimals, centred over the dial.
    const rect& d = bounds();
    const int32_t line = label_->used_font().line_height();
    const int32_t w = measure(label_->used_font(), "+0.00") + style_.px(8.f) + 2, h = line + style_.px(4.f) + 1;
    const int32_t x = (d.x1 + d.x2 - w) / 2;
    label_->set_bounds(rect_of(x, d.y1 - h - style_.px(1.f), w, h));
    label_->set_box(true);
    label_->set_align(align::centre, align::centre);
  }
  refresh_label();
}

void knob::refresh_label() {
  if (floating_) {
    const bool shown = hovered() || dragging_;
    label_->set_visible(shown);
    label_->set_text(shown ? value_text() : std::string());
    label_->set_colour(palette::text_primary);
    return;
  }
  const bool live = hovered() || dragging_ || caption_.empty();
  label_->set_text(live ? value_text() : caption_);
  label_->set_colour(live && !caption_.empty() ? palette::text_primary : palette::text_secondary);
}

void knob::value_changed() {
  control::value_changed();
  if (hovered() || dragging_ || caption_.empty() || floating_) refresh_label();
}

// --- input -----------------------------------------------------------------------

float knob::angle_of(point p) const {
  const point c = bounds().centre();
  return std::atan2(float(p.x - c.x), -float(p.y - c.y)) / std::numbers::pi_v<float>;
}

void knob::re_anchor(point p) {
  start_ = normalised();
  anchor_ = p;
}

int knob::press(event& e, point p) {
  const input_state& in = e.input;
  if ((in.ctrl && in.left) || in.middle || (in.left && in.double_click)) {
    set_value(default_);
    notify();
    return press_code::decline;
  }
  speed_ = speed_of(e);
  if (relative_) {
    re_anchor(p);
  } else {
    start_ = 0.f;
    anchor_ = bounds().centre();
  }
  dragging_ = true;
  // A right press becomes a drag once it moves; until then it may be a click for the menu.
  right_click_ = in.right && !in.left;
  pressed_at_ = p;
  if (!right_click_) drag_start();
  refresh_label();
  return press_code::capture;
}

bool knob::move(event& e, point p) {
  if (!dragging_) return false;
  if (right_click_) {
    if (!beyond_slop(pressed_at_, p)) return true;
    right_click_ = false;
    drag_start();
  }
  const int32_t level = speed_of(e);
  if (level != speed_) {
    speed_ = level;
    re_anchor(p);
  }
  const float r = range_pixels_ * (speed_ == 0 ? 1.f : speed_ == 1 ? 10.f : 100.f);
  float n;
  switch (mode_) {
    case drag_mode::vertical:
      n = start_ - float(p.y - anchor_.y) / r;
      break;
    case drag_mode::horizontal:
      n = start_ + float(p.x - anchor_.x) / r;
      break;
    case drag_mode::rotary:
      n = speed_ == 0 ? (angle_of(p) / (1.f - dead_) + 1.f) * 0.5f
                      : start_ + (angle_of(p) - angle_of(anchor_)) / (1.f - dead_) * 0.0625f;
      break;
    default:
      notify();
      return true;
  }
  set_normalised(n);
  notify();
  return true;
}

bool knob::release(event& e, point p) {
  if (!dragging_) return false;
  dragging_ = false;
  refresh_label();
  if (right_click_) {
    right_click_ = false;
    request_menu(p);
    return false;
  }
  drag_end();
  return false;
}

bool knob::wheel(event& e, point p, float delta) {
  apply_delta(e, delta);
  return true;
}

// --- look --------------------------------------------------------------------------

const strip& knob::current_strip() {
  const int32_t side = std::min(bounds().width(), bounds().height());
  if (!strip_ || strip_->frame_width != side) {
    strip want;
    want.style = "seven_spline";
    want.frames = frames_;
    want.variant = variant_;
    want.frame_width = want.frame_height = side;
    strip_ = &knob_strips().get(want);
  }
  return *strip_;
}

int32_t knob::frame_index() const {
  const float p = (1.f - dead_) * std::clamp(normalised(), 0.f, 1.f) + dead_ * 0.5f;
  return int32_t(std::floor(float(frames_ - 1) * p)) % std::max(frames_, 1);
}

uint32_t knob::frame_blend() const {
  const float p = (1.f - dead_) * std::clamp(normalised(), 0.f, 1.f) + dead_ * 0.5f;
  const float x = float(frames_ - 1) * p;
  return uint32_t((x - std::floor(x)) * 256.f);
}

void knob::paint(painter& p) {
  const strip& s = current_strip();
  const rect& r = bounds();
  if (!s.valid) {
    // No strip could be had: a plain disc keeps the control usable.
    p.circle(float(r.x1 + r.x2) * 0.5f, float(r.y1 + r.y2) * 0.5f, float(r.width()) * 0.4f, palette::raised);
    return;
  }
  const int32_t fh = s.frame_height, i = frame_index();
  const int32_t dx = r.x1 + (r.width() - s.frame_width) / 2, dy = r.y1 + (r.height() - fh) / 2;
  if (palette::panel_edge != palette::base::panel_edge) {
    // A colour scheme: the strip's dim track takes the scheme's edge colour
    // (strips are cached by name in the default colours).
    bitmap frame;
    create(frame, s.frame_width, fh);
    const color32 from = palette::base::panel_edge & 0x00FFFFFFu, to = palette::panel_edge & 0x00FFFFFFu;
    for (int32_t y = 0; y < fh; ++y)
      for (int32_t x = 0; x < s.frame_width; ++x) {
        const color32 c = s.image.at(x, i * fh + y);
        frame.at(x, y) = (c & 0x00FFFFFFu) == from ? (c & 0xFF000000u) | to : c;
      }
    p.blit(frame, 0, 0, s.frame_width, fh, dx, dy, enabled() ? 255 : 110);
    return;
  }
  if (!enabled()) {
    p.blit(s.image, 0, i * fh, s.frame_width, fh, dx, dy, 110);
  } else if (smoothing_ && i + 1 < s.frames) {
    p.blit_mix(s.image, i * fh, (i + 1) * fh, s.frame_width, fh, frame_blend(), dx, dy);
  } else {
    p.blit(s.image, 0, i * fh, s.frame_width, fh, dx, dy);
  }
}

}  // namespace gui
