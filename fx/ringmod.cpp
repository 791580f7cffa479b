// "Ringmod": each channel, at twice the rate, multiplied by a carrier: an
// internal sine (a parabolic approximation with one correction term) or the
// side-chain, bent towards a square by "Timbre", with "Depth" blending from
// the plain input (0) through amplitude modulation to ring modulation (1).
#include <cmath>

#include "fx/factories.h"
#include "fx/smoothed_effect.h"
#include "fx/half_band.h"
#include "fx/sine.h"
#include "fx/time_law.h"

namespace fx {

namespace {

enum { rate, depth, width, timbre, sidechain, count };

constexpr param_desc params[count] = {
    {"Rate", 0.f, 1.f, 0, 0.3f},      {"Depth", 0.f, 1.f, 0, 1.f}, {"Width", 0.f, 1.f, 0, 0.f},
    {"Timbre", 0.f, 1.f, 0, 0.f},     {"Sidechain", 0.f, 1.f, 1, 0.f},
};

// Carrier frequency: cube(v) * 15999 + 1 Hz, 1 Hz to 16 kHz.
float carrier_hz(float v) { return cube(v) * 15999.f + 1.f; }

class ringmod final : public smoothed_effect {
 public:
  ringmod() : smoothed_effect("Ringmod", params, count, nullptr, 4) {}

  void reset() override { phase_ = -1.f; }
  void clear() override {
    for (auto& o : os_) o.clear();
    for (auto& u : side_up_) u.clear();
  }
  void recover() override {
    for (auto& o : os_) scrub(o);
    for (auto& u : side_up_) scrub(u);
  }

  void process(const io& b, bool replace) override {
    refresh();
    const bool external = value(sidechain) > 0.5f && b.side;
    float phase = phase_;
    for (int i = 0; i < b.frames; ++i) {
      if (smooth_.active()) smooth_.tick();
      float carrier[2][2];  // [sub-sample][channel]
      if (external) {
        for (int c = 0; c < 2; ++c) side_up_[c].run(b.side[c][i], carrier[0][c], carrier[1][c]);
      } else {
        for (int k = 0; k < 2; ++k) {
          phase += increment_;
          if (phase >= 1.f) phase -= 2.f;
          float right = phase + offset_;
          if (right >= 1.f) right -= 2.f;
          carrier[k][0] = parabolic_sine(phase);
          carrier[k][1] = parabolic_sine(right);
        }
      }
      for (int c = 0; c < 2; ++c) {
        float even, odd;
        os_[c].up.run(b.in[c][i], even, odd);
        even *= (bend(carrier[0][c]) - 1.f) * depth_ + 1.f;
        odd *= (bend(carrier[1][c]) - 1.f) * depth_ + 1.f;
        put(b.out[c], i, os_[c].down.run(even, odd), replace);
      }
    }
    phase_ = phase;
  }

 private:
  // "Timbre": two soft clips c / (|c| + tau) (tau + 1), which keep +-1 in
  // place; tau falls from 5 (nearly the sine) to 0.01 (a square). Below 0.1
  // the first clip is blended back towards the plain carrier.
  float bend(float c) const {
    const float c1 = c / (std::fabs(c) + tau_) * (tau_ + 1.f);
    const float c2 = (c - c1) * beta_ + c1;
    return c2 / (std::fabs(c2) + tau_) * (tau_ + 1.f);
  }
  void update() override {
    const float t = value(timbre);
    tau_ = 5.f - (t / (std::fabs(t) + 0.03f)) * 1.03f * 4.99f;
    beta_ = t <= 0.1f ? 1.f - 10.f * t : 0.f;
    // The phase spans 2 per cycle and advances twice per input sample.
    const float k = rc_.rate > 0.f ? carrier_hz(value(rate)) * 2.f / (2.f * rc_.rate) : 0.f;
    increment_ = k < 0.f ? 0.f : (k > 1.f ? 1.f : k);
    offset_ = value(width) * 0.5f;
    smooth_.set(&depth_, value(depth));
  }

  oversampler_2x os_[2];
  upsampler_2x side_up_[2];
  float phase_ = -1.f, increment_ = 0.f, offset_ = 0.f, depth_ = 1.f, tau_ = 5.f, beta_ = 1.f;
};

}  // namespace

std::unique_ptr<effect> make_ringmod() { return std::make_unique<ringmod>(); }

}  // namespace fx
