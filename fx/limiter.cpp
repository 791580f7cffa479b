// "Limiter": a peak limiter with lookahead. The detector is a peak hold that
// decays through a 1 kHz one-pole; the gain falls to threshold / level with
// the attack while the input is delayed by up to the attack time, so the gain
// is down before the peak arrives; it holds, then recovers with the release.
// With "LTC-comp" a second delay makes the total latency a constant 100 ms
// whatever the lookahead, so a host's latency compensation stays valid.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "fx/factories.h"
#include "fx/smoothed_effect.h"
#include "fx/time_law.h"
#include "synth/dsp/one_pole.h"
#include "synth/level_follower.h"

namespace fx {

namespace {

enum { attack, hold, release, threshold, ratio, gain, lookahead, side_chain, stereo_link, ltc_comp, count };

constexpr param_desc params[count] = {
    {"Attack", 0.f, 1.f, 0, 0.2f},     {"Hold", 0.f, 1.f, 0, 0.2f},        {"Release", 0.f, 1.f, 0, 0.5f},
    {"Threshold", 0.f, 1.f, 0, 1.f},   {"Ratio", 0.f, 1.f, 0, 1.f},        {"Gain", 0.f, 1.f, 0, 0.f},
    {"Lookahead", 0.f, 1.f, 0, 1.f},   {"Side-chain", 0.f, 1.f, 1, 0.f},   {"Stereo-link", 0.f, 1.f, 1, 1.f},
    {"LTC-comp", 0.f, 1.f, 1, 0.f},
};

constexpr float latency_seconds = 0.1f;  // the compensated latency
constexpr float detector_hz = 1000.f;
// A new peak re-arms the detector only when it stands above the held state by
// more than rounding can: with round-toward-zero arithmetic the state settles
// a few units in the last place under a constant input, and each re-arm lifts
// the detector's output by 1 + g k (0.56 dB at 44.1 kHz) for a while.
constexpr float rearm_margin = 1.f + 1e-5f;  // 0.0001 dB
// The lookahead follows a change of "Attack" or "Lookahead" like a tape head,
// at most an eighth of a sample per sample (two semitones of pitch while it
// moves), so the read position never jumps.
constexpr float lookahead_glide_seconds = 0.05f;
constexpr float max_lookahead_glide = 0.125f;  // samples per sample
constexpr int gain_piece = 64;                 // frames whose gains are worked out together

// x > y ? a : b and x <= y ? a : b (false for a NaN, as the comparisons),
// both operands evaluated, without a branch: the comparisons follow the
// signal and would mispredict as branches on every other peak.
inline float pick_greater(float x, float y, float a, float b) {
#if defined(__SSE2__)
  const __m128 m = _mm_cmpgt_ss(_mm_set_ss(x), _mm_set_ss(y));
  return _mm_cvtss_f32(_mm_or_ps(_mm_and_ps(m, _mm_set_ss(a)), _mm_andnot_ps(m, _mm_set_ss(b))));
#else
  return x > y ? a : b;
#endif
}
inline float pick_at_most(float x, float y, float a, float b) {
#if defined(__SSE2__)
  const __m128 m = _mm_cmple_ss(_mm_set_ss(x), _mm_set_ss(y));
  return _mm_cvtss_f32(_mm_or_ps(_mm_and_ps(m, _mm_set_ss(a)), _mm_andnot_ps(m, _mm_set_ss(b))));
#else
  return x <= y ? a : b;
#endif
}
// a < b ? a : b (b when either is a NaN), as minss: without a branch.
inline float first_if_less(float a, float b) {
#if defined(__SSE2__)
  return _mm_cvtss_f32(_mm_min_ss(_mm_set_ss(a), _mm_set_ss(b)));
#else
  return a < b ? a : b;
#endif
}

float attack_seconds(float v) { return v * v * v * v * 0.099f + 0.001f; }
float hold_seconds(float v) { return v * v * 0.5f; }
float release_seconds(float v) { return v * v * v * v * 0.99f + 0.01f; }

// floor(0.1 * rate + 0.5): the compensated latency in samples.
int latency_samples(float rate) { return int(std::floor(rate * latency_seconds + 0.5f)); }

// Four delay lines (lookahead and compensation, each channel) of one length.
struct delay_storage {
  int size = 0;
  std::unique_ptr<float[]> data;
  float* line(int k) { return data.get() + size_t(k) * size_t(size); }
};

class limiter final : public smoothed_effect {
 public:
  limiter() : smoothed_effect("Limiter", params, count, nullptr, 4) {}

  void rebuild(float rate) override {
    auto fresh = std::make_unique<delay_storage>();
    fresh->size = latency_samples(rate) + 1;
    fresh->data = std::make_unique<float[]>(size_t(fresh->size) * 4);  // zeroed
    install(lines_, fresh);
    set_storage_rate(rate);
  }
  size_t storage_bytes() const override { return lines_ ? size_t(lines_->size) * 4 * sizeof(float) : 0; }
  void sample_rate_changed() override {
    detector_.init(detector_hz, rc_.rate);
    out_meter_.init(rc_.rate);
    glide_ = time_coefficient(lookahead_glide_seconds, rc_.rate);
    smoothed_effect::sample_rate_changed();
    delay_now_ = float(lookahead_);
  }
  void clear() override {
    for (channel& c : ch_) c = channel{};
    if (lines_) std::fill(lines_->data.get(), lines_->data.get() + size_t(lines_->size) * 4, 0.f);
    write_ = 0;
    delay_now_ = float(lookahead_);
    out_meter_.reset();
  }
  void recover() override {
    for (channel& c : ch_) {
      scrub(c);
      c.law_x = std::numeric_limits<float>::quiet_NaN();  // the kept result may be one scrubbed
    }
    if (lines_) scrub(lines_->data.get(), size_t(lines_->size) * 4);
  }
  // 0: the applied gain; 1, 2: the output level of each channel.
  float meter(int index) const override {
    return index == 0 ? gain_meter_.load() : out_meter_.peek(index == 1 ? 0 : 1);
  }
  void format_value(int index, char* text, size_t size) const override {
    const float v = value(index);
    if (index == threshold)
      std::snprintf(text, size, "%.1f dB", shown((1.f - v) * -48.f));
    else if (index == gain)
      std::snprintf(text, size, "+%.1f dB", double(v * 48.f));
    else if (index == attack)
      format_time(attack_seconds(v), text, size);
    else if (index == hold)
      format_time(hold_seconds(v), text, size);
    else if (index == release)
      format_time(release_seconds(v), text, size);
    else
      effect::format_value(index, text, size);
  }

  void process(const io& b, bool replace) override {
    refresh();
    if (!lines_) return pass_through(b, replace);
    const bool external = value(side_chain) > 0.5f && b.side;
    const bool linked = value(stereo_link) > 0.5f;
    float* const* det = external ? b.side : b.in;
    const int size = lines_->size;
    forget_old_law();
    // Delays within the lines whatever rate the storage was built for.
    const float goal = float(std::min(lookahead_, size - 1));
    const float longest = float(size - 1);
    float d = std::min(delay_now_, longest);
    float* ahead[2] = {lines_->line(0), lines_->line(1)};
    float* comp[2] = {lines_->line(2), lines_->line(3)};
    float lowest = 1.f;
    int w = write_ < size ? write_ : 0;  // the lines may have been rebuilt shorter
    const float* in[2] = {b.in[0], b.in[1]};
    float* out[2] = {b.out[0], b.out[1]};
    // In pieces: while the lookahead holds still on a whole delay (the usual
    // case) both reads are plain indexed loads, what `read` gives there, and
    // each frame's gain and lines go together, the detector's states in
    // registers; while it glides, the gains of the piece come first.
    for (int at = 0; at < b.frames; at += gain_piece) {
      const int n = std::min(gain_piece, b.frames - at);
      if (d == goal) {
        const int ahead_delay = int(d);
        const int rest = ltc_ ? std::max(std::min(latency_, size - 1) - ahead_delay, 0) : 0;
        const piece p{det, in, out, at, n, ahead_delay, rest, size, replace};
        w = linked ? steady_piece<true>(p, ahead, comp, w, lowest) : steady_piece<false>(p, ahead, comp, w, lowest);
        continue;
      }
      float applied[2][gain_piece];
      gains(det, at, n, linked, applied, lowest);
      for (int i = 0; i < n; ++i) {
        if (d != goal) {
          d += std::clamp((goal - d) * glide_, -max_lookahead_glide, max_lookahead_glide);
          if (std::fabs(goal - d) < 1e-3f) d = goal;  // lands on the whole delay
        }
        const float rest = ltc_ ? std::max(std::min(float(latency_), longest) - d, 0.f) : 0.f;
        for (int c = 0; c < 2; ++c) {
          ahead[c][w] = in[c][at + i];
          comp[c][w] = read(ahead[c], w, d, size) * 0.999f * applied[c][i];
          output(out[c], at + i, read(comp[c], w, rest, size), replace);
        }
        if (++w == size) w = 0;
      }
    }
    write_ = w;
    delay_now_ = d;
    gain_meter_ = lowest;
    out_meter_.process(b.out[0], b.out[1], b.frames);
  }

 private:
  struct channel {
    float s = 0.f;    // detector peak state
    float gc = 1.f;   // gain
    float m = 1.f;    // running minimum of the target while holding
    float h = 0.f;    // hold counter
    float rd = 0.f;   // release delay
    // The gain law's last input, ratio and output (gain_law); NaN: none yet.
    float law_x = std::numeric_limits<float>::quiet_NaN();
    float law_ratio = 0.f;
    float law_y = 1.f;
  };

  // A piece of a block at a still, whole lookahead.
  struct piece {
    float* const* det;
    const float* const* in;
    float* const* out;
    int at, frames, ahead_delay, rest, size;
    bool replace;
  };
  // Each frame's gain and lines together, the detector's states in
  // registers (one loop for each linking, so one channel's state is all it
  // holds when linked). Returns the next write position.
  template <bool linked>
  int steady_piece(const piece& p, float* const* ahead, float* const* comp, int w, float& lowest) {
    const float *d0 = p.det[0] + p.at, *d1 = p.det[1] + p.at, *x0 = p.in[0] + p.at, *x1 = p.in[1] + p.at;
    float *y0 = p.out[0] + p.at, *y1 = p.out[1] + p.at;
    float *a0 = ahead[0], *a1 = ahead[1], *l0 = comp[0], *l1 = comp[1];
    channel c0 = ch_[0], c1 = ch_[1];
    for (int i = 0; i < p.frames; ++i) {
      float g0, g1;
      if constexpr (linked) {
        g0 = g1 = gain_step(c0, max_of(std::fabs(d0[i]), std::fabs(d1[i])));
        lowest = min_of(lowest, g0);  // min_of(g, g) is g, NaN or not
      } else {
        g0 = gain_step(c0, std::fabs(d0[i]));
        g1 = gain_step(c1, std::fabs(d1[i]));
        lowest = min_of(lowest, min_of(g0, g1));
      }
      const int r0 = wrapped(w - p.ahead_delay, p.size), r1 = wrapped(w - p.rest, p.size);
      a0[w] = x0[i];
      a1[w] = x1[i];
      l0[w] = a0[r0] * 0.999f * g0;
      l1[w] = a1[r0] * 0.999f * g1;
      output(y0, i, l0[r1], p.replace);
      output(y1, i, l1[r1], p.replace);
      if (++w == p.size) w = 0;
    }
    ch_[0] = c0;
    if constexpr (!linked) ch_[1] = c1;
    return w;
  }

  // fmin and fmax without the library calls, NaN rules included: a NaN
  // operand gives the other one.
  static float min_of(float a, float b) { return b != b || a < b ? a : b; }
  static float max_of(float a, float b) { return b != b || a > b ? a : b; }
  static int wrapped(int i, int size) { return i < 0 ? i + size : i; }

  // The gains of frames [at, at + n) into applied, on copies of the
  // detector states (so they stay in registers), with the lowest of them:
  // one gain from the louder detector channel when linked, else one each.
  void gains(float* const* det, int at, int n, bool linked, float (*applied)[gain_piece], float& lowest) {
    const float* d0 = det[0] + at;
    const float* d1 = det[1] + at;
    if (linked) {
      channel c = ch_[0];
      for (int i = 0; i < n; ++i) {
        const float g = gain_step(c, max_of(std::fabs(d0[i]), std::fabs(d1[i])));
        applied[0][i] = applied[1][i] = g;
        lowest = min_of(lowest, min_of(g, g));
      }
      ch_[0] = c;
      return;
    }
    channel l = ch_[0], r = ch_[1];
    for (int i = 0; i < n; ++i) {
      applied[0][i] = gain_step(l, std::fabs(d0[i]));
      applied[1][i] = gain_step(r, std::fabs(d1[i]));
      lowest = min_of(lowest, min_of(applied[0][i], applied[1][i]));
    }
    ch_[0] = l;
    ch_[1] = r;
  }
  // The clip at the ceiling, then out.
  void output(float* out, int i, float y, bool replace) const {
    if (clip_) y = std::clamp(y, -ceiling_, ceiling_);
    put(out, i, y, replace);
  }

  // The line's value `delay` samples before position w, linear between
  // neighbours (exact at whole delays).
  static float read(const float* line, int w, float delay, int size) {
    float pos = float(w) - delay;
    if (pos < 0.f) pos += float(size);
    int i0 = int(pos);
    if (i0 >= size) i0 = size - 1;
    const float f = pos - float(i0);
    if (f == 0.f) return line[i0];
    const int i1 = i0 + 1 == size ? 0 : i0 + 1;
    return line[i0] + (line[i1] - line[i0]) * f;
  }

  [[gnu::always_inline]] float gain_step(channel& c, float a) const {
    const float g = detector_.g, k = detector_.k;
    // Both outcomes of the re-arm test worked out and one picked: the test
    // then runs beside the filter step instead of before it, off the chain
    // from one sample's state to the next.
    const float ga = g * a;
    const float lp_held = (ga + c.s) * k, lp_rearmed = (ga + a / k) * k;
    const float s_held = (a - lp_held) * g + lp_held, s_rearmed = (a - lp_rearmed) * g + lp_rearmed;
    const float bar = c.s * rearm_margin;
    const float lp = pick_greater(a, bar, lp_rearmed, lp_held);
    c.s = pick_greater(a, bar, s_rearmed, s_held);
    const float target = pick_at_most(lp, threshold_, 1.f, threshold_ / lp);
    if (target < c.gc || c.h > 0.f) {
      c.rd = 1.f;
      c.h -= hold_step_;
      if (target <= c.m) {
        c.h = 1.f;
        c.m = target;
      }
      c.gc += (c.m - c.gc) * attack_;
      if (c.gc < c.m) c.gc = c.m;
    } else {
      c.m = 1.f;
      if (c.rd <= 0.f) {
        c.gc += (2.f * target - c.gc) * release_;
        c.gc = first_if_less(target, c.gc);
      } else {
        c.rd -= hold_step_;
      }
    }
    return gain_law(c, makeup_ * c.gc);
  }
  // At the top of a block: a kept law result for another ratio is void, so
  // gain_law need only compare x.
  void forget_old_law() {
    for (channel& c : ch_)
      if (ratio_ != c.law_ratio) {
        c.law_x = std::numeric_limits<float>::quiet_NaN();
        c.law_ratio = ratio_;
      }
  }
  // x^ratio through exp and log. The gain holds still most of the time (at
  // 1 below the threshold, at its floor while holding), so the last result
  // is kept and given again for the same x: the same number, without the
  // two library calls per sample.
  float gain_law(channel& c, float x) const {
    if (x != c.law_x) {
      c.law_x = x;
      c.law_y = law(x);
    }
    return c.law_y;
  }
  // Out of line: the rare path, kept apart so the per-sample step stays small
  // enough to be inlined into the loops.
  [[gnu::noinline]] float law(float x) const { return std::exp(ratio_ * std::log(max_of(x, 1e-30f))); }
  void update() override {
    const float rate = rc_.rate;
    const float ta = attack_seconds(value(attack));
    attack_ = ta <= 1e-5f ? 1.f : 1.f - std::pow(0.0009999871f, 1.f / (ta * rate));
    lookahead_ = int(std::floor(ta * rate * value(lookahead) + 0.5f));
    const float th = hold_seconds(value(hold));
    hold_step_ = th <= 1e-5f ? 1.f : 1.f / (rate * th);
    release_ = 1.f - std::pow(0.50049996f, 1.f / (release_seconds(value(release)) * rate));
    threshold_ = db_to_gain((1.f - value(threshold)) * -48.f);
    ratio_ = value(ratio);
    makeup_ = db_to_gain(value(gain) * 48.f);
    latency_ = latency_samples(rate);
    ltc_ = value(ltc_comp) > 0.5f;
    // The clip is the brickwall's last guard: on at full ratio, at the output
    // ceiling (threshold raised by the make-up gain).
    clip_ = ratio_ >= 1.f;
    ceiling_ = threshold_ * makeup_;
  }

  std::unique_ptr<delay_storage> lines_;
  synth::one_pole_coefficient detector_;
  channel ch_[2];
  int write_ = 0, lookahead_ = 0, latency_ = 0;
  float delay_now_ = 0.f, glide_ = 1.f;  // the gliding lookahead in samples
  float attack_ = 1.f, hold_step_ = 1.f, release_ = 1.f, threshold_ = 1.f, ratio_ = 1.f, makeup_ = 1.f;
  float ceiling_ = 1.f;
  bool ltc_ = false, clip_ = true;
  synth::level_follower out_meter_;
  platform::relaxed<float> gain_meter_{1.f};
};

}  // namespace

std::unique_ptr<effect> make_limiter() { return std::make_unique<limiter>(); }

}  // namespace fx
