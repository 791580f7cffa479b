#include "plugin/vst3/plug_view.h"

#include <cstdint>
#include <new>
#include <string_view>

#include "platform/fp_mode.h"

namespace vst3_shell {

namespace {

using namespace vst3;

template <class T>
tresult hand_out(T* face, void** obj) {
  face->addRef();
  *obj = face;
  return kResultOk;
}

}  // namespace

plug_view* plug_view::create(plugin::editor_object& editor, FUnknown* owner, plug_view** slot) {
  return new (std::nothrow) plug_view(editor, owner, slot);
}

plug_view::plug_view(plugin::editor_object& editor, FUnknown* owner, plug_view** slot)
    : editor_(editor), owner_(owner), slot_(slot) {
  if (owner_) owner_->addRef();
  if (slot_) *slot_ = this;
}

plug_view::~plug_view() {
  removed();
  setFrame(nullptr);
  if (slot_ && *slot_ == this) *slot_ = nullptr;
  if (owner_) owner_->release();
}

tresult VST3_CALL plug_view::queryInterface(const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  if (!iid) return kInvalidArgument;
  if (iid::FUnknown.matches(iid) || iid::IPlugView.matches(iid)) return hand_out(static_cast<IPlugView*>(this), obj);
  if (iid::IPlugViewContentScaleSupport.matches(iid))
    return hand_out(static_cast<IPlugViewContentScaleSupport*>(this), obj);
  if (iid::ITimerHandler.matches(iid)) return hand_out(static_cast<ITimerHandler*>(this), obj);
  if (iid::IEventHandler.matches(iid)) return hand_out(static_cast<IEventHandler*>(this), obj);
  return kNoInterface;
}

uint32 VST3_CALL plug_view::release() {
  const uint32 left = --references_;
  if (left == 0) delete this;
  return left;
}

tresult VST3_CALL plug_view::isPlatformTypeSupported(FIDString type) {
  return type && std::string_view(type) == platform_type() ? kResultTrue : kResultFalse;
}

tresult VST3_CALL plug_view::attached(void* parent, FIDString type) {
  if (!parent || isPlatformTypeSupported(type) != kResultTrue) return kInvalidArgument;
  if (open_) return kResultFalse;
  platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
  if (!editor_.open(parent)) return kResultFalse;
  open_ = true;
  start_timer();
  return kResultOk;
}

tresult VST3_CALL plug_view::removed() {
  if (!open_) return kResultFalse;
  stop_timer();
  platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
  editor_.close();
  open_ = false;
  return kResultOk;
}

tresult VST3_CALL plug_view::onWheel(float distance) {
  if (!open_) return kResultFalse;
  platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
  editor_.wheel(distance);
  return kResultTrue;
}

tresult VST3_CALL plug_view::getSize(ViewRect* size) {
  if (!size) return kInvalidArgument;
  int32_t width = 0, height = 0;
  editor_.size(width, height);
  *size = ViewRect{0, 0, width, height};
  return kResultOk;
}

namespace {
// Sizes a host may hand over; beyond them the rect is garbage.
constexpr int32 max_view_side = 32768;

bool plausible(const ViewRect& r) {
  const int64_t w = int64_t(r.right) - r.left, h = int64_t(r.bottom) - r.top;
  return w > 0 && h > 0 && w <= max_view_side && h <= max_view_side;
}
}  // namespace

// The host has made our window this size (after our resizeView, or on its
// own): the editor takes the offered size nearest to it.
tresult VST3_CALL plug_view::onSize(ViewRect* size) {
  if (!size) return kInvalidArgument;
  if (!plausible(*size)) return kResultFalse;
  platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
  editor_.fit_to(size->right - size->left, size->bottom - size->top);
  return kResultOk;
}

// A size the host proposes becomes the nearest the editor offers.
tresult VST3_CALL plug_view::checkSizeConstraint(ViewRect* rect) {
  if (!rect) return kInvalidArgument;
  int32_t width = 0, height = 0;
  if (plausible(*rect)) {
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
    editor_.nearest_size(width, height);
  } else {
    editor_.size(width, height);
  }
  rect->right = rect->left + width;
  rect->bottom = rect->top + height;
  return kResultOk;
}

tresult VST3_CALL plug_view::setFrame(IPlugFrame* frame) {
  if (frame == frame_) return kResultOk;
  stop_timer();
  if (frame) frame->addRef();
  if (frame_) frame_->release();
  frame_ = frame;
  if (open_) start_timer();  // a frame set after attached
  return kResultOk;
}

tresult VST3_CALL plug_view::setContentScaleFactor(float factor) {
  if (!(factor >= 0.5f && factor <= 8.f)) return kInvalidArgument;
  platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
  // An open editor applies the new scale at its next tick and then asks the
  // frame for the size (resizeView); a closed one gives it at the next getSize.
  editor_.set_content_scale(factor);
  return kResultTrue;
}

bool plug_view::request_size(int32_t width, int32_t height) {
  if (!frame_) return false;
  ViewRect rect{0, 0, width, height};
  return frame_->resizeView(this, &rect) == kResultOk;
}

void VST3_CALL plug_view::onTimer() {
  if (!open_) return;
  platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
  editor_.idle();
}

// Events waiting on the editor's connection: handled now, not at the next tick.
void VST3_CALL plug_view::onFDIsSet(int fd) { onTimer(); }

}  // namespace vst3_shell
