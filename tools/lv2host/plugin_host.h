// One LV2 plug-in instance driven through lilv the way a host drives it:
// the bundle loaded into a lilv world, the plug-in instantiated with urid:map,
// its ports connected (events, audio outputs, control inputs at their
// defaults), MIDI and transport queued as atom events and audio rendered
// block by block. The state goes through lilv (as hosts save sessions) or
// directly through the plug-in's state interface (its raw bytes).
// Single-threaded use.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <lilv/lilv.h>

#include "tools/lv2host/urid_map.h"

namespace lv2host {

class plugin_host {
 public:
  static constexpr int32_t default_block_size = 512;
  static constexpr size_t event_capacity = 16384;  // bytes of the event buffer

  plugin_host();
  ~plugin_host();
  plugin_host(const plugin_host&) = delete;
  plugin_host& operator=(const plugin_host&) = delete;

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
  // Runs one block (frames <= block size) into left/right.
  bool process(float* left, float* right, int32_t frames);

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

  urid_map urids_;
  LilvWorld* world_ = nullptr;
  const LilvPlugin* plugin_ = nullptr;
  LilvInstance* instance_ = nullptr;
  std::vector<float> controls_;
  std::vector<uint8_t> control_flags_;  // 1 for a control input port
  std::vector<uint64_t> events_;        // 8-byte aligned atom sequence
  std::vector<float> scratch_;
  int32_t events_port_ = -1;
  int32_t left_port_ = -1;
  int32_t right_port_ = -1;
  int32_t block_size_ = default_block_size;
};

}  // namespace lv2host
