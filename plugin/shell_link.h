// The engine's and the editor's way to the host: programs, window size,
// automation and display updates, passed on to the instance's host_shell.
#pragma once

#include "synth/host_interface.h"

namespace plugin {

class instance;

class shell_link final : public synth::host_interface {
 public:
  explicit shell_link(instance* owner) : owner_(owner) {}
  void set_program(int index) override;
  int get_program() override;
  bool size_window(int width, int height) override;
  void set_parameter_automated(int index, float normalised) override;
  void reload_program() override;
  void update_display() override;
  void begin_edit(int index) override;
  void end_edit(int index) override;
  void state_edited() override;

 private:
  instance* owner_;
};

}  // namespace plugin
