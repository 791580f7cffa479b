// The engine's side of song playback: the sequence player drives voice slots
// directly (loading programs, starting, releasing, cutting, shaping their
// amplitude and pitch) between any two frames, so that the rows and commands
// of a song fall on exact frames. A slot's voices render in runs: up to the
// frame at which the player next changes them, just before the change lands,
// so a voice pays a block's set-up per change rather than per frame.
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
  flush_stepped(slot);
  for (int layer = 0; layer < unison_layers_; ++layer) {
    voice& v = layer_voice(slot, layer);
    v.load_program(program, bank_.slots[size_t(program)]);
    routes_.route_voice(layer * voice_slots_ + slot);
  }
}

void synth::sequence_param(int slot, int index, float value) {
  if (slot < 0 || slot >= voice_slots_) return;
  flush_stepped(slot);
  for (int layer = 0; layer < unison_layers_; ++layer) layer_voice(slot, layer).set_param(index, value, false);
}

void synth::sequence_start(int slot, int note, bool retrigger) {
  if (slot < 0 || slot >= voice_slots_) return;
  flush_stepped(slot);  // a silent voice settles what it owes before it sounds again
  if (!tuning_.key_sounds(note)) {  // a key the tuning leaves out is silent
    release_note(slot, 0);
    return;
  }
  for (int layer = 0; layer < unison_layers_; ++layer) {
    const int index = layer * voice_slots_ + slot;
    voice& v = voices_[size_t(index)];
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

void synth::sequence_release(int slot) {
  flush_stepped(slot);
  release_note(slot, 0);
}

void synth::sequence_cut(int slot) {
  if (slot < 0 || slot >= voice_slots_) return;
  flush_stepped(slot);
  for (int layer = 0; layer < unison_layers_; ++layer) layer_voice(slot, layer).kill();
}

void synth::sequence_shape(int slot, float gain, float semitones) {
  if (slot < 0 || slot >= voice_slots_) return;
  if (sequence_gain_[size_t(slot)] == gain && sequence_offset_[size_t(slot)] == semitones) return;
  flush_stepped(slot);
  sequence_gain_[size_t(slot)] = gain;
  sequence_offset_[size_t(slot)] = semitones;
  spread_unison(slot);
}

void synth::sequence_clear_shapes() {
  flush_stepped(-1);
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
  // The reference engine steps every slot a frame at a time: the plain
  // order of the work, against which the runs are checked.
  stepped_slots_ = reference_engine_ ? int(voice_slots_) : std::clamp(stepped_slots, 0, int(voice_slots_));
  stepped_frame_ = 0;
  stepped_from_.fill(0);
  stepped_sounded_.fill(false);
}

// Frame `frame` is due: the stepped slots' voices render up to it when the
// player next changes them, or at the piece's end.
void synth::render_step(int frame) {
  stepped_frame_ = std::clamp(frame + 1, 0, stepped_capacity);
  if (reference_engine_) flush_stepped(-1);
}

// Slot `slot`'s voices (every stepped slot's for -1) from the first frame
// they have not rendered up to the frame due, as a block of their own;
// nothing outside a stepped piece.
void synth::flush_stepped(int slot) {
  if (slot < 0) {
    for (int s = 0; s < stepped_slots_; ++s) flush_stepped(s);
    return;
  }
  if (slot >= stepped_slots_) return;
  const int from = stepped_from_[size_t(slot)], n = stepped_frame_ - from;
  if (n <= 0) return;
  stepped_from_[size_t(slot)] = stepped_frame_;
  float* l = context_.scratch_left.data() + from;
  float* r = context_.scratch_right.data() + from;
  for (int layer = 0; layer < unison_layers_; ++layer) {
    const int i = layer * voice_slots_ + slot;
    voice& v = voices_[size_t(i)];
    if (!v.begin_or_catch_up(n)) continue;
    stepped_sounded_[size_t(i)] = true;
    if (reference_engine_)
      v.render_reference(l, r, n);
    else
      v.render(l, r, n);
  }
}

void synth::end_stepped(float* left, float* right, int frames) {
  frames = std::clamp(frames, 0, stepped_capacity);
  stepped_frame_ = frames;
  flush_stepped(-1);
  float* l = context_.scratch_left.data();
  float* r = context_.scratch_right.data();
  const int run = reference_engine_ ? render_voices_reference(l, r, frames) : render_voices(l, r, frames);
  const int rendered = run + int(std::count(stepped_sounded_.begin(), stepped_sounded_.end(), true));
  stepped_slots_ = 0;
  if (rendered > 0 || output_.residue() > 1e-9f) output_.process(l, r, frames);
  effects_->run(l, r, frames, sample_rate_);  // an empty chain returns at once
  for (int f = 0; f < frames; ++f) {
    left[f] += l[f];
    right[f] += r[f];
  }
  voices_rendered_ = rendered;
}

}  // namespace synth
