// "mmFilter": the resonant lowpass the Follower sweeps (not in the registry).
// A topology-preserving state-variable filter (Zavalishin, "The Art of VA
// Filter Design", 2012, ch. 4): stable under audio-rate cutoff changes, which
// the Follower makes every sub-block. The cutoff is 20 Hz raised by
// "Cutoff" * 10.67 octaves (to 32 kHz, limited to 0.4875 of the rate), its
// coefficient gliding linearly across each block. "Resonance" takes the
// damping from 2 (no peak) down to 0.04 (Q 25). "Saturation" and "Asymmetry"
// switch on the nonlinear stage: the input driven up to 9x into a soft
// clipper, offset by up to 0.5 for even harmonics (the offset itself is
// removed), and the band integrator softly limited so the resonance growls
// instead of ringing at high drive, as an analogue filter's integrators do.
#pragma once

#include "fx/effect.h"

namespace fx {

class mm_filter final : public effect {
 public:
  enum { cutoff, resonance, saturation, asymmetry, count };
  static constexpr float base_hz = 20.f;
  static constexpr float octaves = 10.666667f;

  mm_filter();

  void sample_rate_changed() override;
  void clear() override;
  // The cutoff target for the next `frames` samples.
  void prepare(int frames) override;
  void process(const io& block, bool replace) override;
  void parameter_changed(int index) override;

  // For the owner: a value set and applied at once (same thread as process).
  // Decayed states to zero (once per block).
  void flush();
  void recover() override;
  void set_now(int index, float v) {
    set_value(index, v);
    apply_pending();
  }

 private:
  struct channel {
    float s1 = 0.f, s2 = 0.f;  // band and low integrator states
  };
  float shape(float x) const;

  channel ch_[2];
  float g_ = 0.f, g_step_ = 0.f, g_target_ = 0.f;
  float damping_ = 2.f, drive_ = 1.f, bias_ = 0.f, bias_out_ = 0.f, makeup_ = 1.f;
  bool nonlinear_ = false;
  bool dirty_ = true;
};

}  // namespace fx
