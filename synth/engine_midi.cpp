// The engine's MIDI side: the entry every event passes, the allocator's
// operations on voices (start, release, kill), pitch bend and pressure, the
// route sources, drum mode, glide starts and the unison spread.
#include <cmath>

#include "synth/engine.h"

namespace synth {

namespace {

constexpr int controller_all_sound_off = 120;
constexpr int controller_all_notes_off = 123;
constexpr int middle_c = 60;
constexpr int drum_key_offset = 24;  // key k plays preset (k - 24) mod 128

}  // namespace

void synth::midi(uint32_t word, int data1, int frames_since_previous) {
  midi_activity_ = true;
  const uint32_t status = word & 0xF0;
  if (status == 0xB0) {
    const int controller = int((word >> 8) & 0x7F), value = int((word >> 16) & 0x7F);
    cc_map_.control_change(controller, value, cc_target_);
    apply_pending_changes();  // a mapped controller acts from this frame on
    if (controller == controller_all_sound_off) allocator_.all_sound_off();
    if (controller == controller_all_notes_off) allocator_.all_notes_off();
  }
  allocator_.add_age(frames_since_previous);
  allocator_.midi(word);
}

// --- allocator_client ---------------------------------------------------------

void synth::load_voice_program(voice& v, int program) {
  const preset& p = bank_.slots[size_t(program)];
  if (v.program() == program && v.stamp() == p.change_stamp) return;
  v.load_program(program, p);
}

void synth::start_note(int slot, int note, int velocity, bool retrigger) {
  if (slot < 0 || slot >= voice_slots_) return;
  int program = current_program_;
  if (flag(engine_flag::drum_mode)) {
    program = ((note - drum_key_offset) % bank_size + bank_size) % bank_size;
    note = middle_c;
  }
  const bool was_gated = is_gated(slot);
  const int previous = allocator_.last_slot();
  sequence_gain_[size_t(slot)] = 1.f;  // a MIDI note plays unshaped by a song that played here
  sequence_offset_[size_t(slot)] = 0.f;
  for (int layer = 0; layer < unison_layers_; ++layer) {
    voice& v = layer_voice(slot, layer);
    load_voice_program(v, program);
    v.set_note(note);
    if (velocity > 0) v.set_velocity(float(velocity) / 127.f);
    routes_.route_voice(layer * voice_slots_ + slot);
    glide_start(v, slot, layer, was_gated);
    v.set_tuning(transpose_ + fine_tune_);
    v.set_bend_ratio(bend_ratio());
    v.set_random_offset((random_uniform() - 0.5f) * unison_randomization_);
    v.start(retrigger);
  }
  previous_slot_[size_t(slot)] = int8_t(previous);
  spread_unison(slot);
}

void synth::glide_start(voice& v, int slot, int layer, bool was_gated) {
  const int mode = global_glide_mode_;
  if (!polyphonic_) {
    // Mono: 0 "Normal" glides always; 1 "Fingered" jumps at a new phrase
    // (voice not gated, only one key down); 2 "Afingered" jumps when legato.
    bool jump = false;
    if (mode == 1) jump = !was_gated && allocator_.stack_size() <= 1;
    if (mode == 2) jump = was_gated;
    v.begin_glide(jump);
    return;
  }
  const int prev = allocator_.last_slot();
  const voice* from = prev >= 0 && prev < voice_slots_ && prev != slot ? &layer_voice(prev, layer) : nullptr;
  if (mode == 0 && from) {        // "Follow": from where the last started voice is
    v.glide_from_pitch_of(*from);
  } else if (mode == 1 && from) {  // "Retain": its whole glide state
    v.copy_glide_state(*from);
  }
  v.begin_glide(false);            // "Voice": from its own previous pitch
}

void synth::release_note(int slot, int velocity) {
  const float vel = float(velocity) / 127.f;
  if (slot < 0) {
    for (int i = 0; i < pool_size(); ++i) voices_[size_t(i)].release(vel);
    return;
  }
  if (slot >= voice_slots_) return;
  for (int layer = 0; layer < unison_layers_; ++layer) layer_voice(slot, layer).release(vel);
}

void synth::kill_voice(int slot) {
  if (slot < 0) {
    for (int i = 0; i < pool_size(); ++i) voices_[size_t(i)].kill();
    return;
  }
  if (slot < voice_slots_) layer_voice(slot, 0).clear();
}

bool synth::is_active(int slot) {
  return slot >= 0 && slot < voice_slots_ && layer_voice(slot, 0).active();
}

bool synth::is_gated(int slot) {
  return slot >= 0 && slot < voice_slots_ && layer_voice(slot, 0).gated();
}

void synth::poly_pressure(int note, int value) {
  midi_.poly_pressure[size_t(note & 0x7F)] = uint8_t(value & 0x7F);
  routes_.source_changed(route_source::note, note_source::pressure);
}

void synth::control_change(int number, int value) {
  midi_.controller[size_t(number & 0x7F)] = uint8_t(value & 0x7F);
  routes_.source_changed(route_source::controller, number & 0x7F);
}

void synth::program_change(int program) {
  midi_.program = uint8_t(program & 0x7F);
  routes_.source_changed(route_source::note, note_source::program);
}

void synth::channel_pressure(int value) {
  midi_.channel_pressure = uint8_t(value & 0x7F);
  routes_.source_changed(route_source::note, note_source::aftertouch);
}

void synth::pitch_bend(float value) {
  midi_.bend = value;
  apply_bend_to_voices();
  routes_.source_changed(route_source::note, note_source::bender);
}

float synth::bend_ratio() const { return std::exp2(bend_range_ * midi_.bend / 12.f); }

void synth::apply_bend_to_voices() {
  const float ratio = bend_ratio();
  for (int i = 0; i < pool_size(); ++i) voices_[size_t(i)].set_bend_ratio(ratio);
}

// --- unison -------------------------------------------------------------------

void synth::spread_unison(int slot) {
  const int n = unison_layers_;
  float detune[max_unison_layers];
  float pan[max_unison_layers];
  unison_detune(n, unison_detune_, detune);
  unison_pan(n, unison_width_, pan);
  const int first = slot < 0 ? 0 : slot, last = slot < 0 ? voice_slots_ - 1 : slot;
  for (int s = first; s <= last; ++s) {
    for (int layer = 0; layer < n; ++layer) {
      stereo_gain g = unison_gain(pan[layer], n);
      const float gain = sequence_gain_[size_t(s)];  // 1 unless a song shapes this slot
      layer_voice(s, layer).set_unison(detune[layer] + sequence_offset_[size_t(s)], g.left * gain, g.right * gain);
    }
  }
}

float synth::random_uniform() {
  // 15-bit draws from a small LCG of our own: the audio thread never calls rand().
  random_state_ = random_state_ * 1103515245u + 12345u;
  return float((random_state_ >> 16) & 0x7FFF) * 3.05185e-05f;
}

// --- route_client ---------------------------------------------------------------

float synth::preset_value(int program, int parameter) {
  if (program < 0 || program >= bank_size) return 0.f;
  return bank_.slots[size_t(program)].get(parameter);
}

voice_sources synth::voice_source(int v) {
  const voice& vo = voices_[size_t(v)];
  voice_sources s;
  s.note = vo.note();
  s.velocity = vo.velocity();
  s.release_velocity = vo.release_velocity();
  return s;
}

void synth::apply_to_voice(int v, int parameter, float value) {
  voice& vo = voices_[size_t(v)];
  vo.set_param(parameter, value, vo.active());
}

// --- controller map target --------------------------------------------------------

void synth::cc_target::set_param(int index, float internal) {
  owner->set_param(index, owner->current_program_, internal);
}

float synth::cc_target::get_param(int index) { return owner->get_param(index, owner->current_program_); }

void synth::cc_target::notify_parameter(int index, float normalised) {
  if (owner->editor_sink_) owner->editor_sink_->notify_parameter(index, normalised);
}

void synth::cc_target::notify_message(const char* text, int number) {
  if (owner->editor_sink_) owner->editor_sink_->notify_message(text, number);
}

}  // namespace synth
