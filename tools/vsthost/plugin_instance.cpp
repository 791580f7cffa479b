#include "tools/vsthost/plugin_instance.h"

#include <algorithm>
#include <cstring>

#include "tools/vsthost/host_callback.h"

namespace vsthost {

namespace {

// Plug-ins overrun the nominal text sizes (8 characters for parameter texts,
// 24 for program names); every text buffer we hand out is this large.
constexpr size_t text_buffer_bytes = 256;
// A bound on channel counts read from the effect, far above any real plug-in.
constexpr int32_t max_channels = 64;

const char* const supported_can_dos[] = {
    "sizeWindow",       "sendVstEvents",       "sendVstMidiEvent", "sendVstTimeInfo",
    "receiveVstEvents", "receiveVstMidiEvent", "supplyIdle",
};

void copy_text(void* ptr, const char* text) {
  if (!ptr) return;
  // Hosts are asked for these strings with kVstMaxVendorStrLen-sized buffers.
  const size_t n = std::min(std::strlen(text), size_t(kVstMaxVendorStrLen) - 1);
  std::memcpy(ptr, text, n);
  static_cast<char*>(ptr)[n] = 0;
}

// Reads a NUL-terminated query from the plug-in, without trusting it to be
// terminated within a sane length.
bool text_equals(const void* ptr, const char* expected) {
  if (!ptr) return false;
  const size_t n = std::strlen(expected);
  return std::strncmp(static_cast<const char*>(ptr), expected, n + 1) == 0;
}

}  // namespace

plugin_instance::~plugin_instance() { close(); }

bool plugin_instance::create(const plugin_library& library, std::string& error) {
  if (!library.is_open()) {
    error = "plug-in library is not open";
    return false;
  }
  return create(library.entry(), error);
}

bool plugin_instance::create(VstEntryProc entry, std::string& error) {
  close();
  if (!entry) {
    error = "no entry point";
    return false;
  }
  set_instance_being_created(this);
  AEffect* effect = entry(&host_callback);
  set_instance_being_created(nullptr);
  if (!effect) {
    error = "the plug-in's entry returned no effect";
    return false;
  }
  if (effect->magic != kEffectMagic) {
    error = "the plug-in's effect has a wrong magic number";
    return false;
  }
  if (effect->numInputs < 0 || effect->numInputs > max_channels || effect->numOutputs < 0 ||
      effect->numOutputs > max_channels) {
    error = "the plug-in declares an impossible channel count";
    return false;
  }
  effect_ = effect;
  register_effect(effect, this);
  dispatch(effOpen);
  set_sample_rate(transport_.sample_rate());
  set_block_size(block_size_);
  return true;
}

void plugin_instance::close() {
  if (!effect_) return;
  if (resumed_) suspend();
  AEffect* effect = effect_;
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.f);  // the effect is gone after this
  unregister_effect(effect);
  effect_ = nullptr;
  events_.clear();
}

intptr_t plugin_instance::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                   float opt) {
  if (!effect_ || !effect_->dispatcher) return 0;
  return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void plugin_instance::set_sample_rate(double hz) {
  transport_.set_sample_rate(hz);
  dispatch(effSetSampleRate, 0, 0, nullptr, float(hz));
}

void plugin_instance::set_block_size(int32_t max_frames) {
  block_size_ = std::max<int32_t>(max_frames, 1);
  const int32_t ins = effect_ ? effect_->numInputs : 0;
  const int32_t outs = effect_ ? std::max(effect_->numOutputs, 2) : 2;
  silence_.assign(size_t(block_size_), 0.f);
  scratch_.assign(size_t(outs) * size_t(block_size_), 0.f);
  inputs_.assign(size_t(std::max(ins, 1)), silence_.data());
  outputs_.resize(size_t(outs));
  for (int32_t c = 0; c < outs; ++c) outputs_[size_t(c)] = scratch_.data() + size_t(c) * size_t(block_size_);
  dispatch(effSetBlockSize, 0, block_size_);
}

void plugin_instance::resume() {
  if (resumed_) return;
  dispatch(effMainsChanged, 0, 1);
  dispatch(effStartProcess);
  resumed_ = true;
}

void plugin_instance::suspend() {
  if (!resumed_) return;
  dispatch(effStopProcess);
  dispatch(effMainsChanged, 0, 0);
  resumed_ = false;
}

std::string plugin_instance::dispatch_text(int32_t opcode, int32_t index) {
  char buf[text_buffer_bytes] = {};
  dispatch(opcode, index, 0, buf);
  buf[text_buffer_bytes - 1] = 0;
  return std::string(buf);
}

std::string plugin_instance::effect_name() { return dispatch_text(effGetEffectName, 0); }
std::string plugin_instance::vendor() { return dispatch_text(effGetVendorString, 0); }
std::string plugin_instance::product() { return dispatch_text(effGetProductString, 0); }
int32_t plugin_instance::vendor_version() { return int32_t(dispatch(effGetVendorVersion)); }
int32_t plugin_instance::vst_version() { return int32_t(dispatch(effGetVstVersion)); }
int32_t plugin_instance::category() { return int32_t(dispatch(effGetPlugCategory)); }

intptr_t plugin_instance::can_do(const char* what) {
  return dispatch(effCanDo, 0, 0, const_cast<char*>(what));
}

std::string plugin_instance::program_name(int32_t program) {
  char buf[text_buffer_bytes] = {};
  dispatch(effGetProgramNameIndexed, program, -1, buf);
  buf[text_buffer_bytes - 1] = 0;
  return std::string(buf);
}

void plugin_instance::set_program(int32_t program) {
  dispatch(effBeginSetProgram);
  dispatch(effSetProgram, 0, program);
  dispatch(effEndSetProgram);
}

int32_t plugin_instance::program() { return int32_t(dispatch(effGetProgram)); }

std::string plugin_instance::param_name(int32_t index) { return dispatch_text(effGetParamName, index); }
std::string plugin_instance::param_display(int32_t index) {
  return dispatch_text(effGetParamDisplay, index);
}
std::string plugin_instance::param_label(int32_t index) { return dispatch_text(effGetParamLabel, index); }

bool plugin_instance::param_properties(int32_t index, VstParameterProperties& out) {
  std::memset(&out, 0, sizeof out);
  return dispatch(effGetParameterProperties, index, 0, &out) == 1;
}

int32_t plugin_instance::find_param(const std::string& name) {
  for (int32_t i = 0; i < num_params(); ++i)
    if (param_name(i) == name) return i;
  return -1;
}

float plugin_instance::get_parameter(int32_t index) {
  if (!effect_ || !effect_->getParameter || index < 0 || index >= effect_->numParams) return 0.f;
  return effect_->getParameter(effect_, index);
}

void plugin_instance::set_parameter(int32_t index, float value) {
  if (!effect_ || !effect_->setParameter || index < 0 || index >= effect_->numParams) return;
  effect_->setParameter(effect_, index, value);
}

bool plugin_instance::queue_midi(int32_t delta_frames, uint8_t b0, uint8_t b1, uint8_t b2) {
  return events_.push(delta_frames, b0, b1, b2);
}

bool plugin_instance::process(float* left, float* right, int32_t frames) {
  return effect_ && run(effect_->processReplacing, left, right, frames);
}

bool plugin_instance::process_accumulating(float* left, float* right, int32_t frames) {
  return effect_ && run(effect_->process, left, right, frames);
}

bool plugin_instance::run(AEffectProcessProc proc, float* left, float* right, int32_t frames) {
  if (!proc || frames < 0 || frames > block_size_) return false;
  if (!events_.empty()) {
    dispatch(effProcessEvents, 0, 0, events_.prepare(frames));
    events_.clear();
  }
  // Unwanted outputs land in scratch space, cleared because the accumulating
  // call adds into it.
  std::fill(scratch_.begin(), scratch_.end(), 0.f);
  float* outs[max_channels];
  for (size_t c = 0; c < outputs_.size(); ++c) outs[c] = outputs_[c];
  if (left) outs[0] = left;
  if (right) outs[1] = right;
  proc(effect_, inputs_.data(), outs, frames);
  transport_.advance(frames);
  return true;
}

intptr_t plugin_instance::answer_without_instance(int32_t opcode, void* ptr) {
  switch (opcode) {
    case audioMasterVersion:
      return kVstVersion;
    case audioMasterCanDo:
      for (const char* s : supported_can_dos)
        if (text_equals(ptr, s)) return 1;
      return 0;
    case audioMasterGetVendorString:
      copy_text(ptr, vendor_text);
      return 1;
    case audioMasterGetProductString:
      copy_text(ptr, product_text);
      return 1;
    case audioMasterGetVendorVersion:
      return vendor_version_number;
    default:
      return 0;
  }
}

void plugin_instance::clear_requests() {
  std::vector<automation_record> automation = std::move(requests_.automation);
  std::vector<edit_record> edits = std::move(requests_.edits);
  automation.clear();
  edits.clear();
  requests_ = host_requests{};
  requests_.automation = std::move(automation);
  requests_.edits = std::move(edits);
}

intptr_t plugin_instance::on_host_call(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                       float opt) {
  switch (opcode) {
    case audioMasterAutomate:
      requests_.automation.push_back({index, opt});
      requests_.edits.push_back({opcode, index, std::this_thread::get_id()});
      return 0;
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
      requests_.edits.push_back({opcode, index, std::this_thread::get_id()});
      return 1;
    case audioMasterGetProductString:
      if (identity_.product.empty()) return answer_without_instance(opcode, ptr);
      copy_text(ptr, identity_.product.c_str());
      return 1;
    case audioMasterGetVendorVersion:
      return identity_.product.empty() ? answer_without_instance(opcode, ptr) : identity_.vendor_version;
    case audioMasterIdle:
      ++requests_.idle_calls;
      return 0;
    case audioMasterWantMidi:
      requests_.wants_midi = true;
      return 1;
    case audioMasterGetTime:
      transport_.fill(time_info_);
      return reinterpret_cast<intptr_t>(&time_info_);
    case audioMasterSizeWindow:
      requests_.window_width = index;
      requests_.window_height = int32_t(value);
      return 1;
    case audioMasterGetSampleRate:
      return intptr_t(transport_.sample_rate());
    case audioMasterGetBlockSize:
      return block_size_;
    case audioMasterUpdateDisplay:
      ++requests_.display_updates;
      return 1;
    default:
      return answer_without_instance(opcode, ptr);
  }
}

}  // namespace vsthost
