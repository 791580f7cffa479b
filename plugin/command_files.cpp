// Commands 26..55: files, the user's init and reset presets, the start-up
// bank and state, filling and naming the bank.
#include <memory>
#include <string>

#include "files/bank_sort.h"
#include "files/engine_presets.h"
#include "files/instance_state.h"
#include "files/preset_files.h"
#include "files/preset_names.h"
#include "files/wave_load.h"
#include "plugin/command_groups.h"
#include "plugin/instance_parts.h"

namespace plugin {

namespace {

int slot_of(synth::synth& engine, int index) {
  if (index < 0) return engine.current_program();
  return index < synth::bank_size ? index : -1;
}

// A preset into one slot (nothing for an invalid one), raising the refresh flag.
void put_preset(synth::synth& engine, int slot, const synth::preset& p) {
  if (slot < 0) return;
  files::apply_preset(engine, slot, p);
  engine.raise_display_refresh();
}

void fill_bank(synth::synth& engine, const synth::preset& p) {
  for (int i = 0; i < synth::bank_size; ++i) files::apply_preset(engine, i, p);
  engine.raise_display_refresh();
}

synth::preset user_reset_preset(synth::synth& engine) {
  synth::preset p = engine.reset_preset();
  files::load_user_preset("reset", p);
  return p;
}

std::string path_of(const command_args& a) { return a.text ? a.text : ""; }

int file_io(instance& p, command_args& a, int number) {
  synth::synth& engine = p.engine();
  const std::string path = path_of(a);
  const synth::preset& current = engine.program(engine.current_program());
  switch (number) {
    case command::save_preset: a.result = files::save_preset_file(path, current); break;
    case command::load_preset: a.result = files::load_preset_into(engine, engine.current_program(), path); break;
    case command::load_bank: {
      std::string message;
      a.result = files::load_bank_into(engine, path, &message);
      if (a.result.empty()) a.result = message;
      break;
    }
    case command::save_bank: a.result = files::save_bank_file(path, engine.presets()); break;
    case command::load_state:
      a.result = files::load_state_file(path, engine);
      engine.raise_display_refresh();
      break;
    case command::save_state: a.result = files::save_state_file(path, engine); break;
    case command::load_cc_map: a.result = files::load_cc_map_file(path, engine); break;
    case command::save_cc_map: a.result = files::save_cc_map_file(path, engine); break;
    default: a.result = synth::load_wave(engine, path); break;
  }
  return 0;
}

void rename_bank(synth::synth& engine, int number) {
  if (number == command::gm_melodic_names) files::name_bank_gm_melodic(engine.presets());
  else files::name_bank_gm_percussion(engine.presets());
  engine.raise_program_changed();
  engine.raise_display_refresh();
}

}  // namespace

int file_command(instance& p, command_args& a, int number) {
  synth::synth& engine = p.engine();
  const int slot = slot_of(engine, a.index);
  synth::preset scratch;
  switch (number) {
    case command::save_preset:
    case command::load_preset:
    case command::load_bank:
    case command::save_bank:
    case command::load_state:
    case command::save_state:
    case command::load_cc_map:
    case command::save_cc_map:
    case command::load_wave: return file_io(p, a, number);
    case command::clear_waves: {
      platform::scoped_lock hold(engine.engine_lock());
      engine.pcms().clear();
      engine.raise_display_refresh();
      return 0;
    }
    case command::save_init_preset:
      if (slot >= 0) files::save_user_preset("init", engine.program(slot));
      return 0;
    case command::load_init_preset: put_preset(engine, slot, files::user_init_preset()); return 0;
    case command::save_reset_preset:
      if (slot >= 0) {
        files::save_user_preset("reset", engine.program(slot));
        engine.reset_preset() = engine.program(slot);
      }
      return 0;
    case command::load_reset_preset: put_preset(engine, slot, user_reset_preset(engine)); return 0;
    case command::factory_init:
      synth::build_factory_init(scratch);
      put_preset(engine, slot, scratch);
      return 0;
    case command::factory_reset:
      synth::build_factory_reset(scratch);
      put_preset(engine, slot, scratch);
      return 0;
    case command::save_start_bank: return files::save_init_bank(engine.presets()).empty() ? 1 : 0;
    case command::load_start_bank: {
      auto b = std::make_unique<synth::bank>(engine.presets());
      if (!files::load_init_bank(*b)) return 0;
      files::apply_bank(engine, *b);
      engine.raise_display_refresh();
      return 1;
    }
    case command::save_start_state: return files::save_init_state(engine).empty() ? 1 : 0;
    case command::load_start_state: {
      const bool ok = files::load_init_state(engine);
      engine.raise_display_refresh();
      return ok ? 1 : 0;
    }
    case command::fill_with_init: fill_bank(engine, files::user_init_preset()); return 0;
    case command::fill_with_preset:
      if (slot >= 0) {
        scratch = engine.program(slot);
        fill_bank(engine, scratch);
      }
      return 0;
    case command::gm_melodic_names:
    case command::gm_drum_names: rename_bank(engine, number); return 0;
    case command::sort_bank:
      files::sort_bank(engine, a.index == 1 ? files::bank_order::by_category : files::bank_order::within_categories);
      return 0;
    case command::replace_wave:
      a.result = synth::replace_wave(engine, a.index, path_of(a));
      engine.raise_display_refresh();
      return 0;
    case command::remove_wave:
      synth::remove_wave(engine, a.index);
      engine.raise_display_refresh();
      return 0;
    case command::randomise_preset:
      if (slot >= 0) {
        scratch = engine.program(slot);
        files::randomise_preset(scratch);
        put_preset(engine, slot, scratch);
      }
      return 0;
    default: return 0;
  }
}

}  // namespace plugin
