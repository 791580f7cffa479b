// The engine's and the editor's way to the host: programs, window size,
// automation and display updates, all made with the instance's own AEffect.
#pragma once

#include "synth/host_interface.h"

namespace plugin {

class synth_plugin;

class host_link final : public synth::host_interface {
 public:
  explicit host_link(synth_plugin* owner) : owner_(owner) {}
  void set_program(int index) override;
  int get_program() override;
  bool size_window(int width, int height) override;
  void set_parameter_automated(int index, float normalised) override;
  void reload_program() override;
  void update_display() override;
  void begin_edit(int index) override;
  void end_edit(int index) override;

 private:
  synth_plugin* owner_;
};

}  // namespace plugin
