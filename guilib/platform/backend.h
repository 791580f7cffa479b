// The operations the toolkit needs from a windowing platform. Three
// implementations, one folder each: win32/ (USER32, GDI32, COMDLG32, SHELL32),
// x11/ (Xlib, a child of the host's window) and headless/ (off-screen, events
// injected by tests). Nothing else in the toolkit touches the platform.
//
// Every operation runs on the thread that owns the host's window (the GUI
// thread); events reach the window's callback synchronously, from the
// platform's message handler or from pump().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "guilib/platform/window.h"
#include "guilib/view/rect.h"

namespace wnd {

struct create_params {
  uintptr_t parent = 0;     // the host's window (HWND or X11 window id); 0: top level
  int32_t x = 0, y = 0;     // in the parent's client area, or on the screen for pop-ups
  int32_t width = 0, height = 0;
  bool popup = false;       // an owned pop-up above everything (menus)
  bool layered = false;     // with per-pixel alpha (pop-ups)
  const char* title = "window";
};

class backend {
 public:
  virtual ~backend() = default;
  virtual const char* name() const = 0;
  // A descriptor that becomes readable when events wait (the X11
  // connection), for hosts that run our events from their own loop; -1
  // where there is none.
  virtual int event_fd() const { return -1; }

  // Creates the native window of w and sizes its surface; w must stay where
  // it is until destroy. False when the platform refused.
  virtual bool create(window& w, const create_params& p) = 0;
  virtual void destroy(window& w) = 0;
  // Asks the window to close: it receives a "close" event.
  virtual void close(window& w) { send(w, gui::event_type::close); }
  virtual void show(window& w, bool shown) = 0;
  // Keyboard focus to w (take), or back to where it was before w took it.
  virtual void set_focus(window& w, bool take = true) = 0;
  virtual void resize(window& w, int32_t width, int32_t height) = 0;
  virtual void move(window& w, int32_t x, int32_t y) = 0;

  // One timer per window; every tick is a "timer" event. 0 stops it.
  virtual void set_timer(window& w, uint32_t interval_ms) = 0;
  // Mouse events keep coming while a button is held outside the window.
  virtual void capture_mouse(window& w) = 0;
  virtual void release_mouse(window& w) = 0;
  // Confines the pointer to a screen rectangle; none releases it.
  virtual void clip_cursor(window& w, const gui::rect* screen) = 0;

  virtual gui::point cursor_position() = 0;  // screen pixels
  virtual window* window_from_point(gui::point screen) = 0;  // one of this backend's windows, or none
  virtual gui::point client_to_screen(const window& w, gui::point p) = 0;
  // The screen area pop-ups must stay within (the monitor's work area).
  virtual gui::rect work_area(const window& w) = 0;

  // Asks for a repaint of r: the window gets a "redraw" event (at once, or
  // from the platform's paint message, or at the next pump).
  virtual void invalidate(window& w, const gui::rect& r) = 0;
  // Delivers the pending "redraw" now.
  virtual void update(window& w) = 0;
  // Shows rectangle r of the surface on the screen.
  virtual bool present(window& w, const gui::rect& r) = 0;

  // Pop-up menus as windows of their own (layered, may leave the editor's
  // area) rather than panels drawn inside the editor.
  virtual bool popup_windows() const { return false; }
  // Native file dialogs and message boxes (modal, synchronous). Where there
  // are none the toolkit draws its own (guilib/widgets/dialogs.h).
  virtual bool native_dialogs() const { return false; }
  // Save or open dialog. filter: pairs of display name and patterns, each
  // followed by a tab. path: in the initial path, out the chosen one (UTF-8,
  // up to capacity bytes with the terminator). True when a file was chosen.
  virtual bool file_dialog(window* owner, bool save, const char* title, const char* filter, char* path,
                           size_t capacity) {
    return false;
  }
  // Informational box; with ok_cancel it offers OK and Cancel, true for OK.
  virtual bool message_box(window* owner, const char* caption, const char* text, bool ok_cancel) { return false; }
  // The all-users application data folder, ending with a separator; empty if none.
  virtual std::string app_data_folder() = 0;

  // Handles what the platform has queued for this backend's windows, and
  // their timers and pending repaints. Hosts run the Win32 message loop
  // themselves; X11 and headless windows need this from the editor's idle.
  virtual void pump() {}
};

}  // namespace wnd
