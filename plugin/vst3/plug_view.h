// The editor through IPlugView: the instance's editor opened in the host's
// window, its size and the View menu's resizes passed on, and (on Linux) its
// events and timers run from the host's run loop, with no thread of our own.
#pragma once

#include <atomic>

#include "plugin/editor_object.h"
#include "plugin/vst3/vst3_abi.h"

namespace vst3_shell {

class plug_view final : public vst3::IPlugView,
                        public vst3::IPlugViewContentScaleSupport,
                        public vst3::ITimerHandler,
                        public vst3::IEventHandler {
 public:
  // The view reports its end through `slot` (set to null when it goes); the
  // owner is held for the view's life. One reference, the caller's.
  static plug_view* create(plugin::editor_object& editor, vst3::FUnknown* owner, plug_view** slot);

  // The editor asks for a new size: true when the host took it.
  bool request_size(int32_t width, int32_t height);

  vst3::tresult VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
  vst3::uint32 VST3_CALL addRef() override { return ++references_; }
  vst3::uint32 VST3_CALL release() override;

  vst3::tresult VST3_CALL isPlatformTypeSupported(vst3::FIDString type) override;
  vst3::tresult VST3_CALL attached(void* parent, vst3::FIDString type) override;
  vst3::tresult VST3_CALL removed() override;
  vst3::tresult VST3_CALL onWheel(float distance) override;
  vst3::tresult VST3_CALL onKeyDown(vst3::char16, vst3::int16, vst3::int16) override { return vst3::kResultFalse; }
  vst3::tresult VST3_CALL onKeyUp(vst3::char16, vst3::int16, vst3::int16) override { return vst3::kResultFalse; }
  vst3::tresult VST3_CALL getSize(vst3::ViewRect* size) override;
  vst3::tresult VST3_CALL onSize(vst3::ViewRect* size) override;
  vst3::tresult VST3_CALL onFocus(vst3::TBool) override { return vst3::kResultOk; }
  vst3::tresult VST3_CALL setFrame(vst3::IPlugFrame* frame) override;
  vst3::tresult VST3_CALL canResize() override { return vst3::kResultFalse; }
  vst3::tresult VST3_CALL checkSizeConstraint(vst3::ViewRect* rect) override;

  vst3::tresult VST3_CALL setContentScaleFactor(float factor) override;

  void VST3_CALL onTimer() override;
  void VST3_CALL onFDIsSet(int fd) override;

 private:
  plug_view(plugin::editor_object& editor, vst3::FUnknown* owner, plug_view** slot);
  ~plug_view();
  // The platform half (plug_view_posix.cpp, plug_view_win32.cpp).
  static const char* platform_type();
  void start_timer();
  void stop_timer();

  std::atomic<vst3::uint32> references_{1};
  plugin::editor_object& editor_;
  vst3::FUnknown* owner_;
  plug_view** slot_;
  vst3::IPlugFrame* frame_ = nullptr;
  vst3::FUnknown* run_loop_ = nullptr;  // the host's IRunLoop, while the timer runs
  bool watching_fd_ = false;             // the editor's event descriptor registered there
  bool open_ = false;
};

}  // namespace vst3_shell
