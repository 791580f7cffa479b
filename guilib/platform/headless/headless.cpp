#include "guilib/platform/headless/headless.h"

#include <algorithm>

#include "guilib/image/tga.h"
#include "guilib/platform/keys.h"
#include "guilib/image/png_file.h"

namespace wnd {

headless::record* headless::find(const window& w) {
  for (record& r : windows_)
    if (r.w == &w) return &r;
  return nullptr;
}

const headless::record* headless::find(const window& w) const {
  for (const record& r : windows_)
    if (r.w == &w) return &r;
  return nullptr;
}

bool headless::create(window& w, const create_params& p) {
  w.owner = this;
  w.native = next_id_++;
  w.layered = p.layered;
  w.width = int16_t(p.width);
  w.height = int16_t(p.height);
  gfx::resize(w.surface, p.width, p.height);
  windows_.push_back({&w, {p.x, p.y}, false, false, 0});
  send(w, gui::event_type::create);
  return true;
}

void headless::destroy(window& w) {
  send(w, gui::event_type::destroy);
  if (captured_ == &w) captured_ = nullptr;
  if (focus_ == &w) focus_ = nullptr;
  std::erase_if(windows_, [&](const record& r) { return r.w == &w; });
  w.native = 0;
  w.owner = nullptr;
}

void headless::show(window& w, bool shown) {
  if (record* r = find(w)) r->shown = shown;
}

void headless::set_focus(window& w, bool take) {
  if (take) {
    focus_ = &w;
  } else if (focus_ == &w) {
    focus_ = nullptr;
  }
}

void headless::resize(window& w, int32_t width, int32_t height) { resize_message(w, width, height); }

void headless::move(window& w, int32_t x, int32_t y) {
  if (record* r = find(w)) r->at = {x, y};
}

void headless::set_timer(window& w, uint32_t interval_ms) {
  w.timer_ms = interval_ms;
  w.timer_id = interval_ms ? reinterpret_cast<uintptr_t>(&w) : 0;
  if (record* r = find(w)) r->clock_ms = 0;
}

void headless::capture_mouse(window& w) { captured_ = &w; }

void headless::release_mouse(window& w) {
  if (captured_ == &w) captured_ = nullptr;
}

void headless::clip_cursor(window&, const gui::rect* screen) {
  clipped_ = screen != nullptr;
  if (screen) clip_ = *screen;
}

window* headless::window_from_point(gui::point s) {
  // The last window made lies on top.
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    const gui::rect r = gui::rect_of(it->at.x, it->at.y, it->w->width, it->w->height);
    if (it->shown && r.contains(s)) return it->w;
  }
  return nullptr;
}

gui::point headless::client_to_screen(const window& w, gui::point p) {
  const gui::point at = position(w);
  return {at.x + p.x, at.y + p.y};
}

gui::point headless::position(const window& w) const {
  const record* r = find(w);
  return r ? r->at : gui::point{};
}

void headless::invalidate(window& w, const gui::rect&) {
  if (record* r = find(w)) r->redraw = true;
}

bool headless::redraw_pending(const window& w) const {
  const record* r = find(w);
  return r && r->redraw;
}

void headless::update(window& w) {
  record* r = find(w);
  if (!r || !r->redraw) return;
  r->redraw = false;
  send(w, gui::event_type::redraw);
}

bool headless::present(window& w, const gui::rect& r) {
  presented_.push_back(r);
  return true;
}

void headless::pump() {
  std::vector<window*> all;
  for (record& r : windows_) all.push_back(r.w);
  for (window* w : all)
    if (find(*w)) update(*w);
}

// --- injection ---------------------------------------------------------------------

void headless::mouse_down(window& w, gui::mouse_button b, int32_t x, int32_t y, bool double_click) {
  pointer_ = client_to_screen(w, {x, y});
  button_message(w, b, double_click ? button_action::double_click : button_action::down, x, y);
}

void headless::mouse_up(window& w, gui::mouse_button b, int32_t x, int32_t y) {
  pointer_ = client_to_screen(w, {x, y});
  button_message(w, b, button_action::up, x, y);
}

void headless::click(window& w, gui::mouse_button b, int32_t x, int32_t y) {
  mouse_down(w, b, x, y);
  mouse_up(w, b, x, y);
}

void headless::mouse_move(window& w, int32_t x, int32_t y) {
  pointer_ = client_to_screen(w, {x, y});
  move_message(w, x, y);
}

void headless::drag(window& w, gui::mouse_button b, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int steps) {
  mouse_down(w, b, x0, y0);
  steps = std::max(steps, 1);
  for (int i = 1; i <= steps; ++i) mouse_move(w, x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
  mouse_up(w, b, x1, y1);
}

void headless::wheel(window& w, float notches, int32_t x, int32_t y) {
  pointer_ = client_to_screen(w, {x, y});
  wheel_message(w, int32_t(notches * 120.f), x, y, w.input.ctrl, w.input.shift);
}

void headless::key_down(window& w, int32_t k, bool repeat) {
  key_message(w, k, true, repeat, key::us_unshifted_character(k));
}

void headless::key_up(window& w, int32_t k) { key_message(w, k, false, false, 0); }

void headless::press_key(window& w, int32_t k) {
  key_down(w, k);
  key_up(w, k);
}

void headless::type(window& w, const std::string& text) {
  for (unsigned char c : text) {
    // Find the key whose character, plain or shifted, is c.
    for (int32_t k = 0; k < 256; ++k) {
      const int32_t u = key::character_for(key::us_unshifted_character(k), false);
      const bool plain = u == c;
      const bool shifted = !plain && u != 0 && key::us_shifted(u) == c;
      if (!plain && !shifted) continue;
      if (shifted) key_down(w, key::shift);
      press_key(w, k);
      if (shifted) key_up(w, key::shift);
      break;
    }
  }
}

void headless::advance(window& w, uint32_t ms) {
  record* r = find(w);
  if (!r) return;
  for (uint32_t left = ms; left > 0;) {
    if (w.timer_ms == 0) return;
    const uint32_t due = w.timer_ms - r->clock_ms;
    if (left < due) {
      r->clock_ms += left;
      return;
    }
    left -= due;
    r->clock_ms = 0;
    send(w, gui::event_type::timer);
    r = find(w);  // the tick may have made or closed windows
    if (!r) return;
  }
}

bool save_screenshot(const gui::bitmap& b, const std::string& path) {
  const bool tga = path.size() >= 4 && path.compare(path.size() - 4, 4, ".tga") == 0;
  return tga ? gui::save_tga_file(b, path, true) : gui::save_png_file(b, path);
}

}  // namespace wnd
