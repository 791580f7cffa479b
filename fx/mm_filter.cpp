#include "fx/mm_filter.h"

#include <cmath>

#include "fx/denormal.h"
#include "fx/factories.h"
#include "synth/dsp/exp2.h"

namespace fx {

namespace {

constexpr param_desc params[mm_filter::count] = {
    {"Cutoff", 0.f, 1.f, 0, 1.f},
    {"Resonance", 0.f, 1.f, 0, 0.f},
    {"Saturation", 0.f, 1.f, 0, 0.f},
    {"Asymmetry", 0.f, 1.f, 0, 0.f},
};

constexpr float highest_fraction = 0.4875f;  // of the rate

// x / sqrt(1 + x^2): unity slope at 0, approaches +-1.
float soft_clip(float x) { return x / std::sqrt(1.f + x * x); }

}  // namespace

mm_filter::mm_filter() : effect("mmFilter", params, count) {}

void mm_filter::sample_rate_changed() {
  dirty_ = true;
  prepare(0);
  g_ = g_target_;
}

void mm_filter::clear() {
  for (channel& c : ch_) c = channel{};
}

void mm_filter::parameter_changed(int) { dirty_ = true; }

void mm_filter::prepare(int frames) {
  if (dirty_) {
    dirty_ = false;
    damping_ = 2.f - 1.96f * value(resonance);
    const float sat = value(saturation), asym = value(asymmetry);
    nonlinear_ = sat > 0.f || asym > 0.f;
    drive_ = 1.f + 8.f * sat;
    bias_ = 0.5f * asym;
    bias_out_ = soft_clip(bias_);
    makeup_ = 1.f / std::sqrt(drive_);
  }
  if (rc_.rate <= 0.f) return;
  float hz = base_hz * synth::exp2_fast(value(cutoff) * octaves);
  if (hz > highest_fraction * rc_.rate) hz = highest_fraction * rc_.rate;
  g_target_ = std::tan(3.14159265f * hz * rc_.inv_rate);
  g_step_ = frames > 0 ? (g_target_ - g_) / float(frames) : 0.f;
  if (frames <= 0) g_ = g_target_;
}

float mm_filter::shape(float x) const {
  return (soft_clip(x * drive_ + bias_) - bias_out_) * makeup_;
}

void mm_filter::process(const io& b, bool replace) {
  float g = g_;
  for (int c = 0; c < 2; ++c) {
    channel& ch = ch_[c];
    float s1 = ch.s1, s2 = ch.s2;
    g = g_;
    for (int i = 0; i < b.frames; ++i) {
      g += g_step_;
      float x = b.in[c][i];
      if (nonlinear_) x = shape(x);
      const float hp = (x - (damping_ + g) * s1 - s2) / (1.f + g * (damping_ + g));
      const float v1 = g * hp;
      const float bp = v1 + s1;
      s1 = bp + v1;
      if (nonlinear_) s1 = soft_clip(s1 * 0.5f) * 2.f;
      const float v2 = g * bp;
      const float lp = v2 + s2;
      s2 = lp + v2;
      put(b.out[c], i, lp, replace);
    }
    ch.s1 = s1;
    ch.s2 = s2;
  }
  g_ = g;
  g_step_ = 0.f;
}

void mm_filter::recover() {
  for (channel& c : ch_) scrub(c);
  if (!std::isfinite(g_)) g_ = std::isfinite(g_target_) ? g_target_ : 0.f;
  if (!std::isfinite(g_step_)) g_step_ = 0.f;
}

void mm_filter::flush() {
  for (channel& c : ch_) {
    fx::flush(c.s1);
    fx::flush(c.s2);
  }
}

std::unique_ptr<effect> make_mm_filter() { return std::make_unique<mm_filter>(); }

}  // namespace fx
