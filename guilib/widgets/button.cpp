#include "guilib/widgets/button.h"

#include "guilib/paint/canvas.h"
#include "guilib/style/palette.h"
#include "guilib/view/painter.h"

namespace gui {

void button_face::paint(painter& p) {
  const ui_style& st = owner_.style();
  const rect& r = bounds();
  const float radius = st.line(3.f);
  color32 fill = colour_;
  if (owner_.hovered() && !owner_.pressed()) fill = mix(fill, palette::text_primary, 0.08f);
  if (!owner_.enabled()) fill = mix(fill, palette::background, 0.5f);
  p.fill_round(r, radius, fill);
  p.frame_round(r, radius, 1.f, owner_.pressed() ? mix(palette::accent, 0xFF000000u, 0.3f) : palette::raised_edge);
  const font& f = *st.label;
  const int32_t tw = measure(f, owner_.caption().c_str());
  const bitmap* icon = owner_.icon();
  const int32_t iw = icon ? icon->width() + (tw ? st.px(4.f) : 0) : 0;
  int32_t x = r.x1 + (r.width() - tw - iw) / 2;
  if (icon) {
    p.blit(*icon, x, r.y1 + (r.height() - icon->height()) / 2);
    x += iw;
  }
  const color32 ink = !owner_.enabled() ? palette::text_secondary
                      : owner_.pressed() ? 0xFF16181D
                                         : palette::text_primary;
  p.text(f, x, r.y1 + (r.height() - f.line_height()) / 2, owner_.caption(), ink);
}

button::button(std::string name, rect r, const ui_style& style, std::string caption)
    : control("button", std::move(name), r), style_(style), caption_(std::move(caption)),
      normal_(palette::raised), pressed_colour_(palette::accent) {
  face_ = &add<button_face>(*this, r, normal_);
  set_value(minimum());
}

void button::set_colours(color32 normal, color32 pressed) {
  normal_ = normal;
  pressed_colour_ = pressed;
  face_->set_colour(pressed_ ? pressed : normal);
  face_->mark_dirty();
}

void button::set_pressed(bool b) {
  set_value(b ? maximum() : minimum());
  if (b == pressed_) return;
  pressed_ = b;
  face_->set_colour(b ? pressed_colour_ : normal_);
  face_->mark_dirty();
  mark_dirty();
}

int button::press(event& e, point p) {
  tracking_ = true;
  set_pressed(e.input.left != 0);
  return press_code::capture;
}

bool button::move(event& e, point p) {
  if (tracking_) set_pressed(bounds().contains(p));
  return tracking_;
}

bool button::release(event& e, point p) {
  tracking_ = false;
  if (value() == maximum()) {
    set_value(minimum());
    pressed_ = false;
    face_->set_colour(normal_);
    face_->mark_dirty();
    notify();
  }
  return false;
}

}  // namespace gui
