// The instance's host, as a VST 2 host gives it: automation, edits, window
// size and display updates through the audioMaster callback of the shell's
// own AEffect, and the host's transport.
#pragma once

#include <atomic>
#include <thread>

#include "plugin/edit_queue.h"
#include "plugin/instance.h"

namespace plugin {

class effect_base;

class vst2_shell final : public host_shell {
 public:
  explicit vst2_shell(effect_base* owner) : owner_(owner) {}
  void automate(int32_t index, float normalised) override;
  void begin_edit(int32_t index) override;
  void end_edit(int32_t index) override;
  bool resize_editor(int32_t width, int32_t height) override;
  void update_display() override;
  bool time(host_time& out) override;

  // effOpen: asks the host who it is and decides where edit messages go.
  void meet_host();
  // True when edit messages wait for the host's next processing call.
  bool edits_in_process() const { return edits_in_process_.load(std::memory_order_relaxed); }
  // Audio thread, around the instance's processing: the waiting edits go to
  // the host first.
  void process_starts();
  void process_ends();
  // The editor's thread, after each idle (and close): edits that waited for
  // room move into the queue.
  void editor_idled();

 private:
  void send(const edit_message& m);
  // Straight to the host, or through the queue.
  void relay(edit_message::kind_t kind, int32_t index, float value);

  effect_base* owner_;
  std::atomic<bool> edits_in_process_{false};
  std::atomic<std::thread::id> process_thread_{};
  edit_queue edits_;
};

}  // namespace plugin
