// "mDelay": a modulated stereo delay running at twice the sample rate (the
// raised-cosine read between neighbours then loses little treble), with
// filters in the feedback path and three routings. Choices made here:
//  - Times: "Left"/"Right" v give v^2 seconds (0 to 1 s; 109 and 130 ms at
//    the defaults, a wide slapback). A time change glides like a tape head:
//    the delay moves towards its goal with a 0.3 s time constant and at most
//    half a sample per sample, so the pitch bends by at most a fifth and the
//    read position never jumps (no click; Valimaki et al., "Fifty Years of
//    Artificial Reverberation" and Zolzer, DAFX ch. 3, on variable delays).
//  - Modulation: one LFO per line, the right one "Width" half a cycle later;
//    "Shape" morphs triangle (0) to sine (0.5) to a rounded square (1);
//    "Depth" d adds up to 2 d^2 * 10 ms on top of the set time (never below
//    it): a gentle tape wow at the default, a deep chorus at 1.
//  - "Feedback" v: gain 0.98 (2v - 1), inverted echoes below the middle.
//  - Routing: "Normal" each line feeds itself; "Cross" each line feeds the
//    other (echoes alternate sides with the two times); "Ping-pong" the input
//    summed to mono enters the left line only and the lines feed each other,
//    so the echoes bounce left, right, left.
//  - Every continuous value glides through the smoothing list (the filter
//    coefficients, feedback, rate, width and shape as well as mix and
//    depth), so turning a knob in one step never jumps the read position or
//    the loop's gain.
//  - Feedback filter: one-pole lowpass at "High-cut", unity gain, then the
//    one-pole lowpass at "Low-cut" subtracted in full (c = 1): a highpass
//    whose 2 Hz floor also keeps DC from building up in the loop.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "fx/denormal.h"
#include "fx/factories.h"
#include "fx/form.h"
#include "fx/smoothed_effect.h"
#include "fx/half_band.h"
#include "fx/sine.h"
#include "fx/time_law.h"
#include "synth/dsp/one_pole.h"

namespace fx {

namespace {

enum { left, right, feedback, low_cut, high_cut, mode, mix, rate, depth, width, shape, count };

constexpr param_desc params[count] = {
    {"Left", 0.f, 1.f, 0, 0.33f},     {"Right", 0.f, 1.f, 0, 0.36f}, {"Feedback", 0.f, 1.f, 0, 0.33f},
    {"Low-cut", 0.f, 1.f, 0, 0.f},    {"High-cut", 0.f, 1.f, 0, 1.f}, {"Mode", 0.f, 2.f, 1, 0.f},
    {"Mix", 0.f, 1.f, 0, 0.5f},       {"Rate", 0.f, 1.f, 0, 0.33f},  {"Depth", 0.f, 1.f, 0, 0.1f},
    {"Width", 0.f, 1.f, 0, 0.5f},     {"Shape", 0.f, 1.f, 0, 0.5f},
};

constexpr param_group group_table[] = {{"Delay", nullptr, 0}, {"Mod", nullptr, 7}, {nullptr, nullptr, 0}};

constexpr const char* mode_names[3] = {"Normal", "Cross", "Ping-pong"};
constexpr float glide_seconds = 0.3f;
constexpr float max_glide = 0.5f;           // samples per sample
constexpr float max_excursion_seconds = 0.02f;
constexpr float meter_fall_seconds = 0.3f;
constexpr int lfo_chunk = 64;  // frames whose LFO is worked out ahead

float time_seconds(float v) { return v * v; }
float low_cut_hz(float v) { return cube(v) * 11998.f + 2.f; }
float high_cut_hz(float v) { return cube(v) * 19980.f + 20.f; }
float rate_hz(float v) { return cube(v) * 29.95f + 0.05f; }

// Entries per line: the smallest power of two >= 2 * rate, from 65536 up to
// 0x200000.
int line_length(float rate) {
  int n = 65536;
  while (float(n) < 2.f * rate && n < 0x200000) n *= 2;
  return n;
}

struct line_storage {
  int size = 0;  // a power of two
  std::unique_ptr<float[]> data;
  float* line(int k) { return data.get() + size_t(k) * size_t(size); }
};

class mdelay final : public smoothed_effect {
 public:
  mdelay() : smoothed_effect("mDelay", params, count, group_table) {}

  void rebuild(float rate) override {
    const int n = line_length(rate);
    if (lines_ && lines_->size == n) {
      set_storage_rate(rate);
      return;
    }
    auto fresh = std::make_unique<line_storage>();
    fresh->size = n;
    fresh->data = std::make_unique<float[]>(size_t(n) * 2);  // zeroed
    install(lines_, fresh);
    set_storage_rate(rate);
  }
  size_t storage_bytes() const override { return lines_ ? size_t(lines_->size) * 2 * sizeof(float) : 0; }

  void sample_rate_changed() override {
    const float hi = 2.f * rc_.rate;
    glide_ = time_coefficient(glide_seconds, hi);
    meter_decay_ = 1.f - time_coefficient(meter_fall_seconds, hi);
    smoothed_effect::sample_rate_changed();
    derive();
    offset_now_ = offset_;
    for (line_state& l : l_) l.delay = l.goal;
  }
  float smoothing_rate() const override { return 2.f * rc_.rate; }
  void reset() override { phase_ = 0.f; }
  void clear() override {
    if (lines_) std::fill(lines_->data.get(), lines_->data.get() + size_t(lines_->size) * 2, 0.f);
    for (line_state& l : l_) {
      l.high = l.low = l.peak = 0.f;
    }
    for (auto& o : os_) o.clear();
  }
  void recover() override {
    if (lines_) scrub(lines_->data.get(), size_t(lines_->size) * 2);
    for (line_state& l : l_) scrub(l);
    for (auto& o : os_) scrub(o);
  }
  // 0, 1: each line's peak; 2: the modulation activity.
  float meter(int index) const override { return index < 2 ? peak_meter_[index].load() : mod_meter_.load(); }
  void format_value(int index, char* text, size_t size) const override {
    const float v = value(index);
    switch (index) {
      case left:
      case right:
        format_time(time_seconds(v), text, size);
        break;
      case feedback:
        std::snprintf(text, size, "%0.0f%%", double((2.f * v - 1.f) * 100.f));
        break;
      case low_cut:
        std::snprintf(text, size, "%0.1f Hz", double(low_cut_hz(v)));
        break;
      case high_cut:
        std::snprintf(text, size, "%0.1f Hz", double(high_cut_hz(v)));
        break;
      case mode:
        std::snprintf(text, size, "%s", mode_names[int(v) < 0 ? 0 : (int(v) > 2 ? 2 : int(v))]);
        break;
      default:
        effect::format_value(index, text, size);
    }
  }

  void process(const io& b, bool replace) override {
    refresh();
    if (!lines_) return pass_through(b, replace);
    const int size = lines_->size, mask = size - 1;
    float* buf[2] = {lines_->line(0), lines_->line(1)};
    const int m = int(value(mode));
    w_ &= mask;
    activity_ = 0.f;
    const bool fast = active_form() == form::fast;
    for (int at = 0; at < b.frames; at += lfo_chunk) {
      const int n = std::min(lfo_chunk, b.frames - at);
      // With nothing gliding, the LFO of the chunk's 2 n steps at twice the
      // rate is worked out ahead, four steps at a time.
      const bool steady = !smooth_.active();
      if (steady) prepare_lfo(2 * n);
      if (steady && fast) {
        run_steady(b, at, n, buf, mask, m, replace);
        continue;
      }
      for (int i = 0; i < n; ++i) {
        float even[2], odd[2];
        for (int c = 0; c < 2; ++c) os_[c].up.run(b.in[c][at + i], even[c], odd[c]);
        if (steady) {
          const int j = 2 * i;
          const float first[2] = {lfo_[0][j], lfo_[1][j]}, second[2] = {lfo_[0][j + 1], lfo_[1][j + 1]};
          run_lines(even, buf, mask, m, first);
          run_lines(odd, buf, mask, m, second);
        } else {
          core(even, buf, mask, m);
          core(odd, buf, mask, m);
        }
        for (int c = 0; c < 2; ++c) put(b.out[c], at + i, os_[c].down.run(even[c], odd[c]), replace);
      }
    }
    for (int c = 0; c < 2; ++c) {
      for (float* v : {&l_[c].high, &l_[c].low, &l_[c].peak}) flush(*v);
      os_[c].flush();
      peak_meter_[c] = l_[c].peak;
    }
    const float a = activity_ / float(2 * b.frames);
    mod_meter_ = soft_rise(rate_hz(value(rate)) * 0.033333335f) * (0.7f - a) + a;
  }

 private:
  struct line_state {
    float goal = 0.f;   // set time in samples (at twice the rate)
    float delay = 0.f;  // gliding time in samples
    float high = 0.f, low = 0.f;  // feedback filter states
    float peak = 0.f;
  };

  // One stereo frame at twice the rate: x holds the input and receives the output.
  void core(float* x, float* const* buf, int mask, int m) {
    if (smooth_.active()) {
      smooth_.tick();
      derive();
    }
    float p[2];
    advance(p);
    const float lfo[2] = {lfo_shape(p[0]), lfo_shape(p[1])};
    activity_ += std::fabs(lfo[0]);
    run_lines(x, buf, mask, m, lfo);
  }

  // The LFO phase one step on, and each line's phase.
  void advance(float* p) {
    phase_ += increment_;
    if (phase_ >= 1.f) phase_ -= 1.f;
    if (offset_now_ != offset_) {
      // The right line's read position moves at most a quarter sample per
      // sample while "Width" changes, however deep the modulation.
      const float limit = 0.25f / (2.f * excursion_ + 1.f);
      offset_now_ += std::clamp(offset_ - offset_now_, -limit, limit);
    }
    for (int c = 0; c < 2; ++c) {
      p[c] = phase_ + (c ? offset_now_ : 0.f);
      if (p[c] >= 1.f) p[c] -= 1.f;
    }
  }

  // lfo_ for the next `steps` steps (nothing gliding), and their activity.
  void prepare_lfo(int steps) {
    float (&p)[2][2 * lfo_chunk] = lfo_;  // phases first, shaped in place
    for (int j = 0; j < steps; ++j) {
      float q[2];
      advance(q);
      p[0][j] = q[0];
      p[1][j] = q[1];
    }
    for (int c = 0; c < 2; ++c) shape_lfo(p[c], steps);
    for (int j = 0; j < steps; ++j) activity_ += std::fabs(lfo_[0][j]);
  }

  // lfo_shape over v[0, n) in place: four at a time with SSE2, lane by lane
  // the same operations.
  void shape_lfo(float* v, int n) const {
    int j = 0;
#if defined(__SSE2__)
    const __m128 one = _mm_set1_ps(1.f), half = _mm_set1_ps(0.5f), sign = _mm_set1_ps(-0.f);
    const __m128 blend = _mm_set1_ps(2.f * shape_), squash = _mm_set1_ps(squash_);
    const __m128 lift = _mm_set1_ps(1.f + squash_);
    const bool rounded = !(shape_ <= 0.5f);
    for (; j + 4 <= n; j += 4) {
      const __m128 p = _mm_loadu_ps(v + j);
      // sine_cycle(p), as parabolic_sine(2 p - 1).
      const __m128 h = _mm_mul_ps(_mm_sub_ps(_mm_mul_ps(_mm_set1_ps(2.f), p), one), half);
      const __m128 y = _mm_mul_ps(_mm_sub_ps(_mm_set1_ps(8.f), _mm_mul_ps(_mm_andnot_ps(sign, h), _mm_set1_ps(16.f))), h);
      const __m128 bend = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(_mm_andnot_ps(sign, y), one), _mm_set1_ps(0.216f)), one);
      const __m128 s = _mm_xor_ps(_mm_mul_ps(bend, y), sign);
      __m128 out;
      if (rounded) {
        out = _mm_div_ps(_mm_mul_ps(s, lift), _mm_add_ps(_mm_andnot_ps(sign, s), squash));
      } else {
        __m128 q = _mm_add_ps(p, _mm_set1_ps(0.25f));
        q = _mm_sub_ps(q, _mm_and_ps(_mm_cmpge_ps(q, one), one));
        const __m128 tri = _mm_sub_ps(one, _mm_mul_ps(_mm_set1_ps(4.f), _mm_andnot_ps(sign, _mm_sub_ps(q, half))));
        out = _mm_add_ps(tri, _mm_mul_ps(_mm_sub_ps(s, tri), blend));
      }
      _mm_storeu_ps(v + j, out);
    }
#endif
    for (; j < n; ++j) v[j] = lfo_shape(v[j]);
  }

  // The values a step reads that only a glide changes.
  struct step_values {
    float glide, excursion, gh, kh, gl, kl, meter_decay, fb, wet, dry;
  };
  step_values values() const { return {glide_, excursion_, gh_, kh_, gl_, kl_, meter_decay_, fb_, wet_, dry_}; }

  // The lines' reads, filters and writes for one step, each line's LFO value given.
  void run_lines(float* x, float* const* buf, int mask, int m, const float* lfo) {
    line_step(l_, x, buf, w_, mask, m, lfo, values());
  }

  // Frames [at, at + n) with nothing gliding (the LFO of their steps in
  // lfo_): the same steps as the frame by frame path, with every step's
  // read position (the time's glide and the LFO, not the signal) worked out
  // ahead, so that what remains per step is a short chain of reads, filters
  // and writes; on copies of the states that the compiler can keep in
  // registers (the writes into the lines could otherwise alias every member).
  void run_steady(const io& b, int at, int n, float* const* buf, int mask, int m, bool replace) {
    line_state l[2] = {l_[0], l_[1]};
    oversampler_2x os[2] = {os_[0], os_[1]};
    int w = w_;
    const step_values v = values();
    line_reads reads[2];
    for (int c = 0; c < 2; ++c) positions(l[c], lfo_[c], 2 * n, mask, v, reads[c]);
#if defined(__SSE2__)
    // The four allpass chains of each direction side by side: left branch
    // A, left B, right A, right B.
    quad_chain up(os[0].up.f, os[1].up.f), down(os[0].down.f, os[1].down.f);
#endif
    for (int i = 0; i < n; ++i) {
      float even[2], odd[2];
#if defined(__SSE2__)
      alignas(16) float q[4];
      _mm_store_ps(q, up.run(_mm_setr_ps(b.in[0][at + i], b.in[0][at + i], b.in[1][at + i], b.in[1][at + i])));
      even[0] = q[0];
      odd[0] = q[1];
      even[1] = q[2];
      odd[1] = q[3];
#else
      for (int c = 0; c < 2; ++c) os[c].up.run(b.in[c][at + i], even[c], odd[c]);
#endif
      for (int j = 2 * i; j < 2 * i + 2; ++j) {
        const read_at r[2] = {{reads[0].whole[j], reads[0].weight[j]}, {reads[1].whole[j], reads[1].weight[j]}};
        filter_write(l, j == 2 * i ? even : odd, buf, w, mask, m, r, v);
      }
#if defined(__SSE2__)
      _mm_store_ps(q, down.run(_mm_setr_ps(odd[0], even[0], odd[1], even[1])));
      put(b.out[0], at + i, 0.5f * (q[0] + q[1]), replace);
      put(b.out[1], at + i, 0.5f * (q[2] + q[3]), replace);
#else
      for (int c = 0; c < 2; ++c) put(b.out[c], at + i, os[c].down.run(even[c], odd[c]), replace);
#endif
    }
#if defined(__SSE2__)
    up.store(os[0].up.f, os[1].up.f);
    down.store(os[0].down.f, os[1].down.f);
#endif
    for (int c = 0; c < 2; ++c) {
      l_[c] = l[c];
      os_[c] = os[c];
    }
    w_ = w;
  }

#if defined(__SSE2__)
  // Two channels' half-band branch pairs as four lanes (left A, left B,
  // right A, right B): each lane the sections of allpass_section::run.
  struct quad_chain {
    __m128 a[3], s[3];
    quad_chain(const half_band_branches& left, const half_band_branches& right) {
      for (int j = 0; j < 3; ++j) {
        a[j] = _mm_setr_ps(left.a[j].a, left.b[j].a, right.a[j].a, right.b[j].a);
        s[j] = _mm_setr_ps(left.a[j].s, left.b[j].s, right.a[j].s, right.b[j].s);
      }
    }
    __m128 run(__m128 x) {
      for (int j = 0; j < 3; ++j) {
        const __m128 t = _mm_mul_ps(_mm_sub_ps(x, s[j]), a[j]);
        const __m128 y = _mm_add_ps(s[j], t);
        s[j] = _mm_add_ps(x, t);
        x = y;
      }
      return x;
    }
    void store(half_band_branches& left, half_band_branches& right) const {
      for (int j = 0; j < 3; ++j) {
        alignas(16) float v[4];
        _mm_store_ps(v, s[j]);
        left.a[j].s = v[0];
        left.b[j].s = v[1];
        right.a[j].s = v[2];
        right.b[j].s = v[3];
      }
    }
  };
#endif

  // Where a line reads in a step: the whole samples back and the weight of
  // the older neighbour.
  struct read_at {
    int whole;
    float weight;
  };

  // A line's time one step along its glide towards goal.
  static float glided(float delay, float goal, float glide) {
    float step = (goal - delay) * glide;
    step = step > max_glide ? max_glide : (step < -max_glide ? -max_glide : step);
    return delay + step;
  }

  // The read position at a time of `delay` samples and the LFO value lfo.
  static read_at read_position(float delay, float lfo, int mask, float excursion) {
    float d = delay + excursion * (1.f + lfo);
    d = d < 1.f ? 1.f : (d > float(mask - 3) ? float(mask - 3) : d);
    const int di = int(d);
    const float phi = d - float(di);
    // Raised-cosine weight 0.5 - 0.5 cos(pi phi); cos(pi phi) = parabolic_sine(phi - 0.5).
    return {di, 0.5f - 0.5f * parabolic_sine(phi - 0.5f)};
  }

  // One line's time one step along its glide, and its read position there.
  static read_at position(line_state& st, float lfo, int mask, const step_values& k) {
    st.delay = glided(st.delay, st.goal, k.glide);
    return read_position(st.delay, lfo, mask, k.excursion);
  }

  // A line's read positions for a chunk's steps.
  struct line_reads {
    int whole[2 * lfo_chunk];
    float weight[2 * lfo_chunk];
  };

  // position() for the first `steps` steps of one line, lfo its LFO values:
  // the glide's recursion first, then the reads, four steps to a register
  // with lane by lane the same operations. A glide at rest (a step that
  // leaves the time's bits as they are) stays there: every later step
  // computes the same.
  static void positions(line_state& st, const float* lfo, int steps, int mask, const step_values& k,
                        line_reads& out) {
    float delay[2 * lfo_chunk];
    float now = st.delay;
    for (int j = 0; j < steps; ++j) {
      const float next = glided(now, st.goal, k.glide);
      if (std::bit_cast<uint32_t>(next) == std::bit_cast<uint32_t>(now)) {
        std::fill(delay + j, delay + steps, now);
        break;
      }
      delay[j] = now = next;
    }
    st.delay = now;
    int j = 0;
#if defined(__SSE2__)
    const __m128 one = _mm_set1_ps(1.f), half = _mm_set1_ps(0.5f), sign = _mm_set1_ps(-0.f);
    const __m128 excursion = _mm_set1_ps(k.excursion), top = _mm_set1_ps(float(mask - 3));
    for (; j + 4 <= steps; j += 4) {
      __m128 d = _mm_add_ps(_mm_loadu_ps(delay + j), _mm_mul_ps(excursion, _mm_add_ps(one, _mm_loadu_ps(lfo + j))));
      d = _mm_min_ps(top, _mm_max_ps(one, d));  // (1 > d ? 1 : d), then (top < d ? top : d)
      const __m128i whole = _mm_cvttps_epi32(d);
      // parabolic_sine(phi - 0.5)
      const __m128 h = _mm_mul_ps(_mm_sub_ps(_mm_sub_ps(d, _mm_cvtepi32_ps(whole)), half), half);
      const __m128 y = _mm_mul_ps(_mm_sub_ps(_mm_set1_ps(8.f), _mm_mul_ps(_mm_andnot_ps(sign, h), _mm_set1_ps(16.f))), h);
      const __m128 bend = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(_mm_andnot_ps(sign, y), one), _mm_set1_ps(0.216f)), one);
      const __m128 cosine = _mm_xor_ps(_mm_mul_ps(bend, y), sign);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out.whole + j), whole);
      _mm_storeu_ps(out.weight + j, _mm_sub_ps(half, _mm_mul_ps(half, cosine)));
    }
#endif
    for (; j < steps; ++j) {
      const read_at r = read_position(delay[j], lfo[j], mask, k.excursion);
      out.whole[j] = r.whole;
      out.weight[j] = r.weight;
    }
  }

  static void line_step(line_state* l, float* x, float* const* buf, int& w_pos, int mask, int m, const float* lfo,
                        const step_values& k) {
    const read_at r[2] = {position(l[0], lfo[0], mask, k), position(l[1], lfo[1], mask, k)};
    filter_write(l, x, buf, w_pos, mask, m, r, k);
  }

  // The lines' reads at r, filters and writes for one step.
  static void filter_write(line_state* l, float* x, float* const* buf, int& w_pos, int mask, int m, const read_at* r,
                           const step_values& k) {
    const int w = w_pos;
    float y[2];
    for (int c = 0; c < 2; ++c) {
      line_state& st = l[c];
      const float a = buf[c][(w - r[c].whole) & mask], bb = buf[c][(w - r[c].whole - 1) & mask];
      const float v = r[c].weight * (bb - a) + a;
      const float lp = (k.gh * v + st.high) * k.kh;
      st.high = (v - lp) * k.gh + lp;
      const float t = lp;  // unity gain between the two filters
      const float lp2 = (k.gl * t + st.low) * k.kl;
      st.low = (t - lp2) * k.gl + lp2;
      y[c] = t - lp2;
      const float ay = std::fabs(y[c]);
      st.peak = ay > st.peak * k.meter_decay ? ay : st.peak * k.meter_decay;
    }
    // Write the input, then add the feedback of the routing.
    switch (m) {
      case 1:  // Cross
        buf[0][w] = without_denormal(x[0] + k.fb * y[1]);
        buf[1][w] = without_denormal(x[1] + k.fb * y[0]);
        break;
      case 2:  // Ping-pong
        buf[0][w] = without_denormal(0.5f * (x[0] + x[1]) + k.fb * y[1]);
        buf[1][w] = without_denormal(k.fb * y[0]);
        break;
      default:
        buf[0][w] = without_denormal(x[0] + k.fb * y[0]);
        buf[1][w] = without_denormal(x[1] + k.fb * y[1]);
    }
    w_pos = (w + 1) & mask;
    for (int c = 0; c < 2; ++c) x[c] = k.wet * y[c] + k.dry * x[c];
  }

  // Triangle (shape 0) to sine (0.5) to a rounded square (1), in -1..1.
  float lfo_shape(float p) const {
    const float s = sine_cycle(p);
    float q = p + 0.25f;
    if (q >= 1.f) q -= 1.f;
    const float tri = 1.f - 4.f * std::fabs(q - 0.5f);
    if (shape_ <= 0.5f) return tri + (s - tri) * (2.f * shape_);
    return s * (1.f + squash_) / (std::fabs(s) + squash_);
  }

  // The rounding of the square side of the LFO shape.
  static float squash_of(float shape) {
    const float q = 2.f * shape - 1.f;
    return 0.05f + 20.f * cube(1.f - (q > 0.f ? q : 0.f));
  }

  // The values that follow the gliding ones.
  void derive() {
    kh_ = 1.f / (1.f + gh_);
    kl_ = 1.f / (1.f + gl_);
    squash_ = squash_of(shape_);
  }

  void update() override {
    if (rc_.rate <= 0.f) return;
    const float hi = 2.f * rc_.rate;
    l_[0].goal = time_seconds(value(left)) * hi;
    l_[1].goal = time_seconds(value(right)) * hi;
    smooth_.set(&fb_, 0.98f * (2.f * value(feedback) - 1.f));
    const float fh = high_cut_hz(value(high_cut)), fl = low_cut_hz(value(low_cut));
    smooth_.set(&gh_, synth::one_pole_g(fh < 0.45f * hi ? fh : 0.45f * hi, hi));
    smooth_.set(&gl_, synth::one_pole_g(fl, hi));
    smooth_.set(&increment_, rate_hz(value(rate)) / hi);
    smooth_.set(&offset_, value(width) * 0.5f);
    smooth_.set(&shape_, value(shape));
    derive();
    smooth_.set(&excursion_, value(depth) * value(depth) * max_excursion_seconds * hi);
    smooth_.set(&wet_, value(mix));
    smooth_.set(&dry_, 1.f - value(mix));
  }

  std::unique_ptr<line_storage> lines_;
  oversampler_2x os_[2];
  line_state l_[2];
  int w_ = 0;
  float phase_ = 0.f, increment_ = 0.f, offset_ = 0.f, shape_ = 0.5f, squash_ = 20.f;
  float offset_now_ = 0.f;  // the right LFO's offset on its way to offset_
  float excursion_ = 0.f, wet_ = 0.5f, dry_ = 0.5f, fb_ = 0.f;
  float gh_ = 0.f, kh_ = 1.f, gl_ = 0.f, kl_ = 1.f;
  float glide_ = 1.f, meter_decay_ = 0.f, activity_ = 0.f;
  float lfo_[2][2 * lfo_chunk] = {};  // each line's LFO for the steps of a chunk
  platform::relaxed<float> peak_meter_[2] = {0.f, 0.f};
  platform::relaxed<float> mod_meter_{0.f};
};

}  // namespace

std::unique_ptr<effect> make_mdelay() { return std::make_unique<mdelay>(); }

}  // namespace fx
