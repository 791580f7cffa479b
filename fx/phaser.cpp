// "Phaser": a chain of first-order allpass stages whose common corner is
// swept by a shaped triangle LFO, with feedback around the chain, mixed with
// the dry signal so the phase shifts become moving notches.
// Corner: F = 20 * 2^(10 "Frequency") Hz (20 Hz to 20 kHz; 226 Hz at the
// default), swept up by D = 2 "Depth" decades (1.3 decades at the default:
// 226 Hz to 4.5 kHz, the range of the classic pedal phasers).
#include <cmath>
#include <cstdio>

#include "fx/factories.h"
#include "fx/smoothed_effect.h"
#include "fx/time_law.h"
#include "synth/dsp/exp2.h"

namespace fx {

namespace {

enum { rate, width, shape, frequency, depth, feedback, stages, mix, count };

constexpr param_desc params[count] = {
    {"Rate", 0.f, 1.f, 0, 0.15f},  {"Width", 0.f, 1.f, 0, 0.5f},    {"Shape", 0.f, 1.f, 0, 0.5f},
    {"Frequency", 0.f, 1.f, 0, 0.35f}, {"Depth", 0.f, 1.f, 0, 0.65f}, {"Feedback", 0.f, 1.f, 0, 0.7f},
    {"Stages", 0.f, 7.f, 1, 4.f},  {"Mix", 0.f, 1.f, 0, 0.5f},
};

constexpr int stage_table[8] = {2, 4, 6, 8, 12, 16, 24, 128};
constexpr int max_stages = 128;
constexpr float log2_10 = 3.3219281f;

float rate_hz(float v) { return cube(v) * 29.99f + 0.01f; }

// tan(x) for 0 <= x < 1.45 (a [5/4] Pade approximant; 1e-4 relative up to 1.4).
float tan_pade(float x) {
  const float x2 = x * x;
  return x * (945.f - 105.f * x2 + x2 * x2) / (945.f - 420.f * x2 + 15.f * x2 * x2);
}

class phaser final : public smoothed_effect {
 public:
  phaser() : smoothed_effect("Phaser", params, count) {}

  void reset() override { phase_ = 0.f; }
  void clear() override {
    for (auto& ch : z_)
      for (float& v : ch) v = 0.f;
    last_[0] = last_[1] = 0.f;
  }
  void recover() override {
    scrub(z_);
    scrub(last_);
  }
  float meter(int) const override { return meter_; }
  void format_value(int index, char* text, size_t size) const override {
    if (index == stages)
      std::snprintf(text, size, "%i", stage_table[int(value(stages)) & 7]);
    else
      effect::format_value(index, text, size);
  }

  void process(const io& b, bool replace) override {
    refresh();
    const int n = stage_table[int(value(stages)) & 7];
    float phase = phase_, lfo_sum = 0.f;
    for (int i = 0; i < b.frames; ++i) {
      if (smooth_.active()) smooth_.tick();
      phase += increment_;
      if (phase >= 1.f) phase -= 1.f;
      float a[2], u[2], x[2];
      for (int c = 0; c < 2; ++c) {
        float p = c == 0 ? phase : phase + offset_;
        if (p >= 1.f) p -= 1.f;
        const float l = lfo(p);
        if (c == 0) lfo_sum += l;
        float f = base_ * synth::exp2_fast(depth_decades_ * l * log2_10);
        if (f > 0.45f) f = 0.45f;
        const float w = tan_pade(f * 3.14159f);
        const float k = (1.f - w) / (1.f + w);
        a[c] = k > 0.99999f ? 0.99999f : (k < -0.99999f ? -0.99999f : k);
        x[c] = b.in[c][i];
        u[c] = x[c] + fb_ * last_[c];
      }
      // Both channels' stages side by side: two independent chains of
      // dependent multiply-adds keep the arithmetic units busy.
      float* zl = z_[0];
      float* zr = z_[1];
      for (int k = 0; k < n; ++k) {
        const float yl = zl[k] - a[0] * u[0] + 1e-10f;
        const float yr = zr[k] - a[1] * u[1] + 1e-10f;
        zl[k] = a[0] * yl + u[0] + 1e-10f;
        zr[k] = a[1] * yr + u[1] + 1e-10f;
        u[0] = yl;
        u[1] = yr;
      }
      for (int c = 0; c < 2; ++c) {
        last_[c] = u[c];
        put(b.out[c], i, wet_ * u[c] + dry_ * x[c], replace);
      }
    }
    phase_ = phase;
    const float mean = lfo_sum / float(b.frames);
    const float r = rate_hz(value(rate)) / 30.f;
    meter_ = (0.7f - mean) * soft_rise(r) + mean;
  }

 private:
  // The triangle bent by "Shape": s = 1 - 2 Shape; 0.5 keeps the triangle,
  // towards 0 the ends round into a sine-like sweep, towards 1 they sharpen.
  float lfo(float p) const {
    const float t = std::fabs(2.f * p - 1.f) * 2.f - 1.f;
    return ((std::fabs(t) * bend_ + (1.f - bend_)) * t + 1.f) * 0.5f;
  }
  void update() override {
    increment_ = rc_.rate > 0.f ? rate_hz(value(rate)) / rc_.rate : 0.f;
    offset_ = value(width) * 0.5f;
    bend_ = -(2.f * value(shape) - 1.f);
    base_ = rc_.rate > 0.f ? 20.f * std::exp2(10.f * value(frequency)) / rc_.rate : 0.f;
    depth_decades_ = 2.f * value(depth);
    const float f = 2.f * value(feedback) - 1.f;
    fb_ = f / (std::fabs(f) + 0.5f) * 1.5f * 0.95f;
    smooth_.set(&wet_, value(mix));
    smooth_.set(&dry_, 1.f - value(mix));
  }

  float z_[2][max_stages] = {};
  float last_[2] = {0.f, 0.f};
  float phase_ = 0.f, increment_ = 0.f, offset_ = 0.f, bend_ = 0.f, base_ = 0.f, depth_decades_ = 0.f;
  float fb_ = 0.f, wet_ = 0.5f, dry_ = 0.5f;
  platform::relaxed<float> meter_{0.f};
};

}  // namespace

std::unique_ptr<effect> make_phaser() { return std::make_unique<phaser>(); }

}  // namespace fx
