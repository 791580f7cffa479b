#include "synth/dsp/osc_control.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "synth/dsp/exp2.h"
#include "synth/dsp/osc_control_lanes.h"
#include "synth/dsp/sse2_ops.h"
#include "synth/dsp/svf_lanes.h"

namespace synth {

namespace {

// log2 of note 0's frequency, made once.
const float log2_note0 = float(std::log2(double(note0_hz)));

float clamp_unit(float x) { return x > 0.f ? (x < 1.f ? x : 1.f) : 0.f; }

// hz times the sample period (1 / rate, made once per tick): a product
// instead of a division on the way from the pitch to the increment, which the
// next sample waits on. It differs from hz / rate by at most one unit in the
// last place, a few millionths of a cent.
float clamp_increment(float hz, float period) {
  float inc = hz * period;
  if (!(inc == inc)) return 0.f;
  return std::clamp(inc, -max_increment, max_increment);
}

double clamp_step(double d, double r) { return d > r ? r : (d < -r ? -r : d); }

// A's frequency before XMod at a common pitch modulation u.
float hz_a_of(const osc_control_inputs& in, float base, int32_t u) {
  return base * pitch_ratio(u) * in.tune_1 * in.tune_2;
}

// A's width w (-1..1, modulation summed) as a pending width and a PCM start.
float pending_width_of(float w) { return clamp_unit((w + 1.f) * 0.5f); }
float width_a_of(const osc_control_inputs& in, float width_mod) { return width_mod * width_mod_scale + in.width_a; }

// The frequency `octaves` above note 0, held to 0 .. half the rate.
float octaves_hz(float octaves, float sample_rate) {
  const float hz = exp2_fast(octaves) * note0_hz;
  return std::clamp(hz, 0.f, sample_rate * 0.5f);
}

// note_hz, kept with its exponent (see glide_state::memo_octaves).
float memo_note_hz(glide_state& g, double semitones, float sample_rate) {
  if (semitones != g.memo_semitones || sample_rate != g.memo_rate) {
    g.memo_semitones = semitones;
    g.memo_rate = sample_rate;
    const float octaves = float(semitones / 12.0);
    g.memo_hz = octaves_hz(octaves, sample_rate);
    g.memo_octaves = g.memo_hz < sample_rate * 0.5f ? octaves : std::numeric_limits<float>::quiet_NaN();
  }
  return g.memo_hz;
}

}  // namespace

float note_hz(double semitones, float sample_rate) { return octaves_hz(float(semitones / 12.0), sample_rate); }

float b_tuning_ratio(float coarse, float fine) { return exp2_fast((coarse + fine) / 12.f); }

bool glide_in_hz(int32_t mode) { return mode == glide_mode::log_hz || mode == glide_mode::linear_hz; }

double glide_ticks(float time_value, float control_rate) {
  const double v = time_value > 0.f ? time_value : 0.f;
  return (v * v * v * v * 4.0 + 0.001) * double(control_rate);
}

void glide_set_time(glide_state& g, float time_value, float control_rate) {
  g.ticks = std::max(glide_ticks(time_value, control_rate), 1.0);
  g.coefficient = 1.0 - std::pow(0.01, 1.0 / g.ticks);
  g.enabled = time_value > 0.f;
}

double glide_position_of(int32_t mode, float pitch, float offset, float sample_rate) {
  return glide_in_hz(mode) ? double(note_hz(double(pitch) + offset, sample_rate)) : double(pitch);
}

void glide_start(glide_state& g, double from, float pitch, float offset, float sample_rate) {
  g.position = from;
  if (g.mode == glide_mode::linear) {
    g.step = 12.0 / g.ticks;  // an octave per glide time
  } else if (g.mode == glide_mode::linear_hz) {
    const double target = note_hz(double(pitch) + offset, sample_rate);
    g.step = std::fabs(target - from) / g.ticks;  // the whole distance in the glide time
  }
}

void glide_set_mode(glide_state& g, int32_t mode, float pitch, float offset, float sample_rate) {
  mode = std::clamp(mode, 0, glide_mode::count - 1);
  if (mode == g.mode) return;
  const bool was_hz = glide_in_hz(g.mode), now_hz = glide_in_hz(mode);
  g.mode = mode;
  if (!(sample_rate > 0.f)) return;
  if (now_hz && !was_hz)
    g.position = double(note_hz(g.position + double(offset), sample_rate));
  else if (was_hz && !now_hz)
    g.position = g.position > 0.0 ? 12.0 * std::log2(g.position / double(note0_hz)) - double(offset) : double(pitch);
  // The exponential modes keep no step; a linear one coming after them
  // would otherwise stand still.
  if (mode == glide_mode::linear || mode == glide_mode::linear_hz) glide_start(g, g.position, pitch, offset, sample_rate);
}

float glide_tick(glide_state& g, float pitch, float offset, float sample_rate, float& octaves) {
  const double p = pitch;
  if (!g.enabled || g.mode <= glide_mode::off || g.mode >= glide_mode::count) {
    const float hz = memo_note_hz(g, p + offset, sample_rate);
    g.position = glide_in_hz(g.mode) ? double(hz) : p;
    octaves = g.memo_octaves;
    return hz;
  }
  switch (g.mode) {
    case glide_mode::log:
    case glide_mode::linear: {
      double& pos = g.position;
      pos += g.mode == glide_mode::log ? (p - pos) * g.coefficient : clamp_step(p - pos, g.step);
      if (std::fabs(p - pos) <= glide_snap_semitones) pos = p;
      const float hz = memo_note_hz(g, pos + offset, sample_rate);
      octaves = g.memo_octaves;
      return hz;
    }
    default: {
      octaves = std::numeric_limits<float>::quiet_NaN();
      const double target = memo_note_hz(g, p + offset, sample_rate);
      double& h = g.position;
      if (g.mode == glide_mode::log_hz) {
        h += (target - h) * g.coefficient;
        if (std::fabs(target - h) <= glide_snap_hz) h = target;
      } else {
        h += clamp_step(target - h, g.step);
      }
      return float(h);
    }
  }
}

bool glide_settled(const glide_state& g, float pitch, float offset) {
  if (!g.enabled || g.mode <= glide_mode::off || g.mode >= glide_mode::count) return true;
  if (!glide_in_hz(g.mode)) return g.position == double(pitch);
  // In Hz the target is the memo of the held pitch, when it is that pitch's.
  return g.memo_semitones == double(pitch) + offset && g.position == double(g.memo_hz);
}

float xmod_modulator(xmod_state& s, int32_t setting, float out_a, float out_b, float sample_rate) {
  if (!xmod_on(setting)) return 0.f;
  const float x = (xmod_uses_a(setting) ? out_a : 0.f) + (xmod_uses_b(setting) ? out_b : 0.f);
  if (xmod_kind_of(setting) < xmod_kind::derivative_pitch) return x;
  const float previous = s.primed ? s.previous : x;  // the first derivative is 0
  s.previous = x;
  s.primed = true;
  return (x - previous) * sample_rate / xmod_derivative_rate;
}

float apply_xmod(float hz, int32_t setting, float u, bool self) {
  if (!xmod_on(setting)) return hz;
  switch (xmod_kind_of(setting)) {
    case xmod_kind::pitch: return hz * exp2_fast(xmod_pitch_octaves * u);
    case xmod_kind::derivative_pitch: return hz * exp2_fast(xmod_derivative_pitch_octaves * u);
    case xmod_kind::hz: return hz + (self ? xmod_hz * xmod_self_scale : xmod_hz) * u;
    default: return hz + (self ? xmod_derivative_hz * xmod_derivative_self_scale : xmod_derivative_hz) * u;
  }
}

namespace {

// B's keytracked frequency (before its ratio) from A's held pitch in octaves
// above note 0; the last result stands while its inputs do.
float keytracked_from(keytrack_memo& m, float octaves_held, int32_t pitch_mod, float keytrack, float sample_rate) {
  if (octaves_held == m.octaves_held && pitch_mod == m.pitch_mod && keytrack == m.keytrack &&
      sample_rate == m.sample_rate && m.sample_rate != 0.f)
    return m.hz;
  // In octaves above note 0: A's pitch a, then (a - 5) k + 5 around middle
  // C (note 60, five octaves up).
  constexpr float middle_c_octaves = 5.f;
  constexpr float octaves_per_unit = 1.f / 8192.f;
  const float a = octaves_held + float(pitch_mod) * octaves_per_unit;
  m.hz = octaves_hz((a - middle_c_octaves) * keytrack + middle_c_octaves, sample_rate);
  m.octaves_held = octaves_held;
  m.pitch_mod = pitch_mod;
  m.keytrack = keytrack;
  m.sample_rate = sample_rate;
  return m.hz;
}

}  // namespace

float keytracked_hz(keytrack_memo& m, float hz_held, int32_t pitch_mod, float keytrack, float sample_rate) {
  if (!(hz_held == m.hz_held)) {
    m.hz_held = hz_held;
    m.hz_octaves = log2_fast(std::max(hz_held, 1e-6f)) - log2_note0;
  }
  return keytracked_from(m, m.hz_octaves, pitch_mod, keytrack, sample_rate);
}

float keytracked_octaves(keytrack_memo& m, float base_octaves, float tunings, int32_t pitch_mod, float keytrack,
                         float sample_rate) {
  if (!(tunings == m.tunings)) {
    m.tunings = tunings;
    m.tunings_octaves = log2_fast(std::max(tunings, 1e-6f));
  }
  return keytracked_from(m, base_octaves + m.tunings_octaves, pitch_mod, keytrack, sample_rate);
}

namespace {

// The frequencies and increments of both oscillators into `r` from the
// glided base frequency and B's ratio.
void tune_oscillators(osc_control_state& s, const osc_control_inputs& in, float base, float base_octaves,
                      float ratio_b, float sample_rate, float period, osc_control_result& r) {
  // Oscillator A.
  r.hz_a = hz_a_of(in, base, in.pitch_mod);
  const float hz_a = apply_xmod(r.hz_a, in.xmod_setting, in.xmod_a, xmod_uses_a(in.xmod_setting));
  r.increment_a = clamp_increment(hz_a, period);

  // Oscillator B: fixed at middle C, following A, or keytracked around middle C.
  if (in.keytrack_b == 0.f)
    r.hz_b = ratio_b * middle_c_hz;
  else if (in.keytrack_b == 1.f)
    r.hz_b = ratio_b * r.hz_a;
  else if (base_octaves == base_octaves)
    r.hz_b = ratio_b * keytracked_octaves(s.keytrack, base_octaves, in.tune_1 * in.tune_2, in.pitch_mod,
                                          in.keytrack_b, sample_rate);
  else
    r.hz_b = ratio_b * keytracked_hz(s.keytrack, base * in.tune_1 * in.tune_2, in.pitch_mod, in.keytrack_b,
                                     sample_rate);
  const float hz_b = apply_xmod(r.hz_b, in.xmod_setting, in.xmod_b, xmod_uses_b(in.xmod_setting));
  r.increment_b = clamp_increment(hz_b, period);
}

}  // namespace

void osc_control_tick(osc_control_state& s, const osc_control_inputs& in, float sample_rate, osc_control_result& r) {
  float octaves;
  const float base = glide_tick(s.glide, in.pitch, in.offset, sample_rate, octaves);
  const float ratio_b = pitch_ratio(in.detune_b_mod) * in.tuning_b;
  r.base = base;
  r.base_octaves = octaves;
  r.ratio_b = ratio_b;
  tune_oscillators(s, in, base, octaves, ratio_b, sample_rate, 1.f / sample_rate, r);
  osc_control_rewidth(in, r);
  r.pending_width_b = pending_width_of(in.width_b);
  r.pcm_start_b = clamp_unit(in.width_b);
}

void osc_control_retune(osc_control_state& s, const osc_control_inputs& in, float sample_rate, float period,
                        osc_control_result& r) {
  const float ratio_b = pitch_ratio(in.detune_b_mod) * in.tuning_b;
  r.ratio_b = ratio_b;
  tune_oscillators(s, in, r.base, r.base_octaves, ratio_b, sample_rate, period, r);
}

void osc_control_reglide(osc_control_state& s, const osc_control_inputs& in, float sample_rate, float period,
                         osc_control_result& r) {
  r.base = glide_tick(s.glide, in.pitch, in.offset, sample_rate, r.base_octaves);
  osc_control_retune(s, in, sample_rate, period, r);
}

void osc_control_rewidth(const osc_control_inputs& in, osc_control_result& r) {
  const float w = width_a_of(in, in.width_mod);
  r.pending_width_a = pending_width_of(w);
  r.pcm_start_a = clamp_unit(w);
}

#if defined(__SSE2__)

namespace {

// The scalar steps above, four samples to a register: the same float
// operations in the same order, so the same numbers.

// pitch_ratio of four pitches. The whole octaves, (u + 64) >> 13 taken in 64
// bits there, are (u >> 13) plus the carry of (u & 8191) + 64, which cannot
// overflow.
__m128 pitch_ratio_ps(__m128i u) {
  alignas(16) int32_t k[4];
  const __m128i entry = _mm_and_si128(_mm_add_epi32(_mm_srai_epi32(u, 6), _mm_set1_epi32(1)), _mm_set1_epi32(127));
  _mm_store_si128(reinterpret_cast<__m128i*>(k), entry);
  const float* t = exp2_table;
  const __m128 below = _mm_setr_ps(t[k[0]], t[k[1]], t[k[2]], t[k[3]]);
  const __m128 above = _mm_setr_ps(t[k[0] + 1], t[k[1] + 1], t[k[2] + 1], t[k[3] + 1]);
  const __m128 f = _mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(u, _mm_set1_epi32(63))), _mm_set1_ps(1.f / 64.f));
  const __m128 within = _mm_add_ps(below, _mm_mul_ps(_mm_sub_ps(above, below), f));
  const __m128i carry = _mm_srli_epi32(_mm_add_epi32(_mm_and_si128(u, _mm_set1_epi32(8191)), _mm_set1_epi32(64)), 13);
  __m128i e = _mm_add_epi32(_mm_srai_epi32(u, 13), carry);
  const __m128i low = _mm_set1_epi32(-126), high = _mm_set1_epi32(127);
  e = sse2::select_epi32(_mm_cmplt_epi32(e, low), low, e);  // pow2_int's normal range
  e = sse2::select_epi32(_mm_cmpgt_epi32(e, high), high, e);
  const __m128 octaves = _mm_castsi128_ps(_mm_slli_epi32(_mm_add_epi32(e, _mm_set1_epi32(127)), 23));
  return _mm_mul_ps(within, octaves);
}

// clamp_increment: a NaN gives 0 (the ordered mask), else clamped to
// +-max_increment (min and max agree with std::clamp on numbers).
__m128 clamp_increment_ps(__m128 hz, __m128 period) {
  const __m128 inc = _mm_mul_ps(hz, period);
  const __m128 limited = _mm_min_ps(_mm_max_ps(inc, _mm_set1_ps(-max_increment)), _mm_set1_ps(max_increment));
  return _mm_and_ps(_mm_cmpord_ps(inc, inc), limited);
}

// clamp_unit: above 0 (a NaN is not) the lesser of x and 1, else 0.
__m128 clamp_unit_ps(__m128 x) {
  return _mm_and_ps(_mm_cmpgt_ps(x, _mm_setzero_ps()), _mm_min_ps(x, _mm_set1_ps(1.f)));
}

}  // namespace

#endif  // __SSE2__

void osc_control_repitch_block(const osc_control_inputs& in, float period, const int32_t* pitch_mod,
                               const int32_t* width_mod, int n, osc_control_result& r, osc_control_run& out) {
  // Locals, so that the stores into `out` need not reload them.
  const bool follows = in.keytrack_b == 1.f;
  const osc_control_inputs held = in;
  const float base = r.base, ratio_b = r.ratio_b, increment_b = r.increment_b;
  int i = 0;
  // Eight at a time where the lanes run their AVX2 kernels, the rest four
  // at a time and one by one.
  if (svf_lanes::active_kernel() == svf_lanes::kernel::avx2) {
    const osc_control_lanes::held h{base,   held.tune_1, held.tune_2,   period,
                                    ratio_b, increment_b, held.width_a, follows};
    i = osc_control_lanes::detail::repitch_avx2(h, pitch_mod, width_mod, n, out);
  }
#if defined(__SSE2__)
  const __m128 base4 = _mm_set1_ps(base), tune_1 = _mm_set1_ps(held.tune_1), tune_2 = _mm_set1_ps(held.tune_2);
  const __m128 period4 = _mm_set1_ps(period), ratio_b4 = _mm_set1_ps(ratio_b), held_b = _mm_set1_ps(increment_b);
  const __m128 width_scale = _mm_set1_ps(width_mod_scale), width_a = _mm_set1_ps(held.width_a);
  for (; i + 4 <= n; i += 4) {
    const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pitch_mod + i));
    const __m128 hz = _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(base4, pitch_ratio_ps(u)), tune_1), tune_2);
    _mm_storeu_ps(out.increment_a + i, clamp_increment_ps(hz, period4));
    _mm_storeu_ps(out.increment_b + i, follows ? clamp_increment_ps(_mm_mul_ps(ratio_b4, hz), period4) : held_b);
    const __m128i wm = _mm_loadu_si128(reinterpret_cast<const __m128i*>(width_mod + i));
    const __m128 w = _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(wm), width_scale), width_a);
    const __m128 pending = _mm_mul_ps(_mm_add_ps(w, _mm_set1_ps(1.f)), _mm_set1_ps(0.5f));
    _mm_storeu_ps(out.pending_width_a + i, clamp_unit_ps(pending));
    _mm_storeu_ps(out.pcm_start_a + i, clamp_unit_ps(w));
  }
#endif
  for (; i < n; ++i) {
    const float hz = hz_a_of(held, base, pitch_mod[i]);
    out.increment_a[i] = clamp_increment(hz, period);
    out.increment_b[i] = follows ? clamp_increment(ratio_b * hz, period) : increment_b;
    const float w = width_a_of(held, float(width_mod[i]));
    out.pending_width_a[i] = pending_width_of(w);
    out.pcm_start_a[i] = clamp_unit(w);
  }
  if (n <= 0) return;
  const int last = n - 1;
  r.hz_a = hz_a_of(in, r.base, pitch_mod[last]);
  r.increment_a = out.increment_a[last];
  if (follows) {
    r.hz_b = r.ratio_b * r.hz_a;
    r.increment_b = out.increment_b[last];
  }
  r.pending_width_a = out.pending_width_a[last];
  r.pcm_start_a = out.pcm_start_a[last];
}

bool osc_control_repitch(const osc_control_inputs& in, float period, osc_control_result& r) {
  if (xmod_on(in.xmod_setting) || !(in.keytrack_b == 0.f || in.keytrack_b == 1.f)) return false;
  r.hz_a = r.base * pitch_ratio(in.pitch_mod) * in.tune_1 * in.tune_2;
  r.increment_a = clamp_increment(r.hz_a, period);
  if (in.keytrack_b == 1.f) {
    r.hz_b = r.ratio_b * r.hz_a;
    r.increment_b = clamp_increment(r.hz_b, period);
  }
  return true;
}

}  // namespace synth
