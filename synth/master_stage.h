// The master stage after the voices: a DC-blocking one-pole highpass per
// channel (cutoff 1000 / (2 pi 100) ~ 1.59 Hz) with the master gain, or the
// plain gain when blocking is off.
#pragma once

#include <array>

#include "synth/dsp/one_pole.h"

namespace synth {

class master_stage {
 public:
  static constexpr float highpass_hz = 1000.f / (2.f * 3.14159265f * 100.f);

  void init(float sample_rate);  // recomputes the highpass coefficient
  void reset();
  void set_gain(float gain) { gain_ = gain; }
  void set_highpass(bool on) { highpass_ = on; }
  // What is left ringing in the highpass; below 1e-9 the stage can be skipped.
  float residue() const;
  void process(float* left, float* right, int frames);

 private:
  void run_highpass(float* x, int frames, one_pole_highpass& channel) const;

  float gain_ = 1.f;
  bool highpass_ = true;
  std::array<one_pole_highpass, 2> channels_{};
};

}  // namespace synth
