// The LV2 shell: one plug-in instance in front of plugin::instance. It maps
// the ports, walks the event sequence and hands the state bytes over; it
// holds no engine logic of its own.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>

#include "plugin/instance.h"
#include "plugin/lv2/dsp_link.h"
#include "plugin/lv2/lv2_urids.h"
#include "plugin/lv2/time_position.h"
#include "plugin/lv2/uris.h"

namespace plugin::lv2 {

class lv2_plugin final : public host_shell, public dsp_link {
 public:
  // Null when a required feature (urid:map) is missing or the instance
  // cannot be made.
  static lv2_plugin* create(double rate, const LV2_Feature* const* features);
  ~lv2_plugin() override;

  void connect(uint32_t port, void* data);
  void activate();
  void deactivate();
  void run(uint32_t frames);

  // A state was restored: the next run takes the ports as they are
  // without applying them, so the restored sound stands until a port moves.
  void state_restored() { adopt_ports_.store(true, std::memory_order_release); }

  // State: the "vorn" state bytes under one key.
  const urids& ids() const { return ids_; }
  instance& inst() { return *instance_; }

  // host_shell
  void automate(int32_t index, float normalised) override;
  void begin_edit(int32_t index) override;
  void end_edit(int32_t index) override;
  bool resize_editor(int32_t width, int32_t height) override;
  bool time(host_time& out) override;

  // dsp_link
  editor_object* editor() override { return instance_->editor(); }
  void attach_ui(ui_sink* sink) override { ui_ = sink; }

 private:
  lv2_plugin() = default;

  // Control ports that moved since the last run become parameter changes.
  void read_controls();
  // Renders frames [begin, end) of the block with what is queued.
  void run_piece(uint32_t begin, uint32_t end);

  instance* instance_ = nullptr;
  urids ids_;
  double rate_ = 48000.0;
  const LV2_Atom_Sequence* events_ = nullptr;
  float* left_ = nullptr;
  float* right_ = nullptr;
  std::array<const float*, instance::param_count> controls_{};
  // The value each control port had at the last run (before the first, its
  // declared default): only a port that has changed since becomes a
  // parameter change, so the editor's own changes and restored states are
  // not undone by the host's unchanged ports.
  std::array<float, instance::param_count> seen_{};
  std::atomic<bool> adopt_ports_{false};
  transport_follower transport_;
  ui_sink* ui_ = nullptr;
};

}  // namespace plugin::lv2
