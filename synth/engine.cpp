#include "synth/engine.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "fx/chain.h"
#include "platform/utf8.h"
#include "synth/param_display.h"

namespace synth {

synth::~synth() = default;  // fx::chain is whole here

synth::synth() : effects_(std::make_unique<fx::chain>(lock_)) {
  for (int i = 0; i < engine_flag_count; ++i) set_flag(engine_flag(i), engine_flag_table[i].default_on);
  cc_target_.owner = this;
  sequence_gain_.fill(1.f);
  context_.pcms = &pcms_;
  context_.tuning = &tuning_;
  context_.set_sample_rate(sample_rate_);
  output_.init(sample_rate_);
  meter_.init(sample_rate_);
  for (voice& v : voices_) {
    v.init(&context_);
    v.set_saw_count(saw_count_);
  }
  preset init;
  build_factory_init(init);
  build_factory_reset(reset_preset_);
  for (preset& p : bank_.slots) p = init;
  // Start-up order: newest-note priority, then every global at its default in
  // index order through the one setter, then the pool once.
  mono_priority_ = 2;
  for (int i = first_global_param; i < param_count; ++i) set_param(i, 0, param_row(i).def);
  rebuild_voice_pool();
}

void synth::set_param(int index, int program, float value) {
  if (!param_valid(index)) return;
  if (index >= first_global_param) {
    globals_[size_t(index - first_global_param)] = value;
    apply_global(index, value);
    return;
  }
  if (program < 0 || program >= bank_size) return;
  bank_.slots[size_t(program)].set(index, value);
  changes_.mark_preset(program, index);
}

float synth::get_param(int index, int program) const {
  if (!param_valid(index)) return 0.f;
  if (index >= first_global_param) return globals_[size_t(index - first_global_param)];
  if (program < 0 || program >= bank_size) return 0.f;
  return bank_.slots[size_t(program)].get(index);
}

void synth::set_param_normalised(int index, float normalised) {
  if (!param_valid(index)) return;
  set_param(index, current_program_, to_internal(index, normalised));
}

float synth::get_param_normalised(int index) const {
  if (!param_valid(index)) return 0.f;
  return to_normalised(index, get_param(index, current_program_));
}

void synth::display_param(int index, int program, char* text, size_t cap) const {
  if (program < 0 || program >= bank_size) program = current_program_;
  float preset_values[preset_param_count];
  const preset& p = bank_.slots[size_t(program)];
  for (int i = 0; i < preset_param_count; ++i) preset_values[i] = p.get(i);
  display_context ctx;
  ctx.preset = preset_values;
  // Waveform values from 6 on name the loaded PCM waves.
  std::vector<const char*> pcm_names(size_t(pcms_.count()));
  for (int i = 0; i < pcms_.count(); ++i) pcm_names[size_t(i)] = pcms_.at(i)->name.c_str();
  ctx.pcm_count = pcms_.count();
  ctx.pcm_names = pcm_names.data();
  ctx.polyphonic = polyphonic_;
  ctx.tempo_bpm = tempo_;
  display(index, get_param(index, program), ctx, text, cap);
}

void synth::copy_globals(float* out) const {
  for (int i = 0; i < global_param_count; ++i) out[i] = globals_[size_t(i)];
}

void synth::select_program(int program) {
  if (program >= 0 && program < bank_size) current_program_ = program;
  if (flag(engine_flag::immediate_program)) {
    platform::scoped_lock hold(lock_);
    const preset& p = bank_.slots[size_t(int(current_program_))];
    for (int i = 0; i < pool_size(); ++i) {
      voices_[size_t(i)].load_program(current_program_, p);
      routes_.route_voice(i);
    }
  }
  program_changed_ = true;
  display_refresh_ = true;
}

void synth::set_route(int row, const route& r) {
  platform::scoped_lock hold(lock_);
  routes_.set_route(row, r);
}

void synth::set_program_name(int program, const char* name) {
  if (program < 0 || program >= bank_size || !name) return;
  const std::string_view given(name, strnlen(name, preset_name_max + 4));
  bank_.slots[size_t(program)].name.assign(name, platform::utf8_prefix(given, preset_name_max));
  program_changed_ = true;
}

bool synth::flag(engine_flag f) const {
  if (f == engine_flag::recycle_voices) return allocator_.recycle();
  if (f == engine_flag::mono_retrigger) return allocator_.mono_retrigger();
  return flags_[int(f)];
}

void synth::set_flag(engine_flag f, bool on) {
  flags_[int(f)] = on;
  if (f == engine_flag::recycle_voices) allocator_.set_recycle(on);
  if (f == engine_flag::mono_retrigger) allocator_.set_mono_retrigger(on);
}

int synth::poll_change_flags() {
  int r = (program_changed_ ? 1 : 0) + (display_refresh_ ? 2 : 0);
  program_changed_ = false;
  display_refresh_ = false;
  return r;
}

void synth::set_sample_rate(float rate) {
  // A host may announce 0 (or nonsense) before it knows its rate; keep the
  // last usable rate so every coefficient stays finite.
  if (!(rate >= 1000.f && rate <= 1.0e6f)) return;
  effects_->prepare_rate(rate);  // effect storage is built before the lock
  platform::scoped_lock hold(lock_);
  sample_rate_ = rate;
  update_rate_context();
}

void synth::apply_global(int index, float v) {
  const int w = int(v);
  switch (index) {
    case p::voices:
      if (w <= 3) {
        polyphonic_ = false;
        mono_priority_ = w < 0 ? 0 : w;
        voice_slots_ = 1;
      } else {
        polyphonic_ = true;
        voice_slots_ = w - 3 > 32 ? 32 : w - 3;
      }
      rebuild_voice_pool();
      break;
    case p::coarse_tune:
      transpose_ = v - 24.f;
      changes_.mark_global(index);
      break;
    case p::fine_tune:
      fine_tune_ = (v - 0.5f) * 100.f * 0.01f;
      changes_.mark_global(index);
      break;
    case p::master_volume:
      output_gain_ = std::pow(10.f, (1.f - v) * -48.f * 0.05f);
      break;
    case p::bender_range:
      bend_range_ = v;
      changes_.mark_global(index);
      break;
    case p::global_glide_mode:
      global_glide_mode_ = w;
      break;
    case p::unison_voices:
      unison_layers_ = w + 1 < 1 ? 1 : (w + 1 > 16 ? 16 : w + 1);
      rebuild_voice_pool();
      break;
    case p::unison_detune:
      unison_detune_ = v;
      changes_.mark_global(index);
      break;
    case p::unison_width:
      unison_width_ = v;
      changes_.mark_global(index);
      break;
    case p::unison_randomization:
      unison_randomization_ = v;  // read at every note start
      break;
    default:  // routes, scales, offsets and the filter are kept for the editor and files only
      break;
  }
}


}  // namespace synth
