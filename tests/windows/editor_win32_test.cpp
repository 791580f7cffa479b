// The plug-in's editor through vorn.dll under Wine, with Xvfb as Wine's
// display: our test host loads the DLL through its entry, opens the editor
// in a window of its own, runs the message loop a host runs, and drags the
// filter cutoff knob with mouse messages; the held note gets brighter.
// Opening and closing a hundred times leaves no window or GDI object behind.
// Run by windows.gui (32-bit build, tools/windows/wine_gui_run.sh).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "editor/layout.h"
#include "synth/param_table.h"
#include "tests/support/held_note.h"
#include "tests/support/synth_host.h"

namespace {

class editor_win32 : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "vorn editor test host";
    RegisterClassA(&wc);
    host_ = CreateWindowA("vorn editor test host", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 640, nullptr,
                          nullptr, wc.hInstance, nullptr);
    ASSERT_NE(host_, nullptr);
    ASSERT_TRUE(vorn_.load());
  }
  void TearDown() override {
    if (plugin_.effect()) plugin_.dispatch(effEditClose);
    plugin_.close();
    if (host_) DestroyWindow(host_);
    pump(20);
  }

  // The message loop and the idle calls of a host, for ms milliseconds.
  void pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    do {
      MSG m;
      while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
      }
      if (plugin_.effect()) plugin_.dispatch(effEditIdle);
      Sleep(2);
    } while (int32_t(GetTickCount() - end) < 0);
  }
  HWND open_editor() {
    if (plugin_.dispatch(effEditOpen, 0, 0, host_) != 1) return nullptr;
    pump(50);
    return GetWindow(host_, GW_CHILD);
  }
  void post(HWND w, UINT msg, WPARAM wp, int x, int y) {
    PostMessageA(w, msg, wp, MAKELPARAM(x, y));
    pump(10);
  }


  HWND host_ = nullptr;
  test_support::synth_host vorn_;  // vorn.so (vorn.dll) through its entry, resumed
  vsthost::plugin_instance& plugin_ = vorn_.instance;
};

TEST_F(editor_win32, dragging_the_cutoff_knob_brightens_a_held_note) {
  test_support::dark_ramp_patch(plugin_);
  const HWND editor = open_editor();
  ASSERT_NE(editor, nullptr);
  RECT client{};
  GetClientRect(editor, &client);
  EXPECT_EQ(client.right, 762);
  EXPECT_EQ(client.bottom, 516);
  plugin_.queue_midi(0, 0x90, 45, 100);
  const double dark = test_support::render_centroid(plugin_, 0.5, vorn_.rate);

  const gui::point c =
      gui::layout::control_rect(*gui::layout::control_of(synth::p::filter_frequency), 1.f).centre();
  const float before = plugin_.get_parameter(synth::p::filter_frequency);
  post(editor, WM_MOUSEMOVE, 0, c.x, c.y);
  post(editor, WM_LBUTTONDOWN, MK_LBUTTON, c.x, c.y);
  for (int step = 1; step <= 5; ++step) post(editor, WM_MOUSEMOVE, MK_LBUTTON, c.x, c.y - 8 * step);
  post(editor, WM_LBUTTONUP, 0, c.x, c.y - 40);
  EXPECT_NEAR(plugin_.get_parameter(synth::p::filter_frequency), before + 0.4f, 0.02f);
  const double bright = test_support::render_centroid(plugin_, 0.5, vorn_.rate);
  std::printf("spectral centroid of the held note: %.0f Hz, after the drag %.0f Hz\n", dark, bright);
  EXPECT_GT(bright, dark * 1.3) << dark << " Hz before, " << bright << " Hz after";
}

TEST_F(editor_win32, opening_and_closing_a_hundred_times_leaves_nothing_behind) {
  ASSERT_NE(open_editor(), nullptr);
  plugin_.dispatch(effEditClose);
  pump(10);
  const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  for (int i = 0; i < 100; ++i) {
    const HWND editor = open_editor();
    ASSERT_NE(editor, nullptr) << i;
    plugin_.dispatch(effEditClose);
    pump(2);
    ASSERT_FALSE(IsWindow(editor));
    ASSERT_EQ(GetWindow(host_, GW_CHILD), nullptr);
  }
  EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi);
  EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user);
}

}  // namespace
