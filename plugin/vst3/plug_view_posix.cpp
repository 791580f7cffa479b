// Linux: the editor's window lives in the host's X11 window, and its events
// and repaints run from the host's run loop, which the frame lends us.
#include "plugin/vst3/plug_view.h"

namespace vst3_shell {

namespace {
constexpr vst3::uint64 editor_tick_ms = 16;  // about 60 repaints a second
}

const char* plug_view::platform_type() { return "X11EmbedWindowID"; }

void plug_view::start_timer() {
  if (run_loop_ || !frame_) return;
  vst3::IRunLoop* loop = nullptr;
  if (frame_->queryInterface(vst3::iid::IRunLoop.data(), reinterpret_cast<void**>(&loop)) != vst3::kResultOk ||
      !loop)
    return;
  if (loop->registerTimer(this, editor_tick_ms) != vst3::kResultOk) {
    loop->release();
    return;
  }
  const int fd = editor_.event_fd();
  watching_fd_ = fd >= 0 && loop->registerEventHandler(static_cast<vst3::IEventHandler*>(this), fd) == vst3::kResultOk;
  run_loop_ = loop;
}

void plug_view::stop_timer() {
  if (!run_loop_) return;
  auto* loop = static_cast<vst3::IRunLoop*>(run_loop_);
  loop->unregisterTimer(this);
  if (watching_fd_) loop->unregisterEventHandler(this);
  watching_fd_ = false;
  run_loop_ = nullptr;
  loop->release();
}

}  // namespace vst3_shell
