// Toolkit events: what the window layer makes of the platform's messages, and
// the input state every handler sees with them.
#pragma once

#include <cstdint>

namespace wnd {
struct window;
}

namespace gui {

enum class event_type : int32_t {
  destroy = 0,
  close = 1,
  create = 2,
  activate = 3,
  redraw = 4,
  resize = 5,
  set_focus = 6,
  kill_focus = 7,
  key_down = 8,
  key_up = 9,
  key_repeat = 10,
  character = 11,
  left_down = 12,
  left_up = 13,
  left_double = 14,
  mid_down = 15,
  mid_up = 16,
  mid_double = 17,
  right_down = 18,
  right_up = 19,
  right_double = 20,
  mouse_move = 21,
  mouse_wheel = 22,
  vertical_scroll = 23,
  horizontal_scroll = 24,
  timer = 25,
};

// "destroy", "create", ... for diagnostics; code 1 and anything outside 0..25
// read "undefined message type".
const char* event_name(int32_t code);

enum class mouse_button : int32_t { left = 0, middle = 1, right = 2 };

// The three codes of a button: down, up, double.
constexpr event_type down_event(mouse_button b) { return event_type(12 + 3 * int32_t(b)); }
constexpr event_type up_event(mouse_button b) { return event_type(13 + 3 * int32_t(b)); }
constexpr event_type double_event(mouse_button b) { return event_type(14 + 3 * int32_t(b)); }

constexpr bool is_button_press(event_type t) {
  const int32_t c = int32_t(t);
  return c >= 12 && c <= 20 && (c - 12) % 3 != 1;
}
constexpr bool is_button_release(event_type t) {
  const int32_t c = int32_t(t);
  return c == 13 || c == 16 || c == 19;
}

// The bytes a window keeps (1 = true). Modifiers follow key down and up of
// Ctrl, Shift and Alt; a button's byte is set by its down and double events
// and cleared by its up; double_click is set with a double event and cleared
// by the next button event.
struct input_state {
  uint8_t ctrl = 0, shift = 0, alt = 0;
  uint8_t left = 0, middle = 0, right = 0;
  uint8_t double_click = 0;

  bool any_button() const { return left || middle || right; }
};

struct event {
  event_type type = event_type::mouse_move;
  int32_t x = 0, y = 0;       // pointer, window pixels
  float wheel = 0.f;          // notches, +1.0 away from the user
  int32_t key = 0;            // key code of key events (see platform/keys.h)
  int32_t character = 0;      // the character of a "character" event
  int32_t detail = 0;         // "activate": 1 activated, 0 deactivated
  input_state input;          // as the window held it when the event was sent
  bool taken = false;         // the pointer has been captured for this event
  wnd::window* source = nullptr;
};

}  // namespace gui
