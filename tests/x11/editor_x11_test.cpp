// The plug-in's editor through vorn.so in a real X server: our test host
// loads the library through its entry, gives the editor a window of its own
// as the parent, and pumps it with effEditIdle as hosts do; xdotool turns the
// filter cutoff knob and the held note gets brighter. Opening and closing
// the editor a hundred times leaves no window, connection or memory behind.
// Skipped, with the reason, where Xvfb or xdotool is missing.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "editor/layout.h"
#include "synth/param_table.h"
#include "tests/support/held_note.h"
#include "tests/support/poll_until.h"
#include "tests/support/synth_host.h"
#include "tools/xvfb/xvfb_server.h"

namespace {

std::unique_ptr<xvfb::server>& server() {
  static std::unique_ptr<xvfb::server> s;
  return s;
}

int open_descriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

class editor_x11 : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server() = std::make_unique<xvfb::server>(); }
  static void TearDownTestSuite() { server().reset(); }

  void SetUp() override {
    if (!server()->running()) GTEST_SKIP() << "editor X11 tests skipped: " << server()->failure();
    if (!xvfb::have_program("xdotool")) GTEST_SKIP() << "editor X11 tests skipped: xdotool is not installed";
    setenv("DISPLAY", server()->display().c_str(), 1);  // the editor opens the host's display
    host_ = XOpenDisplay(server()->display().c_str());
    ASSERT_NE(host_, nullptr);
    parent_ = XCreateSimpleWindow(host_, DefaultRootWindow(host_), 0, 0, 900, 640, 0, 0, 0x202020);
    XMapWindow(host_, parent_);
    XSync(host_, False);
    ASSERT_TRUE(vorn_.load());
  }
  void TearDown() override {
    if (plugin_.effect()) plugin_.dispatch(effEditClose);
    plugin_.close();
    if (host_) {
      XDestroyWindow(host_, parent_);
      XCloseDisplay(host_);
    }
  }

  bool open_editor() {
    if (plugin_.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent_)) != 1) return false;
    return idle_until([&] { return children() == 1; });
  }
  int children() {
    Window root = 0, parent = 0, *kids = nullptr;
    unsigned int n = 0;
    XSync(host_, False);
    XQueryTree(host_, parent_, &root, &parent, &kids, &n);
    if (kids) XFree(kids);
    return int(n);
  }
  // effEditIdle as a host's timer sends it, until pred holds (two seconds at most).
  bool idle_until(const std::function<bool()>& pred, int ms = 2000) {
    return test_support::poll_until([this] { plugin_.dispatch(effEditIdle); }, pred, ms);
  }
  // The plug-in made again for a host that calls itself `who`.
  void reload_as(const vsthost::host_identity& who) {
    plugin_.close();
    plugin_.announce_as(who);
    std::string error;
    ASSERT_TRUE(plugin_.create(vorn_.library, error)) << error;
    plugin_.set_sample_rate(vorn_.rate);
    plugin_.set_block_size(test_support::block);
    plugin_.resume();
  }
  // Where a parameter's dial centre is on the screen (the editor sits at the
  // parent's origin).
  void screen_centre(int32_t index, int& sx, int& sy) {
    const gui::rect dial = gui::layout::control_rect(*gui::layout::control_of(index), 1.f);
    Window child;
    XTranslateCoordinates(host_, parent_, DefaultRootWindow(host_), dial.centre().x, dial.centre().y, &sx, &sy,
                          &child);
  }
  void drag_up(int sx, int sy, int steps, int pixels) {
    xdo({"mousemove", std::to_string(sx), std::to_string(sy), "mousedown", "1"});
    for (int step = 1; step <= steps; ++step) xdo({"mousemove", std::to_string(sx), std::to_string(sy - pixels * step)});
    xdo({"mouseup", "1"});
  }
  bool gesture_done() const {
    const auto& log = plugin_.requests().edits;
    return !log.empty() && log.back().opcode == audioMasterEndEdit;
  }
  // The host's log holds one gesture on index, every message from `thread`.
  void expect_one_gesture(int32_t index, std::thread::id thread, const char* what) {
    const auto& log = plugin_.requests().edits;
    ASSERT_GE(log.size(), 3u) << what;
    EXPECT_EQ(log.front().opcode, audioMasterBeginEdit) << what;
    EXPECT_EQ(log.back().opcode, audioMasterEndEdit) << what;
    for (size_t k = 0; k < log.size(); ++k) {
      EXPECT_EQ(log[k].index, index) << what;
      EXPECT_EQ(log[k].thread, thread) << what << " at " << k;
      if (k > 0 && k + 1 < log.size()) {
        EXPECT_EQ(log[k].opcode, audioMasterAutomate) << what << " at " << k;
      }
    }
  }

  void xdo(const std::vector<std::string>& args) {
    std::vector<std::string> all{"xdotool"};
    all.insert(all.end(), args.begin(), args.end());
    ASSERT_EQ(xvfb::run(server()->display(), all), 0) << args[0];
  }

  Display* host_ = nullptr;
  Window parent_ = 0;
  test_support::synth_host vorn_;  // vorn.so (vorn.dll) through its entry, resumed
  vsthost::plugin_instance& plugin_ = vorn_.instance;
};

TEST_F(editor_x11, turning_the_cutoff_knob_with_the_mouse_brightens_a_held_note) {
  test_support::dark_ramp_patch(plugin_);
  ERect* rect = nullptr;
  ASSERT_EQ(plugin_.dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->right, 762);
  EXPECT_EQ(rect->bottom, 516);
  ASSERT_TRUE(open_editor());
  plugin_.queue_midi(0, 0x90, 45, 100);
  const double dark = test_support::render_centroid(plugin_, 0.5, vorn_.rate);

  // The knob's centre on the screen: the editor sits at the parent's origin.
  const gui::rect dial = gui::layout::control_rect(*gui::layout::control_of(synth::p::filter_frequency), 1.f);
  int sx = 0, sy = 0;
  Window child;
  XTranslateCoordinates(host_, parent_, DefaultRootWindow(host_), dial.centre().x, dial.centre().y, &sx, &sy, &child);
  const float before = plugin_.get_parameter(synth::p::filter_frequency);
  xdo({"mousemove", std::to_string(sx), std::to_string(sy), "mousedown", "1"});
  for (int step = 1; step <= 5; ++step) xdo({"mousemove", std::to_string(sx), std::to_string(sy - 8 * step)});
  xdo({"mouseup", "1"});
  ASSERT_TRUE(idle_until([&] { return plugin_.get_parameter(synth::p::filter_frequency) > before + 0.3f; }))
      << "40 pixels up of 100 for the range: " << plugin_.get_parameter(synth::p::filter_frequency);
  const double bright = test_support::render_centroid(plugin_, 0.5, vorn_.rate);
  std::printf("spectral centroid of the held note: %.0f Hz, after the drag %.0f Hz\n", dark, bright);
  EXPECT_GT(bright, dark * 1.3) << dark << " Hz before, " << bright << " Hz after";
}

// Touch automation through the library: a drag and a wheel burst reach our
// host callback as audioMasterBeginEdit, automation, audioMasterEndEdit, from
// the thread that runs the editor's idle.
TEST_F(editor_x11, a_drag_and_a_wheel_burst_reach_the_host_as_begin_automate_end) {
  ASSERT_TRUE(open_editor());
  const int32_t f = synth::p::filter_frequency;
  int sx = 0, sy = 0;
  screen_centre(f, sx, sy);
  plugin_.clear_requests();
  drag_up(sx, sy, 4, 6);
  ASSERT_TRUE(idle_until([&] { return gesture_done(); })) << "the drag's end of edit never came";
  expect_one_gesture(f, std::this_thread::get_id(), "drag");

  plugin_.clear_requests();
  xdo({"click", "--repeat", "3", "--delay", "30", "4"});
  ASSERT_TRUE(idle_until([&] { return gesture_done(); })) << "the wheel burst's end of edit never came";
  expect_one_gesture(f, std::this_thread::get_id(), "wheel");
}

// The host's audio thread: one block whenever the test asks, the test
// waiting for it, so that calls never overlap (our host code serialises
// nothing) while the processing thread stays one and the same.
class audio_thread {
 public:
  explicit audio_thread(vsthost::plugin_instance& p) : plugin_(p), thread_([this] { run(); }) {}
  ~audio_thread() {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  void block() {
    std::unique_lock<std::mutex> hold(mutex_);
    ++asked_;
    wake_.notify_all();
    wake_.wait(hold, [&] { return done_ == asked_; });
  }
  std::thread::id id() const { return thread_.get_id(); }

 private:
  void run() {
    std::vector<float> left(test_support::block), right(test_support::block);
    std::unique_lock<std::mutex> hold(mutex_);
    while (true) {
      wake_.wait(hold, [&] { return quit_ || asked_ > done_; });
      if (asked_ == done_) return;
      hold.unlock();
      plugin_.process(left.data(), right.data(), test_support::block);
      hold.lock();
      ++done_;
      wake_.notify_all();
    }
  }

  vsthost::plugin_instance& plugin_;
  std::mutex mutex_;
  std::condition_variable wake_;
  int asked_ = 0, done_ = 0;
  bool quit_ = false;
  std::thread thread_;  // last: starts once the rest is made
};

// Ardour runs effEditIdle on a thread of its own where edit messages crash it
// (in musical time) and takes them from its processing threads: announced as
// Ardour (whose vendor version is a fixed 900), the messages wait, while no
// block is processed, and the next blocks send them from the audio thread, in
// order and paired; idle calls send none.
TEST_F(editor_x11, announced_as_ardour_the_gestures_reach_the_host_from_the_processing_thread) {
  reload_as({"Ardour", 900});
  ASSERT_TRUE(open_editor());
  audio_thread audio(plugin_);
  const int32_t f = synth::p::filter_frequency;
  int sx = 0, sy = 0;
  screen_centre(f, sx, sy);
  plugin_.clear_requests();

  // Nothing processed meanwhile (a stopped engine): the drag waits.
  const float before = plugin_.get_parameter(f);
  drag_up(sx, sy, 4, 6);
  ASSERT_TRUE(idle_until([&] { return plugin_.get_parameter(f) > before + 0.1f; })) << "the drag moved nothing";
  for (int k = 0; k < 20; ++k) {  // time for the release too
    plugin_.dispatch(effEditIdle);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(plugin_.requests().edits.empty()) << "sent from the idle thread";
  audio.block();
  expect_one_gesture(f, audio.id(), "a drag while nothing was processed");

  // Idle calls and blocks in turn, as a running host makes them.
  plugin_.clear_requests();
  size_t sent_in_idle = 0;
  const auto idle_and_block = [&] {
    const size_t n = plugin_.requests().edits.size();
    plugin_.dispatch(effEditIdle);
    sent_in_idle += plugin_.requests().edits.size() - n;
    audio.block();
  };
  xdo({"click", "--repeat", "3", "--delay", "30", "4"});
  ASSERT_TRUE(test_support::poll_until(idle_and_block, [&] { return gesture_done(); }, 2000))
      << "the wheel burst's end of edit never came";
  EXPECT_EQ(sent_in_idle, 0u);
  expect_one_gesture(f, audio.id(), "a wheel burst while processing");
}

TEST_F(editor_x11, opening_and_closing_a_hundred_times_leaves_nothing_behind) {
  ASSERT_TRUE(open_editor());
  plugin_.dispatch(effEditClose);
  const int descriptors = open_descriptors();
  const size_t heap = mallinfo2().uordblks;
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(open_editor()) << i;
    plugin_.dispatch(effEditIdle);
    plugin_.dispatch(effEditClose);
    ASSERT_EQ(children(), 0) << "the editor's window is gone after close";
  }
  EXPECT_EQ(open_descriptors(), descriptors) << "display connections closed";
  EXPECT_LE(mallinfo2().uordblks, heap + 64 * 1024);
}

}  // namespace
