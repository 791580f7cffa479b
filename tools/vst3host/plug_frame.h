// The host's side of an editor: the frame a view is put in, which resizes
// when the view asks and lends the Linux run loop (timers and file
// descriptors, served when the host calls run_once). Handlers may
// unregister themselves from inside their own callbacks.
#pragma once

#include <cstdint>
#include <vector>

#include "plugin/vst3/vst3_abi.h"
#include "tools/vst3host/host_objects.h"

namespace vst3host {

class plug_frame final : public host_object<vst3::IPlugFrame, vst3::IRunLoop> {
 public:
  vst3::tresult VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
  vst3::tresult VST3_CALL resizeView(vst3::IPlugView* view, vst3::ViewRect* size) override;
  vst3::tresult VST3_CALL registerEventHandler(vst3::IEventHandler* handler, int fd) override;
  vst3::tresult VST3_CALL unregisterEventHandler(vst3::IEventHandler* handler) override;
  vst3::tresult VST3_CALL registerTimer(vst3::ITimerHandler* handler, vst3::uint64 ms) override;
  vst3::tresult VST3_CALL unregisterTimer(vst3::ITimerHandler* handler) override;

  // Every timer once and every handler whose descriptor is readable.
  void run_once();
  size_t timers() const { return timers_.size(); }
  size_t handlers() const { return handlers_.size(); }
  const std::vector<vst3::ViewRect>& resizes() const { return resizes_; }

 private:
  struct fd_handler {
    vst3::IEventHandler* handler;
    int fd;
  };
  std::vector<vst3::ITimerHandler*> timers_;
  std::vector<fd_handler> handlers_;
  std::vector<vst3::ViewRect> resizes_;
};

}  // namespace vst3host
