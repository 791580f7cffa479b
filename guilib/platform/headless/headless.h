// wnd::headless: the toolkit without a screen. Windows are surfaces in
// memory; tests inject mouse, wheel and key input, move a virtual clock that
// fires the timers, and save any surface as PNG or TGA. Everything a backend
// is asked to do is recorded, so tests can check it (captures, focus, the
// rectangles presented).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "guilib/platform/backend.h"

namespace wnd {

class headless : public backend {
 public:
  const char* name() const override { return "headless"; }

  bool create(window& w, const create_params& p) override;
  void destroy(window& w) override;
  void show(window& w, bool shown) override;
  void set_focus(window& w, bool take) override;
  void resize(window& w, int32_t width, int32_t height) override;
  void move(window& w, int32_t x, int32_t y) override;
  void set_timer(window& w, uint32_t interval_ms) override;
  void capture_mouse(window& w) override;
  void release_mouse(window& w) override;
  void clip_cursor(window& w, const gui::rect* screen) override;
  gui::point cursor_position() override { return pointer_; }
  window* window_from_point(gui::point screen) override;
  gui::point client_to_screen(const window& w, gui::point p) override;
  gui::rect work_area(const window& w) override { return screen_; }
  void invalidate(window& w, const gui::rect& r) override;
  void update(window& w) override;
  bool present(window& w, const gui::rect& r) override;
  std::string app_data_folder() override { return app_data_; }
  // Pop-up menus as windows of their own, as on Win32 (off by default: in the window, as on X11).
  bool popup_windows() const override { return popup_windows_; }
  void set_popup_windows(bool p) { popup_windows_ = p; }
  size_t window_count() const { return windows_.size(); }
  // Delivers the pending redraws of every window.
  void pump() override;

  // --- what tests inject (client pixels of w) -----------------------------------
  void mouse_down(window& w, gui::mouse_button b, int32_t x, int32_t y, bool double_click = false);
  void mouse_up(window& w, gui::mouse_button b, int32_t x, int32_t y);
  void click(window& w, gui::mouse_button b, int32_t x, int32_t y);
  void mouse_move(window& w, int32_t x, int32_t y);
  // A drag with the button held, in steps moves.
  void drag(window& w, gui::mouse_button b, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int steps = 8);
  void wheel(window& w, float notches, int32_t x, int32_t y);
  // Key down (with the US layout's character) and key up; modifiers are keys too.
  void key_down(window& w, int32_t key, bool repeat = false);
  void key_up(window& w, int32_t key);
  void press_key(window& w, int32_t key);
  // Types UTF-8 text: printable ASCII as the keys that make it, with Shift
  // where needed; other characters as an input method sends them.
  void type(window& w, const std::string& text);
  // Moves the virtual clock, firing every timer that comes due on the way.
  void advance(window& w, uint32_t ms);

  // --- what tests read --------------------------------------------------------------
  bool captured(const window& w) const { return captured_ == &w; }
  bool has_focus(const window& w) const { return focus_ == &w; }
  const gui::rect* clip() const { return clipped_ ? &clip_ : nullptr; }
  const std::vector<gui::rect>& presented() const { return presented_; }
  void clear_presented() { presented_.clear(); }
  bool redraw_pending(const window& w) const;
  gui::point position(const window& w) const;
  void set_screen(gui::rect r) { screen_ = r; }
  void set_app_data_folder(std::string f) { app_data_ = std::move(f); }

 private:
  struct record {
    window* w = nullptr;
    gui::point at;          // screen position of the client area
    bool shown = false;
    bool redraw = false;    // an invalidate is waiting for update/pump
    uint32_t clock_ms = 0;  // virtual time of this window's timer
  };
  record* find(const window& w);
  const record* find(const window& w) const;

  std::vector<record> windows_;
  uintptr_t next_id_ = 1;
  window* captured_ = nullptr;
  window* focus_ = nullptr;
  bool clipped_ = false;
  gui::rect clip_;
  gui::point pointer_;
  gui::rect screen_{0, 0, 1920, 1080};
  std::vector<gui::rect> presented_;
  std::string app_data_;
  bool popup_windows_ = false;
};

// Writes a surface (any bitmap) as PNG or TGA, chosen by the path's extension.
bool save_screenshot(const gui::bitmap& b, const std::string& path);

}  // namespace wnd
