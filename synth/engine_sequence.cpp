// The engine's side of song playback: the sequence player drives voice slots
// directly (loading programs, starting, releasing, cutting, shaping their
// amplitude and pitch) and renders the voices one frame at a time, so that
// the rows of a song fall on exact frames.
#include <algorithm>
#include <cstring>

#include "fx/chain.h"
#include "synth/engine.h"

namespace synth {

void synth::sequence_use_slots(int slots) {
  slots = std::clamp(slots, 1, max_voice_slots);
  if (polyphonic_ && voice_slots_ >= slots) return;
  constexpr int poly_offset = 3;  // "Voices" above 3 means polyphonic with value - 3 slots
  set_param(p::voices, 0, float(std::max(slots, polyphonic_ ? int(voice_slots_) : 1) + poly_offset));
}

void synth::sequence_load(int slot, int program) {
  if (slot < 0 || slot >= voice_slots_ || program < 0 || program >= bank_size) return;
  for (int layer = 0; layer < unison_layers_; ++layer) {
    voice& v = layer_voice(slot, layer);
    v.load_program(program, bank_.slots[size_t(program)]);
    routes_.route_voice(layer * voice_slots_ + slot);
  }
}

void synth::sequence_param(int slot, int index, float value) {
  if (slot < 0 || slot >= voice_slots_) return;
  for (int layer = 0; layer < unison_layers_; ++layer) layer_voice(slot, layer).set_param(index, value, false);
}

void synth::sequence_start(int slot, int note, bool retrigger) {
  if (slot < 0 || slot >= voice_slots_) return;
  if (!tuning_.key_sounds(note)) {  // a key the tuning leaves out is silent
    release_note(slot, 0);
    return;
  }
  for (int layer = 0; layer < unison_layers_; ++layer) {
    const int index = layer * voice_slots_ + slot;
    voice& v = voices_[size_t(index)];
    if (idle_frames_[size_t(index)] > 0) {  // settle what it owes before it sounds again
      v.catch_up(idle_frames_[size_t(index)]);
      idle_frames_[size_t(index)] = 0;
    }
    if (retrigger) v.clear();
    v.set_note(note);
    v.set_velocity(1.f);
    v.set_expression({});
    routes_.route_voice(index);
    v.begin_glide(false);
    v.set_tuning(transpose_ + fine_tune_);
    v.set_bend_ratio(bend_ratio());
    v.set_random_offset((random_uniform() - 0.5f) * unison_randomization_);
    v.start(retrigger);
  }
  spread_unison(slot);
}

void synth::sequence_release(int slot) { release_note(slot, 0); }

void synth::sequence_cut(int slot) {
  if (slot < 0 || slot >= voice_slots_) return;
  for (int layer = 0; layer < unison_layers_; ++layer) layer_voice(slot, layer).kill();
}

void synth::sequence_shape(int slot, float gain, float semitones) {
  if (slot < 0 || slot >= voice_slots_) return;
  if (sequence_gain_[size_t(slot)] == gain && sequence_offset_[size_t(slot)] == semitones) return;
  sequence_gain_[size_t(slot)] = gain;
  sequence_offset_[size_t(slot)] = semitones;
  spread_unison(slot);
}

void synth::sequence_clear_shapes() {
  sequence_gain_.fill(1.f);
  sequence_offset_.fill(0.f);
  spread_unison(-1);
}

void synth::begin_stepped(int frames, int stepped_slots) {
  frames = std::clamp(frames, 0, stepped_capacity);
  apply_pending_changes();
  output_.set_gain(output_gain_);
  output_.set_highpass(flag(engine_flag::block_dc));
  std::memset(context_.scratch_left.data(), 0, sizeof(float) * size_t(frames));
  std::memset(context_.scratch_right.data(), 0, sizeof(float) * size_t(frames));
  std::fill(idle_frames_.begin(), idle_frames_.begin() + pool_size(), 0);
  stepped_slots_ = std::clamp(stepped_slots, 0, int(voice_slots_));
  stepped_rendered_ = 0;
}

// The stepped slots' voices, a frame each, in pool order.
void synth::render_step(int frame) {
  float* l = context_.scratch_left.data() + frame;
  float* r = context_.scratch_right.data() + frame;
  int rendered = 0;
  for (int layer = 0; layer < unison_layers_; ++layer) {
    for (int slot = 0; slot < stepped_slots_; ++slot) {
      const int i = layer * voice_slots_ + slot;
      voice& v = voices_[size_t(i)];
      if (v.active() && v.should_stop()) v.stop();
      if (!v.active()) {
        ++idle_frames_[size_t(i)];
        continue;
      }
      ++rendered;
      if (reference_engine_)
        v.render_reference(l, r, 1);
      else
        v.render(l, r, 1);
    }
  }
  stepped_rendered_ = std::max(stepped_rendered_, rendered);
}

void synth::end_stepped(float* left, float* right, int frames) {
  frames = std::clamp(frames, 0, stepped_capacity);
  for (int i = 0; i < pool_size(); ++i) {
    if (idle_frames_[size_t(i)] > 0) voices_[size_t(i)].catch_up(idle_frames_[size_t(i)]);
    idle_frames_[size_t(i)] = 0;
  }
  float* l = context_.scratch_left.data();
  float* r = context_.scratch_right.data();
  const int run = reference_engine_ ? render_voices_reference(l, r, frames) : render_voices(l, r, frames);
  stepped_slots_ = 0;
  const int rendered = stepped_rendered_ + run;
  if (rendered > 0 || output_.residue() > 1e-9f) output_.process(l, r, frames);
  effects_->run(l, r, frames, sample_rate_);  // an empty chain returns at once
  for (int f = 0; f < frames; ++f) {
    left[f] += l[f];
    right[f] += r[f];
  }
  voices_rendered_ = rendered;
}

}  // namespace synth
