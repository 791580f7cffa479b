// The voice's main filter: a fixed-point Chamberlin state-variable filter run
// twice per sample, in 12 dB and cascaded 24 dB forms, each as lowpass,
// bandpass, highpass or notch, linear or with a saturating integrator. The
// sixteen variants are separate functions picked from a table, so the
// per-sample path has no mode branches.
//
// Signal format: x and y hold 2^22 per unit (the voice feeds the mixer value
// through filter_input and multiplies the result by 4 before the shaper).
// Mode 0 ("bypass") is the caller's business: the voice skips process and
// sends the mixer value on at 2^24 per unit; set_mode(0) is ignored.
#pragma once

#include <cstdint>

#include "synth/dsp/cutoff_table.h"
#include "synth/dsp/one_pole.h"
#include "synth/dsp/svf_kernel.h"

namespace synth {

// The main filter's parameter values as the voice holds (and smooths) them.
struct filter_controls {
  int32_t frequency = 0;   // "Frequency": v * 2^29; cutoff units are frequency >> 15
  int32_t cutoff_mod = 0;  // keytrack + envelope + LFO sum; cutoff units are cutoff_mod >> 1
  int32_t saturation = 0;  // "Saturation": v * 2^31, 0 selects the linear forms
  float resonance = 0.f;   // resonance_curve("Resonance"), 0..1
  float fmod = 0.f;        // "FMod": cutoff follows the mixer at audio rate, -1..1
  float qmod = 0.f;        // "QMod": damping follows the mixer at audio rate, -1..1
  bool operator==(const filter_controls&) const = default;
};

enum class filter_trigger : int32_t { none = 0, spike = 1, reset = 2 };

class state_variable_filter {
 public:
  enum mode_index : int32_t { low = 0, band = 1, high = 2, notch = 3 };
  using process_fn = int32_t (*)(state_variable_filter&, int32_t);
  static constexpr int variant_count = 16;

  static constexpr float fmod_smoothing_hz = 500.f;
  static constexpr float fmod_cutoff_units = 8192.f;  // 64 semitones per unit of FMod * mixer

  // Binds the synth's cutoff table, clears the state, selects "Low 12 dB".
  void init(const cutoff_table* table, float sample_rate);
  // Recomputes the 500 Hz smoother of the audio-rate cutoff modulation.
  void set_sample_rate(float sample_rate) { smoother_.init(fmod_smoothing_hz, sample_rate); }
  void reset();

  // "Mode" 1..8: 1 "Low 12 dB", 2 "High 12 dB", 3 "Band 6 dB", 4 "Notch",
  // 5..8 the same in 24 dB form. Keeps the filter state.
  void set_mode(int32_t mode);
  // Note start with "Trigger" != "-": clears the state; "Spike" then loads the
  // band integrator so a resonant filter rings from the first sample.
  void trigger(filter_trigger kind);

  // Control tick: cutoff, damping and saturation from the controls. With
  // FMod or QMod active, cutoff or damping are left to modulate.
  void update(const filter_controls& c);
  // Audio-rate FMod / QMod step with the float mixer output; call before
  // process on every sample while c.fmod or c.qmod is not 0.
  void modulate(float mixer, const filter_controls& c);

  int32_t process(int32_t x) { return process_(*this, x); }

  // The coefficients of n samples, as update (where due[i], with
  // cutoff_mod[i] as c.cutoff_mod) then modulate (with mixer[i], under FMod
  // or QMod) set them sample by sample, each written to `out` as process
  // would read it; for a caller that runs the integrators itself. Under
  // FMod alone (fmod_alone), `smoothed` may hold what smooth_fmod made of
  // the mixer; null: the smoother runs here.
  struct coefficient_run {
    int32_t* f;
    int32_t* q;
    int32_t* limit;
    int32_t* sat_a;
    int32_t* sat_bias;
  };
  void controls_block(const filter_controls& c, const int32_t* cutoff_mod, const uint8_t* due, const float* mixer,
                      const float* smoothed, int n, const coefficient_run& out);
  // The controls under which controls_block takes a smoothed mixer: FMod
  // without QMod, and the saturation already followed.
  bool fmod_alone(const filter_controls& c) const {
    return c.fmod != 0.f && c.qmod == 0.f && saturating_ == (c.saturation > 0);
  }
  // The fast path of controls_block for up to eight filters together (one
  // per voice of a block): each lane's coefficients and its filter's final
  // state are what controls_block(*controls, cutoff_mod, due, nullptr,
  // smoothed, n, out) on that filter gives, bit for bit. Precondition:
  // fmod_alone(*controls) for every lane; count in 1..8. Runs the AVX2
  // kernel of svf_lanes::active_kernel() where every lane reads the same
  // cutoff table, else each filter's controls_block.
  struct control_lane {
    state_variable_filter* filter;
    const filter_controls* controls;
    const int32_t* cutoff_mod;
    const uint8_t* due;
    const float* smoothed;
    coefficient_run out;
  };
  static constexpr int max_control_lanes = 8;
  static void controls_lanes(const control_lane* lanes, int count, int n);
  // The same coefficients as columns, sample i of lane l at [i][l], for a
  // kernel that runs one sample of several filters at a time (svf_lanes::
  // run_columns); the lanes' `out` rows are left alone. limit2 is what the
  // 24 dB forms but the notch damp their second stage with:
  // min(damping_limit(), svf::cascade_damping_max). The lanes from count to
  // max_control_lanes hold lane 0's coefficients again. Only where the
  // AVX2 kernel runs (see controls_lanes): false, and nothing done, elsewhere.
  using column = int32_t[max_control_lanes];
  struct coefficient_columns {
    column* f;
    column* q;
    column* limit2;
    column* sat_a;
    column* sat_bias;
    // The same columns from sample `at` on. Out of line: the AVX2 kernel
    // files call it too (an inline copy emitted there could carry AVX2
    // instructions to every caller).
    coefficient_columns from(int at) const;
  };
  static bool controls_columns(const control_lane* lanes, int count, int n, const coefficient_columns& out);
  // The FMod smoothers of several filters over their mixers, side by side:
  // each smoother's chain of dependent steps overlaps the others'.
  static void smooth_fmod(state_variable_filter* const* filters, const float* const* mixer, float* const* smoothed,
                          int count, int n);
  // The FMod smoother of a filter, for smooth_fmod's lanes.
  static one_pole_lowpass* fmod_smoother(state_variable_filter* f);

  // Inspection (tests, meters).
  struct integrators {
    int32_t low, band, low2, band2;
  };
  integrators state() const { return {low_, band_, low2_, band2_}; }
  // For a caller that runs the integrators itself (several filters in
  // lanes): the state back after the run.
  void set_state(const integrators& s) {
    low_ = s.low;
    band_ = s.band;
    low2_ = s.low2;
    band2_ = s.band2;
  }
  int32_t coefficient() const { return f_; }
  int32_t damping() const { return q_; }
  int32_t damping_limit() const { return limit_; }  // Q29, the stability limit at f
  const svf::saturation& saturation_gain() const { return sat_; }
  int32_t variant() const { return mode_ + 4 * cascade_ + 8 * saturating_; }

  // One sample of a variant on integrators s with the coefficients given, as
  // process uses them: f = coefficient(), q = damping(), limit =
  // damping_limit() (read by the 24 dB forms), sat = saturation_gain() (read
  // by the saturating forms). Returns the output; s holds the new state.
  template <int mode, bool cascade, bool saturate>
  static int32_t step(integrators& s, int32_t x, int32_t f, int32_t q, int32_t limit,
                      const svf::saturation& sat);

 private:
  template <int mode, bool cascade, bool saturate>
  static int32_t process_variant(state_variable_filter& s, int32_t x);
  static const process_fn variants_[variant_count];

  void select() { process_ = variants_[variant()]; }
  void record(const coefficient_run& out, int i) const {
    out.f[i] = f_;
    out.q[i] = q_;
    out.limit[i] = limit_;
    out.sat_a[i] = sat_.a;
    out.sat_bias[i] = sat_.bias;
  }
  void set_coefficient(int32_t f, int32_t saturation);
  // controls_lanes' and controls_columns' AVX2 kernel: whether it runs
  // these lanes, and the run (columns null: to the lanes' rows).
  static bool vector_lanes(const control_lane* lanes, int count);
  static void vector_controls(const control_lane* lanes, int count, int n, const coefficient_columns* columns);
  void held_controls_block(const filter_controls& c, const int32_t* cutoff_mod, const uint8_t* due, int n,
                           const coefficient_run& out);

  process_fn process_ = nullptr;
  int32_t low_ = 0, band_ = 0;    // first stage integrators
  int32_t low2_ = 0, band2_ = 0;  // second stage (24 dB forms)
  int32_t cutoff_ = 0;            // 1/128 semitone above the table base
  int32_t f_ = 0;                 // Q30 coefficient
  int32_t q_ = svf::damping_unity_q29 * 2;  // Q29 damping, <= limit_
  int32_t limit_ = 0x7FFFFFFF;    // Q29 stability limit for f_
  svf::saturation sat_;
  bool cascade_ = false;
  bool saturating_ = false;
  int32_t mode_ = low;
  one_pole_lowpass smoother_;     // mixer smoothing for FMod
  const cutoff_table* table_ = nullptr;
};

// Two runs of the first stage on x; the 24 dB forms then run a second stage
// twice on the first stage's output. The band forms clamp the low integrator
// instead of the band one; their band integrator is additionally held to +-8
// units: with the low integrator stuck at its 4-unit clamp, an input beyond 4
// units against a damping near 0 would otherwise integrate without bound (and
// wrap). Signals up to 2 units never reach that rail. The other second stages
// are unclamped; with inputs held to 16 units their states stay below 64
// units at any setting.
template <int mode, bool cascade, bool saturate>
int32_t state_variable_filter::step(integrators& s, int32_t input, int32_t f, int32_t q,
                                    int32_t limit, const svf::saturation& sat) {
  using namespace svf;
  constexpr bool band_form = mode == band;
  constexpr int32_t band_limit = band_form ? clamp25 : clamp24;
  constexpr int32_t low_limit = band_form ? clamp24 : no_limit;
  constexpr drive drive1 = saturate ? drive::own : drive::linear;

  // Locals rather than s's members: sat holds int32_t fields too, and the
  // compiler would otherwise reload them after every store to s.
  const int64_t x = limit_input(input);
  int32_t l1 = s.low, b1 = s.band;
  int64_t gain = 0;
  run<band_limit, low_limit, drive1>(l1, b1, x, f, q, sat, gain);
  int64_t damping1 = run<band_limit, low_limit, drive1>(l1, b1, x, f, q, sat, gain);
  s.low = l1;
  s.band = b1;

  int64_t y = mode == low ? l1 : mode == band ? b1 : mode == high ? x - l1 : x - damping1;
  if constexpr (cascade) {
    constexpr int32_t band2_limit = mode == notch ? clamp25 : no_limit;
    constexpr drive drive2 = saturate ? drive::shared : drive::linear;
    const int32_t q2 = mode == notch ? q : std::min(limit, cascade_damping_max);
    const int64_t x2 = y;
    int32_t l2 = s.low2, b2 = s.band2;
    run<band2_limit, no_limit, drive2>(l2, b2, x2, f, q2, sat, gain);
    int64_t damping2 = run<band2_limit, no_limit, drive2>(l2, b2, x2, f, q2, sat, gain);
    s.low2 = l2;
    s.band2 = b2;
    y = mode == low ? l2 : mode == band ? b2 : mode == high ? x2 - l2 : x2 - damping2;
  }
  return limit_output(y);
}

}  // namespace synth
