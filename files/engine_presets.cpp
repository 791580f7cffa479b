#include "files/engine_presets.h"

#include <memory>

#include "files/instance_state.h"
#include "files/preset_files.h"
#include "riff/bytes.h"

namespace files {

void apply_preset(synth::synth& engine, int slot, const synth::preset& p) {
  if (slot < 0 || slot >= synth::bank_size) return;
  synth::preset& target = engine.program(slot);
  target.name = p.name;
  target.category = p.category;
  for (int i = 0; i < synth::preset_param_count; ++i) {
    // Bitwise, so an unchanged value (NaN included) marks nothing.
    if (riff::f32_bits(target.get(i)) != riff::f32_bits(p.get(i))) engine.set_param(i, slot, p.get(i));
  }
  target.values_version = p.values_version;
}

void apply_bank(synth::synth& engine, const synth::bank& b) {
  engine.presets().name = b.name;
  for (int i = 0; i < synth::bank_size; ++i) apply_preset(engine, i, b.slots[size_t(i)]);
}

std::string load_preset_into(synth::synth& engine, int slot, const std::string& path) {
  if (slot < 0 || slot >= synth::bank_size) return "invalid program number";
  synth::preset p = engine.program(slot);
  const std::string result = load_preset_file(path, p);
  // A legacy conversion that stopped part way keeps what it set (the name);
  // a file that could not be read left p as it was.
  apply_preset(engine, slot, p);
  engine.raise_display_refresh();
  return result;
}

std::string load_bank_into(synth::synth& engine, const std::string& path, std::string* message) {
  auto b = std::make_unique<synth::bank>(engine.presets());
  const std::string result = load_bank_file(path, *b, message);
  apply_bank(engine, *b);
  engine.raise_display_refresh();
  return result;
}

void load_start_up_files(synth::synth& engine) {
  synth::preset init;
  synth::build_factory_init(init);
  if (!load_user_preset("init", init)) save_user_preset("init", init);
  synth::preset& reset = engine.reset_preset();
  synth::build_factory_reset(reset);
  if (!load_user_preset("reset", reset)) save_user_preset("reset", reset);
  load_user_preset("init", init);
  for (int i = 0; i < synth::bank_size; ++i) apply_preset(engine, i, init);
  load_init_state(engine);
  auto b = std::make_unique<synth::bank>(engine.presets());
  if (load_init_bank(*b)) apply_bank(engine, *b);
}

}  // namespace files
