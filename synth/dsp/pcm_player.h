// Plays a PCM record as a zero-order hold whose every change of value is a
// band-limited step, at increment * frames_per_cycle frames per sample
// (backwards for a negative increment), looping or stopping at the end.
#pragma once

#include <cstdint>

#include "synth/dsp/correction_ring.h"
#include "synth/dsp/pcm_record.h"

namespace synth {

class pcm_player {
 public:
  static constexpr float sample_scale = 1.f / 32767.f;  // int16 to +-1
  static constexpr float output_offset = 1e-10f;        // keeps the output off exact 0 (denormal-free tails)

  pcm_player() = default;
  void reset();  // stopped, slot -1
  // (Re)start on a slot: playing from `start` at the next sample.
  void start(int32_t slot);
  void stop();
  void set_start(float start) { start_ = start < 0.f ? 0.f : (start > 1.f ? 1.f : start); }

  // One output sample. A null, empty or muted record gives exactly 0.
  float render(const pcm_record* record, float increment);

  bool playing() const { return playing_; }
  int32_t slot() const { return slot_; }
  int32_t index() const { return index_; }
  float fraction() const { return fraction_; }
  float last() const { return last_; }

 private:
  void check_value(const pcm_record& r, float t);

  bool playing_ = false;
  bool start_applied_ = false;
  int32_t slot_ = -1;
  int32_t index_ = 0;
  float fraction_ = 0.f;
  float last_ = 0.f;  // value currently held
  float start_ = 0.f;
  output_stage out_;
};

}  // namespace synth
