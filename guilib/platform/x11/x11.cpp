#include "guilib/platform/x11/x11.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/keysym.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <set>

#include "guilib/platform/keys.h"
#include "platform/utf8.h"

namespace wnd {

namespace {

uint32_t now_ms() {
  using namespace std::chrono;
  return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// X keysyms of the keys that have a Win32 code of their own.
int32_t key_code_of(KeySym s) {
  if (s >= XK_a && s <= XK_z) return int32_t(s - XK_a) + key::letter_a;
  if (s >= XK_A && s <= XK_Z) return int32_t(s - XK_A) + key::letter_a;
  if (s >= XK_0 && s <= XK_9) return int32_t(s - XK_0) + key::digit_0;
  if (s >= XK_F1 && s <= XK_F24) return int32_t(s - XK_F1) + key::f1;
  switch (s) {
    case XK_BackSpace: return key::backspace;
    case XK_Tab: case XK_ISO_Left_Tab: return key::tab;
    case XK_Return: case XK_KP_Enter: return key::enter;
    case XK_Shift_L: case XK_Shift_R: return key::shift;
    case XK_Control_L: case XK_Control_R: return key::ctrl;
    case XK_Alt_L: case XK_Alt_R: case XK_Meta_L: case XK_Meta_R: return key::alt;
    case XK_Escape: return key::escape;
    case XK_space: return key::space;
    case XK_Prior: case XK_KP_Prior: return key::page_up;
    case XK_Next: case XK_KP_Next: return key::page_down;
    case XK_End: case XK_KP_End: return key::end;
    case XK_Home: case XK_KP_Home: return key::home;
    case XK_Left: case XK_KP_Left: return key::left;
    case XK_Up: case XK_KP_Up: return key::up;
    case XK_Right: case XK_KP_Right: return key::right;
    case XK_Down: case XK_KP_Down: return key::down;
    case XK_Insert: case XK_KP_Insert: return key::insert;
    case XK_Delete: case XK_KP_Delete: return key::del;
    case XK_semicolon: return key::semicolon;
    case XK_equal: return key::equals;
    case XK_comma: return key::comma;
    case XK_minus: return key::minus;
    case XK_period: return key::period;
    case XK_slash: return key::slash;
    case XK_grave: return key::grave;
    case XK_bracketleft: return key::bracket_left;
    case XK_backslash: return key::backslash;
    case XK_bracketright: return key::bracket_right;
    case XK_apostrophe: return key::apostrophe;
    default: return 0;
  }
}

// The platform's unshifted character of a key: the Latin-1 keysym at index 0.
int32_t unshifted_of(KeySym s) { return s >= 0x20 && s <= 0x7E ? int32_t(s) : 0; }

// The character of a keysym without an input method: Latin-1 keysyms are
// their code, Unicode keysyms carry it in the low 24 bits; 0 for the rest.
char32_t keysym_character(KeySym s) {
  if ((s >= 0x20 && s <= 0x7E) || (s >= 0xA0 && s <= 0xFF)) return char32_t(s);
  if ((s & 0xFF000000) == 0x01000000) return char32_t(s & 0xFFFFFF);
  return 0;
}

// The text a key press types, UTF-8: through the input method (layouts,
// compose and dead keys) when one opened, else from the keysym.
std::string typed_text(XIC ic, XKeyEvent& ev) {
  char buf[64];
  KeySym sym = 0;
  if (ic) {
    Status st = 0;
    int n = Xutf8LookupString(ic, &ev, buf, int(sizeof buf), &sym, &st);
    if (st == XBufferOverflow && n > 0) {
      std::string big(size_t(n), '\0');
      n = Xutf8LookupString(ic, &ev, big.data(), n, &sym, &st);
      return (st == XLookupChars || st == XLookupBoth) && n > 0 ? big.substr(0, size_t(n)) : std::string();
    }
    return (st == XLookupChars || st == XLookupBoth) && n > 0 ? std::string(buf, size_t(n)) : std::string();
  }
  XLookupString(&ev, buf, int(sizeof buf), &sym, nullptr);
  std::string out;
  if (const char32_t c = keysym_character(sym)) platform::append_utf8(out, c);
  return out;
}

// Errors of one request, caught instead of reported: the shared-memory
// attach fails on a remote server. The handler is the process's, so it is
// installed only around the request and the previous one put back.
int caught_errors = 0;
int catch_error(Display*, XErrorEvent*) {
  ++caught_errors;
  return 0;
}

}  // namespace

struct x11_window {
  Window id = 0;
  Window confine = 0;           // input-only window of a clipped cursor
  GC gc = nullptr;
  XIC ic = nullptr;             // input context, when the input method opened
  XShmSegmentInfo shm{};
  XImage* shm_image = nullptr;  // the shared-memory image, sized to the window
  bool grabbed = false;
  bool redraw = false;
  bool top_level = false;
  uint32_t timer_due = 0;
  std::vector<gui::rect> exposed;
  std::set<unsigned> keys_down;  // keycodes held, to tell repeats
};

// A window still there to draw into: not destroyed by us, nor with the host's.
bool live(const window& w) { return w.backend_data && static_cast<x11_window*>(w.backend_data)->id != 0; }

struct x11::impl {
  Display* display = nullptr;
  int screen = 0;
  Visual* visual = nullptr;
  int depth = 0;
  bool use_shm = false;
  Atom wm_delete = 0, wm_protocols = 0;
  XIM im = nullptr;  // the input method; none leaves keys to their keysyms
  std::vector<window*> windows;
  Window focus_before = 0;
  int focus_revert = RevertToParent;

  x11_window& of(window& w) { return *static_cast<x11_window*>(w.backend_data); }
  window* find(Window id) {
    for (window* w : windows)
      if (w->backend_data && static_cast<x11_window*>(w->backend_data)->id == id) return w;
    return nullptr;
  }
  void free_shm(x11_window& xw);
  bool make_shm(window& w);
  void handle(XEvent& ev);
  void modifiers(window& w, unsigned state) {
    w.input.shift = (state & ShiftMask) != 0;
    w.input.ctrl = (state & ControlMask) != 0;
    w.input.alt = (state & Mod1Mask) != 0;
  }
};

x11::x11() : d_(std::make_unique<impl>()) {}

x11::~x11() {
  if (d_->im) XCloseIM(d_->im);
  if (d_->display) XCloseDisplay(d_->display);
}

bool x11::open_display(const char* name) {
  if (d_->display) return true;
  d_->display = XOpenDisplay(name);
  if (!d_->display) return false;
  Display* dpy = d_->display;
  d_->screen = DefaultScreen(dpy);
  d_->visual = DefaultVisual(dpy, d_->screen);
  d_->depth = DefaultDepth(dpy, d_->screen);
  // Key repeats without the fake releases between them, so a held key reads
  // as one press and its repeats.
  Bool supported = False;
  XkbSetDetectableAutoRepeat(dpy, True, &supported);
  d_->wm_delete = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
  d_->wm_protocols = XInternAtom(dpy, "WM_PROTOCOLS", False);
  // Typed text through the input method of the host's locale and modifiers
  // (a plug-in leaves both alone); without one, keysyms give the characters.
  d_->im = XOpenIM(dpy, nullptr, nullptr, nullptr);
  // Shared memory needs a 32-bit TrueColor visual and a server on this machine.
  const bool truecolor = d_->visual->c_class == TrueColor && (d_->depth == 24 || d_->depth == 32);
  d_->use_shm = truecolor && XShmQueryExtension(dpy) && !std::getenv("VORN_X11_NO_SHM");
  return true;
}

bool x11::connected() const { return d_->display != nullptr; }
int x11::connection_fd() const { return d_->display ? ConnectionNumber(d_->display) : -1; }
bool x11::shared_memory() const { return d_->use_shm; }

void x11::impl::free_shm(x11_window& xw) {
  if (!xw.shm_image) return;
  XShmDetach(display, &xw.shm);
  XSync(display, False);
  xw.shm_image->data = nullptr;
  XDestroyImage(xw.shm_image);
  shmdt(xw.shm.shmaddr);
  xw.shm_image = nullptr;
}

bool x11::impl::make_shm(window& w) {
  x11_window& xw = of(w);
  free_shm(xw);
  if (!use_shm || w.width <= 0 || w.height <= 0) return false;
  XImage* img = XShmCreateImage(display, visual, unsigned(depth), ZPixmap, nullptr, &xw.shm, unsigned(w.width),
                                unsigned(w.height));
  if (!img) return use_shm = false;
  xw.shm.shmid = shmget(IPC_PRIVATE, size_t(img->bytes_per_line) * size_t(img->height), IPC_CREAT | 0600);
  if (xw.shm.shmid < 0) {
    XDestroyImage(img);
    return use_shm = false;
  }
  xw.shm.shmaddr = img->data = static_cast<char*>(shmat(xw.shm.shmid, nullptr, 0));
  xw.shm.readOnly = False;
  caught_errors = 0;
  auto* old = XSetErrorHandler(catch_error);
  XShmAttach(display, &xw.shm);
  XSync(display, False);
  XSetErrorHandler(old);
  shmctl(xw.shm.shmid, IPC_RMID, nullptr);  // freed once both sides detach
  if (caught_errors) {
    shmdt(xw.shm.shmaddr);
    img->data = nullptr;
    XDestroyImage(img);
    return use_shm = false;
  }
  xw.shm_image = img;
  return true;
}

bool x11::create(window& w, const create_params& p) {
  if (!open_display()) return false;
  Display* dpy = d_->display;
  const bool top = p.parent == 0;
  const Window parent = top ? RootWindow(dpy, d_->screen) : Window(p.parent);
  XSetWindowAttributes a{};
  a.background_pixel = 0x16181D;  // the window colour until the first paint
  a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                 KeyReleaseMask | StructureNotifyMask | FocusChangeMask | LeaveWindowMask;
  a.override_redirect = p.popup ? True : False;
  const Window id = XCreateWindow(dpy, parent, p.x, p.y, unsigned(std::max(p.width, 1)), unsigned(std::max(p.height, 1)), 0,
                                  CopyFromParent, InputOutput, CopyFromParent,
                                  CWBackPixel | CWEventMask | CWOverrideRedirect, &a);
  if (!id) return false;
  auto* xw = new x11_window;
  xw->id = id;
  xw->top_level = top;
  xw->gc = XCreateGC(dpy, id, 0, nullptr);
  if (d_->im) {
    xw->ic = XCreateIC(d_->im, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, id, XNFocusWindow,
                       id, nullptr);
    long filter = 0;  // events the input method needs as well as ours
    if (xw->ic && !XGetICValues(xw->ic, XNFilterEvents, &filter, nullptr) && filter)
      XSelectInput(dpy, id, a.event_mask | filter);
  }
  w.owner = this;
  w.native = id;
  w.backend_data = xw;
  w.layered = false;
  w.width = int16_t(p.width);
  w.height = int16_t(p.height);
  gfx::resize(w.surface, p.width, p.height);
  d_->windows.push_back(&w);
  if (top) {
    XStoreName(dpy, id, p.title ? p.title : "window");
    XSetWMProtocols(dpy, id, &d_->wm_delete, 1);
    XSizeHints* hints = XAllocSizeHints();
    hints->flags = PMinSize | PMaxSize;
    hints->min_width = hints->max_width = p.width;
    hints->min_height = hints->max_height = p.height;
    XSetWMNormalHints(dpy, id, hints);
    XFree(hints);
  }
  d_->make_shm(w);
  send(w, gui::event_type::create);
  return true;
}

void x11::destroy(window& w) {
  if (!w.backend_data) return;
  send(w, gui::event_type::destroy);
  x11_window& xw = d_->of(w);
  Display* dpy = d_->display;
  if (xw.grabbed) XUngrabPointer(dpy, CurrentTime);
  if (xw.confine) XDestroyWindow(dpy, xw.confine);
  d_->free_shm(xw);
  XFreeGC(dpy, xw.gc);
  // The host may have destroyed its window, and ours with it, before closing
  // the editor: Xlib's default handler would end the host's process over the
  // BadWindow, so errors of this request are caught.
  caught_errors = 0;
  auto* old = XSetErrorHandler(catch_error);
  if (xw.ic) XDestroyIC(xw.ic);
  if (xw.id) XDestroyWindow(dpy, xw.id);
  XSync(dpy, False);
  XSetErrorHandler(old);
  std::erase(d_->windows, &w);
  delete &xw;
  w.backend_data = nullptr;
  w.native = 0;
  w.owner = nullptr;
}

void x11::show(window& w, bool shown) {
  if (!live(w)) return;
  if (shown) {
    XMapRaised(d_->display, d_->of(w).id);
  } else {
    XUnmapWindow(d_->display, d_->of(w).id);
  }
  XFlush(d_->display);
}

void x11::set_focus(window& w, bool take) {
  if (!live(w)) return;
  Display* dpy = d_->display;
  if (take) {
    XGetInputFocus(dpy, &d_->focus_before, &d_->focus_revert);
    XSetInputFocus(dpy, d_->of(w).id, RevertToParent, CurrentTime);
  } else if (d_->focus_before && d_->focus_before != PointerRoot) {
    // Back to the host's window, so its shortcuts work again.
    auto* old = XSetErrorHandler(catch_error);
    XSetInputFocus(dpy, d_->focus_before, d_->focus_revert, CurrentTime);
    XSync(dpy, False);
    XSetErrorHandler(old);
    d_->focus_before = 0;
  }
  XFlush(dpy);
}

void x11::resize(window& w, int32_t width, int32_t height) {
  if (!live(w) || width <= 0 || height <= 0) return;
  XResizeWindow(d_->display, d_->of(w).id, unsigned(width), unsigned(height));
  if (d_->of(w).top_level) {
    XSizeHints* hints = XAllocSizeHints();
    hints->flags = PMinSize | PMaxSize;
    hints->min_width = hints->max_width = width;
    hints->min_height = hints->max_height = height;
    XSetWMNormalHints(d_->display, d_->of(w).id, hints);
    XFree(hints);
  }
  resize_message(w, width, height);
  d_->make_shm(w);
  XFlush(d_->display);
}

void x11::move(window& w, int32_t x, int32_t y) {
  if (!live(w)) return;
  XMoveWindow(d_->display, d_->of(w).id, x, y);
  XFlush(d_->display);
}

void x11::set_timer(window& w, uint32_t interval_ms) {
  w.timer_ms = interval_ms;
  w.timer_id = interval_ms ? reinterpret_cast<uintptr_t>(&w) : 0;
  if (w.backend_data) d_->of(w).timer_due = now_ms() + interval_ms;
}

void x11::capture_mouse(window& w) {
  if (!live(w)) return;
  x11_window& xw = d_->of(w);
  const unsigned mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
  xw.grabbed = XGrabPointer(d_->display, xw.id, False, mask, GrabModeAsync, GrabModeAsync, xw.confine ? xw.confine : None,
                            None, CurrentTime) == GrabSuccess;
  XFlush(d_->display);
}

void x11::release_mouse(window& w) {
  if (!w.backend_data) return;
  x11_window& xw = d_->of(w);
  if (!xw.grabbed) return;
  XUngrabPointer(d_->display, CurrentTime);
  xw.grabbed = false;
  XFlush(d_->display);
}

void x11::clip_cursor(window& w, const gui::rect* screen) {
  if (!live(w)) return;
  x11_window& xw = d_->of(w);
  Display* dpy = d_->display;
  if (xw.confine) {
    XDestroyWindow(dpy, xw.confine);
    xw.confine = 0;
  }
  if (screen && !screen->empty()) {
    // A pointer can only be confined to a window: an input-only one over the rectangle.
    XSetWindowAttributes a{};
    a.override_redirect = True;
    xw.confine = XCreateWindow(dpy, RootWindow(dpy, d_->screen), screen->x1, screen->y1, unsigned(screen->width()),
                               unsigned(screen->height()), 0, 0, InputOnly, CopyFromParent, CWOverrideRedirect, &a);
    XMapWindow(dpy, xw.confine);
    XSync(dpy, False);
  }
  // A held capture takes the new confinement; without one the grab below confines alone.
  const bool held = xw.grabbed;
  if (held || xw.confine) capture_mouse(w);
  if (!held && !xw.confine) release_mouse(w);
}

gui::point x11::cursor_position() {
  if (!d_->display) return {};
  Window root, child;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned mask = 0;
  XQueryPointer(d_->display, RootWindow(d_->display, d_->screen), &root, &child, &rx, &ry, &wx, &wy, &mask);
  return {rx, ry};
}

window* x11::window_from_point(gui::point s) {
  for (auto it = d_->windows.rbegin(); it != d_->windows.rend(); ++it) {
    const gui::point at = client_to_screen(**it, {0, 0});
    if (gui::rect_of(at.x, at.y, (*it)->width, (*it)->height).contains(s)) return *it;
  }
  return nullptr;
}

gui::point x11::client_to_screen(const window& w, gui::point p) {
  if (!live(w)) return p;
  Window child;
  int x = 0, y = 0;
  XTranslateCoordinates(d_->display, static_cast<x11_window*>(w.backend_data)->id, RootWindow(d_->display, d_->screen),
                        p.x, p.y, &x, &y, &child);
  return {x, y};
}

gui::rect x11::work_area(const window&) {
  if (!d_->display) return {};
  return {0, 0, DisplayWidth(d_->display, d_->screen), DisplayHeight(d_->display, d_->screen)};
}

void x11::invalidate(window& w, const gui::rect&) {
  if (w.backend_data) d_->of(w).redraw = true;
}

void x11::update(window& w) {
  if (!w.backend_data || !d_->of(w).redraw) return;
  d_->of(w).redraw = false;
  send(w, gui::event_type::redraw);
}

bool x11::present(window& w, const gui::rect& r0) {
  if (!live(w)) return false;
  x11_window& xw = d_->of(w);
  const gui::bitmap& px = w.surface.pixels;
  const gui::rect r = gui::intersection(r0, {0, 0, px.width(), px.height()});
  if (r.empty()) return true;
  Display* dpy = d_->display;
  if (xw.shm_image && xw.shm_image->width == px.width() && xw.shm_image->height == px.height()) {
    for (int32_t y = r.y1; y < r.y2; ++y)
      std::memcpy(xw.shm_image->data + size_t(y) * size_t(xw.shm_image->bytes_per_line) + size_t(r.x1) * 4,
                  &px.pixels[size_t(y) * size_t(px.width()) + size_t(r.x1)], size_t(r.width()) * 4);
    XShmPutImage(dpy, xw.id, xw.gc, xw.shm_image, r.x1, r.y1, r.x1, r.y1, unsigned(r.width()), unsigned(r.height()), False);
    // The server reads the segment later: wait, so the next copy cannot overtake it.
    XSync(dpy, False);
    return true;
  }
  // The surface's pixels are B, G, R, A in memory: a 32-bit ZPixmap of a
  // TrueColor visual with the usual masks, least significant byte first.
  XImage* img = XCreateImage(dpy, d_->visual, unsigned(d_->depth), ZPixmap, 0,
                             reinterpret_cast<char*>(const_cast<gui::color32*>(px.pixels.data())), unsigned(px.width()),
                             unsigned(px.height()), 32, px.width() * 4);
  if (!img) return false;
  img->byte_order = LSBFirst;
  XPutImage(dpy, xw.id, xw.gc, img, r.x1, r.y1, r.x1, r.y1, unsigned(r.width()), unsigned(r.height()));
  img->data = nullptr;  // ours, not Xlib's to free
  XDestroyImage(img);
  XFlush(dpy);
  return true;
}

std::string x11::app_data_folder() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg && *xdg) return std::string(xdg) + "/";
  const char* home = std::getenv("HOME");
  return home && *home ? std::string(home) + "/.cache/" : std::string();
}

void x11::impl::handle(XEvent& ev) {
  window* w = find(ev.xany.window);
  if (!w) return;
  x11_window& xw = of(*w);
  switch (ev.type) {
    case Expose:
      xw.exposed.push_back(gui::rect_of(ev.xexpose.x, ev.xexpose.y, ev.xexpose.width, ev.xexpose.height));
      break;
    case ConfigureNotify:
      if (ev.xconfigure.width != w->width || ev.xconfigure.height != w->height) {
        resize_message(*w, ev.xconfigure.width, ev.xconfigure.height);
        make_shm(*w);
      }
      break;
    case ButtonPress:
    case ButtonRelease: {
      modifiers(*w, ev.xbutton.state);
      const unsigned b = ev.xbutton.button;
      const int32_t x = ev.xbutton.x, y = ev.xbutton.y;
      if (b == 4 || b == 5) {
        // Buttons 4 and 5 are the wheel's notches: a press each, the release says nothing.
        if (ev.type == ButtonPress) wheel_message(*w, b == 4 ? 120 : -120, x, y, w->input.ctrl, w->input.shift);
        break;
      }
      if (b < 1 || b > 3) break;
      const gui::mouse_button mb = b == 1 ? gui::mouse_button::left : b == 2 ? gui::mouse_button::middle : gui::mouse_button::right;
      if (ev.type == ButtonPress) {
        press_message(*w, mb, uint32_t(ev.xbutton.time), x, y);
      } else {
        button_message(*w, mb, button_action::up, x, y);
      }
      break;
    }
    case MotionNotify: {
      // Only the latest position of a burst matters; a burst ends at any
      // other event, so moves never overtake a press or a release.
      while (XEventsQueued(display, QueuedAlready) > 0) {
        XEvent next;
        XPeekEvent(display, &next);
        if (next.type != MotionNotify || next.xany.window != xw.id) break;
        XNextEvent(display, &ev);
      }
      modifiers(*w, ev.xmotion.state);
      move_message(*w, ev.xmotion.x, ev.xmotion.y);
      break;
    }
    case LeaveNotify:
      // The pointer left the window: a move outside clears hover looks.
      if (ev.xcrossing.mode == NotifyNormal && !xw.grabbed) move_message(*w, -1, -1);
      break;
    case KeyPress:
    case KeyRelease: {
      const KeySym s = XLookupKeysym(&ev.xkey, 0);
      const int32_t code = key_code_of(s);
      const bool down = ev.type == KeyPress;
      const bool repeat = down && xw.keys_down.count(ev.xkey.keycode) != 0;
      if (down) {
        xw.keys_down.insert(ev.xkey.keycode);
      } else {
        xw.keys_down.erase(ev.xkey.keycode);
      }
      // The characters come from the layout (input method or keysym), not
      // from the US table: after the key down, one character event each.
      const std::string typed = down ? typed_text(xw.ic, ev.xkey) : std::string();
      if (code != 0 || unshifted_of(s) != 0 || !typed.empty()) key_message(*w, code, down, repeat, 0);
      for (size_t at = 0; at < typed.size();) {
        const platform::utf8_char c = platform::decode_utf8(typed, at);
        if (c.valid) char_message(*w, c.code);
        at += c.length;
      }
      break;
    }
    case FocusIn:
      if (xw.ic) XSetICFocus(xw.ic);
      focus_message(*w, true);
      break;
    case FocusOut:
      if (xw.ic) XUnsetICFocus(xw.ic);
      xw.keys_down.clear();
      focus_message(*w, false);
      break;
    case ClientMessage:
      if (ev.xclient.message_type == wm_protocols && Atom(ev.xclient.data.l[0]) == wm_delete) send(*w, gui::event_type::close);
      break;
    case DestroyNotify:
      // The host destroyed its window and ours with it: nothing to draw into any more.
      if (ev.xdestroywindow.window == xw.id) xw.id = 0;
      break;
    default:
      break;
  }
}

void x11::pump() {
  Display* dpy = d_->display;
  if (!dpy) return;
  while (XPending(dpy)) {
    XEvent ev;
    XNextEvent(dpy, &ev);
    if (XFilterEvent(&ev, None)) continue;  // taken by the input method (compose, dead keys)
    // The keyboard map changed (a layout switch, or a key bound for a moment
    // to a character the map lacks, as xdotool types): lookups of the keys
    // queued after this must use the new map.
    if (ev.type == MappingNotify) {
      XRefreshKeyboardMapping(&ev.xmapping);
      continue;
    }
    d_->handle(ev);
  }
  const uint32_t now = now_ms();
  for (window* w : std::vector<window*>(d_->windows)) {
    if (std::find(d_->windows.begin(), d_->windows.end(), w) == d_->windows.end()) continue;
    x11_window& xw = d_->of(*w);
    if (xw.id == 0) continue;
    if (w->timer_ms && int32_t(now - xw.timer_due) >= 0) {
      // One tick however late: a host that idles slowly gets fewer ticks, not a burst.
      xw.timer_due = now + w->timer_ms;
      send(*w, gui::event_type::timer);
    }
    if (std::find(d_->windows.begin(), d_->windows.end(), w) == d_->windows.end()) continue;
    update(*w);
    std::vector<gui::rect> exposed;
    exposed.swap(xw.exposed);
    for (const gui::rect& r : exposed) present(*w, r);
  }
}

float x11::desktop_scale() const {
  if (!d_->display) return 1.f;
  const char* resources = XResourceManagerString(d_->display);
  if (!resources) return 1.f;
  const char* at = std::strstr(resources, "Xft.dpi:");
  if (!at) return 1.f;
  const float dpi = float(std::atof(at + 8));
  return dpi >= 48.f && dpi <= 480.f ? dpi / 96.f : 1.f;
}

}  // namespace wnd
