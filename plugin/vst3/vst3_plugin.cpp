// Life cycle, interfaces, buses and state of the VST 3 instrument.
#include "plugin/vst3/vst3_plugin.h"

#include <cstring>
#include <new>

#include "platform/fp_mode.h"
#include "plugin/vst3/state_stream.h"
#include "plugin/vst3/text16.h"

namespace vst3_shell {

namespace {

using namespace vst3;

constexpr int32 midi_channel_count = 16;

template <class T>
tresult hand_out(T* face, void** obj) {
  face->addRef();
  *obj = face;
  return kResultOk;
}

}  // namespace

vst3_plugin* vst3_plugin::create() { return new (std::nothrow) vst3_plugin(); }

vst3_plugin::~vst3_plugin() { destroy_instance(); }

void vst3_plugin::destroy_instance() {
  if (instance_) {
    platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
    plugin::instance::destroy(instance_);
  }
  instance_ = nullptr;
}

tresult VST3_CALL vst3_plugin::queryInterface(const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  if (!iid) return kInvalidArgument;
  if (iid::FUnknown.matches(iid) || iid::IPluginBase.matches(iid) || iid::IComponent.matches(iid))
    return hand_out(static_cast<IComponent*>(this), obj);
  if (iid::IAudioProcessor.matches(iid)) return hand_out(static_cast<IAudioProcessor*>(this), obj);
  if (iid::IProcessContextRequirements.matches(iid))
    return hand_out(static_cast<IProcessContextRequirements*>(this), obj);
  if (iid::IEditController.matches(iid)) return hand_out(static_cast<IEditController*>(this), obj);
  if (iid::IMidiMapping.matches(iid)) return hand_out(static_cast<IMidiMapping*>(this), obj);
  if (iid::IUnitInfo.matches(iid)) return hand_out(static_cast<IUnitInfo*>(this), obj);
  return kNoInterface;
}

uint32 VST3_CALL vst3_plugin::addRef() { return ++references_; }

uint32 VST3_CALL vst3_plugin::release() {
  const uint32 left = --references_;
  if (left == 0) delete this;
  return left;
}

tresult VST3_CALL vst3_plugin::initialize(FUnknown* context) {
  if (initialized_) return kResultFalse;
  platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
  instance_ = plugin::instance::create(static_cast<plugin::host_shell*>(this), true);
  if (!instance_) return kResultFalse;
  instance_->set_sample_rate(sample_rate_);
  initialized_ = true;
  return kResultOk;
}

tresult VST3_CALL vst3_plugin::terminate() {
  if (!initialized_) return kResultFalse;
  if (handler_) handler_->release();
  handler_ = nullptr;
  active_ = processing_ = false;
  destroy_instance();
  initialized_ = false;
  return kResultOk;
}

tresult VST3_CALL vst3_plugin::getControllerClassId(TUID class_id) {
  return kNotImplemented;  // the component is its own controller
}

tresult VST3_CALL vst3_plugin::setIoMode(IoMode mode) { return kResultOk; }

int32 VST3_CALL vst3_plugin::getBusCount(MediaType type, BusDirection dir) {
  if (type == kAudio && dir == kOutput) return 1;
  if (type == kEvent && dir == kInput) return 1;
  return 0;
}

tresult VST3_CALL vst3_plugin::getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus) {
  if (index != 0 || getBusCount(type, dir) == 0) return kInvalidArgument;
  bus = BusInfo{};
  bus.mediaType = type;
  bus.direction = dir;
  bus.channelCount = type == kAudio ? 2 : midi_channel_count;
  copy_to_utf16(bus.name, 128, type == kAudio ? "Output" : "MIDI In");
  bus.busType = kMain;
  bus.flags = kDefaultActive;
  return kResultOk;
}

tresult VST3_CALL vst3_plugin::getRoutingInfo(RoutingInfo& in, RoutingInfo& out) { return kNotImplemented; }

tresult VST3_CALL vst3_plugin::activateBus(MediaType type, BusDirection dir, int32 index, TBool state) {
  if (index != 0 || getBusCount(type, dir) == 0) return kInvalidArgument;
  if (active_) return kResultFalse;
  (type == kAudio ? output_bus_active_ : event_bus_active_) = state != 0;
  return kResultOk;
}

tresult VST3_CALL vst3_plugin::setActive(TBool state) {
  if (!initialized_) return kResultFalse;
  const bool on = state != 0;
  if (on == active_) return kResultOk;
  if (on && !set_up_) return kResultFalse;  // no rate nor block size yet
  platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
  if (on) {
    // Calls without output buffers still run the engine: room for both
    // channels of the largest block, sized here rather than on the audio thread.
    scratch_.assign(size_t(max_block_) * 2, 0.f);
    instance_->set_sample_rate(sample_rate_);
  } else {
    processing_ = false;
  }
  instance_->set_active(on);
  notes_.clear();  // the voices ended, and with them the notes' IDs
  active_ = on;
  return kResultOk;
}

tresult vst3_plugin::set_component_state(IBStream* state) {
  if (!state) return kInvalidArgument;
  if (!initialized_) return kResultFalse;
  std::vector<uint8_t> bytes;
  if (!read_stream(*state, bytes)) return kResultFalse;
  size_t size = 0;
  const uint8_t* chunk = unwrap_vst2_chunk(bytes.data(), bytes.size(), size);
  if (!chunk || size == 0) return kResultFalse;
  platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
  return instance_->load_state(chunk, size) ? kResultOk : kResultFalse;
}

tresult vst3_plugin::get_component_state(IBStream* state) {
  if (!state) return kInvalidArgument;
  if (!initialized_) return kResultFalse;
  platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
  size_t size = 0;
  const uint8_t* bytes = instance_->save_state(size);
  if (!bytes || size == 0) return kResultFalse;
  return write_stream(*state, bytes, size) ? kResultOk : kResultFalse;
}

// The controller half shares the component's instance: the processor state
// it is handed is already in place, so syncing reads the parameters from there.
tresult VST3_CALL vst3_plugin::setComponentState(IBStream* state) {
  if (!state) return kInvalidArgument;
  return initialized_ ? kResultOk : kResultFalse;
}

// The controller's state is the current program's number: the instance
// state holds the bank but not which program plays (a VST 2 host restores
// that with its own program call), and a VST 3 host restores the controller
// state right after the component's. Eight bytes: "vprg", the number
// little-endian. An empty stream (a host that keeps no controller state)
// leaves the program as it is.
namespace {
constexpr char program_tag[4] = {'v', 'p', 'r', 'g'};
constexpr size_t program_state_bytes = 8;
}  // namespace

tresult vst3_plugin::set_controller_state(IBStream* state) {
  if (!state) return kInvalidArgument;
  if (!initialized_) return kResultFalse;
  std::vector<uint8_t> bytes;
  if (!read_stream(*state, bytes)) return kResultFalse;
  if (bytes.empty()) return kResultOk;
  if (bytes.size() != program_state_bytes || std::memcmp(bytes.data(), program_tag, 4) != 0) return kResultFalse;
  const int32_t index = int32_t(uint32_t(bytes[4]) | uint32_t(bytes[5]) << 8 | uint32_t(bytes[6]) << 16 |
                                uint32_t(bytes[7]) << 24);
  if (index < 0 || index >= plugin::instance::program_count) return kResultFalse;
  platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
  if (index != instance_->program()) instance_->set_program(index);
  return kResultOk;
}

tresult vst3_plugin::get_controller_state(IBStream* state) {
  if (!state) return kInvalidArgument;
  if (!initialized_) return kResultFalse;
  const uint32_t index = uint32_t(instance_->program());
  const uint8_t bytes[program_state_bytes] = {uint8_t(program_tag[0]), uint8_t(program_tag[1]),
                                              uint8_t(program_tag[2]), uint8_t(program_tag[3]),
                                              uint8_t(index),          uint8_t(index >> 8),
                                              uint8_t(index >> 16),    uint8_t(index >> 24)};
  return write_stream(*state, bytes, sizeof bytes) ? kResultOk : kResultFalse;
}

tresult VST3_CALL vst3_plugin::setBusArrangements(SpeakerArrangement* inputs, int32 ins,
                                                  SpeakerArrangement* outputs, int32 outs) {
  if (active_) return kResultFalse;
  if (ins == 0 && outs == 1 && outputs && outputs[0] == kSpeakerStereo) return kResultTrue;
  return kResultFalse;  // we keep one stereo output and no input
}

tresult VST3_CALL vst3_plugin::getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr) {
  if (dir != kOutput || index != 0) return kInvalidArgument;
  arr = kSpeakerStereo;
  return kResultOk;
}

tresult VST3_CALL vst3_plugin::canProcessSampleSize(int32 size) {
  return size == kSample32 ? kResultTrue : kResultFalse;
}

tresult VST3_CALL vst3_plugin::setupProcessing(ProcessSetup& setup) {
  if (!initialized_ || active_) return kResultFalse;
  if (setup.symbolicSampleSize != kSample32) return kResultFalse;
  constexpr int32 max_block_limit = 1 << 20;
  if (!(setup.sampleRate >= 1000.0 && setup.sampleRate <= 1536000.0) || setup.maxSamplesPerBlock <= 0 ||
      setup.maxSamplesPerBlock > max_block_limit)
    return kInvalidArgument;
  sample_rate_ = setup.sampleRate;
  max_block_ = setup.maxSamplesPerBlock;
  set_up_ = true;
  return kResultOk;
}

tresult VST3_CALL vst3_plugin::setProcessing(TBool state) {
  if (!active_) return kResultFalse;
  processing_ = state != 0;
  return kResultOk;
}

uint32 VST3_CALL vst3_plugin::getTailSamples() {
  // Releases and the effects' tails depend on the sound; five seconds covers
  // the long ones without keeping an offline render going for ever.
  constexpr double tail_seconds = 5.0;
  return uint32(sample_rate_ * tail_seconds);
}

uint32 VST3_CALL vst3_plugin::getProcessContextRequirements() {
  return kNeedTempo | kNeedProjectTimeMusic | kNeedTransportState | kNeedTimeSignature;
}

}  // namespace vst3_shell
