// The toolkit in a real X server: Xvfb on a free display, a "host" that
// opens a window of its own, the toolkit's window inside it, and xdotool
// moving, clicking, dragging, wheeling and typing. The values the widgets end
// up with are read back. Skipped, with the reason, where Xvfb cannot start.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "guilib/archive/gui_archive.h"
#include "guilib/menu/dropbox.h"
#include "guilib/platform/x11/x11.h"
#include "guilib/view/root_container.h"
#include "guilib/widgets/button.h"
#include "guilib/widgets/edit.h"
#include "guilib/widgets/knob.h"
#include "tools/xvfb/xvfb_server.h"

namespace gui {
namespace {

std::unique_ptr<xvfb::server>& server() {
  static std::unique_ptr<xvfb::server> s;
  return s;
}

class x11_window : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server() = std::make_unique<xvfb::server>(); }
  static void TearDownTestSuite() { server().reset(); }

  void SetUp() override {
    if (!server()->running()) GTEST_SKIP() << "X11 window tests skipped: " << server()->failure();
    if (!xvfb::have_program("xdotool")) GTEST_SKIP() << "X11 window tests skipped: xdotool is not installed";
    mount_builtin();
    host_ = XOpenDisplay(server()->display().c_str());
    ASSERT_NE(host_, nullptr);
    parent_ = XCreateSimpleWindow(host_, DefaultRootWindow(host_), 0, 0, 800, 600, 0, 0, 0x202020);
    XMapWindow(host_, parent_);
    XSync(host_, False);
  }

  void TearDown() override {
    root_.reset();
    if (be_ && window_.backend_data) be_->destroy(window_);
    be_.reset();
    if (host_) {
      if (parent_) XDestroyWindow(host_, parent_);
      XCloseDisplay(host_);
    }
  }

  // The toolkit's window inside the host's, at (10, 10).
  void open(bool shared_memory) {
    if (shared_memory) {
      unsetenv("VORN_X11_NO_SHM");
    } else {
      setenv("VORN_X11_NO_SHM", "1", 1);
    }
    be_ = std::make_unique<wnd::x11>();
    ASSERT_TRUE(be_->open_display(server()->display().c_str()));
    ASSERT_EQ(be_->shared_memory(), shared_memory);
    ASSERT_TRUE(be_->create(window_, {parent_, 10, 10, 400, 300, false, false, "Vorn GUI"}));
    root_ = std::make_unique<root_container>(rect{0, 0, 400, 300});
    root_->attach(window_);
    be_->show(window_, true);
    settle([&] {
      XWindowAttributes a;
      XGetWindowAttributes(host_, Window(window_.native), &a);
      return a.map_state == IsViewable;
    });
  }

  // Pumps the toolkit's events until pred holds (at most two seconds), or
  // without pred for a tenth of a second, time for what xdotool sent to arrive.
  bool settle(const std::function<bool()>& pred = nullptr) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(pred ? 2000 : 100);
    do {
      XSync(host_, False);
      be_->pump();
      if (pred && pred()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < end);
    return !pred;
  }

  // xdotool with window coordinates of the toolkit's window made screen ones.
  void xdo(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    ASSERT_EQ(xvfb::run(server()->display(), args), 0) << args[1];
    settle();
  }
  std::vector<std::string> at(point p) {
    const point s = be_->client_to_screen(window_, p);
    // Without --sync, which waits for a move that never comes when the
    // pointer is there already; the server keeps the order of what follows.
    return {"mousemove", std::to_string(s.x), std::to_string(s.y)};
  }
  std::vector<std::string> then(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  }

  // Lets the double-click time pass, so the next press starts afresh.
  void apart() { std::this_thread::sleep_for(std::chrono::milliseconds(wnd::double_click_ms + 50)); }

  // A pixel of the toolkit's window as the X server has it, 0xRRGGBB.
  uint32_t screen_pixel(int32_t x, int32_t y) {
    XImage* img = XGetImage(host_, Window(window_.native), x, y, 1, 1, AllPlanes, ZPixmap);
    const uint32_t p = uint32_t(XGetPixel(img, 0, 0)) & 0xFFFFFF;
    XDestroyImage(img);
    return p;
  }

  Display* host_ = nullptr;
  Window parent_ = 0;
  std::unique_ptr<wnd::x11> be_;
  wnd::window window_;
  std::unique_ptr<root_container> root_;
};

TEST_F(x11_window, the_surface_reaches_the_screen_with_and_without_shared_memory) {
  for (bool shm : {true, false}) {
    SCOPED_TRACE(shm ? "XShmPutImage" : "XPutImage");
    open(shm);
    knob& k = root_->add<knob>("k", rect{100, 100, 149, 149}, style_for_scale(1.f), 97);
    k.set_value(0.7f);
    settle();
    const bitmap& px = window_.surface.pixels;
    int compared = 0;
    for (int32_t y = 95; y < 160; y += 7)
      for (int32_t x = 95; x < 160; x += 7, ++compared) ASSERT_EQ(screen_pixel(x, y), px.at(x, y) & 0xFFFFFF) << x << "," << y;
    EXPECT_GT(compared, 50);
    TearDown();
    SetUp();
  }
}

TEST_F(x11_window, xdotool_drags_wheels_and_double_clicks_a_knob) {
  open(true);
  knob& k = root_->add<knob>("k", rect{100, 100, 133, 133}, style_for_scale(1.f));
  k.set_value(0.2f);
  k.set_default(0.9f);
  xdo(then(then(at({116, 116}), {"mousedown", "1"}), then(at({116, 76}), {"mouseup", "1"})));
  EXPECT_NEAR(k.value(), 0.6f, 0.011f) << "40 pixels up of 100 for the range";
  EXPECT_FALSE(root_->captured());
  xdo(then(at({116, 116}), {"click", "4"}));
  EXPECT_NEAR(k.value(), 0.6625f, 0.011f) << "one wheel notch";
  apart();
  xdo(then(at({116, 116}), {"click", "--repeat", "2", "--delay", "60", "1"}));
  EXPECT_FLOAT_EQ(k.value(), 0.9f) << "a double-click restores the default";
  apart();
  // Shift held with the pointer: a fine drag, though the keyboard is the host's.
  k.set_value(0.f);
  xdo(then(then(then(at({116, 116}), {"keydown", "shift", "mousedown", "1"}), at({116, 16})), {"mouseup", "1", "keyup", "shift"}));
  EXPECT_NEAR(k.value(), 0.1f, 0.011f);
}

TEST_F(x11_window, xdotool_clicks_a_button_and_types_into_a_field) {
  open(true);
  const ui_style& st = style_for_scale(1.f);
  button& b = root_->add<button>("b", rect{20, 20, 100, 40}, st, "Press");
  int clicks = 0;
  function_listener l([&](control&) { ++clicks; });
  b.set_listener(&l);
  edit& e = root_->add<edit>("e", rect{20, 60, 200, 80}, st, "Init");
  std::string committed;
  e.on_commit = [&](edit& ed) { committed = ed.str(); };
  xdo(then(at({50, 30}), {"click", "1"}));
  EXPECT_EQ(clicks, 1);
  // Pressed inside, released outside: no click.
  xdo(then(then(at({50, 30}), {"mousedown", "1"}), then(at({300, 200}), {"mouseup", "1"})));
  EXPECT_EQ(clicks, 1);
  xdo(then(at({60, 70}), {"click", "1"}));
  ASSERT_TRUE(e.focused());
  xdo({"type", "--delay", "30", "Pad"});
  xdo({"key", "shift+2", "F1", "Return"});
  EXPECT_EQ(committed, "Pad@") << "the field holds the keyboard while it is focused, and Shift+2 is @";
  EXPECT_FALSE(e.focused());
}

// Keys of a layout that carries non-ASCII characters (as a German or Polish
// one does): spare keycodes are bound to their keysyms, xdotool presses
// them, and the window reads the characters through the input method
// (Xutf8LookupString), one character each, never one per byte.
TEST_F(x11_window, xdotool_types_non_ascii_text_into_a_field) {
  open(true);
  const std::u32string wanted = U"äßéÜïöŁóź€";
  int lo = 0, hi = 0, per = 0;
  XDisplayKeycodes(host_, &lo, &hi);
  KeySym* map = XGetKeyboardMapping(host_, KeyCode(lo), hi - lo + 1, &per);
  std::vector<KeyCode> bound;
  for (int code = hi; code >= lo && bound.size() < wanted.size(); --code) {
    bool unused = true;
    for (int i = 0; i < per; ++i) unused &= map[(code - lo) * per + i] == NoSymbol;
    if (unused) bound.push_back(KeyCode(code));
  }
  XFree(map);
  ASSERT_EQ(bound.size(), wanted.size()) << "spare keycodes";
  for (size_t i = 0; i < wanted.size(); ++i) {
    const char32_t c = wanted[i];
    KeySym sym = c <= 0xFF ? KeySym(c) : KeySym(0x01000000 + c);  // Latin-1 keysyms are their code
    XChangeKeyboardMapping(host_, bound[i], 1, &sym, 1);
  }
  XSync(host_, False);
  settle();

  const ui_style& st = style_for_scale(1.f);
  edit& e = root_->add<edit>("e", rect{20, 60, 300, 80}, st, "Init");
  std::string committed;
  e.on_commit = [&](edit& ed) { committed = ed.str(); };
  xdo(then(at({60, 70}), {"click", "1"}));
  ASSERT_TRUE(e.focused());
  xdo({"type", "--delay", "40", "Bräß Pad é Ünïcödé Łódź €"});
  settle([&] { return e.str().size() >= 37; });  // 25 characters, 37 bytes
  xdo({"key", "BackSpace", "Return"});
  EXPECT_EQ(committed, "Bräß Pad é Ünïcödé Łódź ");
  EXPECT_FALSE(e.focused());

  KeySym none = NoSymbol;
  for (KeyCode code : bound) XChangeKeyboardMapping(host_, code, 1, &none, 1);
  XSync(host_, False);
}

TEST_F(x11_window, xdotool_opens_a_menu_and_chooses_an_item) {
  open(true);
  dropbox& d = root_->add<dropbox>("d", rect{20, 20, 120, 36}, style_for_scale(1.f), "[60x14]Low=0,High,New,Old,");
  xdo(then(at({60, 28}), {"click", "1"}));
  ASSERT_TRUE(d.is_open());
  EXPECT_TRUE(root_->captured()) << "the open menu holds the pointer";
  const menu_panel& p = *d.session()->panels()[0];
  xdo(then(at(p.item_rect(2).centre()), {"click", "1"}));
  EXPECT_EQ(d.value(), 2.f);
  EXPECT_FALSE(d.is_open());
  // A press outside the window closes an open menu: the pointer grab brings it to us.
  xdo(then(at({60, 28}), {"click", "1"}));
  ASSERT_TRUE(d.is_open());
  xdo(then(at({600, 500}), {"click", "1"}));
  EXPECT_FALSE(d.is_open());
  EXPECT_EQ(d.value(), 2.f);
}

// Hosts close their window first now and then: the editor's calls that
// follow must not end the host (Xlib's default error handler exits).
TEST_F(x11_window, a_host_that_destroys_its_window_before_closing_the_editor_is_survived) {
  for (bool pump_first : {false, true}) {
    SCOPED_TRACE(pump_first ? "pumped before the close" : "closed at once");
    open(true);
    root_->add<knob>("k", rect{10, 10, 43, 43}, style_for_scale(1.f));
    XDestroyWindow(host_, parent_);  // and ours with it, on the server
    parent_ = 0;
    XSync(host_, False);
    root_->find("k")->mark_dirty();  // a repaint that finds no window
    if (pump_first) settle();
    be_->destroy(window_);
    EXPECT_EQ(window_.native, 0u);
    TearDown();
    SetUp();
  }
}

}  // namespace
}  // namespace gui
