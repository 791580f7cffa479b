#include "guilib/view/root_container.h"

#include <algorithm>

#include "guilib/platform/backend.h"
#include "guilib/platform/window.h"
#include "guilib/view/painter.h"

namespace gui {

namespace {

// More damaged rectangles than this are painted as their bounding one.
constexpr size_t max_damage_rects = 16;

bool within(const view* x, const view& v) {
  for (; x; x = x->parent())
    if (x == &v) return true;
  return false;
}

point where(const event& e) { return {e.x, e.y}; }

}  // namespace

root_container::root_container(rect r) : view("container", instance_name, r) {}

root_container::~root_container() {
  clear_children();
  detach();
}

void root_container::attach(wnd::window& w) {
  window_ = &w;
  w.callback = [this](event& e) { handle(e); };
  if (w.surface.pixels.width() != w.width || w.surface.pixels.height() != w.height)
    gfx::resize(w.surface, w.width, w.height);
  damage(bounds());
}

void root_container::detach() {
  if (!window_) return;
  if (window_captured_ && window_->owner) window_->owner->release_mouse(*window_);
  window_->callback = nullptr;
  window_ = nullptr;
  window_captured_ = captured_ = false;
}

// --- painting -------------------------------------------------------------------

void root_container::damage(const rect& r0) {
  const rect r = intersection(r0, bounds());
  if (r.empty()) return;
  rect merged = r;
  // Fold every rectangle that touches the new one into it, then keep it.
  for (size_t i = 0; i < damage_.size();) {
    const rect& d = damage_[i];
    if (overlaps(d.inset(-1), merged)) {
      merged = bounding(merged, d);
      damage_.erase(damage_.begin() + long(i));
      i = 0;
    } else {
      ++i;
    }
  }
  damage_.push_back(merged);
  if (damage_.size() > max_damage_rects) {
    rect all;
    for (const rect& d : damage_) all = bounding(all, d);
    damage_.assign(1, all);
  }
  if (window_ && window_->owner) window_->owner->invalidate(*window_, merged);
}

void root_container::paint(painter& p) { p.fill(bounds(), background_); }

void root_container::paint_tree(view& v, painter& p) {
  if (!v.visible()) return;
  if (p.visible(v.bounds())) {
    painter own = p.clipped(v.bounds());
    v.paint(own);
  }
  v.clear_dirty();
  for (const auto& c : v.children()) paint_tree(*c, p);
}

std::vector<rect> root_container::paint(bitmap& surface) {
  if (before_paint && !damage_.empty()) before_paint();
  std::vector<rect> painted;
  painted.swap(damage_);
  for (const rect& r : painted) {
    painter p(surface, r);
    paint_tree(*this, p);
  }
  return painted;
}

void root_container::redraw() {
  if (!window_) return;
  const std::vector<rect> painted = paint(window_->surface.pixels);
  if (window_->owner)
    for (const rect& r : painted) window_->owner->present(*window_, r);
}

// --- handler entries --------------------------------------------------------------

void root_container::collect(view& v, std::vector<handler_entry>& out) {
  if (!v.visible()) return;
  for (auto it = v.children().rbegin(); it != v.children().rend(); ++it) collect(**it, out);
  control* c = v.as_control();
  if (c && c->enabled() && c->takes_mouse()) out.push_back({inclusive(c->bounds()), c->filter(), c});
}

const std::vector<handler_entry>& root_container::handlers() {
  if (handlers_stale_) {
    handlers_.clear();
    collect(modal_.empty() ? static_cast<view&>(*this) : *modal_.back(), handlers_);
    handlers_stale_ = false;
  }
  return handlers_;
}

void root_container::forget(view& v) {
  if (within(target_, v)) target_ = nullptr, release_pointer();
  if (within(grabber_, v)) grabber_ = nullptr, sync_window_capture();
  if (within(focus_, v)) {
    focus_ = nullptr;
    if (window_ && window_->owner) window_->owner->set_focus(*window_, false);
  }
  if (within(hover_, v)) hover_ = nullptr;
  if (within(pressed_, v)) pressed_ = nullptr;
  std::erase_if(modal_, [&](view* m) { return within(m, v); });
  handlers_stale_ = true;
}

// --- capture and targets ------------------------------------------------------------

// The window holds the pointer while routing captured it or a control grabs all input.
void root_container::sync_window_capture() {
  const bool want = captured_ || grabber_;
  if (want == window_captured_) return;
  window_captured_ = want;
  if (!window_ || !window_->owner) return;
  if (want) {
    window_->owner->capture_mouse(*window_);
  } else {
    window_->owner->release_mouse(*window_);
  }
}

void root_container::capture_pointer(event& e) {
  if (e.taken) return;
  e.taken = true;
  release_pending_ = false;
  captured_ = true;
  sync_window_capture();
}

void root_container::release_pointer() {
  captured_ = false;
  release_pending_ = false;
  sync_window_capture();
}

void root_container::set_target(control* c, event& e) {
  if (target_ == c) return;
  clear_target(e);
  target_ = c;
  if (c) c->enter(e);
}

void root_container::clear_target(event& e) {
  control* old = target_;
  target_ = nullptr;
  if (old) old->leave(e);
}

void root_container::end_capture(event& e) {
  clear_target(e);
  release_pointer();
}

bool root_container::dispatch_mouse(event& e) {
  const std::vector<handler_entry> entries = handlers();  // a press may change the tree
  for (const handler_entry& h : entries) {
    if (!h.area.contains(e.x, e.y)) continue;
    if (h.filter.enabled && !h.filter.accepts(e.input)) continue;
    set_target(h.target, e);
    if (target_ != h.target) continue;  // enter removed it from the tree
    pressed_ = h.target;
    const int code = h.target->press(e, where(e));
    switch (code) {
      case press_code::decline:
        end_capture(e);
        return false;
      case press_code::capture:
        capture_pointer(e);
        return true;
      case press_code::handled:
        return true;
      case press_code::leave_and_capture:
        clear_target(e);
        capture_pointer(e);
        return true;
      default:
        continue;
    }
  }
  if (captured_ && !target_ && !e.taken) {
    if (e.input.any_button()) {
      release_pending_ = true;
    } else {
      release_pointer();
    }
  }
  return false;
}

// --- events ---------------------------------------------------------------------------

void root_container::set_focus(control* c) {
  if (c == focus_) return;
  control* old = focus_;
  focus_ = c;
  if (old) old->focus_changed(false);
  if (c) c->focus_changed(true);
  // The keyboard goes to the window only while a control needs it, so the
  // host keeps its shortcuts the rest of the time.
  if (window_ && window_->owner && (old == nullptr) != (c == nullptr)) window_->owner->set_focus(*window_, c != nullptr);
}

void root_container::grab(control& c) {
  // The grabber takes over from whatever was targeted or dragging.
  if (target_) {
    control* old = target_;
    target_ = nullptr;
    event e;
    old->leave(e);
  }
  captured_ = false;
  release_pending_ = false;
  grabber_ = &c;
  sync_window_capture();
  if (hover_) hover_->set_hovered(false), hover_ = nullptr;
}

void root_container::ungrab(control& c) {
  if (grabber_ != &c) return;
  grabber_ = nullptr;
  sync_window_capture();
}

void root_container::push_modal(view& layer) {
  modal_.push_back(&layer);
  handlers_stale_ = true;
}

void root_container::pop_modal(view& layer) {
  std::erase(modal_, &layer);
  handlers_stale_ = true;
}

void root_container::track_hover(event& e) {
  control* over = nullptr;
  if (bounds().contains(e.x, e.y) && !e.input.any_button()) {
    for (const handler_entry& h : handlers()) {
      if (h.area.contains(e.x, e.y)) {
        over = h.target;
        break;
      }
    }
  }
  if (over == hover_) return;
  if (hover_) hover_->set_hovered(false);
  hover_ = over;
  if (over) over->set_hovered(true);
}

void root_container::after_press(control* pressed) {
  if (pressed && pressed->wants_focus()) {
    set_focus(pressed);
  } else if (focus_ && pressed != focus_) {
    set_focus(nullptr);
  }
}

bool root_container::on_button_press(event& e) {
  if (grabber_) {
    grabber_->press(e, where(e));
    return true;
  }
  pressed_ = nullptr;
  bool handled;
  if (target_ && captured_) {
    pressed_ = target_;
    if (target_->press(e, where(e)) == press_code::decline) end_capture(e);
    handled = true;
  } else {
    clear_target(e);
    handled = dispatch_mouse(e);
  }
  after_press(pressed_);
  return handled;
}

bool root_container::on_button_release(event& e) {
  if (grabber_) {
    grabber_->release(e, where(e));
    return true;
  }
  if (!target_) {
    if (captured_ && !e.input.any_button()) release_pointer();
    return false;
  }
  control* t = target_;
  const bool keep = t->release(e, where(e));
  if (target_ == t && !(keep && e.input.any_button() && t->filter().accepts(e.input))) end_capture(e);
  track_hover(e);
  return true;
}

bool root_container::on_wheel(event& e) {
  if (grabber_) return grabber_->wheel(e, where(e), e.wheel);
  if (target_ && captured_) return false;  // no wheel in the middle of a drag
  bool taken = false;
  const std::vector<handler_entry> entries = handlers();
  for (const handler_entry& h : entries) {
    if (!h.target->accepts_wheel_and_keys() || !h.area.contains(e.x, e.y)) continue;
    set_target(h.target, e);
    wheeling_ = true;
    const bool took = target_ == h.target && h.target->wheel(e, where(e), e.wheel);
    wheeling_ = false;
    if (took) {
      taken = true;
      break;
    }
  }
  clear_target(e);
  return taken;
}

bool root_container::on_key(event& e) {
  control* c = grabber_ ? grabber_ : focus_ ? focus_ : target_;
  // Keys nobody holds go to a modal layer (a dialog's Enter and Escape).
  if (!c && !modal_.empty()) c = modal_.back()->as_control();
  if (!c) return false;
  switch (e.type) {
    case event_type::key_repeat:
      if (!c->accepts_key_repeat()) return false;
      [[fallthrough]];
    case event_type::key_down: {
      if ((c != target_ || c->accepts_wheel_and_keys()) && c->key_down(e, e.key)) return true;
      // A key the focused control leaves (Tab, say) goes on to its dialog.
      control* layer = modal_.empty() || grabber_ ? nullptr : modal_.back()->as_control();
      return layer && layer != c && layer->key_down(e, e.key);
    }
    case event_type::key_up:
      return c->key_up(e, e.key);
    case event_type::character:
      return c->character(e, e.character);
    default:
      return false;
  }
}

void root_container::run_deferred() {
  while (!deferred_.empty()) {
    std::vector<std::function<void()>> now;
    now.swap(deferred_);
    for (auto& f : now) f();
  }
}

bool root_container::handle(event& e) {
  const bool handled = handle_one(e);
  run_deferred();
  return handled;
}

bool root_container::handle_one(event& e) {
  // A capture whose release waited for the buttons ends with the first event
  // that finds them all up.
  if (release_pending_ && !e.input.any_button() && !target_ && !grabber_) release_pointer();
  switch (e.type) {
    case event_type::activate:
      active_ = e.detail != 0;
      if (!active_ && grabber_) grabber_->grab_lost();
      return true;
    case event_type::set_focus:
      focused_ = true;
      return true;
    case event_type::kill_focus:
      focused_ = false;
      return true;
    case event_type::redraw:
      redraw();
      return true;
    case event_type::resize:
      // The layout is the owner's to rebuild; the root only follows the
      // window's size, so the whole new surface is painted.
      if (window_) {
        set_bounds({0, 0, window_->width, window_->height});
        damage(bounds());
      }
      return true;
    case event_type::timer:
      if (on_timer) on_timer();
      return true;
    case event_type::close:
      if (on_close) on_close();
      return true;
    case event_type::mouse_move:
      if (grabber_) return grabber_->move(e, where(e));
      if (target_) return target_->move(e, where(e));
      track_hover(e);
      return false;
    case event_type::mouse_wheel:
      return on_wheel(e);
    case event_type::key_down:
    case event_type::key_repeat:
      // Keys no control takes may be the owner's shortcuts (Ctrl+Z); never
      // while a menu or a dialog holds the input.
      if (on_key(e)) return true;
      return !grabber_ && modal_.empty() && on_shortcut && on_shortcut(e);
    case event_type::key_up:
    case event_type::character:
      return on_key(e);
    default:
      break;
  }
  if (is_button_press(e.type)) return on_button_press(e);
  if (is_button_release(e.type)) return on_button_release(e);
  return false;
}

}  // namespace gui
