// The parameter table and its groups. Ranges and defaults are in internal
// units; the host's 0..1 values are mapped here and nowhere else.
#include "synth/param_table.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace synth {
namespace {

constexpr param_info param_table[] = {
    // name                   min    max   int    default
    {"Volume", 0.f, 1.f, false, 0.75f},           // 0  Volume
    {"Env", 0.f, 2.f, true, 1.f},
    {"Mod A", -1.f, 1.f, false, 0.f},
    {"Mod B", -1.f, 1.f, false, 0.f},
    {"Panning", -1.f, 1.f, false, 0.f},           // 4  Panning
    {"Mod A", -1.f, 1.f, false, 0.f},
    {"Mod B", -1.f, 1.f, false, 0.f},
    {"Mode", 0.f, 4.f, true, 0.f},                // 7  Glide
    {"Time", 0.f, 1.f, false, 0.5f},
    {"Range", 0.f, 4.f, true, 2.f},               // 9  Osc
    {"Sync", 0.f, 3.f, true, 0.f},
    {"Env A", -1.f, 1.f, false, 0.f},             // 11 Pitch
    {"Env B", -1.f, 1.f, false, 0.f},
    {"Mod A", -1.f, 1.f, false, 0.f},
    {"Mod B", -1.f, 1.f, false, 0.f},
    {"XMod", 0.f, 12.f, true, 0.f},               // 15 Osc
    {"Waveform", 0.f, 5.f, true, 0.f},            // 16 Osc A
    {"Width", -1.f, 1.f, false, 0.f},
    {"XMod", 0.f, 1.f, false, 0.f},
    {"Env A", -1.f, 1.f, false, 0.f},             // 19 Width
    {"Env B", -1.f, 1.f, false, 0.f},
    {"Mod A", -1.f, 1.f, false, 0.f},
    {"Mod B", -1.f, 1.f, false, 0.f},
    {"Waveform", 0.f, 5.f, true, 0.f},            // 23 Osc B
    {"Width", -1.f, 1.f, false, 0.f},
    {"Xmod", 0.f, 1.f, false, 0.f},
    {"Keytrack", -1.f, 1.f, false, 1.f},
    {"Coarse", -36.f, 36.f, true, 0.f},
    {"Fine", -0.5f, 0.5f, false, 0.f},
    {"Env A", -1.f, 1.f, false, 0.f},             // 29 Detune
    {"Env B", -1.f, 1.f, false, 0.f},
    {"Mod A", -1.f, 1.f, false, 0.f},
    {"Mod B", -1.f, 1.f, false, 0.f},
    {"Level", 0.f, 1.f, false, 0.f},              // 33 Osc A
    {"Invert", 0.f, 1.f, true, 0.f},
    {"Level", 0.f, 1.f, false, 0.f},              // 35 Osc B
    {"Invert", 0.f, 1.f, true, 0.f},
    {"Level", 0.f, 1.f, false, 0.f},              // 37 Ringmod
    {"Level", 0.f, 1.f, false, 0.f},              // 38 Noise
    {"Mode", 0.f, 8.f, true, 0.f},                // 39 Filter
    {"Trigger", 0.f, 2.f, true, 0.f},
    {"Frequency", 0.f, 1.f, false, 0.f},
    {"Resonance", 0.f, 1.f, false, 0.f},
    {"Keytrack", -1.f, 1.f, false, 0.f},
    {"FMod", -1.f, 1.f, false, 0.f},
    {"QMod", -1.f, 1.f, false, 0.f},
    {"Saturation", 0.f, 1.f, false, 0.f},
    {"Env A", -1.f, 1.f, false, 0.f},
    {"Env B", -1.f, 1.f, false, 0.f},
    {"Mod A", -1.f, 1.f, false, 0.f},
    {"Mod B", -1.f, 1.f, false, 0.f},
    {"Mode", 0.f, 2.f, true, 0.f},                // 51 Shaper
    {"Depth", 0.f, 1.f, false, 0.f},
    {"Symm", -1.f, 1.f, false, 0.f},
    {"Tone", 0.f, 1.f, false, 0.5f},
    {"Mode", 0.f, 8.f, true, 0.f},                // 55 Sh Flt
    {"Frequency", 0.f, 1.f, false, 0.f},
    {"Resonance", 0.f, 1.f, false, 0.f},
    {"Keytrack", -1.f, 1.f, false, 0.f},
    {"Attack", 0.f, 1.f, false, 0.f},             // 59 Env A
    {"Decay", 0.f, 1.f, false, 0.f},
    {"Sustain", 0.f, 1.f, false, 0.f},
    {"Release", 0.f, 1.f, false, 0.1f},
    {"Keytrack", -1.f, 1.f, false, 0.f},
    {"Trigger", 0.f, 7.f, true, 0.f},
    {"Const Atk", 0.f, 1.f, true, 0.f},
    {"Attack", 0.f, 1.f, false, 0.f},             // 66 Env B
    {"Decay", 0.f, 1.f, false, 0.f},
    {"Sustain", 0.f, 1.f, false, 0.f},
    {"Release", 0.f, 1.f, false, 0.1f},
    {"Keytrack", -1.f, 1.f, false, 0.f},
    {"Trigger", 0.f, 7.f, true, 0.f},
    {"Const Atk", 0.f, 1.f, true, 0.f},
    {"Rate", 0.f, 1.f, false, 0.f},               // 73 Mod A
    {"Delay", 0.f, 1.f, false, 0.f},
    {"Shape", 0.f, 4.f, true, 0.f},
    {"Width", 0.f, 1.f, false, 0.5f},
    {"Bias", -1.f, 1.f, true, 0.f},
    {"Keysync", 0.f, 1.f, true, 0.f},
    {"Keytrack", -1.f, 1.f, false, 0.f},
    {"Range", 0.f, 2.f, true, 0.f},
    {"Rate", 0.f, 1.f, false, 0.f},               // 81 Mod B
    {"Delay", 0.f, 1.f, false, 0.f},
    {"Shape", 0.f, 4.f, true, 0.f},
    {"Width", 0.f, 1.f, false, 0.5f},
    {"Bias", -1.f, 1.f, true, 0.f},
    {"Keysync", 0.f, 1.f, true, 0.f},
    {"Keytrack", -1.f, 1.f, false, 0.f},
    {"Range", 0.f, 2.f, true, 0.f},
    {"Voices", 0.f, 35.f, true, 19.f},            // 89 globals
    {"Coarse Tune", 0.f, 48.f, true, 24.f},
    {"Fine Tune", 0.f, 1.f, false, 0.5f},
    {"Volume", 0.f, 1.f, false, 0.625f},
    {"Bender Range", 0.f, 25.f, true, 2.f},
    {"Bender Route", 0.f, 89.f, true, 0.f},
    {"Bender Scale", 0.f, 1.f, false, 1.f},
    {"Bender Offset", 0.f, 1.f, false, 0.5f},
    {"Glide Mode", 0.f, 2.f, true, 0.f},
    {"Velocity Route", 0.f, 89.f, true, 0.f},
    {"Velocity Scale", 0.f, 1.f, false, 1.f},
    {"Velocity Offset", 0.f, 1.f, false, 0.5f},
    {"Unison Voices", 0.f, 15.f, true, 0.f},
    {"Unison Detune", 0.f, 1.f, false, 0.f},
    {"Unison Randomization", 0.f, 1.f, false, 0.f},
    {"Unison Width", 0.f, 1.f, false, 0.5f},
    {"Parameter Filter", 0.f, 1.f, false, 0.2f},
};

constexpr param_group group_table[] = {
    {"Volume", 0, 0},   {"Panning", 1, 4},  {"Glide", 2, 7},     {"Osc", 3, 9},
    {"Pitch", 4, 11},   {"Osc", 5, 15},     {"Osc A", 6, 16},    {"Width", 7, 19},
    {"Osc B", 8, 23},   {"Detune", 9, 29},  {"Osc A", 10, 33},   {"Osc B", 11, 35},
    {"Ringmod", 12, 37}, {"Noise", 13, 38}, {"Filter", 14, 39},  {"Shaper", 15, 51},
    {"Sh Flt", 16, 55}, {"Env A", 17, 59},  {"Env B", 18, 66},   {"Mod A", 19, 73},
    {"Mod B", 20, 81},  {"", 21, first_global_param},
};

static_assert(std::size(param_table) == param_count);
static_assert(std::size(group_table) == param_group_count);

constexpr bool groups_well_formed() {
  if (group_table[0].first != 0) return false;
  for (int g = 0; g < param_group_count; ++g) {
    if (group_table[g].number != g) return false;
    if (g > 0 && group_table[g].first <= group_table[g - 1].first) return false;
  }
  return group_table[param_group_count - 1].first == first_global_param;
}
static_assert(groups_well_formed(), "groups numbered in order, strictly ascending, globals last");

constexpr bool ranges_well_formed() {
  for (const param_info& r : param_table)
    if (!(r.min < r.max) || r.def < r.min || r.def > r.max) return false;
  return true;
}
static_assert(ranges_well_formed(), "every range non-empty and every default inside it");

// The named indices must land on the rows they name.
constexpr bool named(int index, std::string_view name) { return name == param_table[index].name; }
static_assert(named(p::volume_env, "Env") && named(p::osc_b_xmod, "Xmod"));
static_assert(named(p::filter_frequency, "Frequency") && named(p::shflt_frequency, "Frequency"));
static_assert(named(p::env_b_const_atk, "Const Atk") && named(p::mod_b_range, "Range"));
static_assert(named(p::voices, "Voices") && named(p::parameter_filter, "Parameter Filter"));

// Row handed out for an index outside the table, so a stray index from a host
// or a file reads a harmless 0..1 parameter instead of memory past the table.
constexpr param_info no_param = {"", 0.f, 1.f, false, 0.f};

}  // namespace

const param_info& param_row(int index) {
  return param_valid(index) ? param_table[index] : no_param;
}

int param_group_of(int index) {
  if (index < 0) return -1;
  int group = 0;
  while (group + 1 < param_group_count && group_table[group + 1].first <= index) ++group;
  return group;
}

const param_group& group_row(int group) {
  if (group < 0) group = 0;
  if (group >= param_group_count) group = param_group_count - 1;
  return group_table[group];
}

float to_internal(int index, float normalised) {
  const param_info& r = param_row(index);
  float n = std::isnan(normalised) ? 0.f : normalised;
  float span = r.max - r.min;
  if (!r.is_integer) return n * span + r.min;
  // 0.999 widens the range so that n = 1 still reaches the top integer while
  // each integer keeps an equal share of 0..1; outside 0..1 it is not needed.
  if (n >= 0.f && n <= 1.f) return std::floor(n * (span + 0.999f) + r.min);
  return std::floor(n * span + r.min);
}

float to_normalised(int index, float internal) {
  const param_info& r = param_row(index);
  return (internal - r.min) / (r.max - r.min);
}

void full_name(int index, char* text, size_t cap) {
  if (!text || cap == 0) return;
  text[0] = '\0';
  if (!param_valid(index)) return;
  std::string_view group = group_row(param_group_of(index)).name;
  std::string_view name = param_table[index].name;
  if (group.empty() || group == name)
    std::snprintf(text, cap, "%s", group.empty() ? name.data() : group.data());
  else
    std::snprintf(text, cap, "%s %s", group.data(), name.data());
}

}  // namespace synth
