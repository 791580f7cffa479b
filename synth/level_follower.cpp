#include "synth/level_follower.h"

#include <cmath>

namespace synth {

namespace {

float time_coefficient(float seconds, float rate) {
  return 1.f - std::pow(0.01f, 1.f / (seconds * rate));
}

}  // namespace

void level_follower::init(float sample_rate) {
  attack_ = time_coefficient(attack_seconds, sample_rate);
  release_ = time_coefficient(release_seconds, sample_rate);
  hold_step_ = 1.f / (hold_seconds * sample_rate);
}

void level_follower::reset() {
  for (channel& c : channels_) {
    c.e = c.hold = c.peak = 0.f;
    c.largest = 0.f;
  }
  changed_ = false;
}

void level_follower::run(channel& c, const float* x, int frames) {
  float e = c.e, hold = c.hold, peak = c.peak, largest = c.largest;
  for (int i = 0; i < frames; ++i) {
    float a = std::fabs(x[i]);
    if (a > e) {
      e += (a - e) * attack_;
      peak = a > peak ? a : peak;
      hold = 1.f;
    } else if (hold >= hold_step_) {
      e += (peak - e) * attack_;
      hold -= hold_step_;
    } else {
      e += (a - e) * release_;
      peak = 0.f;
    }
    if (e > largest) {
      largest = e;
      changed_ = true;
    }
  }
  if (e < 1e-10f) e = 0.f;
  c.e = e;
  c.hold = hold;
  c.peak = peak;
  c.largest = largest;
}

void level_follower::process(const float* left, const float* right, int frames) {
  run(channels_[0], left, frames);
  run(channels_[1], right, frames);
}

float level_follower::read(int channel) {
  float v = channels_[size_t(channel)].largest;
  channels_[size_t(channel)].largest = 0.f;
  return v;
}

}  // namespace synth
