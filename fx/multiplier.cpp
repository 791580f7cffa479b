// "Multiplier": the signal multiplied by a processed copy of itself, the
// family of octave and harmonic effects made by squaring and rectifying
// (Zolzer, DAFX 2nd ed., ch. 4, "frequency doubling"). The copy (the
// modulator) passes the "preTone" tilt and a first-order allpass whose
// corner sets its "Phase" (from no shift at 20 kHz down to nearly 180 degrees
// across the band at 50 Hz), optionally swept by an LFO ("Mod", "Rate",
// "Width": the right channel's LFO runs up to half a cycle behind). It is
// normalised by its own peak level so the effect does not depend on the
// playing level, then shaped by "Mode":
//   0 "x s"     : octave up (a tone times itself) - smooth, even harmonics;
//   1 "x |s|"   : odd harmonics, the softer square-law distortion;
//   2 "x sgn s" : the input switched by the modulator's sign - the hard,
//                 rectifier-like octave fuzz.
// "Depth" blends the multiplier m from 1 (dry) to m: x ((m - 1) depth + 1);
// the product can run at twice the rate ("Oversample"), then passes a DC
// blocker, the "Tone" tilt and the "Gain" (0 to +24 dB), and "Mix" blends it
// with the input.
#include <cmath>

#include "fx/denormal.h"
#include "fx/factories.h"
#include "fx/smoothed_effect.h"
#include "fx/half_band.h"
#include "fx/sine.h"
#include "fx/tilt.h"
#include "fx/time_law.h"
#include "synth/dsp/one_pole.h"

namespace fx {

namespace {

enum { mix, tone, gain, oversample, pre_tone, depth, phase, mode, mod, rate, width, count };

constexpr param_desc params[count] = {
    {"Mix", 0.f, 1.f, 0, 0.5f},     {"Tone", 0.f, 1.f, 0, 0.5f},   {"Gain", 0.f, 1.f, 0, 0.f},
    {"Oversample", 0.f, 1.f, 1, 0.f}, {"preTone", 0.f, 1.f, 0, 0.5f}, {"Depth", 0.f, 1.f, 0, 0.5f},
    {"Phase", 0.f, 1.f, 0, 0.f},    {"Mode", 0.f, 2.f, 1, 0.f},    {"Mod", 0.f, 1.f, 0, 0.f},
    {"Rate", 0.f, 1.f, 0, 0.4f},    {"Width", 0.f, 1.f, 0, 0.5f},
};

constexpr param_group group_table[] = {{"Global", nullptr, 0}, {"Main", nullptr, 5}, {"Mod", nullptr, 8},
                                  {nullptr, nullptr, 0}};

constexpr float dc_block_hz = 10.f;
constexpr int control_interval = 8;  // samples between LFO and coefficient updates

float lfo_hz(float v) { return square(v) * 4.9f + 0.1f; }

// Allpass corner for a phase setting p in 0..1: 20 kHz * 400^-p.
float phase_corner_hz(float p) { return 20000.f * std::exp2(-8.6438562f * p); }

class multiplier final : public smoothed_effect {
 public:
  multiplier() : smoothed_effect("Multiplier", params, count, group_table) {}

  void sample_rate_changed() override {
    split_.init(tilt_split_hz, rc_.rate);
    dc_.init(dc_block_hz, rc_.rate);
    env_attack_ = time_coefficient(0.001f, rc_.rate);
    env_release_ = time_coefficient(0.15f, rc_.rate);
    smoothed_effect::sample_rate_changed();
  }
  void reset() override {
    lfo_phase_ = 0.f;
    countdown_ = 0;
  }
  void clear() override {
    for (channel& c : ch_) c = channel{};
  }
  void recover() override {
    for (channel& c : ch_) scrub(c);
  }
  void parameter_changed(int index) override {
    if (index == oversample) follow_switch(oversample, oversampled_);
    smoothed_effect::parameter_changed(index);
  }

  void process(const io& b, bool replace) override {
    refresh();
    const int m = int(value(mode));
    for (int i = 0; i < b.frames; ++i) {
      if (smooth_.active()) smooth_.tick();
      if (--countdown_ <= 0) {
        countdown_ = control_interval;
        steer_phase();
        pre_.set(pre_tone_);
        post_.set(tone_);
      }
      for (int c = 0; c < 2; ++c) {
        channel& ch = ch_[c];
        const float x = b.in[c][i];
        const float s = modulator(ch, x);
        float y;
        if (oversampled_) {
          float xe, xo, se, so;
          ch.os.up.run(x, xe, xo);
          ch.mod_up.run(s, se, so);
          y = ch.os.down.run(multiply(xe, se, m), multiply(xo, so, m));
        } else {
          y = multiply(x, s, m);
        }
        // DC blocker, tone, gain.
        const float lp = (dc_.g * y + ch.dc) * dc_.k;
        const float hp = (y - ch.dc) * dc_.k;
        ch.dc = (y - lp) * dc_.g + lp;
        y = ch.post.run(hp, split_, post_.low, post_.high) * gain_;
        put(b.out[c], i, wet_ * y + dry_ * x, replace);
      }
    }
    for (channel& ch : ch_) {
      for (float* v : {&ch.pre.s, &ch.post.s, &ch.allpass, &ch.env, &ch.dc}) flush(*v);
      ch.os.flush();
      ch.mod_up.flush();
    }
  }

 private:
  struct channel {
    tilt_filter pre, post;
    float allpass = 0.f;  // first-order allpass state
    float a = 1.f;        // its coefficient
    float env = 0.f;      // modulator peak level
    float dc = 0.f;       // DC blocker state
    oversampler_2x os;
    upsampler_2x mod_up;
  };

  // The modulator: tilt, phase shift, normalised to its own peak.
  float modulator(channel& ch, float x) {
    const float t = ch.pre.run(x, split_, pre_.low, pre_.high);
    const float y = ch.a * t + ch.allpass;  // (a + z^-1) / (1 + a z^-1)
    ch.allpass = t - ch.a * y;
    const float level = std::fabs(y);
    ch.env += (level - ch.env) * (level > ch.env ? env_attack_ : env_release_);
    return y / (ch.env + 1e-4f);
  }
  // The allpass coefficient for each channel's phase setting, every
  // control_interval samples: a = (g - 1) / (g + 1), g = tan(pi fc / rate),
  // which turns the phase from 0 (at DC) through -90 degrees (at fc) to -180.
  void steer_phase() {
    lfo_phase_ += lfo_increment_ * float(control_interval);
    if (lfo_phase_ >= 1.f) lfo_phase_ -= 1.f;
    for (int c = 0; c < 2; ++c) {
      float p_lfo = lfo_phase_ + (c ? 0.5f * width_ : 0.f);
      if (p_lfo >= 1.f) p_lfo -= 1.f;
      const float lfo = sine_cycle(p_lfo);
      float p = phase_ + mod_ * 0.5f * lfo;
      p = p < 0.f ? 0.f : (p > 1.f ? 1.f : p);
      float hz = phase_corner_hz(p);
      hz = hz < 0.45f * rc_.rate ? hz : 0.45f * rc_.rate;
      const float g = synth::one_pole_g(hz, rc_.rate);
      ch_[c].a = (g - 1.f) / (g + 1.f);
    }
  }
  float multiply(float x, float s, int m) const {
    const float k = m == 0 ? s : (m == 1 ? std::fabs(s) : (s > 0.f ? 1.f : (s < 0.f ? -1.f : 0.f)));
    return x * ((k - 1.f) * depth_ + 1.f);
  }
  void update() override {
    oversampled_ = value(oversample) > 0.5f;
    lfo_increment_ = lfo_hz(value(rate)) / (rc_.rate > 1.f ? rc_.rate : 1.f);
    smooth_.set(&wet_, value(mix));
    smooth_.set(&dry_, 1.f - value(mix));
    smooth_.set(&tone_, value(tone));
    smooth_.set(&gain_, db_to_gain(value(gain) * 24.f));
    smooth_.set(&pre_tone_, value(pre_tone));
    smooth_.set(&depth_, value(depth));
    smooth_.set(&phase_, value(phase));
    smooth_.set(&mod_, value(mod));
    smooth_.set(&width_, value(width));
  }

  synth::one_pole_coefficient split_, dc_;
  tilt_gains pre_, post_;
  channel ch_[2];
  float wet_ = 0.5f, dry_ = 0.5f, tone_ = 0.5f, gain_ = 1.f, pre_tone_ = 0.5f, depth_ = 0.5f;
  float phase_ = 0.f, mod_ = 0.f, width_ = 0.5f;
  float lfo_phase_ = 0.f, lfo_increment_ = 0.f, env_attack_ = 1.f, env_release_ = 1.f;
  int countdown_ = 0;
  bool oversampled_ = false;
};

}  // namespace

std::unique_ptr<effect> make_multiplier() { return std::make_unique<multiplier>(); }

}  // namespace fx
