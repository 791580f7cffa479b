// "Reverb": an algorithmic reverb in four sections, each a classic of the
// literature:
//  1. Input band: a one-pole highpass and lowpass around the centre
//     100 * 100^"Frequency" Hz (631 Hz at the default), spanning
//     10 * "Width" octaves (7: 56 Hz to 7.1 kHz), so the room is not fed the
//     rumble and fizz a real hall would swallow.
//  2. Pre-delay: up to 200 ms ("Delay" v, v^2), gliding on changes; the right
//     channel up to 1 ms later with the tail "Width".
//  3. Diffuser: per channel 2 to 8 Schroeder allpasses in series, as in the
//     input diffusion of Dattorro's plate ("Effect Design, Part 1", JAES
//     1997): "Density" sets their count and gain (0.5 to 0.75), "Delay" the
//     longest (3 to 63 ms), "Spread" the ratio of longest to shortest (1.5 to
//     7.5), "Distribution" how the lengths bunch between them (power 4^(1 - 2v)
//     of the position: even in octaves at 0.5), "Direction" whether the long
//     ones come first (1) or last (0). The two channels' lengths differ by up
//     to +-10 % with the tail "Width", so they decorrelate.
//  4. Tail: "Density" elements, each a modulated allpass, a delay with a
//     middle tap, damping and a second allpass, as the halves of Dattorro's
//     tank. Lengths: mean 12 ms * 16^"Size" (36 ms at the default, 192 ms at
//     1), spread by 1 + 3 "Spread" between shortest and longest, bunched by
//     "Distribution" like the diffuser and ordered by "Direction"; every
//     length is a distinct prime so no two share a mode (Schroeder).
//     "Algorithm" 0, "Ring": the elements in one loop, each feeding the next
//     (Dattorro's figure-eight generalised to n elements). "Algorithm" 1,
//     "Network": a feedback delay network whose matrix is a Householder
//     reflection followed by a rotation of the elements (Jot and Chaigne,
//     "Digital Delay Networks for Designing Artificial Reverberators", AES
//     1991; the rotation removes the strong self-feedback Householder alone
//     leaves, which would ring), lossless before the gains.
// Decay: every element's gain is rho^(its length / mean length) with
// rho = Feedback * (0.5 + 0.5 * Decay mapping), so the whole tail decays at
// one rate whatever the lengths (Jot's condition); T60 = 3 * mean length /
// -log10(rho): about 1.9 s at the defaults, growing with "Size" as a larger
// hall does for the same walls (Sabine), endless at Decay 1.
// Damping: "High" and "Low" set, per mean length, a one-pole lowpass pole
// and a low-shelf cut below 250 Hz; each element's filter is scaled to its
// own length the same way, so highs and lows decay evenly (Jot 1992).
// "Diffuse" sets the two allpass gains of each element: 0.75 minus the
// mapped values, i.e. 0.5 to 0.7 and 0.5 to 0.6, Dattorro's decay-diffusion
// range. "Rate" and "Depth" sweep the first allpass of each element by up to
// 4 ms with evenly spread LFO phases, which keeps the modes from ringing.
//
// Structure changes (diffuser, tail, "Width", a new rate) build a complete
// new structure off the audio path and swap it in under the lock that the
// processing call holds for the whole block (the engine lock in a chain);
// the old structure fades out over 50 ms while the new one fills, so a
// change never clicks, and is freed at the next rebuild.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "fx/allpass_span.h"
#include "fx/delay_line.h"
#include "fx/factories.h"
#include "fx/form.h"
#include "fx/reverb_tail.h"
#include "fx/reverb_structure.h"
#include "fx/smoothed_effect.h"
#include "fx/sine.h"
#include "fx/time_law.h"
#include "synth/dsp/one_pole.h"

namespace fx {

namespace {

using namespace reverb_tail;

enum {
  mix, gain, rate, depth, pre_delay, feedback, frequency, band_width,
  diff_delay, diff_direction, diff_density, diff_spread, diff_distribution,
  algorithm, density, size, decay, width, diffuse, direction, spread, distribution, low, high,
  count
};

constexpr param_desc params[count] = {
    {"Mix", 0.f, 1.f, 0, 0.125f},       {"Gain", 0.f, 1.f, 0, 0.f},
    {"Rate", 0.f, 1.f, 0, 0.3f},        {"Depth", 0.f, 1.f, 0, 0.125f},
    {"Delay", 0.f, 1.f, 0, 0.f},        {"Feedback", 0.f, 1.f, 0, 1.f},
    {"Frequency", 0.f, 1.f, 0, 0.4f},   {"Width", 0.f, 1.f, 0, 0.7f},
    {"Delay", 0.f, 1.f, 0, 0.f},        {"Direction", 0.f, 1.f, 1, 1.f},
    {"Density", 0.f, 1.f, 0, 0.5f},     {"Spread", 0.f, 1.f, 0, 0.5f},
    {"Distribution", 0.f, 1.f, 0, 0.5f}, {"Algorithm", 0.f, 1.f, 1, 1.f},
    {"Density", 1.f, 16.f, 1, 6.f},     {"Size", 0.f, 1.f, 0, 0.4f},
    {"Decay", 0.f, 1.f, 0, 0.6f},       {"Width", 0.f, 1.f, 0, 1.f},
    {"Diffuse", 0.f, 1.f, 0, 0.9f},     {"Direction", 0.f, 1.f, 1, 1.f},
    {"Spread", 0.f, 1.f, 0, 0.5f},      {"Distribution", 0.f, 1.f, 0, 0.5f},
    {"Low", 0.f, 1.f, 0, 1.f},          {"High", 0.f, 1.f, 0, 1.f},
};

constexpr param_group group_table[] = {{"Global", nullptr, 0}, {"Diffuse", nullptr, 8}, {"Tail", nullptr, 13},
                                  {nullptr, nullptr, 0}};

constexpr float max_pre_seconds = 0.2f;
constexpr float pre_width_seconds = 0.001f;
constexpr float max_excursion_seconds = 0.004f;
constexpr float fade_seconds = 0.05f;
constexpr float glide_seconds = 0.1f;
constexpr float low_shelf_hz = 250.f;
constexpr float first_allpass_share = 0.14f;   // of an element's length
constexpr float second_allpass_share = 0.22f;
constexpr int pad_line = 4;  // samples in each line of a padding lane

float clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

// --- building (editor thread) ------------------------------------------------

bool is_prime(int n) {
  if (n < 2) return false;
  for (int d = 2; d * d <= n; ++d)
    if (n % d == 0) return false;
  return true;
}

// The smallest prime >= n not yet taken (and marks it taken).
int distinct_prime(int n, std::vector<int>& taken) {
  for (n = std::max(n, 2);; ++n)
    if (is_prime(n) && std::find(taken.begin(), taken.end(), n) == taken.end()) {
      taken.push_back(n);
      return n;
    }
}

// n lengths between shortest and shortest * ratio, position k at
// (k / (n - 1))^power on a log scale; the long ones first when descending.
void spread_lengths(float* out, int n, float shortest, float ratio, float power, bool descending) {
  for (int k = 0; k < n; ++k) {
    const float u = n > 1 ? std::pow(float(k) / float(n - 1), power) : 0.5f;
    out[descending ? n - 1 - k : k] = shortest * std::pow(ratio, u);
  }
}

struct build_values {
  float rate;
  int n;
  bool ring, descending, diff_descending;
  float size, spread, distribution, width;
  float diff_delay, diff_density, diff_spread, diff_distribution;
};

std::unique_ptr<structure> build(const build_values& v) {
  auto s = std::make_unique<structure>();
  std::vector<int> taken;
  s->n = std::clamp(v.n, 1, max_elements);
  s->ring = v.ring;
  // Tail lengths.
  s->mean_seconds = 0.012f * std::pow(16.f, v.size);
  const float ratio = 1.f + 3.f * v.spread;
  float seconds[max_elements];
  spread_lengths(seconds, s->n, s->mean_seconds / std::sqrt(ratio), ratio,
                 std::pow(4.f, 1.f - 2.f * v.distribution), v.descending);
  const int excursion = int(max_excursion_seconds * v.rate) + 2;
  int ap1[max_elements], main[max_elements], ap2[max_elements];
  size_t total = 0;
  for (int k = 0; k < s->n; ++k) {
    const float len = seconds[k] * v.rate;
    ap1[k] = distinct_prime(int(len * first_allpass_share), taken);
    ap2[k] = distinct_prime(int(len * second_allpass_share), taken);
    main[k] = distinct_prime(std::max(int(len) - ap1[k] - ap2[k], 3), taken);
    total += size_t(ap1[k] + excursion + 2 + main[k] + ap2[k]);
  }
  // Diffuser lengths per channel.
  s->diff_count = std::clamp(2 + int(std::lround(v.diff_density * 6.f)), 2, max_diffusers);
  const float longest = (0.003f + v.diff_delay * v.diff_delay * 0.06f) * v.rate;
  const float diff_ratio = 1.5f + 6.f * v.diff_spread;
  float diff_len[max_diffusers];
  spread_lengths(diff_len, s->diff_count, longest / diff_ratio, diff_ratio,
                 std::pow(4.f, 1.f - 2.f * v.diff_distribution), v.diff_descending);
  int diff[2][max_diffusers];
  for (int c = 0; c < 2; ++c) {
    const float factor = 1.f + (c ? 0.1f : -0.1f) * v.width;
    for (int k = 0; k < s->diff_count; ++k) {
      diff[c][k] = distinct_prime(std::max(int(diff_len[k] * factor), 2), taken);
      total += size_t(diff[c][k]);
    }
  }
  const int pre = int((max_pre_seconds + pre_width_seconds) * v.rate) + 4;
  total += size_t(pre) * 2;
  s->lanes = padded(s->n, avx2_width);
  total += size_t(s->lanes - s->n) * size_t(excursion + 2 + 2 * pad_line);

  s->memory = std::make_unique<float[]>(total);  // zeroed
  float* p = s->memory.get();
  auto carve = [&p](delay_line& l, int n) {
    l.buf = p;
    l.size = n;
    p += n;
  };
  for (int c = 0; c < 2; ++c) carve(s->pre[c], pre);
  for (int c = 0; c < 2; ++c)
    for (int k = 0; k < s->diff_count; ++k) carve(s->diff[c][k], diff[c][k]);
  s->excursion_limit = float(excursion - 2);
  for (int k = 0; k < s->n; ++k) {
    element& e = s->el[k];
    carve(e.ap1, ap1[k] + excursion + 2);
    s->ap1_len[k] = float(ap1[k]);
    carve(e.main, main[k]);
    e.tap = std::max(main[k] / 2, 1);
    carve(e.ap2, ap2[k]);
    e.length_ratio = float(ap1[k] + main[k] + ap2[k]) / (s->mean_seconds * v.rate);
    s->lfo_offset[k] = float(k) / float(s->n);
    s->feeder[k] = s->n >= 3 ? (k + s->n - 1) % s->n : k;
  }
  for (int k = s->n; k < s->lanes; ++k) {  // the padding lanes: the shortest reads fit
    element& e = s->el[k];
    carve(e.ap1, excursion + 2);
    s->ap1_len[k] = shortest_read;
    carve(e.main, pad_line);
    e.tap = pad_line / 2;
    carve(e.ap2, pad_line);
    s->feeder[k] = k;
  }
  return s;
}

// --- the effect ------------------------------------------------------------------

// 1 / sqrt(2 n): the tail sums 2 n taps of roughly equal, uncorrelated power.
constexpr std::array<float, max_elements> make_scales() {
  std::array<float, max_elements> a{};
  for (int n = 1; n <= max_elements; ++n) {
    float x = float(2 * n), r = x;
    for (int i = 0; i < 30; ++i) r = 0.5f * (r + x / r);  // Newton's square root
    a[size_t(n - 1)] = 1.f / r;
  }
  return a;
}
constexpr std::array<float, max_elements> tail_output_scale = make_scales();

float mod_rate_hz(float v) { return soft_rise(v) * 4.9f + 0.1f; }
float wet_gain(float v) { return v * v * 3.f + 1.f; }
float feedback_gain(float v) { return v / (std::fabs(v) + 1.2f) * 2.2f; }
float decay_amount(float v) { return v / (std::fabs(v) + 1.f) * 2.f; }
float band_centre_hz(float v) { return 100.f * std::pow(100.f, v); }

class reverb final : public smoothed_effect {
 public:
  reverb() : smoothed_effect("Reverb", params, count, group_table) {}

  bool structural(int index) const override {
    return (index >= diff_delay && index <= size) || index == width || index == direction ||
           index == spread || index == distribution;
  }
  size_t storage_bytes() const override { return bytes_; }

  void rebuild(float r) override {
    build_values v;
    v.rate = r;
    v.n = int(value(density));
    v.ring = value(algorithm) < 0.5f;
    v.descending = value(direction) > 0.5f;
    v.diff_descending = value(diff_direction) > 0.5f;
    v.size = value(size);
    v.spread = value(spread);
    v.distribution = value(distribution);
    v.width = value(width);
    v.diff_delay = value(diff_delay);
    v.diff_density = value(diff_density);
    v.diff_spread = value(diff_spread);
    v.diff_distribution = value(diff_distribution);
    std::unique_ptr<structure> fresh = build(v);
    std::unique_ptr<structure> retired;
    {
      platform::scoped_lock hold(swap_lock());
      retired = std::move(fading_);  // a fade still running is cut short
      fading_ = std::move(live_);
      live_ = std::move(fresh);
      fade_left_ = fading_ ? fade_length_ : 0;
      bytes_ = total_bytes(*live_);
    }
    set_storage_rate(r);
  }

  void sample_rate_changed() override {
    glide_ = time_coefficient(glide_seconds, rc_.rate);
    fade_length_ = std::max(int(fade_seconds * rc_.rate), 1);
    shelf_ = synth::one_pole_g(low_shelf_hz, rc_.rate);
    smoothed_effect::sample_rate_changed();
    pre_now_ = pre_goal_;
    tuned_ = nullptr;
  }
  void reset() override { lfo_phase_ = 0.f; }
  void clear() override {
    for (structure* s : {live_.get(), fading_.get()}) {
      if (!s) continue;
      clear_structure(*s);
    }
    for (auto& ch : band_) ch = band_state{};
    fade_left_ = 0;
  }
  void recover() override {
    for (structure* s : {live_.get(), fading_.get()})
      if (s) scrub_structure(*s);
    for (auto& ch : band_) scrub(ch);
  }
  float meter(int) const override { return meter_; }

  void process(const io& b, bool replace) override {
    refresh();
    structure* s = live_.get();
    if (!s) return pass_through(b, replace);
    if (s != tuned_) {
      tune(*s);
      tuned_ = s;
    }
#if defined(__SSE2__)
    lanes_ = active_form() == form::fast;
    wide_ = lanes_ && active_kernel() == kernel::avx2;
#endif
    float mod_sum = 0.f;
    for (int at = 0; at < b.frames; at += mod_chunk) {
      const int n = std::min(mod_chunk, b.frames - at);
      // The glides ahead of the samples.
      float exc[mod_chunk], wet[mod_chunk], dry[mod_chunk];
      for (int i = 0; i < n; ++i) {
        if (smooth_.active()) smooth_.tick();
        exc[i] = excursion_;
        wet[i] = wet_;
        dry[i] = dry_;
      }
      // The LFO, the input band and the pre-delay's glide: one loop on
      // local copies for their recursions (and the meter's sum), so that
      // they overlap.
      float phase[mod_chunk], band[2][mod_chunk], pre[mod_chunk];
      band_state state[2] = {band_[0], band_[1]};
      float pre_now = pre_now_, lfo = lfo_phase_, sum = mod_sum;
      const float increment = lfo_increment_, pre_goal = pre_goal_, glide = glide_;
      for (int i = 0; i < n; ++i) {
        lfo += increment;
        if (lfo >= 1.f) lfo -= 1.f;
        phase[i] = lfo;
        sum += 0.5f + 0.5f * sine_cycle(lfo);
        for (int c = 0; c < 2; ++c) band[c][i] = band_pass(state[c], b.in[c][at + i]);
        pre_now += (pre_goal - pre_now) * glide;
        pre[i] = pre_now;
      }
      band_[0] = state[0];
      band_[1] = state[1];
      pre_now_ = pre_now;
      lfo_phase_ = lfo;
      mod_sum = sum;
      // The read positions, then each structure section by section over
      // the chunk.
      modulate(*s, phase, exc, n);
      if (fade_left_ > 0 && fading_) modulate(*fading_, phase, exc, n);
      float l[mod_chunk], r[mod_chunk];
      run(*s, band, pre, n, l, r);
      if (fade_left_ > 0 && fading_) {
        const int m = std::min(n, fade_left_);
        float zero[2][mod_chunk] = {}, fl[mod_chunk], fr[mod_chunk];
        run(*fading_, zero, pre, m, fl, fr);
        for (int i = 0; i < m; ++i) {
          const float k = float(fade_left_) / float(fade_length_);
          l[i] += fl[i] * k;
          r[i] += fr[i] * k;
          --fade_left_;
        }
      }
      for (int i = 0; i < n; ++i) {
        const float x[2] = {b.in[0][at + i], b.in[1][at + i]};
        // Output width (mid/side) and mix.
        const float mid = 0.5f * (l[i] + r[i]), side = 0.5f * (l[i] - r[i]) * out_width_;
        put(b.out[0], at + i, dry[i] * x[0] + wet[i] * (mid + side), replace);
        put(b.out[1], at + i, dry[i] * x[1] + wet[i] * (mid - side), replace);
      }
    }
    const float a = mod_sum / float(b.frames);
    meter_ = soft_rise(lfo_rate_ * 0.033333335f) * (0.7f - a) + a;
  }

 private:
  struct band_state {
    float hp = 0.f, lp = 0.f;
  };

  static size_t total_bytes(const structure& s) {
    size_t n = 0;
    for (int c = 0; c < 2; ++c) {
      n += size_t(s.pre[c].size);
      for (int k = 0; k < s.diff_count; ++k) n += size_t(s.diff[c][k].size);
    }
    for (int k = 0; k < s.n; ++k) n += size_t(s.el[k].ap1.size + s.el[k].main.size + s.el[k].ap2.size);
    return n * sizeof(float);
  }
  static void clear_line(delay_line& l) {
    std::fill(l.buf, l.buf + l.size, 0.f);
    l.pos = 0;
  }
  static void clear_structure(structure& s) {
    for (int c = 0; c < 2; ++c) {
      clear_line(s.pre[c]);
      for (int k = 0; k < s.diff_count; ++k) clear_line(s.diff[c][k]);
    }
    for (int k = 0; k < s.lanes; ++k) {
      element& e = s.el[k];
      clear_line(e.ap1);
      clear_line(e.main);
      clear_line(e.ap2);
    }
    for (float* v : {s.damp, s.shelf, s.out, s.mid, s.interp}) std::fill(v, v + max_elements, 0.f);
  }

  static void scrub_structure(structure& s) {
    for (int c = 0; c < 2; ++c) {
      scrub(s.pre[c].buf, size_t(s.pre[c].size));
      for (int k = 0; k < s.diff_count; ++k) scrub(s.diff[c][k].buf, size_t(s.diff[c][k].size));
    }
    for (int k = 0; k < s.lanes; ++k) {
      element& e = s.el[k];
      for (delay_line* l : {&e.ap1, &e.main, &e.ap2}) scrub(l->buf, size_t(l->size));
    }
    for (float* v : {s.damp, s.shelf, s.out, s.mid, s.interp}) scrub(v, max_elements);
  }

  // Highpass then lowpass of the input band.
  float band_pass(band_state& st, float x) const {
    const float hp = (x - st.hp) * hp_.k;
    const float lp1 = (hp_.g * x + st.hp) * hp_.k;
    st.hp = (x - lp1) * hp_.g + lp1;
    const float lp = (lp_.g * hp + st.lp) * lp_.k;
    st.lp = (hp - lp) * lp_.g + lp;
    return lp;
  }

  // Frames [0, n) of the chunk through pre-delay, diffuser and tail of
  // structure s, each channel's pre-delay and diffuser over the whole chunk
  // (they feed nothing back), then the tail frame by frame. pre: the
  // pre-delay of each frame in samples.
  void run(structure& s, const float (*in)[mod_chunk], const float* pre, int n, float* out_l, float* out_r) const {
    float x[2][mod_chunk];
    for (int c = 0; c < 2; ++c) {
      delay_line& p = s.pre[c];
      const float offset = c ? pre_offset_ : 0.f, longest = float(p.size - 2);
      for (int i = 0; i < n; ++i) {
        p.write(in[c][i]);
        x[c][i] = p.at(clamp(pre[i] + offset, 1.f, longest));
      }
      for (int k = 0; k < s.diff_count; ++k) allpass_run(s.diff[c][k], x[c], n, diff_gain_);
    }
    const float norm = tail_output_scale[size_t(s.n - 1)];
#if defined(__SSE2__)
    if (lanes_ && !s.ring) return network(s, x, n, {ap_gain1_, ap_gain2_, shelf_, norm}, out_l, out_r);
#endif
    for (int i = 0; i < n; ++i) {
      const float frame[2] = {x[0][i], x[1][i]};
      float sum_l = 0.f, sum_r = 0.f;
      tail(s, frame, i, sum_l, sum_r);
      out_l[i] = sum_l * norm;
      out_r[i] = sum_r * norm;
    }
  }

  // Schroeder's allpass over x[0, n) in place (delay_line::allpass sample by
  // sample; the plain form), in the fast form four samples to a register,
  // eight with AVX2, where the line is long enough that the reads of a
  // register come before its writes and no wrap falls among them.
  void allpass_run(delay_line& line, float* x, int n, float g) const {
    int i = 0;
#if defined(__SSE2__)
    if (lanes_ && line.size >= 4) {
      const __m128 gv = _mm_set1_ps(g);
      while (i + 4 <= n) {
#if defined(VORN_AVX2_KERNEL)
        if (wide_ && line.size >= 8) {
          i += allpass_span_avx2(line.buf, line.size, line.pos, x + i, n - i, g);
          if (i + 4 > n) break;
        }
#endif
        if (line.pos + 4 > line.size) {  // across the wrap one at a time
          x[i] = line.allpass(x[i], g);
          ++i;
          continue;
        }
        float* at = line.buf + line.pos;
        const __m128 d = _mm_loadu_ps(at);
        const __m128 w = _mm_add_ps(_mm_loadu_ps(x + i), _mm_mul_ps(gv, d));
        _mm_storeu_ps(at, w);
        _mm_storeu_ps(x + i, _mm_sub_ps(d, _mm_mul_ps(gv, w)));
        line.pos += 4;
        if (line.pos == line.size) line.pos = 0;
        i += 4;
      }
    }
#endif
    for (; i < n; ++i) x[i] = line.allpass(x[i], g);
  }

  // Frame i of the chunk through the tail, x its diffused input; adds the
  // taps to l and r.
  void tail(structure& s, const float* x, int i, float& sum_l, float& sum_r) const {
    const int n = s.n;
    if (s.ring) {
      float carry = s.out[n - 1];
      for (int k = 0; k < n; ++k) {
        carry = run_element(s, k, i, carry + injection(k, x));
        tap(k, s, sum_l, sum_r);
      }
    } else {
      float h = 0.f;
      for (int k = 0; k < n; ++k) h += s.out[k];
      h *= 2.f / float(n);
      float v[max_elements];
      for (int k = 0; k < n; ++k) v[k] = s.out[k] - h;
      for (int k = 0; k < n; ++k) {
        run_element(s, k, i, v[s.feeder[k]] + injection(k, x));
        tap(k, s, sum_l, sum_r);
      }
    }
  }

  // Even elements take the left input, odd the right, with signs alternating
  // in pairs so the network is fed with little correlation.
  static float injection(int k, const float* x) {
    const float v = x[k & 1];
    return (k & 2) ? -v : v;
  }
  // The left output hears the ends of the even elements and the middles of
  // the odd ones, the right the reverse, with sign patterns that differ.
  static void tap(int k, const structure& s, float& l, float& r) {
    const float sl = ((k >> 1) & 1) ? -1.f : 1.f;
    const float sr = (((k + 1) >> 1) & 1) ? -1.f : 1.f;
    l += sl * ((k & 1) ? s.mid[k] : s.out[k]);
    r += sr * ((k & 1) ? s.out[k] : s.mid[k]);
  }

  // The LFO's read positions of frames [0, n) of the chunk for every
  // element of s: its phase and the excursion per frame given. First-order
  // allpass interpolation (Dattorro 1997) reads between them: a fractional
  // delay with a flat magnitude, so the moving read does not dull the tail
  // the way linear interpolation would on every trip round the loop.
  // The fast form works them out several elements to a register, the
  // padding lanes of its registers too.
  void modulate(structure& s, const float* phase, const float* excursion, int n) const {
#if defined(__SSE2__)
    if (lanes_) return reverb_tail::modulate(s, wide_ ? s.lanes : padded(s.n, sse2_width), phase, excursion, n);
#endif
    for (int i = 0; i < n; ++i)
      for (int k = 0; k < s.n; ++k) {
        float p = phase[i] + s.lfo_offset[k];
        if (p >= 1.f) p -= 1.f;
        const float exc = std::min(excursion[i], s.excursion_limit);
        const float m = s.ap1_len[k] + exc * sine_cycle(p);
        if (m < shortest_read) {
          s.whole[i][k] = 1;
          s.eta[i][k] = eta_at_floor;
          continue;
        }
        s.whole[i][k] = int(m - 0.5f);
        const float frac = m - float(s.whole[i][k]);  // 0.5 .. 1.5
        s.eta[i][k] = (1.f - frac) / (1.f + frac);
      }
  }

  float run_element(structure& s, int k, int i, float u) const {
    element& e = s.el[k];
    const int whole = s.whole[i][k];
    const float eta = s.eta[i][k];
    const float d = eta * e.ap1.at(whole) + e.ap1.at(whole + 1) - eta * s.interp[k];
    s.interp[k] = d;
    const float w = u + ap_gain1_ * d;
    e.ap1.write(w);
    const float y1 = d - ap_gain1_ * w;
    s.mid[k] = e.main.at(e.tap);
    const float y2 = e.main.push(y1);
    // High damping: one-pole lowpass y = (1 - b) x + b y1.
    const float damp = y2 + (s.damp[k] - y2) * s.pole[k];
    s.damp[k] = damp;
    // Low damping: cut the part below 250 Hz by `cut`.
    const float lp = (shelf_ * damp + s.shelf[k]) / (1.f + shelf_);
    s.shelf[k] = (damp - lp) * shelf_ + lp;
    const float y3 = damp - s.cut[k] * lp;
    s.out[k] = e.ap2.allpass(y3, ap_gain2_) * s.g[k];
    return s.out[k];
  }

  // Per-element gains and damping for the current values (audio thread).
  void tune(structure& s) const {
    const float fb = feedback_gain(value(feedback));
    const float rho = fb * (0.5f + 0.5f * decay_amount(value(decay)));
    const float h = value(high);
    const float hc = clamp((1.f - soft_rise(h)) * 0.98f, 0.001f, 0.999f);
    const float lo = 1.f - value(low);
    const float lc = clamp(lo / (std::fabs(lo) - 1.1f) * -0.100000024f * 0.5f, 0.001f, 0.999f);
    const float nyquist_gain = (1.f - hc) / (1.f + hc);
    for (int k = 0; k < s.n; ++k) {
      const float r = s.el[k].length_ratio;
      s.g[k] = rho > 0.f ? std::pow(std::min(rho, 1.f), r) : 0.f;
      const float gk = std::pow(nyquist_gain, r);
      s.pole[k] = (1.f - gk) / (1.f + gk);
      s.cut[k] = 1.f - std::pow(1.f - lc, r);
    }
  }

  void update() override {
    if (rc_.rate <= 0.f) return;
    lfo_rate_ = mod_rate_hz(value(rate));
    lfo_increment_ = lfo_rate_ / rc_.rate;
    smooth_.set(&excursion_, value(depth) * max_excursion_seconds * rc_.rate);
    pre_goal_ = value(pre_delay) * value(pre_delay) * max_pre_seconds * rc_.rate;
    pre_offset_ = value(width) * pre_width_seconds * rc_.rate;
    const float centre = band_centre_hz(value(frequency));
    const float half_octaves = 5.f * value(band_width);
    float lo_hz = centre * std::exp2(-half_octaves), hi_hz = centre * std::exp2(half_octaves);
    lo_hz = clamp(lo_hz, 5.f, 0.45f * rc_.rate);
    hi_hz = clamp(hi_hz, 5.f, 0.45f * rc_.rate);
    hp_.init(lo_hz, rc_.rate);
    lp_.init(hi_hz, rc_.rate);
    diff_gain_ = 0.5f + 0.25f * value(diff_density);
    const float v = value(diffuse);
    ap_gain1_ = 0.75f - (0.25f - std::sqrt(v) * 0.2f);
    ap_gain2_ = 0.75f - (0.25f - v * 0.099999994f);
    out_width_ = value(width);
    smooth_.set(&wet_, value(mix) * wet_gain(value(gain)));
    smooth_.set(&dry_, 1.f - value(mix));
    if (live_) tune(*live_);
  }

  std::unique_ptr<structure> live_, fading_;
  const structure* tuned_ = nullptr;
  synth::one_pole_coefficient hp_, lp_;
  band_state band_[2];
  int fade_left_ = 0, fade_length_ = 1;
  size_t bytes_ = 0;
  float lfo_phase_ = 0.f, lfo_increment_ = 0.f, lfo_rate_ = 0.f, excursion_ = 0.f;
  float pre_goal_ = 0.f, pre_now_ = 0.f, pre_offset_ = 0.f, glide_ = 1.f, shelf_ = 0.f;
  float diff_gain_ = 0.625f, ap_gain1_ = 0.7f, ap_gain2_ = 0.6f, out_width_ = 1.f;
  float wet_ = 0.125f, dry_ = 0.875f;
  bool lanes_ = false;  // the fast form: diffusers and tail several samples or elements to a register
  bool wide_ = false;   // ... and AVX2's registers of eight
  platform::relaxed<float> meter_{0.f};
};

}  // namespace

std::unique_ptr<effect> make_reverb() { return std::make_unique<reverb>(); }

}  // namespace fx
