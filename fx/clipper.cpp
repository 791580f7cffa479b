// "Clipper": a hard clip at an adjustable level with make-up gain and a
// dry/wet mix. With "Oversample" the clip runs at twice the rate, where the
// harmonics between the two Nyquist frequencies are filtered instead of folded
// back, and with antiderivative anti-aliasing (antiderivative.h), which
// weakens the harmonics that would fold even at twice the rate.
#include <cmath>
#include <cstdio>

#include "fx/factories.h"
#include "fx/smoothed_effect.h"
#include "fx/oversampled_law.h"
#include "fx/time_law.h"

namespace fx {

namespace {

enum { mix, clip, gain, oversample, count };

constexpr param_desc params[count] = {
    {"Mix", 0.f, 1.f, 0, 1.f},
    {"Clip", 0.f, 1.f, 0, 1.f},
    {"Gain", 0.f, 1.f, 0, 0.f},
    {"Oversample", 0.f, 1.f, 1, 0.f},
};

class clipper final : public smoothed_effect {
 public:
  clipper() : smoothed_effect("Clipper", params, count) {}

  void clear() override {
    for (auto& o : os_) o.clear();
  }
  void recover() override {
    for (auto& o : os_) {
      scrub(o.os);
      if (!std::isfinite(o.corner.x1)) o.corner.x1 = 0.0;  // the last input of the antiderivative
    }
  }
  void parameter_changed(int index) override {
    if (index == oversample) follow_switch(oversample, oversampled_);
    smoothed_effect::parameter_changed(index);
  }
  float meter(int) const override { return meter_; }
  void format_value(int index, char* text, size_t size) const override {
    if (index == clip)
      std::snprintf(text, size, "%+0.1f dB", shown((1.f - value(clip)) * -48.f));
    else if (index == gain)
      std::snprintf(text, size, "%+0.1f dB", double(value(gain) * 48.f));
    else
      effect::format_value(index, text, size);
  }

  void process(const io& b, bool replace) override {
    refresh();
    int clipped = 0;
    for (int i = 0; i < b.frames; ++i) {
      if (smooth_.active()) smooth_.tick();
      for (int c = 0; c < 2; ++c) {
        const float x = b.in[c][i];
        float y;
        if (oversampled_) {
          y = os_[c].run({level_, wet_ * gain_, dry_}, x, [&](float v) { tally(v, clipped); });
        } else {
          y = shape(x, clipped);
        }
        put(b.out[c], i, y, replace);
      }
    }
    // The share of clipped samples, bent so small shares still show.
    const float q = float(clipped) / float((oversampled_ ? 4 : 2) * b.frames);
    const float m = q / (std::fabs(q) + 0.5f) * 1.5f;
    meter_ = m < 1e-10f ? 1e-10f : (m > 1.f ? 1.f : m);
  }

 private:
  // f(x) = wet gain clip(x) + dry x, and its antiderivative.
  struct mix_law {
    double level, wet, dry;
    double value(double x) const { return wet * (x < -level ? -level : (x > level ? level : x)) + dry * x; }
    double antiderivative(double x) const {
      const double a = std::fabs(x);
      const double clip = a <= level ? 0.5 * x * x : level * a - 0.5 * level * level;
      return wet * clip + dry * 0.5 * x * x;
    }
  };
  void tally(float x, int& clipped) const {
    if (std::fabs(x) >= level_) ++clipped;
  }
  float shape(float x, int& clipped) const {
    tally(x, clipped);
    const float y = x < -level_ ? -level_ : (x > level_ ? level_ : x);
    return wet_ * y * gain_ + dry_ * x;
  }
  void update() override {
    smooth_.set(&wet_, value(mix));
    smooth_.set(&dry_, 1.f - value(mix));
    smooth_.set(&level_, db_to_gain((1.f - value(clip)) * -48.f));
    smooth_.set(&gain_, db_to_gain(value(gain) * 48.f));
    oversampled_ = value(oversample) > 0.5f;
  }

  oversampled_law<mix_law> os_[2];
  float wet_ = 1.f, dry_ = 0.f, level_ = 1.f, gain_ = 1.f;
  bool oversampled_ = false;
  platform::relaxed<float> meter_{1e-10f};
};

}  // namespace

std::unique_ptr<effect> make_clipper() { return std::make_unique<clipper>(); }

}  // namespace fx
