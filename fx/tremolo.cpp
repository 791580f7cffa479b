// "Tremolo": the gain follows an LFO of four shape families. The LFO is a
// triangle x = |2 phase - 1| bent into the shape; the right channel runs
// "Width" half a cycle behind the left, so Width 1 pans as it pulses.
#include <cmath>
#include <cstdio>

#include "fx/factories.h"
#include "fx/smoothed_effect.h"
#include "fx/time_law.h"

namespace fx {

namespace {

enum { rate, depth, width, shape, count };

constexpr param_desc params[count] = {
    {"Rate", 0.f, 1.f, 0, 0.5f},
    {"Depth", 0.f, 1.f, 0, 1.f},
    {"Width", 0.f, 1.f, 0, 0.f},
    {"Shape", 0.f, 4.f, 0, 1.f},
};

constexpr const char* shape_names[4] = {"Bump", "Triangle", "Sine", "Pulse"};

float rate_hz(float v) { return square(v) * 14.5f + 0.5f; }

// The shape families along "Shape" (0..4), continuous across their borders:
//   0 .. 1.5  bump:     g = x / (1 + s (1 - x)), s = 6 (1.5 - v): a narrowing
//                       peak that becomes the triangle at 1.5;
//   1.5 .. 3  rounding: y = 2x - 1, g = (y / (y^2 + s) (s + 1) + 1) / 2 with s
//                       falling from 31 (triangle) to 1 (sine-like);
//   3 .. 4    squaring: y = 2y / (y^2 + 1), g = (y / (|y| + s) (s + 1) + 1) / 2
//                       with s falling from 30 (sine) to 0.03 (pulse).
// The bump replaces the family x / (x^2 + s) (s + 1) for s <= 0, which has a
// pole inside 0..1 for -1 < s < 0 and becomes 1/x at s = 0.
struct shape_law {
  int family = 0;
  float s = 0.f;

  void set(float v) {
    if (v < 1.5f) {
      family = 0;
      s = 6.f * (1.5f - v);
    } else if (v < 3.f) {
      family = 1;
      s = 1.f + 30.f * cube((3.f - v) / 1.5f);
    } else {
      family = 2;
      s = 0.03f + 30.f * cube(4.f - v);
    }
  }
  float gain(float x) const {
    if (family == 0) return x / (1.f + s * (1.f - x));
    float y = 2.f * x - 1.f;
    if (family == 1) return (y / (y * y + s) * (s + 1.f) + 1.f) * 0.5f;
    y = y / (y * y + 1.f) * 2.f;
    return (y / (std::fabs(y) + s) * (s + 1.f) + 1.f) * 0.5f;
  }
};

class tremolo final : public smoothed_effect {
 public:
  tremolo() : smoothed_effect("Tremolo", params, count) {}

  void reset() override { phase_ = 0.f; }
  float meter(int) const override { return meter_; }
  void format_value(int index, char* text, size_t size) const override {
    if (index == rate)
      std::snprintf(text, size, "%0.1f Hz", double(rate_hz(value(rate))));
    else if (index == shape)
      std::snprintf(text, size, "%s", shape_names[int(value(shape) - 0.5f) & 3]);
    else
      effect::format_value(index, text, size);
  }

  void process(const io& b, bool replace) override {
    refresh();
    float phase = phase_, sum = 0.f;
    for (int i = 0; i < b.frames; ++i) {
      if (smooth_.active()) smooth_.tick();
      phase += increment_;
      if (phase >= 1.f) phase -= 1.f;
      for (int c = 0; c < 2; ++c) {
        float p = phase + float(c) * offset_;
        if (p >= 1.f) p -= 1.f;
        const float g = law_.gain(std::fabs(2.f * p - 1.f));
        if (c == 0) sum += g;
        put(b.out[c], i, (g * depth_ + (1.f - depth_)) * b.in[c][i], replace);
      }
    }
    phase_ = phase;
    meter_ = sum / float(b.frames);
  }

 private:
  void update() override {
    increment_ = rc_.rate > 0.f ? rate_hz(value(rate)) / rc_.rate : 0.f;
    offset_ = value(width) * 0.5f;  // one channel of two: c / (n - 1) = 1
    law_.set(value(shape));
    smooth_.set(&depth_, value(depth));
  }

  shape_law law_;
  float phase_ = 0.f, increment_ = 0.f, offset_ = 0.f, depth_ = 1.f;
  platform::relaxed<float> meter_{0.f};
};

}  // namespace

std::unique_ptr<effect> make_tremolo() { return std::make_unique<tremolo>(); }

}  // namespace fx
