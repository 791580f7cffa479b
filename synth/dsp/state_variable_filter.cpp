#include "synth/dsp/state_variable_filter.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

namespace synth {

namespace {

// "Mode" 1..4 (and 5..8) in menu order to the mode index.
constexpr int32_t mode_of_menu[4] = {state_variable_filter::low, state_variable_filter::high,
                                     state_variable_filter::band, state_variable_filter::notch};

// Cutoff modulation by FMod: the smoothed mixer value in cutoff units, held
// to +-2^24 (far beyond the table) so the float conversion is always defined.
int32_t fmod_offset(float smoothed, float fmod) {
  constexpr float range = 16777216.f;
  float units = smoothed * fmod * state_variable_filter::fmod_cutoff_units;
  return int32_t(limit_or_low(units, -range, range));
}

}  // namespace

void state_variable_filter::init(const cutoff_table* table, float sample_rate) {
  table_ = table;
  set_sample_rate(sample_rate);
  cascade_ = false;
  saturating_ = false;
  mode_ = low;
  sat_ = {};
  cutoff_ = 0;
  f_ = table_->cutoff_coefficient(0);
  limit_ = svf::damping_limit(f_);
  q_ = std::min(svf::damping_from_resonance(0.f), limit_);
  reset();
  select();
}

void state_variable_filter::reset() {
  low_ = band_ = low2_ = band2_ = 0;
  smoother_.reset();
}

void state_variable_filter::set_mode(int32_t mode) {
  if (mode <= 0) return;
  cascade_ = mode > 4;
  mode_ = mode_of_menu[(mode - 1) & 3];
  select();
}

void state_variable_filter::trigger(filter_trigger kind) {
  if (kind == filter_trigger::none) return;
  reset();
  if (kind == filter_trigger::spike) band_ = svf::clamp24;
}

void state_variable_filter::set_coefficient(int32_t f, int32_t saturation) {
  f_ = f;
  limit_ = svf::damping_limit(f);
  if (saturating_) sat_.set(saturation, f);
}

void state_variable_filter::update(const filter_controls& c) {
  cutoff_ = (c.frequency >> 15) + (c.cutoff_mod >> 1);
  if (c.fmod == 0.f) {
    f_ = table_->cutoff_coefficient(cutoff_);
    limit_ = svf::damping_limit(f_);
  }
  bool saturating = c.saturation > 0;
  if (saturating != saturating_) {
    saturating_ = saturating;
    select();
  }
  // Under FMod, modulate sets the saturation again from the coefficient it
  // makes before the next sample is processed.
  if (saturating_ && c.fmod == 0.f) sat_.set(c.saturation, f_);
  if (c.qmod == 0.f) q_ = std::min(svf::damping_from_resonance(c.resonance), limit_);
}

void state_variable_filter::modulate(float mixer, const filter_controls& c) {
  if (c.fmod != 0.f) {
    float smoothed = smoother_.process(mixer);
    set_coefficient(table_->cutoff_coefficient(fmod_offset(smoothed, c.fmod) + cutoff_),
                    c.saturation);
  }
  if (c.qmod != 0.f) {
    // r in [0, 1] (NaN -> 0): the damping runs from 0 to 2.
    float r = limit_or_low(1.f - c.resonance + mixer * c.qmod, 0.f, 1.f);
    q_ = int32_t(r * 1073741824.f);
  }
  q_ = std::min(q_, limit_);
}

// Each smoother's chain runs apart from the others', so the order of the
// filters and samples is free. Four at a time the smoothers run in SSE
// lanes, one_pole_lowpass::process's float steps lane by lane with the
// state in a register, four samples of each read and written as whole rows;
// two such sets step side by side, one set's chain of dependent adds and
// multiplies overlapping the other's; the rest one by one.
#if defined(__SSE2__)
namespace {

template <int sets>
struct smoother_sets {
  one_pole_lowpass* p[sets][4];
  const float* in[sets][4];
  float* out[sets][4];
  __m128 g[sets], gain[sets], s[sets];

  smoother_sets(state_variable_filter* const* filters, one_pole_lowpass* (*smoother)(state_variable_filter*),
                const float* const* mixer, float* const* smoothed) {
    for (int t = 0; t < sets; ++t) {
      for (int l = 0; l < 4; ++l) {
        p[t][l] = smoother(filters[4 * t + l]);
        in[t][l] = mixer[4 * t + l];
        out[t][l] = smoothed[4 * t + l];
      }
      g[t] = _mm_setr_ps(p[t][0]->c.g, p[t][1]->c.g, p[t][2]->c.g, p[t][3]->c.g);
      gain[t] = _mm_setr_ps(p[t][0]->c.k, p[t][1]->c.k, p[t][2]->c.k, p[t][3]->c.k);
      s[t] = _mm_setr_ps(p[t][0]->s, p[t][1]->s, p[t][2]->s, p[t][3]->s);
    }
  }
  __m128 step(int t, __m128 x) {
    const __m128 lp = _mm_mul_ps(_mm_add_ps(_mm_mul_ps(g[t], x), s[t]), gain[t]);
    s[t] = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(x, lp), g[t]), lp);
    return lp;
  }
  void run(int n) {
    int i = 0;
    for (; i + 4 <= n; i += 4) {
      __m128 r[sets][4];
      for (int t = 0; t < sets; ++t) {
        for (int l = 0; l < 4; ++l) r[t][l] = _mm_loadu_ps(in[t][l] + i);
        _MM_TRANSPOSE4_PS(r[t][0], r[t][1], r[t][2], r[t][3]);
      }
      for (int k = 0; k < 4; ++k)
        for (int t = 0; t < sets; ++t) r[t][k] = step(t, r[t][k]);
      for (int t = 0; t < sets; ++t) {
        _MM_TRANSPOSE4_PS(r[t][0], r[t][1], r[t][2], r[t][3]);
        for (int l = 0; l < 4; ++l) _mm_storeu_ps(out[t][l] + i, r[t][l]);
      }
    }
    for (; i < n; ++i) {
      for (int t = 0; t < sets; ++t) {
        alignas(16) float lp[4];
        _mm_store_ps(lp, step(t, _mm_setr_ps(in[t][0][i], in[t][1][i], in[t][2][i], in[t][3][i])));
        for (int l = 0; l < 4; ++l) out[t][l][i] = lp[l];
      }
    }
    for (int t = 0; t < sets; ++t) {
      alignas(16) float state[4];
      _mm_store_ps(state, s[t]);
      for (int l = 0; l < 4; ++l) p[t][l]->s = state[l];
    }
  }
};

}  // namespace
#endif

one_pole_lowpass* state_variable_filter::fmod_smoother(state_variable_filter* f) { return &f->smoother_; }

void state_variable_filter::smooth_fmod(state_variable_filter* const* filters, const float* const* mixer,
                                        float* const* smoothed, int count, int n) {
  int k = 0;
#if defined(__SSE2__)
  for (; k + 8 <= count; k += 8) smoother_sets<2>(filters + k, &fmod_smoother, mixer + k, smoothed + k).run(n);
  for (; k + 4 <= count; k += 4) smoother_sets<1>(filters + k, &fmod_smoother, mixer + k, smoothed + k).run(n);
#endif
  for (; k < count; ++k) {
    one_pole_lowpass& p = filters[k]->smoother_;
    for (int i = 0; i < n; ++i) smoothed[k][i] = p.process(mixer[k][i]);
  }
}

void state_variable_filter::controls_block(const filter_controls& c, const int32_t* cutoff_mod, const uint8_t* due,
                                           const float* mixer, const float* smoothed, int n,
                                           const coefficient_run& out) {
  if (!smoothed && c.fmod == 0.f && c.qmod == 0.f) {
    held_controls_block(c, cutoff_mod, due, n, out);
    return;
  }
  if (!smoothed) {
    filter_controls now = c;
    for (int i = 0; i < n; ++i) {
      if (due[i]) {
        now.cutoff_mod = cutoff_mod[i];
        update(now);
      }
      if (c.fmod != 0.f || c.qmod != 0.f) modulate(mixer[i], now);
      record(out, i);
    }
    return;
  }
  // Under FMod alone: an update leaves the coefficient to modulate and sets
  // the damping from the resonance within the last limit; modulate makes
  // the coefficient, its limit and saturation from the smoothed mixer and
  // holds the damping within the new limit.
  const int32_t base = c.frequency >> 15;
  const int32_t q_resonance = svf::damping_from_resonance(c.resonance);
  for (int i = 0; i < n; ++i) {
    int32_t q = q_;
    if (due[i]) {
      cutoff_ = base + (cutoff_mod[i] >> 1);
      q = std::min(q_resonance, limit_);
    }
    set_coefficient(table_->cutoff_coefficient(fmod_offset(smoothed[i], c.fmod) + cutoff_), c.saturation);
    q_ = std::min(q, limit_);
    record(out, i);
  }
}

// Without FMod and QMod the coefficients change only at an update, and an
// update follows the cutoff alone once the block's first one has followed
// the saturation and the resonance (c holds through the block): it takes
// the coefficient, its limit, the saturation and the damping from the
// cutoff as update does, and a cutoff that has not moved leaves them as
// they are.
void state_variable_filter::held_controls_block(const filter_controls& c, const int32_t* cutoff_mod,
                                                const uint8_t* due, int n, const coefficient_run& out) {
  const int32_t base = c.frequency >> 15;
  const int32_t q_resonance = svf::damping_from_resonance(c.resonance);
  int i = 0;
  for (; i < n; ++i) {
    if (due[i]) {
      filter_controls now = c;
      now.cutoff_mod = cutoff_mod[i];
      update(now);
      record(out, i++);
      break;
    }
    record(out, i);
  }
  while (i < n) {
    // The samples up to the next update that moves the cutoff take the
    // coefficients as they are.
    int end = i;
    while (end < n && (!due[end] || base + (cutoff_mod[end] >> 1) == cutoff_)) ++end;
    std::fill(out.f + i, out.f + end, f_);
    std::fill(out.q + i, out.q + end, q_);
    std::fill(out.limit + i, out.limit + end, limit_);
    std::fill(out.sat_a + i, out.sat_a + end, sat_.a);
    std::fill(out.sat_bias + i, out.sat_bias + end, sat_.bias);
    if (end == n) break;
    cutoff_ = base + (cutoff_mod[end] >> 1);
    f_ = table_->cutoff_coefficient(cutoff_);
    limit_ = svf::damping_limit(f_);
    if (saturating_) sat_.set(c.saturation, f_);
    q_ = std::min(q_resonance, limit_);
    record(out, end);
    i = end + 1;
  }
}

// One sample of a variant on the filter's own state and coefficients.
template <int mode, bool cascade, bool saturate>
int32_t state_variable_filter::process_variant(state_variable_filter& s, int32_t input) {
  integrators st = s.state();
  int32_t y = step<mode, cascade, saturate>(st, input, s.f_, s.q_, s.limit_, s.sat_);
  s.set_state(st);
  return y;
}

// Entry mode_index + 4 * (24 dB) + 8 * (saturating).
const state_variable_filter::process_fn state_variable_filter::variants_[variant_count] = {
    &process_variant<low, false, false>,  &process_variant<band, false, false>,
    &process_variant<high, false, false>, &process_variant<notch, false, false>,
    &process_variant<low, true, false>,   &process_variant<band, true, false>,
    &process_variant<high, true, false>,  &process_variant<notch, true, false>,
    &process_variant<low, false, true>,   &process_variant<band, false, true>,
    &process_variant<high, false, true>,  &process_variant<notch, false, true>,
    &process_variant<low, true, true>,    &process_variant<band, true, true>,
    &process_variant<high, true, true>,   &process_variant<notch, true, true>,
};

}  // namespace synth
