// wnd::x11: the window layer on X11 (Xlib). The editor's window is a child of
// the window the host hands over; it has a display connection of its own, so
// it never touches the host's toolkit, and its events are handled by pump(),
// which the editor calls from the host's idle calls (see idle_pump.h).
//
// The surface reaches the screen with XShmPutImage where the server offers
// the shared-memory extension (a local server), else with XPutImage, one
// dirty rectangle at a time. Pointer capture is an active pointer grab;
// clipping the cursor confines the pointer to an input-only window over the
// rectangle. Key codes come from the unshifted keysym of the key; typed
// characters from the input method (Xutf8LookupString, so layouts, compose
// and dead keys work), or from the keysym when no input method opens.
// Modifier state also comes with every pointer event,
// since a plug-in window rarely has the keyboard focus.
//
// Pop-up menus, file dialogs and message boxes are drawn inside the window by
// the toolkit (popup_windows() and native_dialogs() are false).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "guilib/platform/backend.h"

namespace wnd {

class x11 : public backend {
 public:
  x11();
  ~x11() override;
  x11(const x11&) = delete;
  x11& operator=(const x11&) = delete;

  // Connects to the display (the name, or $DISPLAY). False when there is none.
  bool open_display(const char* name = nullptr);
  bool connected() const;
  // The connection's file descriptor, for programs that wait on it (the demo).
  int connection_fd() const;
  int event_fd() const override { return connection_fd(); }
  // Whether presents go through shared memory.
  bool shared_memory() const;

  const char* name() const override { return "x11"; }
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
  gui::point cursor_position() override;
  window* window_from_point(gui::point screen) override;
  gui::point client_to_screen(const window& w, gui::point p) override;
  gui::rect work_area(const window& w) override;
  void invalidate(window& w, const gui::rect& r) override;
  void update(window& w) override;
  bool present(window& w, const gui::rect& r) override;
  std::string app_data_folder() override;
  void pump() override;

  // The GUI scale the desktop asks for: Xft.dpi / 96, or 1 when unset.
  float desktop_scale() const;

 private:
  struct impl;
  std::unique_ptr<impl> d_;
};

}  // namespace wnd
