// "Quantizer": sample-rate and word-length reduction.
//  - A sample-and-hold at 400 * 100^v Hz takes a new sample whenever its
//    phase wraps; "Jitter" varies each hold period at random by up to +-50 %
//    (the clock jitter of cheap early samplers).
//  - The held sample is quantised to 2^bits steps over +-1 (bits = 16^v, 1
//    to 16), rounding to the nearest step, so the grid has an exact zero and
//    silence stays silent; "Dither" adds triangular (TPDF) noise of up to
//    +-1 step before the rounding (Vanderkooy and Lipshitz, "Dither in
//    Digital Audio", JAES 1987), which turns the distortion of quiet passages
//    into steady hiss.
//  - "Zero" on gives the zero-order hold's staircase (the hard, aliased
//    classic); off reconstructs between the held samples with a Catmull-Rom
//    spline (one hold period later), a smoother, duller low-rate sound.
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "fx/factories.h"
#include "fx/smoothed_effect.h"
#include "fx/time_law.h"

namespace fx {

namespace {

enum { rate, jitter, bits, dither, zero, count };

constexpr param_desc params[count] = {
    {"Rate", 0.f, 1.f, 0, 0.4f},   {"Jitter", 0.f, 1.f, 0, 0.f}, {"Bits", 0.f, 1.f, 0, 0.4f},
    {"Dither", 0.f, 1.f, 0, 0.f},  {"Zero", 0.f, 1.f, 1, 0.f},
};

float hold_hz(float v) { return 400.f * std::pow(100.f, v); }
float bit_count(float v) { return std::pow(16.f, v); }
float shaped(float v) { return soft_rise(v) * 0.5f; }  // 0..0.5

// Catmull-Rom spline through p0..p3, between p1 (t = 0) and p2 (t = 1).
float catmull(float p0, float p1, float p2, float p3, float t) {
  const float a = -0.5f * p0 + 1.5f * p1 - 1.5f * p2 + 0.5f * p3;
  const float b = p0 - 2.5f * p1 + 2.f * p2 - 0.5f * p3;
  const float c = -0.5f * p0 + 0.5f * p2;
  return ((a * t + b) * t + c) * t + p1;
}

class quantizer final : public smoothed_effect {
 public:
  quantizer() : smoothed_effect("Quantizer", params, count) {}

  void sample_rate_changed() override {
    ratio_ = 1.f / (rc_.rate * 2.5e-05f);  // 40000 / rate
    smoothed_effect::sample_rate_changed();
  }
  void clear() override {
    for (auto& h : held_)
      for (float& v : h) v = 0.f;
    phase_ = 0.f;
  }
  void format_value(int index, char* text, size_t size) const override {
    if (index == rate)
      std::snprintf(text, size, "%0.1f Hz", double(hold_hz(value(rate))));
    else if (index == bits)
      std::snprintf(text, size, "%0.1f bits", double(bit_count(value(bits))));
    else
      effect::format_value(index, text, size);
  }

  void process(const io& b, bool replace) override {
    refresh();
    const bool staircase = value(zero) > 0.5f;
    for (int i = 0; i < b.frames; ++i) {
      phase_ += increment_ * period_scale_;
      if (phase_ >= 1.f) {
        phase_ -= 1.f;
        if (phase_ >= 1.f) phase_ = 0.f;
        period_scale_ = 1.f / (1.f + jitter_ * (2.f * random() - 1.f));
        for (int c = 0; c < 2; ++c) take(held_[c], b.in[c][i]);
      }
      const float t = phase_;
      for (int c = 0; c < 2; ++c) {
        const float* h = held_[c];
        const float y = staircase ? h[3] : catmull(h[0], h[1], h[2], h[3], t);
        put(b.out[c], i, y, replace);
      }
    }
  }

 private:
  void take(float* h, float x) {
    const float noise = dither_ * (random() - random()) * 2.f * step_;
    // floor(v + 0.5): the processing call rounds toward zero, so no rint here.
    const float q = std::floor((x + noise) * inv_step_ + 0.5f) * step_;
    h[0] = h[1];
    h[1] = h[2];
    h[2] = h[3];
    h[3] = q;
  }
  float random() {  // uniform in [0, 1): xorshift32
    seed_ ^= seed_ << 13;
    seed_ ^= seed_ >> 17;
    seed_ ^= seed_ << 5;
    return float(seed_ >> 8) * (1.f / 16777216.f);
  }
  void update() override {
    // The hold rate per sample: rate * 2.5e-5 * (40000 / sample rate).
    const float inc = hold_hz(value(rate)) * 2.5e-05f * ratio_;
    increment_ = inc > 1.f ? 1.f : inc;
    jitter_ = shaped(value(jitter));
    dither_ = shaped(value(dither));
    const float levels = std::exp2(bit_count(value(bits)));
    step_ = 2.f / levels;
    inv_step_ = levels * 0.5f;
  }

  float held_[2][4] = {};
  float phase_ = 0.f, increment_ = 0.f, period_scale_ = 1.f, ratio_ = 1.f;
  float jitter_ = 0.f, dither_ = 0.f, step_ = 1.f, inv_step_ = 1.f;
  uint32_t seed_ = 0x9E3779B9u;
};

}  // namespace

std::unique_ptr<effect> make_quantizer() { return std::make_unique<quantizer>(); }

}  // namespace fx
