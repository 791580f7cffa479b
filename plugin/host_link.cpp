#include "plugin/host_link.h"

#include "plugin/synth_plugin.h"

namespace plugin {

void host_link::set_program(int index) {
  if (index < 0 || index >= synth::bank_size) return;
  owner_->dispatch(effSetProgram, 0, index, nullptr, 0.f);
}

int host_link::get_program() { return owner_->current_program(); }

bool host_link::size_window(int width, int height) {
  if (owner_->call_host(audioMasterCanDo, 0, 0, const_cast<char*>("sizeWindow")) <= 0) return false;
  owner_->call_host(audioMasterSizeWindow, width, height);
  return true;
}

void host_link::set_parameter_automated(int index, float normalised) {
  owner_->set_parameter_automated(index, normalised);
}

void host_link::reload_program() { owner_->set_program(); }

void host_link::update_display() { owner_->call_host(audioMasterUpdateDisplay); }

// Only the parameters the host knows (the preset's 89) have automation lanes.
void host_link::begin_edit(int index) {
  if (index >= 0 && index < synth::preset_param_count) owner_->call_host(audioMasterBeginEdit, index);
}

void host_link::end_edit(int index) {
  if (index >= 0 && index < synth::preset_param_count) owner_->call_host(audioMasterEndEdit, index);
}

}  // namespace plugin
