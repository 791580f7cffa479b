// Peak follower for level meters: per channel an envelope that rises with the
// attack coefficient, holds the recent peak for the hold time, then falls with
// the release coefficient. Coefficients follow the 1 - 0.01^(1/(T * rate))
// law: the distance shrinks to 1 % in T seconds.
#pragma once

#include <array>

#include "platform/relaxed.h"

namespace synth {

class level_follower {
 public:
  // Meter ballistics: fast enough to catch a transient, slow enough to read.
  static constexpr float attack_seconds = 0.001f;
  static constexpr float hold_seconds = 0.05f;
  static constexpr float release_seconds = 0.3f;

  void init(float sample_rate);
  void reset();
  // Runs over a block of each channel.
  void process(const float* left, const float* right, int frames);

  // Largest envelope since the last read, per channel; reading clears it.
  float read(int channel);
  // Largest envelope since the last read, without clearing.
  float peek(int channel) const { return channels_[size_t(channel)].largest; }
  bool changed() const { return changed_; }

 private:
  struct channel {
    float e = 0.f;        // envelope
    float hold = 0.f;     // hold counter, 1 after a new peak, counts down by hold_step
    float peak = 0.f;     // peak being held
    platform::relaxed<float> largest{0.f};
  };
  // One channel over a block, where SSE2 is not there to run both at once.
  void run(channel& c, const float* x, int frames);

  float attack_ = 1.f;
  float release_ = 1.f;
  float hold_step_ = 1.f;
  std::array<channel, 2> channels_{};
  platform::relaxed<bool> changed_{false};
};

}  // namespace synth
