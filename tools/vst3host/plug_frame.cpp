#include "tools/vst3host/plug_frame.h"

#include <algorithm>

#include "tools/vst3host/fd_ready.h"

namespace vst3host {

using namespace vst3;

tresult VST3_CALL plug_frame::queryInterface(const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  if (iid::FUnknown.matches(iid) || iid::IPlugFrame.matches(iid)) {
    *obj = static_cast<IPlugFrame*>(this);
  } else if (iid::IRunLoop.matches(iid)) {
    *obj = static_cast<IRunLoop*>(this);
  } else {
    return kNoInterface;
  }
  addRef();
  return kResultOk;
}

// The window follows at once, then the view hears of its new size.
tresult VST3_CALL plug_frame::resizeView(IPlugView* view, ViewRect* size) {
  if (!view || !size) return kInvalidArgument;
  resizes_.push_back(*size);
  return view->onSize(size);
}

tresult VST3_CALL plug_frame::registerEventHandler(IEventHandler* handler, int fd) {
  if (!handler) return kInvalidArgument;
  handler->addRef();
  handlers_.push_back({handler, fd});
  return kResultOk;
}

tresult VST3_CALL plug_frame::unregisterEventHandler(IEventHandler* handler) {
  auto it = std::find_if(handlers_.begin(), handlers_.end(), [&](const fd_handler& h) { return h.handler == handler; });
  if (it == handlers_.end()) return kInvalidArgument;
  handlers_.erase(it);
  handler->release();
  return kResultOk;
}

tresult VST3_CALL plug_frame::registerTimer(ITimerHandler* handler, uint64 ms) {
  if (!handler || ms == 0) return kInvalidArgument;
  handler->addRef();
  timers_.push_back(handler);
  return kResultOk;
}

tresult VST3_CALL plug_frame::unregisterTimer(ITimerHandler* handler) {
  auto it = std::find(timers_.begin(), timers_.end(), handler);
  if (it == timers_.end()) return kInvalidArgument;
  timers_.erase(it);
  handler->release();
  return kResultOk;
}

void plug_frame::run_once() {
  // Copies: a callback may unregister itself (or another) while we walk.
  const std::vector<ITimerHandler*> timers = timers_;
  for (ITimerHandler* t : timers)
    if (std::find(timers_.begin(), timers_.end(), t) != timers_.end()) t->onTimer();
  const std::vector<fd_handler> handlers = handlers_;
  for (const fd_handler& h : handlers) {
    const bool still = std::any_of(handlers_.begin(), handlers_.end(),
                                   [&](const fd_handler& x) { return x.handler == h.handler; });
    if (still && fd_ready(h.fd)) h.handler->onFDIsSet(h.fd);
  }
}

}  // namespace vst3host
