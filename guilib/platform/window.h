// wnd: the window record and the translation of platform messages into
// toolkit events, shared by every backend. A backend (backend.h) owns the
// native window; it calls the *_message functions below with what the
// platform reported, and they keep the input state, make the event and hand it
// to the window's callback (its root container).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "guilib/platform/surface.h"
#include "guilib/view/event.h"
#include "guilib/view/rect.h"

namespace wnd {

class backend;

// Presses of one button closer together than this, and within a few pixels,
// make a double-click where the platform does not say so itself.
constexpr uint32_t double_click_ms = 400;
constexpr int32_t double_click_slop = 4;

struct click_counter {
  uint32_t time_ms = 0;
  int32_t button = -1;
  int32_t x = 0, y = 0;
  bool last_was_double = false;

  // True when a press at time t of button b at (x, y) completes a double-click.
  bool is_double(uint32_t t, int32_t b, int32_t px, int32_t py);
};

struct window {
  std::string name = "window";
  backend* owner = nullptr;     // the backend that made it
  uintptr_t native = 0;         // HWND, X11 window id, or a headless number
  void* module = nullptr;       // the module instance that registered the class
  int16_t width = 0, height = 0;  // client size
  gui::input_state input;
  int32_t last_key = 0;         // code of the last key down
  int32_t last_character = 0;   // the last character sent
  uintptr_t timer_id = 0;       // nonzero while a timer runs
  uint32_t timer_ms = 0;
  bool layered = false;         // a pop-up with per-pixel alpha
  gfx::surface surface;
  click_counter clicks;
  void* backend_data = nullptr;  // the backend's own record
  // Receives every event; the root container installs itself here.
  std::function<void(gui::event&)> callback;
};

// Sends an event of type t with the window's input state and pointer (x, y).
void send(window& w, gui::event_type t, int32_t x = 0, int32_t y = 0);

enum class button_action { down, up, double_click };

void button_message(window& w, gui::mouse_button b, button_action a, int32_t x, int32_t y);
// A press, turned into a double-click by the window's click counter when it
// follows the last one closely (for platforms that report presses only).
void press_message(window& w, gui::mouse_button b, uint32_t time_ms, int32_t x, int32_t y);
void move_message(window& w, int32_t x, int32_t y);
// delta120: the platform's wheel amount, 120 per notch away from the user.
void wheel_message(window& w, int32_t delta120, int32_t x, int32_t y, bool ctrl, bool shift);
// A key went down (repeat: it was down already) or up. unshifted is the
// platform's unshifted character of the key (key::us_unshifted_character
// where the platform has none); a key down sends a "character" after it.
void key_message(window& w, int32_t key, bool down, bool repeat, int32_t unshifted);
// A character the platform's input method or layout made (a Unicode code
// point), for platforms that translate keys themselves: they pass unshifted
// 0 to key_message and send each character here. Control characters are not sent.
void char_message(window& w, char32_t c);
void resize_message(window& w, int32_t width, int32_t height);
void activate_message(window& w, bool active);
// Focus loss: modifiers and buttons are no longer known to be held.
void focus_message(window& w, bool gained);

}  // namespace wnd
