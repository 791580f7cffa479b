#include "guilib/platform/window.h"

#include <cstdlib>

#include "guilib/platform/keys.h"

namespace wnd {

bool click_counter::is_double(uint32_t t, int32_t b, int32_t px, int32_t py) {
  // A third press after a double-click starts a new pair, as on Win32.
  const bool dbl = !last_was_double && b == button && t - time_ms <= double_click_ms &&
                   std::abs(px - x) <= double_click_slop && std::abs(py - y) <= double_click_slop;
  time_ms = t;
  button = b;
  x = px;
  y = py;
  last_was_double = dbl;
  return dbl;
}

void send(window& w, gui::event_type t, int32_t x, int32_t y) {
  if (!w.callback) return;
  gui::event e;
  e.type = t;
  e.x = x;
  e.y = y;
  e.input = w.input;
  e.key = w.last_key;
  e.character = w.last_character;
  e.source = &w;
  w.callback(e);
}

void button_message(window& w, gui::mouse_button b, button_action a, int32_t x, int32_t y) {
  uint8_t& held = b == gui::mouse_button::left ? w.input.left : b == gui::mouse_button::middle ? w.input.middle : w.input.right;
  held = a == button_action::up ? 0 : 1;
  w.input.double_click = a == button_action::double_click ? 1 : 0;
  const gui::event_type t = a == button_action::down ? gui::down_event(b)
                            : a == button_action::up ? gui::up_event(b)
                                                     : gui::double_event(b);
  send(w, t, x, y);
}

void press_message(window& w, gui::mouse_button b, uint32_t time_ms, int32_t x, int32_t y) {
  const bool dbl = w.clicks.is_double(time_ms, int32_t(b), x, y);
  button_message(w, b, dbl ? button_action::double_click : button_action::down, x, y);
}

void move_message(window& w, int32_t x, int32_t y) { send(w, gui::event_type::mouse_move, x, y); }

void wheel_message(window& w, int32_t delta120, int32_t x, int32_t y, bool ctrl, bool shift) {
  w.input.ctrl = ctrl;
  w.input.shift = shift;
  if (!w.callback) return;
  gui::event e;
  e.type = gui::event_type::mouse_wheel;
  e.x = x;
  e.y = y;
  e.wheel = float(int16_t(delta120)) * (1.f / 120.f);
  e.input = w.input;
  e.source = &w;
  w.callback(e);
}

void key_message(window& w, int32_t k, bool down, bool repeat, int32_t unshifted) {
  const uint8_t held = down ? 1 : 0;
  if (k == key::shift) w.input.shift = held;
  if (k == key::ctrl) w.input.ctrl = held;
  if (k == key::alt) w.input.alt = held;
  if (!down) {
    if (!w.callback) return;
    gui::event e;
    e.type = gui::event_type::key_up;
    e.key = k;  // the key released, which need not be the last one pressed
    e.input = w.input;
    e.source = &w;
    w.callback(e);
    return;
  }
  w.last_key = k;
  send(w, repeat ? gui::event_type::key_repeat : gui::event_type::key_down);
  const int32_t c = key::character_for(unshifted, w.input.shift);
  if (c == 0) return;
  w.last_character = c;
  send(w, gui::event_type::character);
}

void char_message(window& w, char32_t c) {
  if (c < 32 || (c >= 127 && c < 0xA0) || c > 0x10FFFF) return;
  w.last_character = int32_t(c);
  send(w, gui::event_type::character);
}

void resize_message(window& w, int32_t width, int32_t height) {
  w.width = int16_t(width);
  w.height = int16_t(height);
  gfx::resize(w.surface, w.width, w.height);
  send(w, gui::event_type::resize);
}

void activate_message(window& w, bool active) {
  if (!w.callback) return;
  gui::event e;
  e.type = gui::event_type::activate;
  e.detail = active ? 1 : 0;
  e.input = w.input;
  e.source = &w;
  w.callback(e);
}

void focus_message(window& w, bool gained) {
  if (!gained) w.input = {};
  send(w, gained ? gui::event_type::set_focus : gui::event_type::kill_focus);
}

}  // namespace wnd
