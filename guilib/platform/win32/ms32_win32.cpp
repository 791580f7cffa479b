#include "guilib/platform/win32/ms32_win32.h"

#include <windows.h>
#include <windowsx.h>

#include <cstdio>
#include <vector>

#include "guilib/platform/keys.h"
#include "guilib/platform/win32/gdi_win32.h"
#include "platform/known_folders.h"
#include "platform/last_resort.h"
#include "platform/module_handle_win32.h"
#include "platform/utf16_win32.h"

namespace wnd {

namespace {

struct ms32_window {
  gfx::gdi gdi;
  bool tracking_leave = false;  // TrackMouseEvent asked for WM_MOUSELEAVE
  wchar_t high_surrogate = 0;   // first half of a character WM_CHAR sends in two
};


ms32_window& of(window& w) { return *static_cast<ms32_window*>(w.backend_data); }
HWND hwnd_of(const window& w) { return reinterpret_cast<HWND>(w.native); }

// WM_CHAR brings UTF-16 units (the class is a Unicode one): a character
// beyond the BMP comes as two messages, joined here; an unpaired half is dropped.
void char_unit(window& w, wchar_t unit) {
  wchar_t& high = of(w).high_surrogate;
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    high = unit;
    return;
  }
  if (unit >= 0xDC00 && unit <= 0xDFFF) {
    if (high) char_message(w, 0x10000 + ((char32_t(high) - 0xD800) << 10) + (char32_t(unit) - 0xDC00));
    high = 0;
    return;
  }
  high = 0;
  char_message(w, char32_t(unit));
}

// Every live window of this module, for window_from_point.
std::vector<window*>& live_windows() {
  static std::vector<window*> all;
  return all;
}

// The mouse messages carry Shift and Ctrl; Alt is asked for. A plug-in
// window seldom has the keyboard, so key messages alone would miss them.
void modifiers(window& w, WPARAM wp) {
  w.input.shift = (wp & MK_SHIFT) != 0;
  w.input.ctrl = (wp & MK_CONTROL) != 0;
  w.input.alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
}

void mouse_button_message(window& w, gui::mouse_button b, button_action a, WPARAM wp, LPARAM lp) {
  modifiers(w, wp);
  button_message(w, b, a, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
}

LRESULT handle_message(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    auto* w = static_cast<window*>(cs->lpCreateParams);
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
    w->native = reinterpret_cast<uintptr_t>(h);
  }
  auto* w = reinterpret_cast<window*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  if (!w || !w->backend_data) return DefWindowProcW(h, msg, wp, lp);
  auto* be = static_cast<ms32*>(w->owner);
  using gui::mouse_button;
  switch (msg) {
    case WM_CREATE:
      send(*w, gui::event_type::create);
      return 0;
    case WM_DESTROY:
      send(*w, gui::event_type::destroy);
      return 0;
    case WM_CLOSE:
      send(*w, gui::event_type::close);
      return 0;
    case WM_ACTIVATE:
      activate_message(*w, LOWORD(wp) != WA_INACTIVE);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the surface covers everything
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(h, &ps);
      send(*w, gui::event_type::redraw);
      // What the platform uncovered, from the surface as it stands.
      if (!w->layered)
        gfx::present_gdi(h, of(*w).gdi, w->surface, {ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom});
      EndPaint(h, &ps);
      return 0;
    }
    case WM_SIZE:
      resize_message(*w, LOWORD(lp), HIWORD(lp));
      return 0;
    case WM_SETFOCUS:
      focus_message(*w, true);
      return 0;
    case WM_KILLFOCUS:
      focus_message(*w, false);
      return 0;
    case WM_LBUTTONDOWN: mouse_button_message(*w, mouse_button::left, button_action::down, wp, lp); return 0;
    case WM_LBUTTONUP: mouse_button_message(*w, mouse_button::left, button_action::up, wp, lp); return 0;
    case WM_LBUTTONDBLCLK: mouse_button_message(*w, mouse_button::left, button_action::double_click, wp, lp); return 0;
    case WM_MBUTTONDOWN: mouse_button_message(*w, mouse_button::middle, button_action::down, wp, lp); return 0;
    case WM_MBUTTONUP: mouse_button_message(*w, mouse_button::middle, button_action::up, wp, lp); return 0;
    case WM_MBUTTONDBLCLK: mouse_button_message(*w, mouse_button::middle, button_action::double_click, wp, lp); return 0;
    case WM_RBUTTONDOWN: mouse_button_message(*w, mouse_button::right, button_action::down, wp, lp); return 0;
    case WM_RBUTTONUP: mouse_button_message(*w, mouse_button::right, button_action::up, wp, lp); return 0;
    case WM_RBUTTONDBLCLK: mouse_button_message(*w, mouse_button::right, button_action::double_click, wp, lp); return 0;
    case WM_MOUSEMOVE:
      if (!of(*w).tracking_leave) {
        TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, h, 0};
        of(*w).tracking_leave = TrackMouseEvent(&t) != 0;
      }
      modifiers(*w, wp);
      move_message(*w, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      return 0;
    case WM_MOUSELEAVE:
      of(*w).tracking_leave = false;
      move_message(*w, -1, -1);  // hover looks end
      return 0;
    case WM_MOUSEWHEEL: {
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};  // screen coordinates
      ScreenToClient(h, &p);
      const WORD keys = GET_KEYSTATE_WPARAM(wp);
      wheel_message(*w, GET_WHEEL_DELTA_WPARAM(wp), p.x, p.y, keys & MK_CONTROL, keys & MK_SHIFT);
      return 0;
    }
    case WM_TIMER:
      if (wp == reinterpret_cast<WPARAM>(w)) send(*w, gui::event_type::timer);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      // The characters follow as WM_CHAR, made by the layout (dead keys,
      // AltGr and input methods included), so none is sent from the key.
      key_message(*w, int32_t(wp), true, (lp & (1 << 30)) != 0, 0);
      return 0;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
      key_message(*w, int32_t(wp), false, false, 0);
      return 0;
    case WM_CHAR:
      char_unit(*w, wchar_t(wp));
      return 0;
    case WM_SYSCHAR:
      return 0;  // Alt with a key is a shortcut, not text
    case WM_CAPTURECHANGED:
      // Taken away (another window, the system), not given back by us: a
      // menu that held the pointer closes as on deactivation.
      if (reinterpret_cast<HWND>(lp) != h && !be->releasing()) activate_message(*w, false);
      return 0;
    case WM_MOUSEACTIVATE:
      if (w->layered) return MA_NOACTIVATE;  // a pop-up never takes the focus from the editor
      break;
    default:
      break;
  }
  return DefWindowProcW(h, msg, wp, lp);
}

// The editor's events on Windows arrive from the host's message loop, not
// from a call of ours: a fault while handling one ends that message (result
// 0) rather than the host (see last_resort.h).
LRESULT CALLBACK window_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  return platform::last_resort("editor's window procedure", LRESULT(0), [&] { return handle_message(h, msg, wp, lp); });
}

}  // namespace

void report_platform_error(unsigned long code, const char* caption) {
  char* text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 DWORD(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  MessageBoxA(nullptr, text ? text : "unknown error", caption, MB_OK | MB_ICONERROR);
  if (text) LocalFree(text);
}

ms32::ms32() { register_class(); }

ms32::~ms32() = default;

bool ms32::register_class() {
  const HMODULE module = platform::own_module();
  char name[64];
  std::snprintf(name, sizeof name, "kv::wnd::ms32%p", static_cast<void*>(module));
  std::wstring wide_name;
  platform::to_utf16(name, wide_name);
  // A Unicode class: WM_CHAR then brings UTF-16, whatever the ANSI code page.
  WNDCLASSEXW wc{};
  if (GetClassInfoExW(module, wide_name.c_str(), &wc)) {
    class_name_ = name;
    return true;
  }
  const HCURSOR arrow = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  if (!arrow) {
    report_platform_error(GetLastError(), "wnd::ms32");
    return false;
  }
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS | CS_GLOBALCLASS | CS_DROPSHADOW;
  wc.lpfnWndProc = window_proc;
  wc.hInstance = module;
  wc.hCursor = arrow;
  // Icons of the module's first icon resource, for windows that show one.
  wc.hIcon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0));
  wc.hIconSm = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, 0));
  wc.lpszClassName = wide_name.c_str();
  if (!RegisterClassExW(&wc)) {
    wc.style &= ~UINT(CS_DROPSHADOW);  // systems without drop shadows refuse the style
    if (!RegisterClassExW(&wc)) return false;
  }
  class_name_ = name;
  return true;
}

bool ms32::create(window& w, const create_params& p) {
  if (class_name_.empty() && !register_class()) return false;
  const HWND parent = reinterpret_cast<HWND>(p.parent);
  DWORD style, ex = 0;
  HWND owner = parent;
  int x = p.x, y = p.y, width = p.width, height = p.height;
  if (p.popup) {
    // Owned by the editor's top-level window, above everything, never active.
    style = WS_POPUP;
    ex = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE | (p.layered ? WS_EX_LAYERED : 0);
    owner = parent ? GetAncestor(parent, GA_ROOT) : nullptr;
  } else if (parent) {
    style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  } else {
    style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    RECT r{0, 0, p.width, p.height};
    AdjustWindowRectEx(&r, style, FALSE, ex);
    width = r.right - r.left;
    height = r.bottom - r.top;
    x = y = int(CW_USEDEFAULT);
  }
  auto* data = new ms32_window;
  w.owner = this;
  w.backend_data = data;
  w.layered = p.popup && p.layered;
  w.module = platform::own_module();
  w.width = int16_t(p.width);
  w.height = int16_t(p.height);
  gfx::resize(w.surface, p.width, p.height);
  std::wstring wide_class, title;
  platform::to_utf16(class_name_, wide_class);
  if (!platform::to_utf16(p.title ? p.title : "window", title)) title = L"window";
  const HWND h = CreateWindowExW(ex, wide_class.c_str(), title.c_str(), style, x, y, width, height, owner, nullptr,
                                 platform::own_module(), &w);
  if (!h) {
    delete data;
    w.backend_data = nullptr;
    w.owner = nullptr;
    return false;
  }
  live_windows().push_back(&w);
  return true;
}

void ms32::destroy(window& w) {
  if (!w.backend_data) return;
  const HWND h = hwnd_of(w);
  if (w.timer_id) KillTimer(h, w.timer_id);
  if (GetCapture() == h) release_mouse(w);
  DestroyWindow(h);
  gfx::free_gdi(of(w).gdi);
  delete &of(w);
  std::erase(live_windows(), &w);
  w.backend_data = nullptr;
  w.native = 0;
  w.owner = nullptr;
}

void ms32::show(window& w, bool shown) {
  if (!w.backend_data) return;
  ShowWindow(hwnd_of(w), shown ? (w.layered ? SW_SHOWNOACTIVATE : SW_SHOW) : SW_HIDE);
}

void ms32::set_focus(window& w, bool take) {
  if (!w.backend_data) return;
  const HWND h = hwnd_of(w);
  if (take) {
    SetFocus(h);
  } else if (GetFocus() == h && GetParent(h)) {
    SetFocus(GetParent(h));  // back to the host, for its shortcuts
  }
}

void ms32::resize(window& w, int32_t width, int32_t height) {
  if (!w.backend_data) return;
  SetWindowPos(hwnd_of(w), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ms32::move(window& w, int32_t x, int32_t y) {
  if (!w.backend_data) return;
  SetWindowPos(hwnd_of(w), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ms32::set_timer(window& w, uint32_t interval_ms) {
  if (!w.backend_data) return;
  // One timer per window; its id is the window record's address.
  const UINT_PTR id = reinterpret_cast<UINT_PTR>(&w);
  if (interval_ms == 0) {
    KillTimer(hwnd_of(w), id);
    w.timer_id = 0;
  } else {
    w.timer_id = SetTimer(hwnd_of(w), id, interval_ms, nullptr) ? id : 0;
  }
  w.timer_ms = interval_ms;
}

void ms32::capture_mouse(window& w) {
  if (w.backend_data) SetCapture(hwnd_of(w));
}

void ms32::release_mouse(window& w) {
  if (!w.backend_data || GetCapture() != hwnd_of(w)) return;
  releasing_ = true;
  ReleaseCapture();
  releasing_ = false;
}

void ms32::clip_cursor(window&, const gui::rect* screen) {
  if (!screen) {
    ClipCursor(nullptr);
    return;
  }
  const RECT r{screen->x1, screen->y1, screen->x2, screen->y2};
  ClipCursor(&r);
}

gui::point ms32::cursor_position() {
  POINT p{};
  GetCursorPos(&p);
  return {p.x, p.y};
}

window* ms32::window_from_point(gui::point s) {
  const HWND h = WindowFromPoint(POINT{s.x, s.y});
  for (window* w : live_windows())
    if (hwnd_of(*w) == h) return w;
  return nullptr;
}

gui::point ms32::client_to_screen(const window& w, gui::point p) {
  POINT q{p.x, p.y};
  if (w.backend_data) ClientToScreen(hwnd_of(w), &q);
  return {q.x, q.y};
}

gui::rect ms32::work_area(const window& w) {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  const HMONITOR m = MonitorFromWindow(w.backend_data ? hwnd_of(w) : nullptr, MONITOR_DEFAULTTONEAREST);
  if (!GetMonitorInfoA(m, &mi)) return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return {mi.rcWork.left, mi.rcWork.top, mi.rcWork.right, mi.rcWork.bottom};
}

void ms32::invalidate(window& w, const gui::rect& r) {
  if (!w.backend_data) return;
  if (w.layered) return;  // layered windows get no paint messages: their owner redraws them
  const RECT rr{r.x1, r.y1, r.x2, r.y2};
  InvalidateRect(hwnd_of(w), &rr, FALSE);
}

void ms32::update(window& w) {
  if (!w.backend_data) return;
  if (w.layered) {
    send(w, gui::event_type::redraw);
  } else {
    UpdateWindow(hwnd_of(w));
  }
}

bool ms32::present(window& w, const gui::rect& r) {
  if (!w.backend_data) return false;
  if (w.layered) return gfx::present_layered(hwnd_of(w), of(w).gdi, w.surface);
  return gfx::present_gdi(hwnd_of(w), of(w).gdi, w.surface, r);
}

std::string ms32::app_data_folder() { return platform::shared_data_folder(); }

}  // namespace wnd
