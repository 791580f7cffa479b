// "Gate": opens when the detector rises above the threshold and closes when
// it falls below the threshold less the hysteresis, with a hold after the
// signal falls (first Hold) and a hold before the release starts (second
// Hold), smoothed attack and release, a closed floor and optional inversion.
// The detector is an instant-attack peak follower whose fall reaches 1 % in
// 20 ms: slow enough to bridge the gaps between the peaks of a 50 Hz wave,
// fast enough to let a drum hit end cleanly (the usual noise-gate detector,
// Zolzer, DAFX 2nd ed., ch. 4).
#include <cmath>
#include <cstdio>

#include "fx/denormal.h"
#include "fx/factories.h"
#include "fx/smoothed_effect.h"
#include "fx/time_law.h"

namespace fx {

namespace {

enum { threshold, hysteresis, hold1, invert, attack, hold2, release, floor_level, gain, side_chain,
       stereo_link, count };

constexpr param_desc params[count] = {
    {"Threshold", 0.f, 1.f, 0, 0.6f}, {"Hysteresis", 0.f, 1.f, 0, 0.1f}, {"Hold", 0.f, 1.f, 0, 0.1f},
    {"Invert", 0.f, 1.f, 1, 0.f},     {"Attack", 0.f, 1.f, 0, 0.f},      {"Hold", 0.f, 1.f, 0, 0.f},
    {"Release", 0.f, 1.f, 0, 0.2f},   {"Floor", 0.f, 1.f, 0, 0.f},       {"Gain", 0.f, 1.f, 0, 0.f},
    {"Side-chain", 0.f, 1.f, 1, 0.f}, {"Stereo-link", 0.f, 1.f, 1, 1.f},
};

constexpr float detector_fall_seconds = 0.02f;
// The shortest gain ramp, whatever "Attack" and "Release" say: a gate that
// opens in one sample steps from silence to the signal's level, a click many
// times the signal's own slope. 3 ms keeps a note's front sharp and the step
// of each sample under the slope of a 440 Hz tone at the same level.
constexpr float declick_seconds = 0.003f;

// Times: holds h (2 - 0.001) + 0.001 s with h = v^2 (1 ms to 2 s); attack
// v^2 * 0.5 s (instant at 0); release v^2 * 4 s + 1 ms.
float hold_seconds(float v) { return square(v) * (2.f - 0.001f) + 0.001f; }
float attack_seconds(float v) { return square(v) * 0.5f; }
float release_seconds(float v) { return square(v) * 4.f + 0.001f; }

class gate final : public smoothed_effect {
 public:
  gate() : smoothed_effect("Gate", params, count, nullptr, 4) {}

  void sample_rate_changed() override {
    decay_ = time_coefficient(detector_fall_seconds, rc_.rate);
    smoothed_effect::sample_rate_changed();
  }
  void clear() override {
    for (channel& c : ch_) c = channel{};
  }
  void recover() override {
    for (channel& c : ch_)
      for (float* v : {&c.e, &c.h1, &c.h2, &c.g}) scrub(v, 1);
  }
  // 0, 1: the gain of each channel.
  float meter(int index) const override { return meter_[index & 1]; }
  void format_value(int index, char* text, size_t size) const override {
    const float v = value(index);
    switch (index) {
      case threshold:
        std::snprintf(text, size, "%0.1f dB", shown((1.f - v) * -48.f));
        break;
      case hysteresis:
        std::snprintf(text, size, "%0.1f dB", shown(v * -48.f));
        break;
      case floor_level:
        if (v == 0.f)
          std::snprintf(text, size, "-inf");
        else
          std::snprintf(text, size, "%0.1f dB", shown((1.f - v) * -60.f));
        break;
      case hold1:
      case hold2:
        format_time(hold_seconds(v), text, size);
        break;
      case attack:
        format_time(attack_seconds(v), text, size);
        break;
      case release:
        format_time(release_seconds(v), text, size);
        break;
      default:
        effect::format_value(index, text, size);
    }
  }

  void process(const io& b, bool replace) override {
    refresh();
    const bool external = value(side_chain) > 0.5f && b.side;
    const bool linked = value(stereo_link) > 0.5f;
    float* const* det = external ? b.side : b.in;
    for (int i = 0; i < b.frames; ++i) {
      if (smooth_.active()) smooth_.tick();
      const float dl = std::fabs(det[0][i]), dr = std::fabs(det[1][i]);
      if (linked) {
        const float g = step(ch_[0], std::fmax(dl, dr));
        ch_[1] = ch_[0];
        put(b.out[0], i, b.in[0][i] * g * makeup_, replace);
        put(b.out[1], i, b.in[1][i] * g * makeup_, replace);
      } else {
        const float gl = step(ch_[0], dl), gr = step(ch_[1], dr);
        put(b.out[0], i, b.in[0][i] * gl * makeup_, replace);
        put(b.out[1], i, b.in[1][i] * gr * makeup_, replace);
      }
    }
    for (channel& c : ch_) flush(c.g);
    meter_[0] = ch_[0].g;
    meter_[1] = ch_[1].g;
  }

 private:
  struct channel {
    float e = 0.f;   // detector
    float h1 = 0.f;  // hold after the signal falls
    float h2 = 0.f;  // hold before the release
    bool open = false;
    float g = 0.f;   // smoothed gain
  };

  float step(channel& c, float d) const {
    if (d > c.e)
      c.e = d;
    else
      c.e += (d - c.e) * decay_;
    if (c.e < 1e-20f) c.e = 0.f;  // below -400 dB: no denormals
    if (c.h1 > 0.f) c.h1 = std::fmax(c.h1 - step1_, 0.f);
    if (!c.open && c.h2 > 0.f) c.h2 = std::fmax(c.h2 - step2_, 0.f);
    const float level = c.open ? close_level_ : open_level_;
    const bool active = c.e > level || c.h1 > 0.f;
    if (active && !c.open) c.h1 = c.h2 = 1.f;
    c.open = active;
    bool on = c.h2 > 0.f || c.open;
    if (inverted_) on = !on;
    if (on)
      c.g += (1.f - c.g) * attack_;
    else
      c.g += (floor_ - c.g) * release_;
    if (!on && floor_ == 0.f && c.g < 1e-6f) c.g = 0.f;  // -120 dB: closed means silent
    return c.g;
  }
  void update() override {
    const float open = db_to_gain((1.f - value(threshold)) * -48.f);
    smooth_.set(&open_level_, open);
    smooth_.set(&close_level_, open * db_to_gain(value(hysteresis) * -48.f));
    step1_ = 1.f / (hold_seconds(value(hold1)) * rc_.rate);
    step2_ = 1.f / (hold_seconds(value(hold2)) * rc_.rate);
    attack_ = time_coefficient(std::fmax(attack_seconds(value(attack)), declick_seconds), rc_.rate);
    release_ = time_coefficient(std::fmax(release_seconds(value(release)), declick_seconds), rc_.rate);
    const float f = value(floor_level);
    smooth_.set(&floor_, f == 0.f ? 0.f : db_to_gain((1.f - f) * -60.f));
    smooth_.set(&makeup_, db_to_gain(value(gain) * 48.f));
    inverted_ = value(invert) > 0.5f;
  }

  channel ch_[2];
  float decay_ = 1.f, open_level_ = 1.f, close_level_ = 1.f, step1_ = 1.f, step2_ = 1.f;
  float attack_ = 1.f, release_ = 1.f, floor_ = 0.f, makeup_ = 1.f;
  bool inverted_ = false;
  platform::relaxed<float> meter_[2] = {0.f, 0.f};
};

}  // namespace

std::unique_ptr<effect> make_gate() { return std::make_unique<gate>(); }

}  // namespace fx
