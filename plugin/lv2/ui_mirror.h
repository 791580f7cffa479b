// The LV2 UI's side of the plug-in: a mirror instance of its own (no audio)
// that the editor edits, kept in step with the plug-in through ports and
// atom messages, never through the plug-in's memory (an LV2 UI may run in
// another process, and hosts need not offer instance access).
//
// - Parameters travel as the control ports: the editor's gestures become
//   port writes (with touch), the host's port changes (port_event) set the
//   mirror's parameters.
// - Everything else the editor changes (routes, effects, programs, banks,
//   names, globals, tuning, waves, songs) is announced by the instance as a
//   state edit; at the next idle the mirror's whole "vorn" state bytes go to
//   the plug-in in pieces on the event input (plugin/lv2/state_messages.h),
//   at most `window_bytes` of them not yet acknowledged. Bytes equal to the
//   last ones exchanged are not sent, so a state that came from the plug-in
//   is never echoed back. After a send, ports whose parameter the state
//   moved are written too, so the host's controls show the sound.
// - On opening, the mirror asks for the plug-in's state; the plug-in also
//   sends it after a host restores a state or a MIDI program change.
// - The plug-in forwards the MIDI it received (notes, controllers, pressure,
//   bend; a bounded number a run) on its notify port. At the next idle the
//   mirror's engine takes them without rendering: a learn the editor armed
//   completes, the activity lights. A learn's new mapping is a state edit
//   (the plug-in never armed it); parameters a mapped controller moved are
//   written to their ports, which only repeats what the plug-in did.
// - The plug-in sends its live readings (meters, voice count, voice and
//   envelope lights) when they change, about 30 times a second at most;
//   from the first one on, the mirror instance's display commands answer
//   from them (instance::set_live_readings).
//
// UI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include "plugin/instance.h"
#include "plugin/live_readings.h"
#include "plugin/lv2/lv2_urids.h"
#include "plugin/lv2/state_messages.h"

namespace plugin::lv2 {

class ui_mirror final : public host_shell {
 public:
  // The host's UI write function, bound: port, size, protocol (0: a float), data.
  using write_fn = std::function<void(uint32_t port, uint32_t size, uint32_t protocol, const void* data)>;
  using touch_fn = std::function<void(uint32_t port, bool grabbed)>;
  using resize_fn = std::function<bool(int32_t width, int32_t height)>;

  static constexpr uint32_t window_bytes = 6 * piece_bytes;  // under the plug-in's inbox and a host's event buffer
  static constexpr double resend_seconds = 2.0;  // no ack for this long: the transfer starts again
  static constexpr int32_t attempts = 3;         // of one state, before the mirror gives up on it

  // Makes the mirror instance (with the editor a factory makes; null: none).
  // Null without urid:map or when the instance cannot be made.
  static ui_mirror* create(LV2_URID_Map* map, write_fn write, editor_factory make_editor);
  ~ui_mirror() override;

  instance& mirror() { return *instance_; }
  void set_touch(touch_fn touch) { touch_ = std::move(touch); }
  void set_resize(resize_fn resize) { resize_ = std::move(resize); }

  // Asks the plug-in for its state (once, on opening).
  void request_state();
  // The host's port_event.
  void port_event(uint32_t port, uint32_t size, uint32_t protocol, const void* buffer);
  // Sends what is due; `now` in seconds on any steady clock.
  void idle(double now);
  // True while a state is on its way to the plug-in or due.
  bool sending() const { return due_ || total_ > 0; }
  int32_t loaded_count() const { return loaded_; }   // states the plug-in confirmed
  int32_t received_count() const { return received_; }  // states taken from the plug-in
  int32_t midi_count() const { return midi_taken_; }  // forwarded MIDI events taken
  int32_t live_count() const { return live_taken_; }  // live readings taken

  // host_shell
  void automate(int32_t index, float normalised) override;
  void begin_edit(int32_t index) override;
  void end_edit(int32_t index) override;
  bool resize_editor(int32_t width, int32_t height) override { return resize_ && resize_(width, height); }
  void program_changed(int32_t) override { due_ = true; }
  void state_edited() override { due_ = true; }

 private:
  ui_mirror() = default;
  void send_message(const LV2_Atom* atom);
  void start_transfer(double now);
  void send_pieces(double now);
  void take_message(const LV2_Atom* atom);
  void write_moved_ports();
  void take_midi();

  instance* instance_ = nullptr;
  urids ids_;
  LV2_URID_Map* map_ = nullptr;
  write_fn write_;
  touch_fn touch_;
  resize_fn resize_;
  std::array<float, instance::param_count> ports_{};  // what the host's ports hold, as far as we know
  std::vector<uint8_t> synced_;    // the state bytes both sides last agreed on
  std::vector<uint8_t> outgoing_;  // the transfer under way
  int32_t synced_program_ = -1;    // the state bytes hold no current program: it goes beside them
  int32_t outgoing_program_ = -1;
  bool due_ = false;
  int32_t serial_ = 0;
  uint32_t total_ = 0;  // 0: no transfer
  uint32_t sent_ = 0;
  uint32_t acked_ = 0;
  double last_progress_ = 0.0;
  int32_t tries_ = 0;
  int32_t loaded_ = 0;
  int32_t received_ = 0;
  int32_t midi_taken_ = 0;
  bool midi_queued_ = false;
  live_readings live_;  // the plug-in's latest: the mirror's displays answer from them once one came
  int32_t live_taken_ = 0;
  state_assembly incoming_;
  std::vector<uint64_t> scratch_;  // one forged message
};

}  // namespace plugin::lv2
