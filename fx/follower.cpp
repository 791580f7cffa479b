// "Follower": an envelope follower sweeping a resonant lowpass (the envelope
// filter, or auto-wah). Per sub-block of 32 samples (0.7 ms at 44.1 kHz: the
// sweep stays smooth while the filter's coefficient glides across each one)
// the largest envelope of both channels moves the internal "mmFilter"'s
// cutoff to Cutoff + envelope * Depth * scale, in 0..1 of its 10.67-octave
// range. Choices made here:
//  - "Scale" 0 listens only above 1 kHz (a one-pole highpass before the
//    detector), so the bright attack of each note opens the filter and the
//    body does not: the percussive "quack"; scale x4. "Scale" 1 is the full
//    band with x4, "Scale" 2 the full band with x16 for quiet sources.
//  - "Keytrack" adds the played pitch (a zero-crossing tracker) relative to
//    middle C, 1/10.67 of the range per octave, so the sweep sits at the same
//    harmonic whatever the note, as a synth's filter keytrack does.
//  - "Resonance" and "Saturation" are the filter's own.
//  - Times: attack 0.1 ms * 5000^v (to 0.5 s), hold 0.5 v^2 s, release
//    1 ms * 2000^v (to 2 s).
#include <algorithm>
#include <cmath>

#include "fx/denormal.h"
#include "fx/factories.h"
#include "fx/smoothed_effect.h"
#include "fx/mm_filter.h"
#include "fx/pitch_tracker.h"
#include "fx/time_law.h"
#include "synth/dsp/one_pole.h"

namespace fx {

namespace {

enum { cutoff, resonance, saturation, attack, hold, release, depth, keytrack, scale, side_chain, count };

constexpr param_desc params[count] = {
    {"Cutoff", -1.f, 1.f, 0, 0.f},   {"Resonance", 0.f, 1.f, 0, 0.8f}, {"Saturation", 0.f, 1.f, 0, 0.2f},
    {"Attack", 0.f, 1.f, 0, 0.5f},   {"Hold", 0.f, 1.f, 0, 0.5f},      {"Release", 0.f, 1.f, 0, 0.5f},
    {"Depth", -1.f, 1.f, 0, 1.f},    {"Keytrack", 0.f, 1.f, 1, 1.f},   {"Scale", 0.f, 2.f, 1, 1.f},
    {"Side-chain", 0.f, 1.f, 1, 0.f},
};

constexpr int sub_block = 32;
constexpr float detector_highpass_hz = 1000.f;
constexpr float scales[3] = {4.f, 4.f, 16.f};

float attack_seconds(float v) { return 0.0001f * std::pow(5000.f, v); }
float hold_seconds(float v) { return 0.5f * v * v; }
float release_seconds(float v) { return 0.001f * std::pow(2000.f, v); }

class follower final : public smoothed_effect {
 public:
  follower() : smoothed_effect("Follower", params, count, nullptr, 4) {
    filter_.load_defaults();
  }

  void sample_rate_changed() override {
    filter_.follow_rate(rc_.rate, sub_block);
    highpass_.init(detector_highpass_hz, rc_.rate);
    tracker_.init(rc_.rate);
    tracker_.reset();
    smoothed_effect::sample_rate_changed();
  }
  void clear() override {
    for (channel& c : ch_) c = channel{};
    filter_.clear();
    tracker_.reset();
  }
  void recover() override {
    for (channel& c : ch_) scrub(c);
    filter_.recover();
    tracker_.recover();
  }
  void parameter_changed(int index) override {
    smoothed_effect::parameter_changed(index);
    if (index == resonance) filter_.set_now(mm_filter::resonance, value(resonance));
    if (index == saturation) filter_.set_now(mm_filter::saturation, value(saturation));
  }
  float meter(int) const override { return meter_; }

  void process(const io& b, bool replace) override {
    refresh();
    float* const* det = value(side_chain) > 0.5f && b.side ? b.side : b.in;
    const bool bright = int(value(scale)) == 0;
    const bool track = value(keytrack) > 0.5f;
    float largest_input = 0.f;
    for (int start = 0; start < b.frames; start += sub_block) {
      const int n = std::min(sub_block, b.frames - start);
      float e_max = 0.f;
      for (int i = start; i < start + n; ++i) {
        for (int c = 0; c < 2; ++c) {
          const float raw = det[c][i];
          largest_input = std::max(largest_input, std::fabs(b.in[c][i]));
          const float d = bright ? ch_[c].hp.process(raw) : raw;
          e_max = std::max(e_max, follow(ch_[c], std::fabs(d)));
        }
        if (track) tracker_.run(0.5f * (b.in[0][i] + b.in[1][i]));
      }
      float c = value(cutoff) + e_max * value(depth) * scale_;
      if (track) c += (tracker_.octaves() - middle_c_octaves) / mm_filter::octaves;
      c = std::clamp(c, 0.f, 1.f);
      if (c != filter_.value(mm_filter::cutoff)) filter_.set_now(mm_filter::cutoff, c);
      filter_.prepare(n);
      float* in[2] = {b.in[0] + start, b.in[1] + start};
      float* out[2] = {b.out[0] + start, b.out[1] + start};
      filter_.process({in, out, n, nullptr}, replace);
    }
    for (channel& ch : ch_) {
      if (ch.e < 1e-10f) ch.e = 0.f;
      flush(ch.hp.z);
    }
    filter_.flush();
    tracker_.flush();
    meter_ = largest_input;
  }

 private:
  static constexpr float middle_c_octaves = 8.0313842f;  // log2(261.63 Hz)

  struct channel {
    float e = 0.f, h = 0.f, p = 0.f;
    synth::one_pole_highpass hp;
  };

  float follow(channel& ch, float a) const {
    if (a > ch.e) {
      ch.e += (a - ch.e) * attack_;
      ch.p = std::max(ch.p, a);
      ch.h = 1.f;
    } else if (ch.h < hold_step_) {
      ch.e += (a - ch.e) * release_;
      ch.p = 0.f;
    } else {
      ch.e += (ch.p - ch.e) * attack_;
      ch.h -= hold_step_;
    }
    return ch.e;
  }
  void update() override {
    attack_ = time_coefficient(attack_seconds(value(attack)), rc_.rate);
    release_ = time_coefficient(release_seconds(value(release)), rc_.rate);
    const float th = hold_seconds(value(hold));
    hold_step_ = th > 0.f ? 1.f / (th * rc_.rate) : 1.f;
    scale_ = scales[std::clamp(int(value(scale)), 0, 2)];
    for (channel& ch : ch_) ch.hp.c = highpass_.c;
  }

  mm_filter filter_;
  channel ch_[2];
  synth::one_pole_highpass highpass_;
  pitch_tracker tracker_;
  float attack_ = 1.f, release_ = 1.f, hold_step_ = 1.f, scale_ = 4.f;
  platform::relaxed<float> meter_{0.f};
};

}  // namespace

std::unique_ptr<effect> make_follower() { return std::make_unique<follower>(); }

}  // namespace fx
