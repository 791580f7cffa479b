#include "plugin/shell_link.h"

#include "plugin/instance.h"

namespace plugin {

// From the editor: the program becomes current and the host hears of it.
void shell_link::set_program(int index) {
  if (index < 0 || index >= instance::program_count) return;
  owner_->set_program(index);
  if (host_shell* h = owner_->shell()) h->program_changed(index);
}

int shell_link::get_program() { return owner_->program(); }

bool shell_link::size_window(int width, int height) {
  host_shell* h = owner_->shell();
  return h && h->resize_editor(width, height);
}

// Any index the instance takes (the globals too); the host records it.
void shell_link::set_parameter_automated(int index, float normalised) {
  owner_->set_parameter(index, normalised);
  if (host_shell* h = owner_->shell()) h->automate(index, normalised);
}

void shell_link::reload_program() { owner_->set_program(owner_->program()); }

void shell_link::update_display() {
  if (host_shell* h = owner_->shell()) h->update_display();
}

// Only the parameters the host knows have automation lanes.
void shell_link::begin_edit(int index) {
  if (index < 0 || index >= instance::param_count) return;
  if (host_shell* h = owner_->shell()) h->begin_edit(index);
}

void shell_link::end_edit(int index) {
  if (index < 0 || index >= instance::param_count) return;
  if (host_shell* h = owner_->shell()) h->end_edit(index);
}

void shell_link::state_edited() {
  if (host_shell* h = owner_->shell()) h->state_edited();
}

}  // namespace plugin
