#include "editor/synth_port.h"

#include <algorithm>

#include "synth/param_table.h"

namespace gui {

synth::route* synth_port::route_row(int32_t row) const {
  plugin::command_args a;
  a.index = row;
  send(plugin::command::route_row, a);
  return static_cast<synth::route*>(a.pointer);
}

fx::effect* synth_port::effect_in_slot(int32_t slot) const {
  plugin::command_args a;
  a.index = slot;
  send(plugin::command::effect_slot, a);
  return static_cast<fx::effect*>(a.pointer);
}

namespace cmd = plugin::command;

int synth_port::send(int number, plugin::command_args& a) const {
  return link_.command ? link_.command(&a, link_.context, number) : 0;
}

int synth_port::send(int number, int32_t index) const {
  plugin::command_args a;
  a.index = index;
  return send(number, a);
}

std::string synth_port::text_of(const plugin::command_args& a) { return a.text ? std::string(a.text) : std::string(); }

float synth_port::read(int index) const {
  plugin::command_args a;
  a.index = index;
  send(cmd::read_param, a);
  return a.value;
}

void synth_port::write(int index, float internal) const {
  plugin::command_args a;
  a.index = index;
  a.value = internal;
  send(cmd::write_param, a);
}

std::string synth_port::display(int index) const {
  char text[plugin::command_text_capacity] = {};
  plugin::command_args a;
  a.index = index;
  a.text_out = text;
  send(cmd::param_display, a);
  return text;
}

std::string synth_port::trial_display(int index, float internal) const {
  char text[plugin::command_text_capacity] = {};
  plugin::command_args a;
  a.index = index;
  a.value = internal;
  a.text_out = text;
  send(cmd::param_trial_display, a);
  return text;
}

std::string synth_port::full_name(int index) const {
  plugin::command_args a;
  a.index = index;
  send(cmd::param_name, a);
  const std::string name = text_of(a);
  plugin::command_args g;
  g.index = send(cmd::param_group, index);
  send(cmd::group_name, g);
  const std::string group = text_of(g);
  // As the host sees them: the group alone when it repeats the name.
  if (group.empty()) return name;
  if (group == name) return group;
  return group + " " + name;
}

std::string synth_port::preset_name(int program) const {
  plugin::command_args a;
  a.index = program;
  send(cmd::preset_name, a);
  return text_of(a);
}

std::string synth_port::preset_category(int program) const {
  plugin::command_args a;
  a.index = program;
  send(cmd::preset_category, a);
  return text_of(a);
}

std::string synth_port::bank_name() const {
  plugin::command_args a;
  send(cmd::bank_name, a);
  return text_of(a);
}

int synth_port::program() const { return link_.host ? link_.host->get_program() : 0; }

bool synth_port::copy_preset(int slot, synth::preset& out) const {
  return link_.presets && link_.presets->copy_preset(slot, out);
}

void synth_port::put_preset(int slot, const synth::preset& p) const {
  if (link_.presets) link_.presets->put_preset(slot, p);
}

float synth_port::normalised(int index, float internal) {
  const synth::param_info& row = synth::param_row(index);
  return row.max > row.min ? std::clamp((internal - row.min) / (row.max - row.min), 0.f, 1.f) : 0.f;
}

void synth_port::begin_edit(int index) const {
  if (link_.host && index >= 0 && index < synth::preset_param_count) link_.host->begin_edit(index);
}

void synth_port::end_edit(int index) const {
  if (link_.host && index >= 0 && index < synth::preset_param_count) link_.host->end_edit(index);
}

}  // namespace gui
