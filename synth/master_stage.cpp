#include "synth/master_stage.h"

#include <cmath>

namespace synth {

void master_stage::init(float sample_rate) {
  for (one_pole_highpass& c : channels_) c.init(highpass_hz, sample_rate);
}

void master_stage::reset() {
  for (one_pole_highpass& c : channels_) c.reset();
}

float master_stage::residue() const { return std::fabs(channels_[0].z) + std::fabs(channels_[1].z); }

void master_stage::run_highpass(float* x, int frames, one_pole_highpass& channel) const {
  one_pole_highpass hp = channel;  // a local copy keeps the state in registers
  const float gain = gain_;
  for (int i = 0; i < frames; ++i) {
    const float out = hp.process(x[i]);
    x[i] = gain == 1.f ? out : out * gain;
  }
  channel.z = hp.z;
}

void master_stage::process(float* left, float* right, int frames) {
  if (highpass_) {
    run_highpass(left, frames, channels_[0]);
    run_highpass(right, frames, channels_[1]);
    return;
  }
  for (int i = 0; i < frames; ++i) {
    left[i] *= gain_;
    right[i] *= gain_;
  }
}

}  // namespace synth
