// wnd::ms32 and gfx::gdi: the window layer on Win32 (USER32, GDI32, COMDLG32,
// SHELL32). The editor's window is a child of the host's; pop-up menus are
// layered windows of their own with per-pixel alpha; file dialogs and message
// boxes are the system's. The host runs the message loop: events arrive
// through the window procedure, so pump() has nothing to do.
//
// The window class is registered once per loaded module under the name
// "kv::wnd::ms32" followed by the module's address, so that two copies of the
// library in one host never share a window procedure.
#pragma once

#include <cstdint>
#include <string>

#include "guilib/platform/backend.h"

namespace wnd {

class ms32 : public backend {
 public:
  ms32();
  ~ms32() override;
  ms32(const ms32&) = delete;
  ms32& operator=(const ms32&) = delete;

  const char* name() const override { return "wnd::ms32"; }
  // The registered class name of this module's windows; empty when registration failed.
  const std::string& class_name() const { return class_name_; }

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
  bool popup_windows() const override { return true; }
  bool native_dialogs() const override { return true; }
  bool file_dialog(window* owner, bool save, const char* title, const char* filter, char* path, size_t capacity) override;
  bool message_box(window* owner, const char* caption, const char* text, bool ok_cancel) override;
  std::string app_data_folder() override;

  // True while release_mouse gives the capture back (the window procedure
  // tells that from the capture being taken away).
  bool releasing() const { return releasing_; }

 private:
  bool register_class();

  std::string class_name_;
  bool releasing_ = false;
};

// Shows the platform's text for error code (GetLastError) in a message box
// captioned with the layer's name.
void report_platform_error(unsigned long code, const char* caption);

}  // namespace wnd
