#include "guilib/menu/dropbox.h"

#include "guilib/paint/canvas.h"
#include "guilib/style/palette.h"
#include "guilib/view/painter.h"
#include "guilib/view/root_container.h"

namespace gui {

dropbox::dropbox(std::string name, rect r, const ui_style& style, std::string description, const char* class_name)
    : control(class_name, std::move(name), r), style_(style) {
  set_integer(true);
  set_clamp(false);
  set_description(std::move(description));
  set_value(0.f);
  filter().right = true;  // the owner's menu
}

void dropbox::set_description(std::string d) {
  description_ = std::move(d);
  // Every item, whatever the modifiers, so that any value finds its text.
  menu_options all;
  all.shift = all.ctrl = all.alt = true;
  lookup_ = parse_menu(description_, all);
  mark_dirty();
}

std::string dropbox::shown_text() const {
  if (display) return display(*this);
  const menu_item* it = find_menu_value(lookup_, int32_t(value()));
  return it ? it->text : std::string();
}

menu_options dropbox::menu_settings(const input_state& held) const {
  menu_options o;
  o.scale = style_.scale;
  o.current = int32_t(value());
  o.item_width = item_w_;
  o.item_height = item_h_;
  o.spacing = spacing_;
  o.shift = held.shift;
  o.ctrl = held.ctrl;
  o.alt = held.alt;
  o.placeholder = placeholder_;
  if (marked) o.marked = marked();
  return o;
}

void dropbox::open_menu(const input_state& held) {
  root_container* r = root();
  if (!r || session_) return;
  session_ = &menu_session::open(*r, *this, held);
  mark_dirty();
}

int dropbox::press(event& e, point p) {
  if (e.input.right && !e.input.left) return request_menu(p) ? press_code::handled : press_code::decline;
  if (!e.input.left) return press_code::decline;
  open_menu(e.input);
  return press_code::handled;
}

bool dropbox::wheel(event& e, point p, float delta) { return false; }

void dropbox::record(const menu_choice& c) {
  set_value(float(c.value));
  chosen_ = c;
}

void dropbox::menu_chosen(const menu_choice& c) {
  record(c);
  notify();
}

void dropbox::menu_closed() {
  session_ = nullptr;
  mark_dirty();
}

void dropbox::paint(painter& p) {
  const rect& r = bounds();
  const float radius = style_.line(3.f);
  const bool open = session_ != nullptr;
  p.fill_round(r, radius, hovered() || open ? mix(palette::raised, palette::raised_edge, 0.5f) : palette::raised);
  p.frame_round(r, radius, 1.f, open ? palette::accent : palette::raised_edge);
  const font& f = *style_.label;
  const int32_t pad = style_.px(5.f), chevron = std::max(4, r.height() / 2);
  const std::string s = fit_text(f, shown_text(), r.width() - 2 * pad - chevron);
  p.text(f, r.x1 + pad, r.y1 + (r.height() - f.line_height()) / 2, s, enabled() ? palette::text_primary : palette::text_secondary);
  p.arrow(float(r.x2 - pad) - float(chevron) * 0.5f, float(r.y1 + r.y2) * 0.5f, float(chevron) * 0.8f, 0, 1,
          open ? palette::accent : palette::text_secondary);
}

menu_button::menu_button(std::string name, rect r, const ui_style& style, std::string caption, std::string description)
    : dropbox(std::move(name), r, style, std::move(description), "menu"), caption_(std::move(caption)) {}

menu_options menu_button::menu_settings(const input_state& held) const {
  menu_options o = dropbox::menu_settings(held);
  o.current = INT32_MIN;  // a command menu has no current item
  return o;
}

void menu_button::menu_chosen(const menu_choice& c) {
  record(c);
  notify(true);  // the same command twice is two commands
}

void menu_button::paint(painter& p) {
  const rect& r = bounds();
  const float radius = style_.line(3.f);
  const bool open = is_open();
  p.fill_round(r, radius, open ? palette::accent : hovered() ? mix(palette::raised, palette::raised_edge, 0.5f) : palette::raised);
  p.frame_round(r, radius, 1.f, open ? palette::accent : palette::raised_edge);
  const font& f = *style_.label;
  const int32_t w = measure(f, caption_.c_str());
  p.text(f, r.x1 + (r.width() - w) / 2, r.y1 + (r.height() - f.line_height()) / 2, caption_,
         open ? palette::background : palette::text_primary);
}

}  // namespace gui
