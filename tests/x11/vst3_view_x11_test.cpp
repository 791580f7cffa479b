// The editor through the VST 3 bundle's IPlugView in a real X server: our
// VST 3 host gives the view a frame that lends its run loop, and the view
// runs its window's events and repaints from there (a timer and the X
// connection's descriptor), with no thread of its own. A drag on the cutoff
// knob reaches the host as beginEdit, performEdit..., endEdit on the
// parameter's ID; removing the view hands the run loop back. The View menu's
// new sizes (as from the View menu or the host's content scale) reach the
// frame as resizeView, and the frame's onSize reaches the editor's window.
// Skipped, with the reason, where Xvfb or xdotool is missing.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "editor/layout.h"
#include "synth/param_table.h"
#include "tests/support/poll_until.h"
#include "tests/support/private_home.h"
#include "tools/vst3host/plug_frame.h"
#include "tools/vst3host/plugin3.h"
#include "tools/xvfb/xvfb_server.h"

namespace {

using namespace vst3;

test_support::private_home home("vorn-x11-tests");

std::unique_ptr<xvfb::server>& server() {
  static std::unique_ptr<xvfb::server> s;
  return s;
}

class vst3_view_x11 : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server() = std::make_unique<xvfb::server>(); }
  static void TearDownTestSuite() { server().reset(); }

  void SetUp() override {
    if (!server()->running()) GTEST_SKIP() << "VST 3 view tests skipped: " << server()->failure();
    if (!xvfb::have_program("xdotool")) GTEST_SKIP() << "VST 3 view tests skipped: xdotool is not installed";
    setenv("DISPLAY", server()->display().c_str(), 1);
    host_ = XOpenDisplay(server()->display().c_str());
    ASSERT_NE(host_, nullptr);
    parent_ = XCreateSimpleWindow(host_, DefaultRootWindow(host_), 0, 0, 900, 640, 0, 0, 0x202020);
    XMapWindow(host_, parent_);
    XSync(host_, False);
    std::string error;
    ASSERT_TRUE(module_.open(VORN_VST3_BUNDLE, error)) << error;
    ASSERT_TRUE(plugin_.create(module_, error)) << error;
  }
  void TearDown() override {
    if (view_) view_->release();
    plugin_.close();
    if (host_) {
      XDestroyWindow(host_, parent_);
      XCloseDisplay(host_);
    }
  }
  // The editor's window inside the host's: its size, or 0 x 0 when none.
  std::pair<int, int> editor_window_size() {
    Window root = 0, parent = 0, *kids = nullptr;
    unsigned int n = 0;
    XSync(host_, False);
    XQueryTree(host_, parent_, &root, &parent, &kids, &n);
    std::pair<int, int> size{0, 0};
    XWindowAttributes a{};
    if (n == 1 && XGetWindowAttributes(host_, kids[0], &a)) size = {a.width, a.height};
    if (kids) XFree(kids);
    return size;
  }
  int children() {
    Window root = 0, parent = 0, *kids = nullptr;
    unsigned int n = 0;
    XSync(host_, False);
    XQueryTree(host_, parent_, &root, &parent, &kids, &n);
    if (kids) XFree(kids);
    return int(n);
  }
  // The host's run loop, until pred holds (two seconds at most).
  bool run_until(const std::function<bool()>& pred, int ms = 2000) {
    return test_support::poll_until([this] { frame_.run_once(); }, pred, ms);
  }
  void xdo(const std::vector<std::string>& args) {
    std::vector<std::string> all{"xdotool"};
    all.insert(all.end(), args.begin(), args.end());
    ASSERT_EQ(xvfb::run(server()->display(), all), 0) << args[0];
  }

  Display* host_ = nullptr;
  Window parent_ = 0;
  vst3host::module_library module_;
  vst3host::plugin3 plugin_;
  vst3host::plug_frame frame_;
  IPlugView* view_ = nullptr;
};

TEST_F(vst3_view_x11, the_view_runs_on_the_hosts_run_loop_and_reports_gestures) {
  view_ = plugin_.controller()->createView("editor");
  ASSERT_NE(view_, nullptr);
  EXPECT_EQ(plugin_.controller()->createView("other"), nullptr);
  EXPECT_EQ(view_->isPlatformTypeSupported("X11EmbedWindowID"), kResultTrue);
  EXPECT_EQ(view_->isPlatformTypeSupported("HWND"), kResultFalse);
  ViewRect size{};
  ASSERT_EQ(view_->getSize(&size), kResultOk);
  EXPECT_EQ(size.right - size.left, 762);
  EXPECT_EQ(size.bottom - size.top, 516);
  EXPECT_EQ(view_->attached(nullptr, "X11EmbedWindowID"), kInvalidArgument);

  ASSERT_EQ(view_->setFrame(&frame_), kResultOk);
  ASSERT_EQ(view_->attached(reinterpret_cast<void*>(parent_), "X11EmbedWindowID"), kResultOk);
  EXPECT_EQ(frame_.timers(), 1u);
  EXPECT_EQ(frame_.handlers(), 1u);  // the X connection's descriptor
  ASSERT_TRUE(run_until([&] { return children() == 1; }));

  const ParamID f = synth::p::filter_frequency;
  const gui::rect dial = gui::layout::control_rect(*gui::layout::control_of(f), 1.f);
  int sx = 0, sy = 0;
  Window child;
  XTranslateCoordinates(host_, parent_, DefaultRootWindow(host_), dial.centre().x, dial.centre().y, &sx, &sy, &child);
  const double before = plugin_.controller()->getParamNormalized(f);
  auto& edits = plugin_.handler().edits;
  edits.clear();
  xdo({"mousemove", std::to_string(sx), std::to_string(sy), "mousedown", "1"});
  for (int step = 1; step <= 4; ++step) xdo({"mousemove", std::to_string(sx), std::to_string(sy - 6 * step)});
  xdo({"mouseup", "1"});
  ASSERT_TRUE(run_until([&] { return !edits.empty() && edits.back().kind == vst3host::edit_record::end; }))
      << edits.size() << " edits, the end never came";
  ASSERT_GE(edits.size(), 3u);
  EXPECT_EQ(edits.front().kind, vst3host::edit_record::begin);
  for (size_t k = 0; k < edits.size(); ++k) {
    EXPECT_EQ(edits[k].id, f) << k;
    if (k > 0 && k + 1 < edits.size()) EXPECT_EQ(edits[k].kind, vst3host::edit_record::perform) << k;
  }
  EXPECT_GT(plugin_.controller()->getParamNormalized(f), before);
  EXPECT_NEAR(edits[edits.size() - 2].value, plugin_.controller()->getParamNormalized(f), 1e-6);

  ASSERT_EQ(view_->removed(), kResultOk);
  EXPECT_EQ(frame_.timers(), 0u);
  EXPECT_EQ(frame_.handlers(), 0u);
  EXPECT_TRUE(run_until([&] { return children() == 0; }));
  EXPECT_EQ(view_->setFrame(nullptr), kResultOk);
}

TEST_F(vst3_view_x11, sizes_follow_the_hosts_content_scale_and_its_frame) {
  using gui::layout::height_at;
  using gui::layout::width_at;
  view_ = plugin_.controller()->createView("editor");
  ASSERT_NE(view_, nullptr);
  ASSERT_EQ(view_->setFrame(&frame_), kResultOk);
  ASSERT_EQ(view_->attached(reinterpret_cast<void*>(parent_), "X11EmbedWindowID"), kResultOk);
  ASSERT_TRUE(run_until([&] { return editor_window_size() == std::make_pair(762, 516); }));

  // Proposed sizes are answered with the nearest the editor offers (3/4 up).
  ViewRect r{0, 0, 1000, 700};
  ASSERT_EQ(view_->checkSizeConstraint(&r), kResultOk);
  EXPECT_EQ(r.right, width_at(1.25f));
  EXPECT_EQ(r.bottom, height_at(1.25f));
  r = ViewRect{10, 20, 110, 120};
  ASSERT_EQ(view_->checkSizeConstraint(&r), kResultOk);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.right - r.left, width_at(0.75f));
  EXPECT_EQ(r.bottom - r.top, height_at(0.75f));
  EXPECT_EQ(view_->checkSizeConstraint(nullptr), kInvalidArgument);

  // The host's content scale multiplies the user's size choice; the editor
  // resizes its window and asks the frame (resizeView) as the View menu's
  // sizes do.
  IPlugViewContentScaleSupport* scaling = nullptr;
  ASSERT_EQ(view_->queryInterface(iid::IPlugViewContentScaleSupport.data(), reinterpret_cast<void**>(&scaling)),
            kResultOk);
  EXPECT_EQ(scaling->setContentScaleFactor(0.f), kInvalidArgument);
  const tresult scaled_ok = scaling->setContentScaleFactor(2.f);
  scaling->release();
  ASSERT_EQ(scaled_ok, kResultTrue);
  const std::pair<int, int> scaled{width_at(2.f), height_at(2.f)};
  ASSERT_TRUE(run_until([&] { return editor_window_size() == scaled; }))
      << editor_window_size().first << " x " << editor_window_size().second;
  ASSERT_EQ(frame_.resizes().size(), 1u);
  EXPECT_EQ(frame_.resizes().back().right, scaled.first);
  ViewRect size{};
  ASSERT_EQ(view_->getSize(&size), kResultOk);
  EXPECT_EQ(size.right, scaled.first);
  EXPECT_EQ(size.bottom, scaled.second);

  // The host sizes its frame on its own: the editor takes the nearest offered
  // size (3/4 at content scale 2) and tells the frame.
  ViewRect host_size{0, 0, 1000, 700};
  ASSERT_EQ(view_->onSize(&host_size), kResultOk);
  const std::pair<int, int> original{width_at(1.5f), height_at(1.5f)};
  ASSERT_TRUE(run_until([&] { return editor_window_size() == original; }));
  ASSERT_EQ(view_->getSize(&size), kResultOk);
  EXPECT_EQ(size.right, original.first);
  ASSERT_EQ(frame_.resizes().size(), 2u);
  EXPECT_EQ(frame_.resizes().back().right, original.first);
  // Garbage sizes change nothing.
  ViewRect upside_down{0, 0, -5, 300};
  EXPECT_EQ(view_->onSize(&upside_down), kResultFalse);
  EXPECT_EQ(view_->onSize(nullptr), kInvalidArgument);
  EXPECT_FALSE(run_until([&] { return editor_window_size() != original; }, 300));

  ASSERT_EQ(view_->removed(), kResultOk);
  EXPECT_EQ(view_->setFrame(nullptr), kResultOk);
}

}  // namespace
