// Display texts of the parameters. Every text is written with snprintf bounded
// by the caller's cap, so a short buffer truncates and stays terminated.
#include "synth/param_display.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "synth/param_table.h"

namespace synth {
namespace {

constexpr const char* invalid_text = "invalid";

// Name tables of the display texts, indexed by the parameter's whole value.
constexpr const char* env_source_names[] = {"Gate", "A", "B"};
constexpr const char* glide_mode_names[] = {"-", "Log", "Linear", "Log Hz", "Linear Hz"};
constexpr const char* sync_names[] = {"-", "A --> B", "B --> A", "Gate"};
constexpr const char* xmod_names[] = {"-",       "A",    "B",    "A + B", "A L",  "B L",      "A + B L",
                                      "A D",     "B D",  "A + B D", "A LD", "B LD", "A + B LD"};
constexpr const char* waveform_names[] = {"null", "pulse", "ramp", "triangle", "sine", "staircase"};
constexpr const char* filter_mode_names[] = {"-",         "Low 12 dB", "High 12 dB", "Band 6 dB", "Notch",
                                             "Low 24 dB", "High 24 dB", "Band 12 dB", "Notch x2"};
constexpr const char* filter_trigger_names[] = {"-", "Spike", "Reset"};
constexpr const char* shaper_mode_names[] = {"Logarithmic", "Exponential", "Absolute"};
constexpr const char* shflt_mode_names[] = {"-",        "Low 6 dB",   "High 6 dB", "Band 6 dB", "Notch",
                                            "Low 12 dB", "High 12 dB", "Band KHN", "Notch KHN"};
constexpr const char* env_trigger_names[] = {"Gate",     "Mod A",    "Mod B",         "Force Reset",
                                             "Delay A",  "Delay B",  "Mod & Delay A", "Mod & Delay B"};
constexpr const char* lfo_shape_names[] = {"Pulse", "Ramp", "Sine", "Noise", "Random"};
constexpr const char* lfo_bias_names[] = {"Negative", "Bipolar", "Positive"};
constexpr const char* lfo_range_names[] = {"Low", "Audio", "Tempo"};
constexpr const char* mono_priority_names[] = {"Lowest", "Highest", "Newest", "Oldest"};
constexpr const char* glide_poly_names[] = {"Follow", "Retain", "Voice"};
constexpr const char* glide_mono_names[] = {"Normal", "Fingered", "Afingered"};

// The frequency of pitch 0 (MIDI note 0): 440 Hz * 2^(-69/12). The cutoff law
// doubles it as its base and spans 10.666667 octaves over the 0..1 value.
constexpr double pitch0_hz = 8.175799;
constexpr float cutoff_octaves = 10.666667f;

// The value truncated toward zero. Saturated well inside int, so that no float
// (NaN, huge) makes the conversion undefined and the small offsets the texts
// add (w - 24, w + 1) cannot overflow.
constexpr double whole_limit = 1e9;

int whole(float v) {
  if (std::isnan(v)) return 0;
  double t = std::trunc(double(v));
  if (t < -whole_limit) t = -whole_limit;
  if (t > whole_limit) t = whole_limit;
  return int(t);
}

template <size_t n>
const char* name_of(const char* const (&names)[n], int i) {
  return i >= 0 && size_t(i) < n ? names[i] : invalid_text;
}

void put(char* text, size_t cap, const char* s) { std::snprintf(text, cap, "%s", s); }

// "%0.1f" with a unit, never showing "-0.0": a value that rounds to zero at one
// decimal prints as 0.
void put_fixed1(char* text, size_t cap, double x, const char* unit) {
  if (std::fabs(x) < 0.05) x = 0.0;
  std::snprintf(text, cap, "%0.1f%s", x, unit);
}

// Decimals and unit are chosen by the number as it will print, so float noise
// (0.0001 s held as 9.99999975e-5) reads "100 us", not "100.00 us", and a
// number never prints as "1000" of a unit when the next unit up exists.
int decimals_for(double x) {
  if (x >= 99.95) return 0;
  if (x >= 9.995) return 1;
  return 2;
}

constexpr double unit_step_up = 0.9995;  // 999.5 of a unit prints as 1000 at 0 decimals

void put_number(char* text, size_t cap, double x, const char* unit) {
  char format[16];
  std::snprintf(format, sizeof format, "%%0.%if %%s", decimals_for(x));
  std::snprintf(text, cap, format, x, unit);
}

// Mode names whose 0 means "off".
template <size_t n>
void put_mode(const char* const (&names)[n], float v, char* text, size_t cap) {
  int w = whole(v);
  put(text, cap, w < 1 ? "-" : name_of(names, w));
}

void put_waveform(float v, const display_context& ctx, char* text, size_t cap) {
  int w = whole(v);
  if (w < 1) return put(text, cap, "-");
  int last_analytic = int(std::size(waveform_names)) - 1;
  if (w <= last_analytic) {
    put(text, cap, waveform_names[w]);
    if (cap > 1) text[0] = char(std::toupper(static_cast<unsigned char>(text[0])));
    return;
  }
  int pcm = w - last_analytic - 1;  // 6 names the first loaded wave
  bool loaded = ctx.pcm_names && pcm < ctx.pcm_count && ctx.pcm_names[pcm];
  put(text, cap, loaded ? ctx.pcm_names[pcm] : "PCM no data!");
}

// "Audio" range: 0.1-semitone steps over +-36 semitones around note 60, shown
// as whole semitones and rounded cents ("12st 30cents"). A step between -1 and
// 0 keeps its sign ("-0st 50cents"), which a plain "%i" of 0 would lose.
void put_lfo_audio_rate(float v, char* text, size_t cap) {
  float s = std::floor(v * 720.f - 360.f) * 0.1f;
  int semis = whole(s);
  float mag = std::fabs(s);
  int cents = whole((mag - float(whole(mag))) * 100.f + 0.5f);
  const char* sign = (s < 0.f && semis == 0) ? "-" : "";
  std::snprintf(text, cap, "%s%ist %icents", sign, semis, cents);
}

// "Tempo" range: 33 note values, from 32 bars (c = 1) to 1/64 (c = 33), in
// groups of three: dotted, plain, triplet.
void put_lfo_tempo_rate(float v, char* text, size_t cap) {
  int c = 1 - whole(v * -32.f);
  if (c < 1) c = 1;
  if (c > 33) c = 33;
  int r = (c + 1) % 3;
  const char* kind = r == 0 ? " D" : r == 2 ? " T" : "";
  if (c < 17) {
    int bars = 1 << -((c - 16) / 3);  // whole (1 / k), k = 2^((c - 16) / 3)
    std::snprintf(text, cap, "%i%s", bars, kind);
    return;
  }
  int k = 1 << ((c - 17) / 3 + 1);
  const char* suffix = (k == 2 || k == 32) ? "nd" : "th";
  std::snprintf(text, cap, "%i%s%s", k, suffix, kind);
}

void put_lfo_rate(float v, float range, char* text, size_t cap) {
  switch (whole(range)) {
    case 0: return format_frequency(lfo_low_rate_hz(v), "Hold", text, cap);
    case 1: return put_lfo_audio_rate(v, text, cap);
    case 2: return put_lfo_tempo_rate(v, text, cap);
    default: return put(text, cap, invalid_text);
  }
}

float fourth(float v) { return v * v * v * v; }

void display_preset(int index, float v, const display_context& ctx, char* text, size_t cap) {
  const int w = whole(v);
  switch (index) {
    case p::volume: {
      return put_fixed1(text, cap, volume_db(v), " dB");
    }
    case p::volume_env: return put(text, cap, name_of(env_source_names, w));
    case p::panning:
      if (v == -1.f) return put(text, cap, "Left");
      if (v == 0.f) return put(text, cap, "Center");
      if (v == 1.f) return put(text, cap, "Right");
      return put_fixed1(text, cap, v * 100.f, "");
    case p::glide_mode: return put(text, cap, name_of(glide_mode_names, w));
    case p::glide_time: return format_time(fourth(v) * 4.f, "-", text, cap);
    case p::osc_range: {
      int shift = w < 0 ? 0 : w > 31 ? 31 : w;
      std::snprintf(text, cap, "%i", 32 >> shift);
      return;
    }
    case p::osc_sync: return put(text, cap, name_of(sync_names, w));
    case p::osc_xmod: return put(text, cap, name_of(xmod_names, w));
    case p::osc_a_waveform:
    case p::osc_b_waveform: return put_waveform(v, ctx, text, cap);
    case p::osc_b_coarse: std::snprintf(text, cap, "%+i", w); return;
    case p::osc_b_fine:
      if (v == 0.f) return put(text, cap, "-");
      std::snprintf(text, cap, "%+0.1f cents", v * 100.f);
      return;
    case p::osc_a_level:
    case p::osc_b_level:
    case p::ringmod_level:
    case p::noise_level:
      if (v <= 0.f) return put(text, cap, "-");
      return put_fixed1(text, cap, level_curve_db(v), " dB");
    case p::osc_a_invert:
    case p::osc_b_invert:
    case p::env_a_const_atk:
    case p::env_b_const_atk:
    case p::mod_a_keysync:
    case p::mod_b_keysync: return put(text, cap, w != 0 ? "On" : "-");
    case p::filter_mode:
      return put_mode(filter_mode_names, v, text, cap);
    case p::filter_trigger: return put(text, cap, name_of(filter_trigger_names, w));
    case p::filter_frequency:
    case p::shflt_frequency:
      return format_frequency(std::exp2(double(v * cutoff_octaves)) * 2.0 * pitch0_hz, "", text, cap);
    case p::shaper_mode: return put(text, cap, name_of(shaper_mode_names, w));
    case p::shaper_tone: return format_frequency(v * v * 3999.f + 1.f, nullptr, text, cap);
    case p::shflt_mode: return put_mode(shflt_mode_names, v, text, cap);
    case p::env_a_attack:
    case p::env_b_attack: return format_time(fourth(v) * 9.9999f + 0.0001f, nullptr, text, cap);
    case p::env_a_decay:
    case p::env_a_release:
    case p::env_b_decay:
    case p::env_b_release: return format_time(fourth(v) * 39.9999f + 0.0001f, nullptr, text, cap);
    case p::env_a_trigger:
    case p::env_b_trigger: return put(text, cap, name_of(env_trigger_names, w));
    case p::mod_a_rate:
    case p::mod_b_rate: {
      int range_index = index == p::mod_a_rate ? p::mod_a_range : p::mod_b_range;
      float range = ctx.preset ? ctx.preset[range_index] : param_row(range_index).def;
      return put_lfo_rate(v, range, text, cap);
    }
    case p::mod_a_delay:
    case p::mod_b_delay: return format_time(v * v * 5.5f, "-", text, cap);
    case p::mod_a_shape:
    case p::mod_b_shape: return put(text, cap, name_of(lfo_shape_names, w));
    case p::mod_a_bias:
    case p::mod_b_bias: return put(text, cap, name_of(lfo_bias_names, whole(v + 1.f)));
    case p::mod_a_range:
    case p::mod_b_range: return put(text, cap, name_of(lfo_range_names, w));
    default:
      if (v == 0.f) return put(text, cap, "-");
      return put_fixed1(text, cap, v * 100.f, "");
  }
}

// "Bender Route" / "Velocity Route": 0 is off, w names parameter w - 1 by its
// group and table name, both always ("Volume Volume").
void put_route(int w, char* text, size_t cap) {
  if (w == 0) return put(text, cap, "-");
  int target = w - 1;
  if (target < 0 || target >= preset_param_count) return put(text, cap, invalid_text);
  std::snprintf(text, cap, "%s %s", group_row(param_group_of(target)).name, param_row(target).name);
}

void put_signed_offset(float v, char* text, size_t cap) {
  if (v == 0.5f) return put(text, cap, "-");
  double x = double(v) * 2.0 - 1.0;
  if (std::fabs(x) < 0.005) x = 0.0;  // "+0.00", never "-0.00"
  std::snprintf(text, cap, "%+0.2f", x);
}

void display_global(int index, float v, const display_context& ctx, char* text, size_t cap) {
  const int w = whole(v);
  switch (index) {
    case p::voices:
      if (w > 3) {
        std::snprintf(text, cap, "Poly %i", w - 3);
        return;
      }
      std::snprintf(text, cap, "Mono %s", name_of(mono_priority_names, w));
      return;
    case p::coarse_tune:
      if (w == 24) return put(text, cap, "-");
      std::snprintf(text, cap, "%+i semitones", w - 24);
      return;
    case p::fine_tune: std::snprintf(text, cap, "%+i cents", whole(v * 100.f - 50.f)); return;
    case p::master_volume: return put_fixed1(text, cap, (1.f - v) * -48.f, " dB");
    case p::bender_range: std::snprintf(text, cap, "%+i semitones", w); return;
    case p::bender_route:
    case p::velocity_route: return put_route(w, text, cap);
    case p::bender_scale:
    case p::bender_offset:
    case p::velocity_scale:
    case p::velocity_offset: return put_signed_offset(v, text, cap);
    case p::global_glide_mode:
      return put(text, cap, ctx.polyphonic ? name_of(glide_poly_names, w) : name_of(glide_mono_names, w));
    case p::unison_voices: std::snprintf(text, cap, "%i", w + 1); return;
    case p::unison_detune:
    case p::unison_randomization: std::snprintf(text, cap, "%.0f cents", v * 100.f); return;
    case p::unison_width: std::snprintf(text, cap, "%.0f%%", v * 100.f); return;
    default: return put(text, cap, invalid_text);
  }
}

}  // namespace

void display(int index, float value, const display_context& ctx, char* text, size_t cap) {
  if (!text || cap == 0) return;
  if (index >= 0 && index < preset_param_count) return display_preset(index, value, ctx, text, cap);
  display_global(index, value, ctx, text, cap);
}

void format_time(double seconds, const char* zero_text, char* text, size_t cap) {
  if (!text || cap == 0) return;
  if (!(seconds > 0.0)) return put(text, cap, zero_text ? zero_text : "Off");
  if (seconds >= unit_step_up) return put_number(text, cap, seconds, "s");
  if (seconds >= 0.001 * unit_step_up) return put_number(text, cap, seconds * 1e3, "ms");
  put_number(text, cap, seconds * 1e6, "us");
}

void format_frequency(double hz, const char* zero_text, char* text, size_t cap) {
  if (!text || cap == 0) return;
  if (!(hz > 0.0)) return put(text, cap, zero_text ? zero_text : "Off");
  if (hz < 1.0) return format_time(1.0 / hz, zero_text, text, cap);
  struct unit {
    double scale;
    const char* name;
  };
  constexpr unit units[] = {{1e12, "THz"}, {1e9, "GHz"}, {1e6, "MHz"}, {1e3, "kHz"}};
  for (const unit& u : units)
    if (hz >= u.scale * unit_step_up) return put_number(text, cap, hz / u.scale, u.name);
  put_number(text, cap, hz, "Hz");
}

float volume_db(float v) { return v >= 0.75f ? (v - 0.75f) * 4.f * 12.f : (1.f - v * 1.3333334f) * -36.f; }

float level_curve_db(float v) {
  struct point {
    float v, db;
  };
  constexpr point curve[] = {{0.f, -90.f}, {0.0625f, -42.f}, {0.25f, -24.f}, {0.75f, 0.f}, {1.f, 12.f}};
  if (!(v > 0.f)) return curve[0].db;
  if (v >= 1.f) return curve[std::size(curve) - 1].db;
  size_t i = 1;
  while (curve[i].v < v) ++i;
  const point& a = curve[i - 1];
  const point& b = curve[i];
  return a.db + (v - a.v) * (b.db - a.db) / (b.v - a.v);
}

float lfo_low_rate_hz(float v) {
  // S = v^2 * 31.991667 + 0.0083333 Hz: from 1/120 Hz (two minutes a cycle) to 32 Hz.
  return v > 0.f ? v * v * 31.991667f + 0.0083333f : 0.f;
}

}  // namespace synth
