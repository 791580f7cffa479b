#include "guilib/view/control.h"

#include <algorithm>
#include <cmath>

#include "guilib/view/root_container.h"

namespace gui {

bool button_filter::accepts(const input_state& in) const {
  if (!enabled) return true;
  if (!((left && in.left) || (middle && in.middle) || (right && in.right))) return false;
  return !double_only || in.double_click;
}

control::control(const char* class_name, std::string name, rect r) : view(class_name, std::move(name), r) {}

control::~control() {
  for (control* c : links_) std::erase(c->linked_from_, this);
  for (control* c : linked_from_) std::erase(c->links_, this);
}

int control::press(event& e, point) {
  if (!filter_.enabled) return press_code::decline;
  return filter_.accepts(e.input) ? press_code::capture : press_code::decline;
}

void control::value_changed() {
  mark_dirty();
  // A linked control that holds the value already does not change, so links
  // in a circle end after one round.
  for (control* c : std::vector<control*>(links_)) c->set_value(value_);
}

void control::set_value(float v) {
  // NaN from a host or a file would compare unequal forever and pass every
  // clamp: it reads as the minimum.
  if (std::isnan(v)) v = min_;
  previous_ = value_;
  value_ = v;
  if (clamp_) value_ = std::min(std::max(v, min_), max_);
  if (integer_) value_ = std::floor(rounding_ ? value_ + 0.5f : value_);
  if (value_ != previous_) value_changed();
}

void control::notify(bool force) {
  if (listener_ && (force || value_ != previous_)) listener_->changed(*this);
}

void control::drag_start() {
  if (listener_) listener_->drag_started(*this);
}

void control::drag_end() {
  if (listener_) listener_->drag_ended(*this);
}

bool control::request_menu(point at) { return listener_ && listener_->menu_requested(*this, at); }

void control::apply_delta(const event& e, float delta) {
  const float scale = e.input.shift ? 1.f / fine_divisor_ : 1.f;
  set_value(value_ + delta * scale * sensitivity_);
  if (value_ != previous_) notify();
}

float control::normalised() const {
  const float span = max_ - min_;
  return span != 0.f ? (value_ - min_) / span : 0.f;
}

void control::set_normalised(float n) { set_value(min_ + n * (max_ - min_)); }

void control::link(control& other) {
  if (&other == this || std::find(links_.begin(), links_.end(), &other) != links_.end()) return;
  links_.push_back(&other);
  other.linked_from_.push_back(this);
}

void control::unlink(control& other) {
  std::erase(links_, &other);
  std::erase(other.linked_from_, this);
}

void control::set_hovered(bool h) {
  if (h == hovered_) return;
  hovered_ = h;
  hover(h);
}

bool control::focused() const {
  const root_container* r = root();
  return r && r->focus() == this;
}

void control::set_enabled(bool e) {
  if (e == enabled_) return;
  enabled_ = e;
  mark_dirty();
  tree_changed();
}

}  // namespace gui
