// A DLL holding the GUI toolkit and its Win32 window layer, as vorn.dll will:
// it opens the toolkit's window inside a window of the program that loaded
// it, with a knob, a button, a text field and a drop-down, and answers what
// the test asks about them.
#include <windows.h>

#include <memory>
#include <string>

#include "guilib/archive/gui_archive.h"
#include "guilib/menu/dropbox.h"
#include "guilib/platform/win32/ms32_win32.h"
#include "guilib/view/root_container.h"
#include "guilib/widgets/button.h"
#include "guilib/widgets/edit.h"
#include "guilib/widgets/knob.h"

namespace {

struct probe {
  wnd::ms32 backend;
  wnd::window window;
  std::unique_ptr<gui::root_container> root;
  int clicks = 0, ticks = 0;
  std::string committed;
  gui::function_listener on_click{[this](gui::control&) { ++clicks; }};
};

probe* the_probe = nullptr;

gui::control* named(const char* name) {
  gui::view* v = the_probe ? the_probe->root->find(name) : nullptr;
  return v ? v->as_control() : nullptr;
}

}  // namespace

extern "C" __declspec(dllexport) HWND gui_probe_open(HWND parent) {
  gui::mount_builtin();
  the_probe = new probe;
  probe& p = *the_probe;
  if (!p.backend.create(p.window, {reinterpret_cast<uintptr_t>(parent), 10, 10, 400, 300, false, false, "Vorn GUI"})) return nullptr;
  p.root = std::make_unique<gui::root_container>(gui::rect{0, 0, 400, 300});
  p.root->attach(p.window);
  const gui::ui_style& st = gui::style_for_scale(1.f);
  gui::knob& k = p.root->add<gui::knob>("knob", gui::rect{100, 100, 133, 133}, st);
  k.set_value(0.2f);
  k.set_default(0.9f);
  p.root->add<gui::button>("button", gui::rect{20, 20, 100, 40}, st, "Press").set_listener(&p.on_click);
  gui::edit& e = p.root->add<gui::edit>("edit", gui::rect{20, 60, 200, 80}, st, "Init");
  e.on_commit = [&p](gui::edit& ed) { p.committed = ed.str(); };
  p.root->add<gui::dropbox>("dropbox", gui::rect{220, 20, 320, 36}, st, "[60x14]Low=0,High,New,Old,");
  p.root->on_timer = [&p] { ++p.ticks; };
  p.backend.set_timer(p.window, 20);
  p.backend.show(p.window, true);
  return reinterpret_cast<HWND>(p.window.native);
}

extern "C" __declspec(dllexport) void gui_probe_close() {
  if (!the_probe) return;
  the_probe->root.reset();
  the_probe->backend.destroy(the_probe->window);
  delete the_probe;
  the_probe = nullptr;
}

extern "C" __declspec(dllexport) const char* gui_probe_class_name() { return the_probe->backend.class_name().c_str(); }
extern "C" __declspec(dllexport) float gui_probe_value(const char* name) { return named(name) ? named(name)->value() : -1.f; }
extern "C" __declspec(dllexport) int gui_probe_clicks() { return the_probe->clicks; }
extern "C" __declspec(dllexport) int gui_probe_ticks() { return the_probe->ticks; }
extern "C" __declspec(dllexport) const char* gui_probe_committed() { return the_probe->committed.c_str(); }
extern "C" __declspec(dllexport) uint32_t gui_probe_pixel(int x, int y) { return the_probe->window.surface.pixels.at(x, y); }

// The pop-up window of the open menu (none when closed), and the centre of
// its item i in the editor's client coordinates.
extern "C" __declspec(dllexport) HWND gui_probe_menu_window() {
  auto* d = static_cast<gui::dropbox*>(named("dropbox"));
  if (!d || !d->is_open() || !d->session()->panel_window(0)) return nullptr;
  return reinterpret_cast<HWND>(d->session()->panel_window(0)->native);
}

extern "C" __declspec(dllexport) bool gui_probe_menu_item(int i, int* x, int* y) {
  auto* d = static_cast<gui::dropbox*>(named("dropbox"));
  if (!d || !d->is_open()) return false;
  gui::menu_panel& p = *d->session()->panels()[0];
  const gui::point c = p.item_rect(size_t(i)).centre(), o = d->session()->panel_offset(0);
  *x = c.x - o.x;
  *y = c.y - o.y;
  return true;
}
