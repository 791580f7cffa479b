#include "editor/edit_snapshot.h"

#include "fx/chain.h"
#include "fx/effect.h"
#include "synth/routes.h"

namespace gui {

namespace {

namespace cmd = plugin::command;

void add_program(const synth_port& port, int32_t slot, edit_state& out) {
  synth::preset p;
  if (!port.copy_preset(slot, p)) return;
  program_record r;
  r.slot = slot;
  r.name = p.name;
  r.category = p.category;
  for (size_t i = 0; i < r.values.size(); ++i) r.values[i] = p.values[i];
  out.programs.push_back(std::move(r));
}

void put_program(const synth_port& port, const program_record& r) {
  synth::preset p;
  if (!port.copy_preset(r.slot, p)) return;
  p.name = r.name;
  p.category = r.category;
  for (size_t i = 0; i < r.values.size(); ++i) p.values[i] = r.values[i];
  port.put_preset(r.slot, p);
}

void put_param(const synth_port& port, const param_record& r) {
  if (r.program < 0) return port.write(r.index, r.value);
  if (r.program != port.program()) {
    synth::preset p;
    if (!port.copy_preset(r.program, p)) return;
    p.values[size_t(r.index)] = r.value;
    return port.put_preset(r.program, p);
  }
  if (synth::host_interface* h = port.host()) {
    port.begin_edit(r.index);
    h->set_parameter_automated(r.index, synth_port::normalised(r.index, r.value));
    port.end_edit(r.index);
  }
  // The host's 0..1 may round: the exact value last.
  port.write(r.index, r.value);
}

void put_routes(const synth_port& port, const std::vector<route_record>& rows) {
  for (int32_t row = 0; row < int32_t(rows.size()); ++row) {
    synth::route* r = port.route_row(row);
    if (!r) continue;
    const route_record& w = rows[size_t(row)];
    r->source_class = w.source_class;
    r->source_index = w.source_index;
    r->dest_class = w.dest_class;
    r->dest_index = w.dest_index;
    r->mode = w.mode;
    r->depth = w.depth;
  }
  port.send(cmd::route_rows_edited);
  for (int32_t row = 0; row < int32_t(rows.size()); ++row) port.send(cmd::route_row_edited, row);
}

void put_effects(const synth_port& port, const std::vector<effect_record>& slots) {
  for (int32_t slot = 0; slot < int32_t(slots.size()); ++slot) {
    const effect_record& w = slots[size_t(slot)];
    fx::effect* e = port.effect_in_slot(slot);
    if ((e ? std::string(e->name()) : std::string("-")) != w.name) {
      plugin::command_args a;
      a.index = slot;
      a.text = w.name.c_str();
      port.send(cmd::set_effect_slot, a);
      e = port.effect_in_slot(slot);
    }
    if (!e) continue;
    for (int32_t i = 0; i < e->param_count() && i < int32_t(w.values.size()); ++i)
      if (e->value(i) != w.values[size_t(i)]) e->set_value(i, w.values[size_t(i)]);
  }
}

}  // namespace

edit_state capture(const synth_port& port, const edit_scope& scope) {
  edit_state s;
  if ((scope.parts & edit_part::param) && scope.param >= 0 && scope.param < synth::param_count) {
    const int32_t program = scope.param < synth::preset_param_count ? port.program() : -1;
    s.params.push_back({scope.param, program, port.read(scope.param)});
  }
  if (scope.parts & edit_part::bank) {
    for (int32_t slot = 0; slot < synth::bank_size; ++slot) add_program(port, slot, s);
    s.bank_name.push_back(port.bank_name());
  } else if (scope.parts & edit_part::program) {
    add_program(port, port.program(), s);
  }
  if (scope.parts & edit_part::routes) {
    for (int32_t row = 0; row < synth::route_count; ++row) {
      const synth::route* r = port.route_row(row);
      if (!r) break;
      s.routes.push_back({r->source_class, r->source_index, r->dest_class, r->dest_index, r->mode, r->depth});
    }
  }
  if (scope.parts & edit_part::effects) {
    for (int32_t slot = 0; slot < fx::chain::slot_count; ++slot) {
      effect_record r;
      const fx::effect* e = port.effect_in_slot(slot);
      r.name = e ? e->name() : "-";
      for (int32_t i = 0; e && i < e->param_count(); ++i) r.values.push_back(e->value(i));
      s.effects.push_back(std::move(r));
    }
  }
  return s;
}

void keep_changed_programs(edit_state& before, edit_state& after) {
  if (before.programs.size() != after.programs.size()) return;
  size_t kept = 0;
  for (size_t i = 0; i < before.programs.size(); ++i) {
    if (before.programs[i] == after.programs[i]) continue;
    if (kept != i) {  // never a self-move: it would leave the names empty
      before.programs[kept] = std::move(before.programs[i]);
      after.programs[kept] = std::move(after.programs[i]);
    }
    ++kept;
  }
  before.programs.resize(kept);
  after.programs.resize(kept);
}

void restore(const synth_port& port, const edit_state& state) {
  for (const param_record& r : state.params) put_param(port, r);
  for (const program_record& r : state.programs) put_program(port, r);
  for (const std::string& name : state.bank_name) {
    plugin::command_args a;
    a.text = name.c_str();
    port.send(cmd::set_bank_name, a);
  }
  if (!state.routes.empty()) put_routes(port, state.routes);
  if (!state.effects.empty()) put_effects(port, state.effects);
}

}  // namespace gui
