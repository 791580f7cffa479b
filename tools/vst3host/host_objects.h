// The objects a VST 3 host hands its plug-ins: a memory stream for states,
// the parameter changes and event list of a process call, the component
// handler that records the plug-in's edits, and the host application. All
// live as long as the host's own objects, so their reference counts are
// kept for checking rather than for freeing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/vst3/vst3_abi.h"

namespace vst3host {

// Counts references; never deletes (the host owns these objects).
template <class... Faces>
class host_object : public Faces... {
 public:
  vst3::uint32 VST3_CALL addRef() override { return ++references_; }
  vst3::uint32 VST3_CALL release() override { return --references_; }
  vst3::uint32 references() const { return references_; }

 protected:
  vst3::uint32 references_ = 1;
};

class memory_stream final : public host_object<vst3::IBStream> {
 public:
  memory_stream() = default;
  explicit memory_stream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  vst3::tresult VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
  vst3::tresult VST3_CALL read(void* buffer, vst3::int32 bytes, vst3::int32* bytes_read) override;
  vst3::tresult VST3_CALL write(void* buffer, vst3::int32 bytes, vst3::int32* bytes_written) override;
  vst3::tresult VST3_CALL seek(vst3::int64 pos, vst3::int32 mode, vst3::int64* result) override;
  vst3::tresult VST3_CALL tell(vst3::int64* pos) override;

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  void rewind() { position_ = 0; }

 private:
  std::vector<uint8_t> bytes_;
  size_t position_ = 0;
};

class value_queue final : public host_object<vst3::IParamValueQueue> {
 public:
  explicit value_queue(vst3::ParamID id) : id_(id) {}
  vst3::tresult VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
  vst3::ParamID VST3_CALL getParameterId() override { return id_; }
  vst3::int32 VST3_CALL getPointCount() override { return vst3::int32(points_.size()); }
  vst3::tresult VST3_CALL getPoint(vst3::int32 index, vst3::int32& offset, vst3::ParamValue& value) override;
  vst3::tresult VST3_CALL addPoint(vst3::int32 offset, vst3::ParamValue value, vst3::int32& index) override;

  struct point {
    vst3::int32 offset;
    vst3::ParamValue value;
  };
  const std::vector<point>& points() const { return points_; }

 private:
  vst3::ParamID id_;
  std::vector<point> points_;
};

class parameter_changes final : public host_object<vst3::IParameterChanges> {
 public:
  parameter_changes();
  ~parameter_changes();
  vst3::tresult VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
  vst3::int32 VST3_CALL getParameterCount() override { return count_; }
  vst3::IParamValueQueue* VST3_CALL getParameterData(vst3::int32 index) override;
  // The queue of an ID already in the list is handed out again.
  vst3::IParamValueQueue* VST3_CALL addParameterData(const vst3::ParamID& id, vst3::int32& index) override;

  // A point for id, in a queue of its own; points of one ID must come in
  // frame order.
  void add(vst3::ParamID id, vst3::int32 offset, vst3::ParamValue value);
  void clear();
  value_queue* queue(vst3::int32 index) const;

 private:
  std::vector<value_queue*> queues_;  // kept across clear(), reused
  vst3::int32 count_ = 0;
};

class event_list final : public host_object<vst3::IEventList> {
 public:
  vst3::tresult VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
  vst3::int32 VST3_CALL getEventCount() override { return vst3::int32(events_.size()); }
  vst3::tresult VST3_CALL getEvent(vst3::int32 index, vst3::Event& e) override;
  vst3::tresult VST3_CALL addEvent(vst3::Event& e) override;
  void clear() { events_.clear(); }

 private:
  std::vector<vst3::Event> events_;
};

// One call the plug-in made on the handler, in order.
struct edit_record {
  enum kind_type { begin, perform, end, restart } kind;
  vst3::ParamID id;  // restart: the flags
  vst3::ParamValue value;
};

class component_handler final : public host_object<vst3::IComponentHandler> {
 public:
  vst3::tresult VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
  vst3::tresult VST3_CALL beginEdit(vst3::ParamID id) override;
  vst3::tresult VST3_CALL performEdit(vst3::ParamID id, vst3::ParamValue value) override;
  vst3::tresult VST3_CALL endEdit(vst3::ParamID id) override;
  vst3::tresult VST3_CALL restartComponent(vst3::int32 flags) override;

  std::vector<edit_record> edits;
};

class host_application final : public host_object<vst3::IHostApplication> {
 public:
  vst3::tresult VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
  vst3::tresult VST3_CALL getName(vst3::char16* name) override;
  // Messages and attribute lists are not offered: our plug-in needs none.
  vst3::tresult VST3_CALL createInstance(vst3::TUID cid, vst3::TUID iid, void** obj) override;
};

// UTF-16 into UTF-8, for printing what the plug-in wrote.
std::string narrow(const vst3::char16* text, size_t max_units);

}  // namespace vst3host
