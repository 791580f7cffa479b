// One LV2 plug-in instance driven through lilv the way a host drives it:
// the bundle loaded into a lilv world, the plug-in instantiated with urid:map,
// its ports connected (events, audio outputs, control inputs at their
// defaults), MIDI and transport queued as atom events and audio rendered
// block by block. The state goes through lilv (as hosts save sessions) or
// directly through the plug-in's state interface (its raw bytes).
// Single-threaded use.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/worker/worker.h>

#include "tools/lv2host/urid_map.h"

namespace lv2host {

class plugin_host {
 public:
  static constexpr int32_t default_block_size = 512;
  static constexpr size_t event_capacity = 32768;  // bytes of the event buffer (a flood of 1000 MIDI events fits)

  plugin_host();
  ~plugin_host();
  plugin_host(const plugin_host&) = delete;
  plugin_host& operator=(const plugin_host&) = delete;

  // The worker:schedule feature is offered unless this is called with false
  // before load. Its requests wait in a ring as small as jalv's until
  // run_worker; the answers reach the plug-in after its next run.
  void offer_worker(bool on) { offer_worker_ = on; }
  static constexpr size_t worker_ring_bytes = 4096;

  // Loads the bundle folder and instantiates the plug-in `uri`, activated.
  bool load(const std::string& bundle, const std::string& uri, double rate, int32_t block_size, std::string& error);

  // Another bundle for the same world (a preset bundle), before or after load.
  void add_bundle(const std::string& bundle);
  // Applies the plug-in's preset with this label (rdfs:label) as a host's
  // preset menu does; false when there is none.
  bool apply_preset(const std::string& label);

  int32_t port_count() const;
  int32_t port_index(const char* symbol) const;  // -1 when none
  // Control input ports by port index (their default until set).
  void set_control(int32_t port, float value);
  float control(int32_t port) const;

  bool queue_midi(int32_t frame, uint8_t b0, uint8_t b1, uint8_t b2);
  // A time:Position object: tempo, rolling or not, bar and beat in the bar.
  bool queue_position(int32_t frame, double bpm, bool rolling, int64_t bar, double bar_beat);
  // Any atom as an event of the event input (a UI's message).
  bool queue_atom(int32_t frame, const LV2_Atom* atom);
  // Runs one block (frames <= block size) into left/right.
  bool process(float* left, float* right, int32_t frames);
  // The worker's requests so far, run here (the test's worker thread);
  // the number run.
  int32_t run_worker();
  size_t pending_work() const { return requests_used_; }
  // The events the last block wrote to the notify output.
  void for_each_notification(const std::function<void(const LV2_Atom*)>& use) const;

  // The plug-in's state through lilv (as a session keeps it), and back.
  LilvState* save_state();
  bool restore_state(const LilvState* state);
  // One property of the plug-in's state through its state interface.
  std::vector<uint8_t> state_value(const char* key_uri);
  bool set_state_value(const char* key_uri, const char* type_uri, const std::vector<uint8_t>& bytes);

  LilvWorld* world() const { return world_; }
  const LilvPlugin* plugin() const { return plugin_; }
  urid_map& urids() { return urids_; }

 private:
  bool append_event(int32_t frame, LV2_URID type, const void* body, uint32_t size);
  static LV2_Worker_Status schedule(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data);
  static LV2_Worker_Status respond(LV2_Worker_Respond_Handle handle, uint32_t size, const void* data);
  // Appends a size-prefixed record to a fixed ring; false when it is full.
  static bool push_record(std::vector<uint64_t>& ring, size_t& used, uint32_t size, const void* data);

  urid_map urids_;
  LilvWorld* world_ = nullptr;
  const LilvPlugin* plugin_ = nullptr;
  LilvInstance* instance_ = nullptr;
  std::vector<float> controls_;
  std::vector<uint8_t> control_flags_;  // 1 for a control input port
  std::vector<uint64_t> events_;        // 8-byte aligned atom sequence
  std::vector<float> scratch_;
  bool offer_worker_ = true;
  LV2_Worker_Schedule schedule_{};
  LV2_Feature schedule_feature_{};
  const LV2_Worker_Interface* worker_ = nullptr;
  std::vector<uint64_t> requests_;   // worker_ring_bytes, records of uint64 size then data
  size_t requests_used_ = 0;
  std::vector<uint64_t> responses_;
  size_t responses_used_ = 0;
  std::vector<uint64_t> notify_;      // the notify output's sequence
  int32_t notify_port_ = -1;
  LV2_URID chunk_type_ = 0;
  LV2_URID sequence_type_ = 0;
  int32_t events_port_ = -1;
  int32_t left_port_ = -1;
  int32_t right_port_ = -1;
  int32_t block_size_ = default_block_size;
};

}  // namespace lv2host
