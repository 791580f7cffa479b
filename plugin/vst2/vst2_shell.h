// The instance's host, as a VST 2 host gives it: automation, edits, window
// size and display updates through the audioMaster callback of the shell's
// own AEffect, and the host's transport.
#pragma once

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

 private:
  effect_base* owner_;
};

}  // namespace plugin
