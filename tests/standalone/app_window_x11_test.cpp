// The application's window in a private X server: the editor opens below the
// header, keys typed into the window reach the typing keyboard's handler
// (presses and releases), and the header's Panic button answers a click. A
// picture of the window lands in <build>/standalone-window.png.
// Skipped, with the reason, where Xvfb or xdotool is missing.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "guilib/platform/keys.h"
#include "plugin/instance.h"
#include "plugin/standalone/app_window.h"
#include "tests/support/poll_until.h"
#include "tools/xvfb/xvfb_server.h"

namespace {

using standalone::app_window;

std::unique_ptr<xvfb::server>& server() {
  static std::unique_ptr<xvfb::server> s;
  return s;
}

class app_window_x11 : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server() = std::make_unique<xvfb::server>(); }
  static void TearDownTestSuite() { server().reset(); }

  void SetUp() override {
    if (!server()->running()) GTEST_SKIP() << "window tests skipped: " << server()->failure();
    if (!xvfb::have_program("xdotool")) GTEST_SKIP() << "window tests skipped: xdotool is not installed";
    setenv("DISPLAY", server()->display().c_str(), 1);
    it_ = plugin::instance::create(&shell_, true);
    ASSERT_NE(it_, nullptr);
    ASSERT_NE(it_->editor(), nullptr);
    window_ = standalone::make_app_window();
    window_->on_key = [this](int32_t key, bool down) { keys_.emplace_back(key, down); };
    window_->on_panic = [this] { ++panics_; };
    std::string error;
    ASSERT_TRUE(window_->open(*it_->editor(), error)) << error;
    ASSERT_TRUE(pump_until([&] { return !top_id().empty(); }));
  }

  void TearDown() override {
    if (window_) window_->close();
    window_.reset();
    if (it_) plugin::instance::destroy(it_);
  }

  bool pump_until(const std::function<bool()>& pred, int ms = 3000) {
    return test_support::poll_until([this] { window_->pump(10); }, pred, ms, 0);
  }

  std::string top_id() {
    std::string out;
    xvfb::run(server()->display(), {"xdotool", "search", "--name", "^Vorn$"}, &out);
    return out.substr(0, out.find('\n'));
  }

  void xdo(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    ASSERT_EQ(xvfb::run(server()->display(), args), 0) << args[1];
  }

  plugin::host_shell shell_;
  plugin::instance* it_ = nullptr;
  std::unique_ptr<app_window> window_;
  std::vector<std::pair<int32_t, bool>> keys_;
  int panics_ = 0;
};

TEST_F(app_window_x11, KeysTypedIntoTheWindowArePressedAndReleased) {
  const std::string id = top_id();
  xdo({"mousemove", "--window", id, "20", "8"});  // over the header
  xdo({"windowfocus", "--sync", id});
  xdo({"key", "z", "q", "Left"});
  ASSERT_TRUE(pump_until([&] { return keys_.size() >= 6; })) << keys_.size() << " key events";
  const std::vector<std::pair<int32_t, bool>> expected{{'Z', true}, {'Z', false}, {'Q', true},
                                                       {'Q', false}, {wnd::key::left, true}, {wnd::key::left, false}};
  EXPECT_EQ(keys_, expected);
}

TEST_F(app_window_x11, ThePanicButtonAnswersAClickAndTheHeaderShowsTheStatus) {
  window_->show_status({"JACK (default)", 48000.0, 64, "vorn:midi_in (typing keys, octave 0)", 3.25, 0});
  const std::string id = top_id();
  int32_t w = 0, h = 0;
  it_->editor()->size(w, h);
  // The button sits at the header's right end.
  xdo({"mousemove", "--window", id, std::to_string(w - 30), std::to_string(app_window::header_height / 2)});
  xdo({"click", "1"});
  ASSERT_TRUE(pump_until([&] { return panics_ == 1; }));
  pump_until([] { return false; }, 200);
  const std::string shot = std::string(VORN_BUILD_DIR) + "/standalone-window.png";
  if (xvfb::have_program("import")) xvfb::run(server()->display(), {"import", "-window", id, shot});
}

}  // namespace
