// The Win32 window layer in a DLL, under Wine with Xvfb as its display: the
// toolkit's window opens inside a window of this program (the host), draws,
// and turns the messages a host's window would get into values. Run by the
// test windows.gui (tools/windows/wine_gui_run.sh), which skips it where no
// X server can start.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

// Built where the probe DLL is: the 32-bit build.
#ifdef VORN_GUI_PROBE_PATH

namespace {

struct probe_dll {
  HMODULE dll = nullptr;
  HWND (*open)(HWND) = nullptr;
  void (*close)() = nullptr;
  const char* (*class_name)() = nullptr;
  float (*value)(const char*) = nullptr;
  int (*clicks)() = nullptr;
  int (*ticks)() = nullptr;
  const char* (*committed)() = nullptr;
  uint32_t (*pixel)(int, int) = nullptr;
  HWND (*menu_window)() = nullptr;
  bool (*menu_item)(int, int*, int*) = nullptr;

  template <typename F>
  void get(F& f, const char* name) {
    f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
    ASSERT_NE(f, nullptr) << name;
  }
  void load() {
    dll = LoadLibraryA(VORN_GUI_PROBE_PATH);
    ASSERT_NE(dll, nullptr) << VORN_GUI_PROBE_PATH;
    get(open, "gui_probe_open");
    get(close, "gui_probe_close");
    get(class_name, "gui_probe_class_name");
    get(value, "gui_probe_value");
    get(clicks, "gui_probe_clicks");
    get(ticks, "gui_probe_ticks");
    get(committed, "gui_probe_committed");
    get(pixel, "gui_probe_pixel");
    get(menu_window, "gui_probe_menu_window");
    get(menu_item, "gui_probe_menu_item");
  }
};

class win32_gui : public ::testing::Test {
 protected:
  void SetUp() override {
    dll_.load();
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "vorn test host";
    RegisterClassA(&wc);
    host_ = CreateWindowA("vorn test host", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, nullptr, nullptr,
                          wc.hInstance, nullptr);
    ASSERT_NE(host_, nullptr);
    editor_ = dll_.open(host_);
    ASSERT_NE(editor_, nullptr);
    pump(100);
  }
  void TearDown() override {
    if (dll_.close) dll_.close();
    if (host_) DestroyWindow(host_);
    pump(20);
  }

  // Runs the message loop a host would, for ms milliseconds.
  static void pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    do {
      MSG m;
      while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
      }
      Sleep(2);
    } while (int32_t(GetTickCount() - end) < 0);
  }
  void post(UINT msg, WPARAM wp, int x, int y) {
    PostMessageA(editor_, msg, wp, MAKELPARAM(x, y));
    pump(10);
  }

  probe_dll dll_;
  HWND host_ = nullptr;
  HWND editor_ = nullptr;
};

TEST_F(win32_gui, the_window_of_the_dlls_class_draws_its_surface) {
  char cls[128] = {};
  GetClassNameA(editor_, cls, sizeof cls);
  EXPECT_EQ(std::string(cls), dll_.class_name());
  char expected[64];
  snprintf(expected, sizeof expected, "kv::wnd::ms32%p", static_cast<void*>(dll_.dll));
  EXPECT_EQ(std::string(cls), expected) << "the class is named after the DLL, not the program";
  EXPECT_EQ(GetParent(editor_), host_);
  HDC dc = GetDC(editor_);
  int compared = 0;
  for (int y = 100; y < 134; y += 6)
    for (int x = 100; x < 134; x += 6, ++compared) {
      const uint32_t s = dll_.pixel(x, y);
      const COLORREF c = GetPixel(dc, x, y);
      EXPECT_EQ(c, RGB((s >> 16) & 255, (s >> 8) & 255, s & 255)) << x << "," << y;
    }
  ReleaseDC(editor_, dc);
  EXPECT_GT(compared, 30);
}

TEST_F(win32_gui, mouse_messages_drag_wheel_and_double_click_a_knob) {
  post(WM_MOUSEMOVE, 0, 116, 116);
  post(WM_LBUTTONDOWN, MK_LBUTTON, 116, 116);
  post(WM_MOUSEMOVE, MK_LBUTTON, 116, 76);
  post(WM_LBUTTONUP, 0, 116, 76);
  EXPECT_NEAR(dll_.value("knob"), 0.6f, 1e-4f);
  EXPECT_EQ(GetCapture(), nullptr) << "the capture ends with the release";
  POINT screen{116, 116};
  ClientToScreen(editor_, &screen);
  PostMessageA(editor_, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
  pump(10);
  EXPECT_NEAR(dll_.value("knob"), 0.6625f, 1e-4f);
  post(WM_LBUTTONDOWN, MK_LBUTTON, 116, 116);
  post(WM_LBUTTONUP, 0, 116, 116);
  post(WM_LBUTTONDBLCLK, MK_LBUTTON, 116, 116);
  post(WM_LBUTTONUP, 0, 116, 116);
  EXPECT_FLOAT_EQ(dll_.value("knob"), 0.9f) << "a double-click restores the default";
  // Shift comes with the mouse message: a fine drag.
  post(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, 116, 116);
  post(WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, 116, 16);
  post(WM_LBUTTONUP, MK_SHIFT, 116, 16);
  EXPECT_NEAR(dll_.value("knob"), 1.f, 1e-4f) << "0.9 + 100 / 1000, clamped";
}

TEST_F(win32_gui, a_button_click_keys_into_a_field_and_the_timer) {
  post(WM_LBUTTONDOWN, MK_LBUTTON, 50, 30);
  post(WM_LBUTTONUP, 0, 50, 30);
  EXPECT_EQ(dll_.clicks(), 1);
  post(WM_LBUTTONDOWN, MK_LBUTTON, 60, 70);
  post(WM_LBUTTONUP, 0, 60, 70);
  EXPECT_EQ(GetFocus(), editor_) << "the field takes the keyboard";
  for (WPARAM k : {WPARAM('P'), WPARAM('A'), WPARAM('D')}) {
    post(WM_KEYDOWN, k, 0, 0);
    post(WM_KEYUP, k, 0, 0);
  }
  // Characters the layout made arrive as UTF-16 WM_CHAR units, one
  // beyond the BMP as a surrogate pair.
  for (WPARAM unit : {WPARAM('@'), WPARAM(0xE9), WPARAM(0xD83C), WPARAM(0xDFB5)}) {
    PostMessageW(editor_, WM_CHAR, unit, 1);
    pump(10);
  }
  post(WM_KEYDOWN, VK_F1, 0, 0);
  post(WM_KEYDOWN, VK_RETURN, 0, 0);
  EXPECT_STREQ(dll_.committed(), "pad@\xC3\xA9\xF0\x9F\x8E\xB5");
  const int before = dll_.ticks();
  pump(200);
  EXPECT_GE(dll_.ticks() - before, 3) << "20 ms timer ticks";
}

TEST_F(win32_gui, a_menu_opens_in_a_layered_pop_up_and_a_click_chooses) {
  post(WM_LBUTTONDOWN, MK_LBUTTON, 260, 28);
  post(WM_LBUTTONUP, 0, 260, 28);
  const HWND menu = dll_.menu_window();
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(GetWindowLongA(menu, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_TRUE(IsWindowVisible(menu));
  EXPECT_EQ(GetCapture(), editor_) << "the editor holds the pointer for the menu";
  int x = 0, y = 0;
  ASSERT_TRUE(dll_.menu_item(2, &x, &y));
  post(WM_MOUSEMOVE, 0, x, y);
  post(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
  post(WM_LBUTTONUP, 0, x, y);
  EXPECT_EQ(dll_.value("dropbox"), 2.f);
  EXPECT_EQ(dll_.menu_window(), nullptr);
  EXPECT_FALSE(IsWindow(menu)) << "the pop-up window is destroyed";
}

}  // namespace

#endif  // VORN_GUI_PROBE_PATH
