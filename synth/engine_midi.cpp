// The engine's MIDI side: the entry every event passes, the allocator's
// operations on voices (start, release, kill), pitch bend and pressure, the
// route sources, drum mode, glide starts and the unison spread.
#include <algorithm>
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
  // The channel matters only to MPE: outside it every channel acts alike.
  const int channel = int(word & 0x0F);
  const int d1 = int((word >> 8) & 0x7F), d2 = int((word >> 16) & 0x7F);
  if (status == 0xB0 && mpe_.control(channel, d1, d2)) {
    mpe_on_ = mpe_.on;
    if (mpe_.is_member(channel)) member_expression_changed(channel, note_source::note_bend);  // its bend range
  }
  if (mpe_.is_member(channel) && member_message(status, channel, d1, d2)) {
    allocator_.add_age(frames_since_previous);
    return;
  }
  if (status == 0xB0) {
    const int controller = int((word >> 8) & 0x7F), value = int((word >> 16) & 0x7F);
    cc_map_.control_change(controller, value, cc_target_);
    apply_pending_changes();  // a mapped controller acts from this frame on
    if (controller == controller_all_sound_off) allocator_.all_sound_off();
    if (controller == controller_all_notes_off) allocator_.all_notes_off();
  }
  allocator_.add_age(frames_since_previous);
  if (status == 0x90 || status == 0x80) {
    note_channel_ = mpe_.is_member(channel) ? channel : -1;
    if (status == 0x90 && d2 != 0 && !key_sounds(d1)) return;  // a silent key starts nothing
  }
  allocator_.midi(word);
}

bool synth::key_sounds(int key) const {
  return tuning_.key_sounds(flag(engine_flag::drum_mode) ? middle_c : key);
}

bool synth::member_message(uint32_t status, int channel, int data1, int data2) {
  mpe_channel& c = mpe_.channel[size_t(channel)];
  switch (status) {
    case 0xE0:
      c.bend = float(data2 * 128 + data1) * (1.f / 8192.f) - 1.f;
      member_expression_changed(channel, note_source::note_bend);
      return true;
    case 0xD0:
      c.pressure = uint8_t(data1);
      member_expression_changed(channel, note_source::note_pressure);
      return true;
    case 0xB0:
      if (data1 != mpe_slide_controller) return false;
      c.slide = uint8_t(data2);
      member_expression_changed(channel, note_source::note_slide);
      return true;
    default:
      return false;
  }
}

// The channel's values reach the notes it holds down; released notes keep
// what they had.
void synth::member_expression_changed(int channel, int32_t source) {
  const mpe_channel& c = mpe_.channel[size_t(channel)];
  for (int i = 0; i < pool_size(); ++i) {
    voice& v = voices_[size_t(i)];
    voice::expression& e = v.note_expression();
    if (e.channel != channel || !v.gated()) continue;
    e.bend = c.bend;
    e.bend_semitones = c.bend * c.bend_range;
    e.pressure = float(c.pressure) / 127.f;
    e.slide = float(c.slide) / 127.f;
    if (source == note_source::note_bend) v.set_bend_ratio(bend_ratio_of(v));
  }
  routes_.source_changed(route_source::note, source);
}

voice::expression synth::start_expression(int) const {
  voice::expression e;
  if (note_channel_ < 0 || !mpe_.is_member(note_channel_)) return e;
  const mpe_channel& c = mpe_.channel[size_t(note_channel_)];
  e.channel = note_channel_;
  e.bend = c.bend;
  e.bend_semitones = c.bend * c.bend_range;
  e.pressure = float(c.pressure) / 127.f;
  e.slide = float(c.slide) / 127.f;
  return e;
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
    v.set_expression(start_expression(note));
    routes_.route_voice(layer * voice_slots_ + slot);
    glide_start(v, slot, layer, was_gated);
    v.set_tuning(transpose_ + fine_tune_);
    v.set_bend_ratio(bend_ratio_of(v));
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
  // Also the held voices' "Note Pressure" (in drum mode every voice plays
  // middle C, so the key is that).
  const int key = flag(engine_flag::drum_mode) ? middle_c : (note & 0x7F);
  for (int i = 0; i < pool_size(); ++i) {
    voice& v = voices_[size_t(i)];
    if (v.note() == key && v.gated()) v.note_expression().pressure = float(value & 0x7F) / 127.f;
  }
  routes_.source_changed(route_source::note, note_source::note_pressure);
}

void synth::key_expression(int key, int32_t source, float value) {
  if (!std::isfinite(value)) return;
  if (source != note_source::note_bend && source != note_source::note_pressure && source != note_source::note_slide)
    return;
  const int k = flag(engine_flag::drum_mode) ? middle_c : (key & 0x7F);
  for (int i = 0; i < pool_size(); ++i) {
    voice& v = voices_[size_t(i)];
    if (v.note() != k || !v.gated()) continue;
    voice::expression& e = v.note_expression();
    if (source == note_source::note_bend) {
      // The route source reads the bend as a member channel at its default
      // range would have sent it.
      e.bend_semitones = value;
      e.bend = std::clamp(value / mpe_default_note_bend_range, -1.f, 1.f);
      v.set_bend_ratio(bend_ratio_of(v));
    } else if (source == note_source::note_pressure) {
      e.pressure = std::clamp(value, 0.f, 1.f);
    } else {
      e.slide = std::clamp(value, 0.f, 1.f);
    }
  }
  routes_.source_changed(route_source::note, source);
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

float synth::bend_ratio_of(const voice& v) const {
  const float note_bend = v.note_expression().bend_semitones;
  if (note_bend == 0.f) return bend_ratio();
  return std::exp2((bend_range_ * midi_.bend + note_bend) / 12.f);
}

void synth::apply_bend_to_voices() {
  for (int i = 0; i < pool_size(); ++i) {
    voice& v = voices_[size_t(i)];
    v.set_bend_ratio(bend_ratio_of(v));
  }
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
  s.note_bend = vo.note_expression().bend;
  s.note_pressure = vo.note_expression().pressure;
  s.note_slide = vo.note_expression().slide;
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
