// Control-tick part of the oscillators: glide, the two oscillator frequencies
// with their pitch modulation, tuning, keytrack and cross-modulation, pulse
// widths and PCM start positions. A voice holds one osc_control_state and
// calls osc_control_tick once per control tick; the results go to its two
// oscillators and PCM players.
#pragma once

#include <cstdint>
#include <limits>

namespace synth {

constexpr float note0_hz = 8.175799f;      // 440 * 2^(-69/12): MIDI note 0
constexpr float middle_c_hz = 261.6256f;   // note 60
constexpr float max_increment = 0.5f;      // cycles per sample
constexpr float width_mod_scale = 3.05e-05f;  // width modulation sum: 2^15 = full width range

// Frequency of a pitch in semitones above note 0, limited to [0, rate / 2].
float note_hz(double semitones, float sample_rate);
// Ratio of oscillator B from "Coarse" (semitones) and "Fine" (semitones).
float b_tuning_ratio(float coarse, float fine);

// --- Glide ------------------------------------------------------------------

namespace glide_mode {
constexpr int32_t off = 0;        // "-"
constexpr int32_t log = 1;        // "Log": exponential in pitch
constexpr int32_t linear = 2;     // "Linear": an octave per glide time
constexpr int32_t log_hz = 3;     // "Log Hz": exponential in Hz
constexpr int32_t linear_hz = 4;  // "Linear Hz": whole distance in the glide time
constexpr int32_t count = 5;
}  // namespace glide_mode

// Positions in double: an exponential glide over seconds moves by far less
// than a float's step near its end and would stall short of the snap distance.
struct glide_state {
  int32_t mode = glide_mode::off;
  bool enabled = false;     // "Time" > 0
  double ticks = 1.0;       // T: glide time in control ticks
  double coefficient = 1.0; // c = 1 - 0.01^(1/T): distance left shrinks to 1 % in T ticks
  double step = 0.0;        // r, linear modes: semitones or Hz per tick, set at glide start
  double position = 0.0;    // g (semitones, pitch modes) or h (Hz, Hz modes)
  // The last pitch turned into Hz: a held note asks for the same one every
  // tick, so the exponential is computed only when the pitch moves.
  double memo_semitones = -1.0e300;
  float memo_rate = 0.f;
  float memo_hz = 0.f;
  // memo_hz in octaves above note 0, the exponent it was made from; NaN
  // where it was held at half the rate, and so no longer 2^octaves.
  float memo_octaves = 0.f;
};

constexpr double glide_snap_semitones = 0.01;
constexpr double glide_snap_hz = 1e-5;

bool glide_in_hz(int32_t mode);
// T = (v^4 * 4 + 0.001) seconds in control ticks, v = "Time" 0..1.
double glide_ticks(float time_value, float control_rate);
// Applies "Time" to the voice: T, c and the glide flag.
void glide_set_time(glide_state& g, float time_value, float control_rate);
// Glide position of pitch P (+ offset O) in the mode's domain.
double glide_position_of(int32_t mode, float pitch, float offset, float sample_rate);
// A glide starts at a note: departs from `from` (in the mode's domain) and
// sets the linear step r.
void glide_start(glide_state& g, double from, float pitch, float offset, float sample_rate);
// A new mode while a note sounds: the position moves into the new mode's
// domain (Hz or semitones) at the frequency it stands for, so the pitch goes
// on from where it was instead of leaping (a position of 261.6 Hz read as
// 261.6 semitones is far above the Nyquist frequency); a linear mode's step
// is made anew from there, as at a glide's start.
void glide_set_mode(glide_state& g, int32_t mode, float pitch, float offset, float sample_rate);
// One control tick towards P; returns the glided base frequency F in Hz.
// `octaves` receives F in octaves above note 0 where the tick made F from a
// pitch (the pitch modes, or no glide) and F is not held at half the rate;
// NaN otherwise (the Hz modes glide in Hz).
float glide_tick(glide_state& g, float pitch, float offset, float sample_rate, float& octaves);
inline float glide_tick(glide_state& g, float pitch, float offset, float sample_rate) {
  float octaves;
  return glide_tick(g, pitch, offset, sample_rate, octaves);
}
// The glide sits on its target: a tick would leave it and its result as they are.
bool glide_settled(const glide_state& g, float pitch, float offset);

// --- Cross-modulation -------------------------------------------------------

// "XMod" setting m = 1..12: source (m - 1) mod 3 (A, B, A + B), kind
// (m - 1) div 3 (pitch, Hz, pitch of the derivative, Hz of the derivative).
namespace xmod_kind {
constexpr int32_t pitch = 0;
constexpr int32_t hz = 1;
constexpr int32_t derivative_pitch = 2;
constexpr int32_t derivative_hz = 3;
}  // namespace xmod_kind

constexpr int32_t xmod_settings = 13;
constexpr float xmod_pitch_octaves = 4.f;             // per unit of modulation
constexpr float xmod_derivative_pitch_octaves = 20.f;
constexpr float xmod_hz = 8000.f;
constexpr float xmod_derivative_hz = 40000.f;
constexpr float xmod_self_scale = 0.01f;              // Hz kinds, modulating oneself
constexpr float xmod_derivative_self_scale = 0.025f;
constexpr float xmod_derivative_rate = 4800.f;        // derivative per 1/4800 s

inline bool xmod_on(int32_t setting) { return setting >= 1 && setting < xmod_settings; }
inline int32_t xmod_source(int32_t setting) { return (setting - 1) % 3; }  // 0 A, 1 B, 2 A + B
inline int32_t xmod_kind_of(int32_t setting) { return (setting - 1) / 3; }
inline bool xmod_uses_a(int32_t setting) { return xmod_on(setting) && xmod_source(setting) != 1; }
inline bool xmod_uses_b(int32_t setting) { return xmod_on(setting) && xmod_source(setting) != 0; }

struct xmod_state {
  float previous = 0.f;  // previous modulator, derivative kinds
  bool primed = false;   // previous holds a value
};

// The modulator signal for this tick from the latest oscillator outputs.
float xmod_modulator(xmod_state& s, int32_t setting, float out_a, float out_b, float sample_rate);
// Frequency f under XMod input u (modulator times the oscillator's depth).
float apply_xmod(float hz, int32_t setting, float u, bool self);

// --- Oscillator frequencies -------------------------------------------------

struct osc_control_inputs {
  float pitch = 60.f;          // P: target pitch, semitones above note 0
  float offset = 0.f;          // O: semitones added after the glide
  float tune_1 = 1.f;          // R1, R2: the voice's two tuning factors
  float tune_2 = 1.f;
  int32_t pitch_mod = 0;       // common pitch modulation, 1/8192 octave
  int32_t detune_b_mod = 0;    // detune modulation of B, 1/8192 octave
  float width_mod = 0.f;       // width modulation sum of A (width_mod_scale units)
  float width_a = 0.f;         // "Width" of A and B, -1..1
  float width_b = 0.f;
  float keytrack_b = 1.f;      // "Keytrack" of B
  float tuning_b = 1.f;        // b_tuning_ratio("Coarse", "Fine")
  int32_t xmod_setting = 0;    // "XMod" 0..12
  float xmod_a = 0.f;          // XMod inputs u of A and B
  float xmod_b = 0.f;
  bool operator==(const osc_control_inputs&) const = default;
};

struct osc_control_result {
  float base = 0.f;            // F, the glided base frequency
  float base_octaves = 0.f;    // F in octaves above note 0, NaN where unknown (glide_tick)
  float ratio_b = 1.f;         // B's detune modulation and tuning ratio
  float hz_a = 0.f;            // before XMod (what B's keytrack follows)
  float hz_b = 0.f;            // before XMod
  float increment_a = 0.f;     // after XMod, limited to +-0.5
  float increment_b = 0.f;
  float pending_width_a = 0.5f;
  float pending_width_b = 0.5f;
  float pcm_start_a = 0.f;
  float pcm_start_b = 0.f;
};

// B's keytrack between 0 and 1 takes A's pitch in octaves, then back to a
// frequency. The pitch comes from the glide where it knows it (the log2 of
// the tunings' product kept with the product), else from A's frequency before
// its pitch modulation (the glided base times the tunings), whose logarithm
// is kept with it while an LFO moves the modulation; the modulation u (1/8192
// octave) adds to it as it stands. The last result (before B's ratio) is kept
// with all its inputs, since XMod alone moves the increments. A rate of 0
// marks it empty.
struct keytrack_memo {
  float hz_held = std::numeric_limits<float>::quiet_NaN();  // none yet
  float hz_octaves = 0.f;    // log2(hz_held / note 0's frequency)
  float tunings = 1.f;       // the product of A's tuning factors, and its log2
  float tunings_octaves = 0.f;
  float octaves_held = 0.f;  // the held pitch the last result was made from
  int32_t pitch_mod = 0;
  float keytrack = 0.f;
  float sample_rate = 0.f;
  float hz = 0.f;
};

// B's frequency before its ratio at keytrack k (0 < k < 1, neither end): A's
// pitch (hz_held raised by u) scaled by k around middle C, held to 0 .. half
// the rate. The modulation counts as the exact 2^(u / 8192) that pitch_ratio
// approximates to 4e-6 (0.006 cent).
float keytracked_hz(keytrack_memo& m, float hz_held, int32_t pitch_mod, float keytrack, float sample_rate);
// The same from A's held pitch in octaves above note 0 where the glide knows
// it (its base in octaves plus the log2 of the tuning factors' product, kept
// with the product): no logarithm of a frequency at every tick of a glide.
// The result differs from keytracked_hz's by the exponential table's error
// in A's base (under 1e-5 octave), scaled by k.
float keytracked_octaves(keytrack_memo& m, float base_octaves, float tunings, int32_t pitch_mod, float keytrack,
                         float sample_rate);

struct osc_control_state {
  glide_state glide;
  xmod_state xmod;
  keytrack_memo keytrack;
};

// Writes every field of `r`. A voice passes the record it keeps, so that the
// fields go straight to it: a copy of a record just written field by field
// would read it back before the stores have landed and wait for them.
void osc_control_tick(osc_control_state& s, const osc_control_inputs& in, float sample_rate, osc_control_result& r);
inline osc_control_result osc_control_tick(osc_control_state& s, const osc_control_inputs& in, float sample_rate) {
  osc_control_result r;
  osc_control_tick(s, in, sample_rate, r);
  return r;
}

// The tick again when only the common pitch modulation moved since `r` was
// made: the glide settled, XMod off and B's keytrack 0 or 1 (so that B holds
// or follows A). Updates the frequencies and increments of `r`, the same
// numbers osc_control_tick gives; false (r untouched) when those
// conditions do not hold. `period` is 1 / sample rate, made once per rate
// change (the same float the tick divides out).
bool osc_control_repitch(const osc_control_inputs& in, float period, osc_control_result& r);

// The tick again when only the modulation of the common pitch, of B's
// detune and the XMod inputs moved since `r` was made, with the glide
// settled (no tick would move it): B's ratio, the frequencies and the
// increments of `r`, the numbers osc_control_tick gives, under any XMod
// setting and keytrack. The base, widths and PCM starts in `r` stay as they
// are. `period` as for osc_control_repitch.
void osc_control_retune(osc_control_state& s, const osc_control_inputs& in, float sample_rate, float period,
                        osc_control_result& r);

// The tick again while a glide moves, when nothing but the glide and what
// osc_control_retune follows moved since `r` was made: one glide step, then
// the retune from the new base. The record is the one osc_control_tick
// gives; the widths and PCM starts in `r` stay as they are.
void osc_control_reglide(osc_control_state& s, const osc_control_inputs& in, float sample_rate, float period,
                         osc_control_result& r);

// The part of the tick that oscillator A's width modulation and "Width"
// reach: its pending width and PCM start in `r`, the numbers
// osc_control_tick gives for `in`.
void osc_control_rewidth(const osc_control_inputs& in, osc_control_result& r);

// A run of ticks in which only the common pitch modulation and A's width
// modulation move (repitch's conditions): sample i takes pitch_mod[i] and
// width_mod[i] (the float of the width sum) as its inputs' modulation.
// `out` receives what the oscillators take at every sample, `r` the record
// as the last sample leaves it: the numbers osc_control_repitch and
// osc_control_rewidth give tick by tick.
struct osc_control_run {
  float* increment_a;
  float* increment_b;
  float* pending_width_a;
  float* pcm_start_a;
};
void osc_control_repitch_block(const osc_control_inputs& in, float period, const int32_t* pitch_mod,
                               const int32_t* width_mod, int n, osc_control_result& r, osc_control_run& out);

}  // namespace synth
