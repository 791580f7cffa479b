// "Compressor": a feedback gain computer. The detector sees the input times
// the current gain (the compressor's own output level), so the gain settles
// where 1 - d g k meets g; mode "B" scales the correction by g for a softer,
// program-dependent knee, mode "A" has the slower time family. Both as in the
// feedback designs reviewed by Giannoulis, Massberg and Reiss, "Digital
// Dynamic Range Compressor Design - A Tutorial and Analysis" (JAES 2012).
#include <cmath>
#include <cstdio>

#include "fx/factories.h"
#include "fx/smoothed_effect.h"
#include "fx/time_law.h"
#include "synth/level_follower.h"

namespace fx {

namespace {

enum { attack, release, threshold, mix, gain, mode, side_chain, stereo_link, count };

constexpr param_desc params[count] = {
    {"Attack", 0.f, 1.f, 0, 0.1f},    {"Release", 0.f, 1.f, 0, 0.5f}, {"Threshold", 0.f, 1.f, 0, 0.3f},
    {"Mix", 0.f, 1.f, 0, 0.7f},       {"Gain", 0.f, 1.f, 0, 0.4f},    {"Mode", 0.f, 1.f, 1, 1.f},
    {"Side-chain", 0.f, 1.f, 1, 0.f}, {"Stereo-link", 0.f, 1.f, 1, 1.f},
};

class compressor final : public smoothed_effect {
 public:
  compressor() : smoothed_effect("Compressor", params, count, nullptr, 4) {}

  void sample_rate_changed() override {
    out_meter_.init(rc_.rate);
    smoothed_effect::sample_rate_changed();
  }
  void clear() override {
    g_[0] = g_[1] = 1.f;
    out_meter_.reset();
  }
  // 0: the gain (1 = no reduction); 1, 2: the output level of each channel.
  float meter(int index) const override {
    return index == 0 ? gain_meter_.load() : out_meter_.peek(index == 1 ? 0 : 1);
  }
  void format_value(int index, char* text, size_t size) const override {
    if (index == threshold)
      std::snprintf(text, size, "%.1f dB", shown((1.f - value(threshold)) * -48.f));
    else if (index == gain)
      std::snprintf(text, size, "+%.1f dB", double(value(gain) * 48.f));
    else if (index == mode)
      std::snprintf(text, size, "%s", value(mode) > 0.5f ? "B" : "A");
    else
      effect::format_value(index, text, size);
  }

  void process(const io& b, bool replace) override {
    refresh();
    const bool external = value(side_chain) > 0.5f && b.side;
    const bool linked = value(stereo_link) > 0.5f;
    float* const* det = external ? b.side : b.in;
    float g0 = g_[0], g1 = linked ? g_[0] : g_[1], lowest = 1.f;
    for (int i = 0; i < b.frames; ++i) {
      const float xl = b.in[0][i], xr = b.in[1][i];
      if (linked) {
        g0 = step(g0, std::fmax(std::fabs(det[0][i]), std::fabs(det[1][i])));
        g1 = g0;
      } else {
        g0 = step(g0, std::fabs(det[0][i]));
        g1 = step(g1, std::fabs(det[1][i]));
      }
      lowest = std::fmin(lowest, std::fmin(g0, g1));
      put(b.out[0], i, xl * wet_ * g0 * makeup_ + xl * dry_, replace);
      put(b.out[1], i, xr * wet_ * g1 * makeup_ + xr * dry_, replace);
    }
    g_[0] = g0;
    g_[1] = g1;
    gain_meter_ = lowest;
    out_meter_.process(b.out[0], b.out[1], b.frames);
  }

 private:
  float step(float g, float d) const {
    const float t = 1.f - d * g * k_;
    float u = (t > 0.f ? t : 0.f) - g;
    if (mode_b_) u *= g;
    return g + u * (u >= 0.f ? release_ : attack_);
  }
  void update() override {
    mode_b_ = value(mode) > 0.5f;
    const float a = cube(value(attack)), r = cube(value(release));
    const float ta = mode_b_ ? a * 0.4999f + 0.0001f : a * 1.499f + 0.001f;
    const float tr = mode_b_ ? r * 1.4975f + 0.0025f : r * 2.995f + 0.005f;
    attack_ = time_coefficient(ta, rc_.rate);
    release_ = time_coefficient(tr, rc_.rate);
    k_ = square(1.f - value(threshold)) * 256.f;
    wet_ = value(mix);
    dry_ = 1.f - wet_;
    makeup_ = db_to_gain(value(gain) * 48.f);
  }

  float g_[2] = {1.f, 1.f};
  float attack_ = 1.f, release_ = 1.f, k_ = 0.f, wet_ = 1.f, dry_ = 0.f, makeup_ = 1.f;
  bool mode_b_ = true;
  synth::level_follower out_meter_;
  platform::relaxed<float> gain_meter_{1.f};
};

}  // namespace

std::unique_ptr<effect> make_compressor() { return std::make_unique<compressor>(); }

}  // namespace fx
