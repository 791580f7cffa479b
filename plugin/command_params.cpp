// Commands 0..25: names, parameters, presets, the bank name, the PCM wave
// names and the switches.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "files/preset_chunk.h"
#include "plugin/command_groups.h"
#include "plugin/copy_text.h"
#include "plugin/instance.h"
#include "synth/engine.h"
#include "synth/param_display.h"

namespace plugin {

namespace {

synth::preset* preset_at(synth::synth& engine, int index) {
  if (index < 0) index = engine.current_program();
  return index < synth::bank_size ? &engine.program(index) : nullptr;
}

int preset_text(synth::synth& engine, command_args& a, int number) {
  synth::preset* pr = preset_at(engine, a.index);
  if (!pr) {
    a.text = nullptr;
    return 0;
  }
  switch (number) {
    case command::preset_name: a.text = pr->name.c_str(); break;
    case command::preset_category: a.text = pr->category.c_str(); break;
    case command::set_preset_name:
      pr->name = files::stored_name(a.text ? a.text : "");
      engine.raise_program_changed();
      break;
    default: pr->category = files::stored_name(a.text ? a.text : ""); break;
  }
  return 0;
}

int pcm_name(synth::synth& engine, command_args& a) {
  platform::scoped_lock hold(engine.engine_lock());
  const int count = engine.pcms().count();
  const synth::pcm_record* r = engine.pcms().at(a.index < 0 ? count - 1 : a.index);
  a.text = r ? r->name.c_str() : nullptr;
  return 0;
}

bool switch_valid(int index) { return index >= 0 && index < synth::engine_flag_count; }

// A value the editor writes, kept inside its parameter's range (the two
// waveforms reach past it into the PCM waves); false for one that is not a
// number, which is dropped.
bool editor_value(int index, float& v) {
  if (!std::isfinite(v)) return false;
  const synth::param_info& row = synth::param_row(index);
  const bool waveform = index == synth::p::osc_a_waveform || index == synth::p::osc_b_waveform;
  const float top = waveform ? float(synth::waveform::count + synth::pcm_list::max_entries - 1) : row.max;
  v = std::clamp(v, row.min, top);
  return true;
}

}  // namespace

// The text a value would show: preset parameters through a scratch copy of
// the current program (an LFO rate reads its Range there), globals as they are.
void trial_display(synth::synth& engine, int index, float value, char* text, size_t cap) {
  float values[synth::preset_param_count];
  const synth::preset& current = engine.program(engine.current_program());
  for (int i = 0; i < synth::preset_param_count; ++i) values[i] = current.get(i);
  if (index >= 0 && index < synth::preset_param_count) values[index] = value;
  synth::display_context ctx;
  ctx.preset = values;
  std::vector<const char*> names;
  {
    platform::scoped_lock hold(engine.engine_lock());  // the PCM list changes under it
    ctx.pcm_count = engine.pcms().count();
    for (int i = 0; i < ctx.pcm_count; ++i) names.push_back(engine.pcms().at(i)->name.c_str());
    ctx.pcm_names = names.data();
    ctx.polyphonic = engine.polyphonic();
    ctx.tempo_bpm = engine.tempo();
    synth::display(index, value, ctx, text, cap);
  }
}

void put_text_out(command_args& a, const char* text) {
  if (a.text_out) copy_text(a.text_out, text ? text : "", command_text_capacity);
}

int parameter_command(instance& p, command_args& a, int number) {
  synth::synth& engine = p.engine();
  char text[command_text_capacity];
  switch (number) {
    case command::effect_name: put_text_out(a, "Vorn"); return 0;
    case command::product:
      std::snprintf(text, sizeof text, "Version %i", int(instance::major_version));
      put_text_out(a, text);
      return 0;
    case command::sustain: {
      platform::scoped_lock hold(engine.engine_lock());  // the allocator lives on the audio thread
      return engine.allocator().sustain() ? 1 : 0;
    }
    case command::host_tempo: a.value = engine.tempo(); return 0;
    case command::param_name:
      a.text = synth::param_row(a.index).name;
      put_text_out(a, a.text);
      return 0;
    case command::param_display:
      engine.display_param(a.index, engine.current_program(), text, sizeof text);
      put_text_out(a, text);
      return 0;
    case command::param_trial_display: {
      float v = a.value;
      if (!editor_value(a.index, v)) v = 0.f;
      trial_display(engine, a.index, v, text, sizeof text);
      put_text_out(a, text);
      return 1;
    }
    case command::param_descriptor: a.pointer = const_cast<synth::param_info*>(&synth::param_row(a.index)); return 0;
    case command::param_group: return synth::param_group_of(a.index);
    case command::group_name: a.text = synth::group_row(a.index).name; return 0;
    case command::read_param: a.value = engine.get_param(a.index, engine.current_program()); return 0;
    case command::write_param: {
      float v = a.value;
      if (editor_value(a.index, v)) engine.set_param(a.index, engine.current_program(), v);
      return 0;
    }
    case command::preset_name:
    case command::set_preset_name:
    case command::preset_category:
    case command::set_preset_category: return preset_text(engine, a, number);
    case command::bank_name: a.text = engine.presets().name.c_str(); return 0;
    case command::set_bank_name: engine.presets().name = files::stored_name(a.text ? a.text : ""); return 0;
    case command::pcm_count: {
      platform::scoped_lock hold(engine.engine_lock());
      return engine.pcms().count();
    }
    case command::pcm_name: return pcm_name(engine, a);
    case command::switch_name:
      a.text = switch_valid(a.index) ? synth::engine_flag_table[a.index].short_name : nullptr;
      return 0;
    case command::switch_description:
      a.text = switch_valid(a.index) ? synth::engine_flag_table[a.index].description : nullptr;
      return 0;
    case command::switch_count: return synth::engine_flag_count;
    case command::read_switch: return switch_valid(a.index) && engine.flag(synth::engine_flag(a.index)) ? 1 : 0;
    case command::write_switch:
      if (switch_valid(a.index)) engine.set_flag(synth::engine_flag(a.index), a.number != 0);
      return 0;
    default: return 0;
  }
}

}  // namespace plugin
