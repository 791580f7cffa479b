// The LV2 shell: one plug-in instance in front of plugin::instance. It maps
// the ports, walks the event sequence and hands the state bytes over; it
// holds no engine logic of its own.
//
// The UI runs a mirror instance of its own and sends what it changes that
// is not a parameter port as whole state bytes in pieces
// (plugin/lv2/state_messages.h). run() only copies the pieces into a fixed
// inbox and hands them to the host's worker; the worker thread joins and
// parses them and swaps the result in under the engine lock (as a VST host's
// chunk does on its UI thread). The other way, the worker saves the state
// and run() writes it in pieces to the notify port: when the UI asks, after
// a host's state restore and after a MIDI program change.
//
// worker:schedule is optional. Without it the plug-in plays, takes its
// parameters from the ports and its state from the host, but the UI's
// other edits do not reach it (loading state bytes on the audio thread is
// not an option) and its UI keeps its own start-up state.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/worker/worker.h>

#include "plugin/instance.h"
#include "plugin/live_readings.h"
#include "plugin/lv2/lv2_urids.h"
#include "plugin/lv2/state_messages.h"
#include "plugin/lv2/time_position.h"
#include "plugin/lv2/uris.h"

namespace plugin::lv2 {

class lv2_plugin final : public host_shell {
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
  // The UI hears of it.
  void state_restored();

  // Worker: on the worker thread, and its responses on the audio thread.
  LV2_Worker_Status work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle, uint32_t size,
                         const void* data);
  LV2_Worker_Status work_response(uint32_t size, const void* body);
  // The state bytes copied out (main thread for the host's state save, the
  // worker for the UI): one at a time, as they share the instance's buffer.
  template <class Use>
  void with_saved_state(Use use) {
    std::lock_guard<std::mutex> hold(save_mutex_);
    size_t size = 0;
    const uint8_t* bytes = instance_->save_state(size);
    use(bytes, size);
  }

  // State: the "vorn" state bytes under one key.
  const urids& ids() const { return ids_; }
  instance& inst() { return *instance_; }

  // MIDI events not forwarded to the UI because the run's share or the
  // notify buffer was full, since the plug-in was made (audio thread).
  int64_t midi_not_forwarded() const { return forward_dropped_; }

  // host_shell (the instance has no editor here: the UI has its own)
  bool time(host_time& out) override;
  void program_changed(int32_t index) override;

 private:
  lv2_plugin() = default;

  // Control ports that moved since the last run become parameter changes.
  void read_controls();
  // Renders frames [begin, end) of the block with what is queued.
  void run_piece(uint32_t begin, uint32_t end);
  // One of the UI's messages from the event input.
  void take_message(const LV2_Atom* atom, LV2_URID type);
  // Pieces in the inbox go to the worker while the host takes them.
  void feed_worker();
  void begin_notify();
  void write_notifications(uint32_t frames);
  // The MIDI the UI's mirror follows (learn, activity): kept for the notify
  // port, at most forward_capacity a run.
  void keep_for_ui(uint32_t frame, const uint8_t* bytes, uint32_t size);
  void write_forwarded();
  // The editor's live readings (meters, voices, lights), read at most
  // live_rate_hz times a second and sent when they changed, in what room
  // the notify buffer has left after everything else.
  void sample_live(uint32_t frames);
  void write_live(uint32_t frames);

  // What the worker answers (plain bytes through the host's ring).
  struct response {
    LV2_URID kind = 0;  // state_loaded, or state_request for "snapshot made"
    int32_t serial = 0;  // loaded: the UI's serial; snapshot: the current program
    uint32_t value = 0;  // loaded: 1 / 0; snapshot: its size
  };
  static constexpr uint32_t inbox_bytes = 32768;  // the UI keeps less than this in flight
  static constexpr int32_t frames_per_piece = 256;  // at most one piece to the UI per this many frames
  static constexpr int32_t forward_capacity = 64;  // MIDI events to the UI per run; the rest are counted
  static constexpr double live_rate_hz = 30.0;     // the editor redraws its lights about this often

  struct forwarded {
    uint32_t frame = 0;
    uint8_t size = 0;
    std::array<uint8_t, 3> bytes{};
  };

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

  // Audio thread.
  const LV2_Worker_Schedule* worker_ = nullptr;
  LV2_Atom_Sequence* notify_ = nullptr;
  LV2_Atom_Forge forge_{};
  LV2_Atom_Forge_Frame notify_frame_{};
  bool notify_open_ = false;
  std::array<uint64_t, inbox_bytes / 8> inbox_{};  // whole piece atoms, 8-byte aligned
  uint32_t inbox_read_ = 0;
  uint32_t inbox_used_ = 0;
  std::array<uint64_t, 4> request_{};  // an empty StateRequest object, for the worker
  int32_t ack_serial_ = 0;
  uint32_t ack_offset_ = 0;
  bool ack_due_ = false;
  response loaded_{};
  bool loaded_due_ = false;
  bool want_snapshot_ = false;
  bool snapshot_busy_ = false;
  bool sending_ = false;
  int32_t out_serial_ = 0;
  uint32_t out_offset_ = 0;
  uint32_t out_total_ = 0;
  int32_t out_program_ = -1;
  int32_t frames_since_piece_ = frames_per_piece;
  std::atomic<bool> post_state_{false};
  std::array<forwarded, forward_capacity> forward_{};
  int32_t forward_count_ = 0;
  int64_t forward_dropped_ = 0;
  live_readings live_now_;
  live_values live_next_{};  // the latest readings
  live_values live_sent_{};  // the last ones the UI was sent
  bool live_due_ = false;
  int32_t live_interval_ = 1600;  // frames between readings
  int32_t frames_since_live_ = 0;

  // Worker thread (outgoing_ is read by the audio thread while sending_;
  // the worker writes it only for a snapshot run() asked for when idle).
  state_assembly incoming_;
  std::vector<uint8_t> outgoing_;
  std::mutex save_mutex_;
};

}  // namespace plugin::lv2
