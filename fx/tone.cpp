// "Tone": a band of the signal, made as the difference of two lowpasses, added
// to the dry signal with up to +-40 dB of gain (a band boost at Mix 0.5, the
// band alone at Mix 1). Each section: lp1 at the upper edge f1, then
// t - lp2(t) with lp2 at the lower edge f2, i.e. c = 1 and r = 1, which makes
// the section a first-order bandpass from f2 to f1; "Steep" cascades up to
// four of them. With "Auto" the band follows the played pitch (a zero-
// crossing tracker): "Frequency" then places its centre from 4 octaves below
// to 4 octaves above the fundamental and "Bandwidth" sets its half-width
// from a quarter octave to 4 octaves.
#include <cmath>

#include "fx/factories.h"
#include "fx/smoothed_effect.h"
#include "fx/pitch_tracker.h"
#include "fx/time_law.h"

namespace fx {

namespace {

enum { mix, frequency, bandwidth, gain, automatic, steep, count };

constexpr param_desc params[count] = {
    {"Mix", 0.f, 1.f, 0, 0.5f},  {"Frequency", 0.f, 1.f, 0, 0.5f}, {"Bandwidth", 0.f, 1.f, 0, 0.5f},
    {"Gain", 0.f, 1.f, 0, 0.5f}, {"Auto", 0.f, 1.f, 1, 0.f},       {"Steep", 0.f, 3.f, 1, 0.f},
};

constexpr int max_sections = 4;
constexpr float section_c = 1.f;  // gain into the second lowpass
constexpr float section_r = 1.f;  // weight of the lower edge subtracted

float clamp01(float v) { return v < 0.f ? 0.f : (v > 1.f ? 1.f : v); }

class tone final : public smoothed_effect {
 public:
  tone() : smoothed_effect("Tone", params, count) {}

  void sample_rate_changed() override {
    tracker_.init(rc_.rate);
    tracker_.reset();
    smoothed_effect::sample_rate_changed();
    coefficients();
  }
  void clear() override {
    for (auto& ch : s_)
      for (auto& sec : ch) sec = section{};
    tracker_.reset();
  }
  void recover() override {
    scrub(s_);
    tracker_.recover();
  }

  void process(const io& b, bool replace) override {
    refresh();
    const int n = (int(value(steep)) & 3) + 1;
    const bool automatic_mode = value(automatic) > 0.5f;
    for (int i = 0; i < b.frames; ++i) {
      if (automatic_mode) {
        tracker_.run(0.5f * (b.in[0][i] + b.in[1][i]));
        if ((i & 15) == 0) follow_pitch();
      }
      if (smooth_.active()) {
        smooth_.tick();
        coefficients();
      }
      for (int c = 0; c < 2; ++c) {
        const float x = b.in[c][i];
        float u = x;
        for (int k = 0; k < n; ++k) u = s_[c][k].run(u, g1_, k1_, g2_, k2_);
        put(b.out[c], i, gain_ * wet_ * u + dry_ * x, replace);
      }
    }
  }

 private:
  struct section {
    float s1 = 0.f, s2 = 0.f;
    float run(float u, float g1, float k1, float g2, float k2) {
      const float lp1 = (g1 * u + s1) * k1;
      s1 = (u - lp1) * g1 + lp1;
      const float t = section_c * lp1;
      const float lp2 = (g2 * t + s2) * k2;
      s2 = (t - lp2) * g2 + lp2;
      return t - section_r * lp2;
    }
  };

  void update() override {
    if (value(automatic) > 0.5f) {
      follow_pitch();
    } else {
      const float b = value(bandwidth) * 0.9375f + 0.0625f;
      smooth_.set(&f1_, square(clamp01(value(frequency) + b)) * 19980.f + 20.f);
      smooth_.set(&f2_, square(clamp01(value(frequency) - b)) * 19980.f + 20.f);
    }
    smooth_.set(&gain_, db_to_gain(value(gain) * 80.f - 40.f));
    smooth_.set(&wet_, clamp01(2.f * value(mix)));
    smooth_.set(&dry_, clamp01(2.f - 2.f * value(mix)));
  }
  void follow_pitch() {
    const float centre = tracker_.octaves() + (value(frequency) - 0.5f) * 8.f;
    const float half = (value(bandwidth) * 0.9375f + 0.0625f) * 4.f;
    smooth_.set(&f1_, std::exp2(centre + half));
    smooth_.set(&f2_, std::exp2(centre - half));
  }
  void coefficients() {
    if (rc_.rate <= 0.f) return;
    const float top = 0.5f * rc_.rate;
    const float f1 = f1_ < 1.f ? 1.f : (f1_ > top ? top : f1_);
    const float f2 = f2_ < 1.f ? 1.f : (f2_ > top ? top : f2_);
    g1_ = synth::one_pole_g(f1, rc_.rate);
    k1_ = 1.f / (g1_ + 1.f);
    g2_ = synth::one_pole_g(f2, rc_.rate);
    k2_ = 1.f / (g2_ + 1.f);
  }

  pitch_tracker tracker_;
  section s_[2][max_sections];
  float f1_ = 20000.f, f2_ = 20.f, gain_ = 1.f, wet_ = 1.f, dry_ = 1.f;
  float g1_ = 0.f, k1_ = 1.f, g2_ = 0.f, k2_ = 1.f;
};

}  // namespace

std::unique_ptr<effect> make_tone() { return std::make_unique<tone>(); }

}  // namespace fx
