#include "tools/vst3host/host_objects.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "plugin/vst3/text16.h"

namespace vst3host {

namespace {

using namespace vst3;

template <class T>
tresult answer(T* self, const uid& own, const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  if (iid::FUnknown.matches(iid) || own.matches(iid)) {
    self->addRef();
    *obj = self;
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

}  // namespace

// ---- memory_stream ----------------------------------------------------------

tresult VST3_CALL memory_stream::queryInterface(const TUID iid, void** obj) {
  return answer(this, iid::IBStream, iid, obj);
}

tresult VST3_CALL memory_stream::read(void* buffer, int32 bytes, int32* bytes_read) {
  if (bytes_read) *bytes_read = 0;
  if (!buffer || bytes < 0) return kInvalidArgument;
  const size_t left = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
  const size_t n = std::min(left, size_t(bytes));
  if (n) std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  if (bytes_read) *bytes_read = int32(n);
  return kResultOk;
}

tresult VST3_CALL memory_stream::write(void* buffer, int32 bytes, int32* bytes_written) {
  if (bytes_written) *bytes_written = 0;
  if (!buffer || bytes < 0) return kInvalidArgument;
  if (bytes_.size() < position_ + size_t(bytes)) bytes_.resize(position_ + size_t(bytes));
  std::memcpy(bytes_.data() + position_, buffer, size_t(bytes));
  position_ += size_t(bytes);
  if (bytes_written) *bytes_written = bytes;
  return kResultOk;
}

tresult VST3_CALL memory_stream::seek(int64 pos, int32 mode, int64* result) {
  int64 base = mode == kIBSeekSet ? 0 : mode == kIBSeekCur ? int64(position_) : int64(bytes_.size());
  if (mode < kIBSeekSet || mode > kIBSeekEnd || base + pos < 0) return kInvalidArgument;
  position_ = size_t(base + pos);
  if (result) *result = int64(position_);
  return kResultOk;
}

tresult VST3_CALL memory_stream::tell(int64* pos) {
  if (!pos) return kInvalidArgument;
  *pos = int64(position_);
  return kResultOk;
}

// ---- parameter changes --------------------------------------------------------

tresult VST3_CALL value_queue::queryInterface(const TUID iid, void** obj) {
  return answer(this, iid::IParamValueQueue, iid, obj);
}

tresult VST3_CALL value_queue::getPoint(int32 index, int32& offset, ParamValue& value) {
  if (index < 0 || index >= int32(points_.size())) return kInvalidArgument;
  offset = points_[size_t(index)].offset;
  value = points_[size_t(index)].value;
  return kResultOk;
}

tresult VST3_CALL value_queue::addPoint(int32 offset, ParamValue value, int32& index) {
  points_.push_back(point{offset, value});
  index = int32(points_.size()) - 1;
  return kResultOk;
}

parameter_changes::parameter_changes() = default;

parameter_changes::~parameter_changes() {
  for (value_queue* q : queues_) delete q;
}

tresult VST3_CALL parameter_changes::queryInterface(const TUID iid, void** obj) {
  return answer(this, iid::IParameterChanges, iid, obj);
}

IParamValueQueue* VST3_CALL parameter_changes::getParameterData(int32 index) { return queue(index); }

value_queue* parameter_changes::queue(int32 index) const {
  return index >= 0 && index < count_ ? queues_[size_t(index)] : nullptr;
}

IParamValueQueue* VST3_CALL parameter_changes::addParameterData(const ParamID& id, int32& index) {
  for (int32 i = 0; i < count_; ++i) {
    if (queues_[size_t(i)]->getParameterId() == id) {
      index = i;
      return queues_[size_t(i)];
    }
  }
  if (count_ == int32(queues_.size())) queues_.push_back(nullptr);
  delete queues_[size_t(count_)];
  queues_[size_t(count_)] = new value_queue(id);
  index = count_++;
  return queues_[size_t(index)];
}

void parameter_changes::add(ParamID id, int32 offset, ParamValue value) {
  int32 index = 0;
  int32 point = 0;
  addParameterData(id, index)->addPoint(offset, value, point);
}

void parameter_changes::clear() { count_ = 0; }

// ---- events -------------------------------------------------------------------

tresult VST3_CALL event_list::queryInterface(const TUID iid, void** obj) {
  return answer(this, iid::IEventList, iid, obj);
}

tresult VST3_CALL event_list::getEvent(int32 index, Event& e) {
  if (index < 0 || index >= int32(events_.size())) return kInvalidArgument;
  e = events_[size_t(index)];
  return kResultOk;
}

tresult VST3_CALL event_list::addEvent(Event& e) {
  events_.push_back(e);
  return kResultOk;
}

// ---- handler and application --------------------------------------------------

tresult VST3_CALL component_handler::queryInterface(const TUID iid, void** obj) {
  return answer(this, iid::IComponentHandler, iid, obj);
}

tresult VST3_CALL component_handler::beginEdit(ParamID id) {
  edits.push_back({edit_record::begin, id, 0.0});
  return kResultOk;
}

tresult VST3_CALL component_handler::performEdit(ParamID id, ParamValue value) {
  edits.push_back({edit_record::perform, id, value});
  return kResultOk;
}

tresult VST3_CALL component_handler::endEdit(ParamID id) {
  edits.push_back({edit_record::end, id, 0.0});
  return kResultOk;
}

tresult VST3_CALL component_handler::restartComponent(int32 flags) {
  edits.push_back({edit_record::restart, ParamID(flags), 0.0});
  return kResultOk;
}

tresult VST3_CALL host_application::queryInterface(const TUID iid, void** obj) {
  return answer(this, iid::IHostApplication, iid, obj);
}

tresult VST3_CALL host_application::getName(char16* name) {
  if (!name) return kInvalidArgument;
  vst3_shell::copy_to_utf16(name, 128, "vorn-vst3host");
  return kResultOk;
}

tresult VST3_CALL host_application::createInstance(TUID, TUID, void** obj) {
  if (obj) *obj = nullptr;
  return kNotImplemented;
}

std::string narrow(const char16* text, size_t max_units) {
  char out[512];
  vst3_shell::copy_from_utf16(out, sizeof out, text, max_units);
  return out;
}

}  // namespace vst3host
