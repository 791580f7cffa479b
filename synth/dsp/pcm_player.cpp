#include "synth/dsp/pcm_player.h"

#include <cmath>

namespace synth {

namespace {

// More frame changes than this in one sample are inaudible as separate steps
// (the residual is 16 samples long); larger jumps skip frames in one go so a
// huge frames_per_cycle cannot stall the audio thread.
constexpr int32_t max_frames_per_sample = 64;

}  // namespace

void pcm_player::reset() {
  playing_ = false;
  start_applied_ = false;
  slot_ = -1;
  index_ = 0;
  fraction_ = 0.f;
  last_ = 0.f;
  start_ = 0.f;
  out_.reset();
}

void pcm_player::start(int32_t slot) {
  slot_ = slot;
  playing_ = true;
  start_applied_ = false;
  index_ = 0;
  fraction_ = 0.f;
  last_ = 0.f;
}

void pcm_player::stop() {
  playing_ = false;
  index_ = 0;
  fraction_ = 0.f;
}

void pcm_player::check_value(const pcm_record& r, float t) {
  const float value = float(r.frames()[index_]) * sample_scale;
  if (value != last_) {
    insert_correction(out_.step, minblep, t, last_ - value);
    last_ = value;
  }
}

float pcm_player::render(const pcm_record* record, float increment) {
  if (!playing_ || !record || !record->filled()) return 0.f;
  const pcm_record& r = *record;
  const float step = r.frames_per_cycle * increment;
  const bool looping = r.loop && r.loop_end < r.length && r.loop_start <= r.loop_end;
  const int32_t loop_length = r.loop_end - r.loop_start + 1;

  if (!start_applied_) {
    index_ = int32_t(float(r.length) * start_);
    if (index_ > r.length - 1) index_ = r.length - 1;
    start_applied_ = true;
  }
  fraction_ += step;

  // Fractional loop length: the jump back from past the loop end waits for
  // the loop's fractional part.
  const float loop_span = 1.f - r.loop_fraction;
  if (looping && index_ > r.loop_end && fraction_ >= loop_span) {
    fraction_ -= loop_span;
    index_ += r.loop_start - r.loop_end;
    if (index_ < 0 || index_ >= r.length) {
      stop();
    } else if (step != 0.f) {
      check_value(r, fraction_ * loop_span / step);
    }
  }

  if (playing_ && fraction_ >= 1.f) {
    int32_t n = int32_t(fraction_);  // frames crossed this sample
    if (n > max_frames_per_sample) {
      const int32_t skip = n - max_frames_per_sample;
      fraction_ -= float(skip);
      index_ += skip;
      if (looping && index_ > r.loop_end) index_ = r.loop_start + (index_ - r.loop_start) % loop_length;
      n = max_frames_per_sample;
    }
    for (; n > 0; --n) {
      if (fraction_ >= 1.f) fraction_ -= 1.f;
      index_ += 1;
      if (looping && index_ > r.loop_end) {
        index_ = r.loop_start + (index_ - r.loop_end - 1);
      } else if (index_ >= r.length || fraction_ < 0.f) {
        stop();
        break;
      }
      check_value(r, fraction_ / step);  // crossed fraction / step samples ago
    }
  } else if (playing_ && fraction_ < 0.f) {
    int32_t n = int32_t(std::ceil(-fraction_));
    if (n > max_frames_per_sample) {
      const int32_t skip = n - max_frames_per_sample;
      fraction_ += float(skip);
      index_ -= skip;
      if (looping && index_ < r.loop_start) index_ = r.loop_end - (r.loop_end - index_) % loop_length;
      n = max_frames_per_sample;
    }
    for (; n > 0; --n) {
      index_ -= 1;
      if (looping && index_ < r.loop_start) {
        index_ = r.loop_end - r.loop_start + 1 + index_;
      } else if (index_ < 0 || fraction_ > 1.f) {
        stop();
        break;
      }
      if (index_ < 0 || index_ >= r.length) {  // only a start before a backward loop gets here
        stop();
        break;
      }
      check_value(r, fraction_ / step);
      if (fraction_ < 0.f) fraction_ += 1.f;
    }
  }

  const float out = out_.process(last_);
  if (r.muted) return 0.f;
  return 2.f * out + output_offset;
}

}  // namespace synth
