#include "tools/factory/sound_build.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "fx/chain.h"
#include "fx/registry.h"
#include "synth/engine_flags.h"
#include "synth/param_display.h"
#include "synth/param_table.h"
#include "synth/display_inverse.h"
#include "tools/factory/route_text.h"

namespace factory {

using synth::display_law;
using synth::value_from_display;
using synth::value_range;

namespace {

constexpr size_t text_capacity = 64;  // the display buffers hosts and the editor give

// A resolved line: the parameter it names and its text.
struct named_line {
  int index;
  const setting* line;
};

std::string where(const setting& s) { return "line " + std::to_string(s.line) + ": " + s.key + ": "; }

int param_by_full_name(const std::string& name, int first, int end) {
  char text[text_capacity];
  for (int i = first; i < end; ++i) {
    synth::full_name(i, text, sizeof text);
    if (name == text) return i;
  }
  return -1;
}

value_range range_of(int index) {
  const synth::param_info& row = synth::param_row(index);
  return {row.min, row.max, row.is_integer};
}

// Integer parameters first, each kind in index order: an LFO rate reads its
// range, a global glide mode the voice mode, before their texts mean anything.
void order_for_display(std::vector<named_line>& lines) {
  std::stable_sort(lines.begin(), lines.end(), [](const named_line& a, const named_line& b) {
    const bool ia = synth::param_row(a.index).is_integer, ib = synth::param_row(b.index).is_integer;
    return ia != ib ? ia : a.index < b.index;
  });
}

bool resolve_params(const std::vector<setting>& lines, int first, int end, std::vector<named_line>& out,
                    std::string& error) {
  for (const setting& s : lines) {
    const int index = param_by_full_name(s.key, first, end);
    if (index < 0) {
      error = where(s) + "no such parameter";
      return false;
    }
    out.push_back({index, &s});
  }
  order_for_display(out);
  return true;
}

bool is_switch_line(const setting& s) {
  for (const synth::engine_flag_info& f : synth::engine_flag_table)
    if (s.key == f.description) return true;
  return false;
}

bool apply_switch(const setting& s, synth::synth& engine, std::string& error) {
  for (int i = 0; i < synth::engine_flag_count; ++i) {
    if (s.key != synth::engine_flag_table[i].description) continue;
    if (s.value != "On" && s.value != "Off" && s.value != "-") {
      error = where(s) + "expected On or Off";
      return false;
    }
    engine.set_flag(synth::engine_flag(i), s.value == "On");
  }
  return true;
}

bool apply_route(const setting& s, synth::synth& engine, std::string& error) {
  synth::route r;
  if (!parse_route(s.value, r, error)) {
    error = where(s) + error;
    return false;
  }
  engine.set_route(route_row(s.key), r);
  return true;
}

bool apply_globals(const std::vector<setting>& lines, synth::synth& engine, std::string& error) {
  std::vector<setting> globals;
  for (const setting& s : lines) {
    if (is_switch_line(s)) {
      if (!apply_switch(s, engine, error)) return false;
    } else if (route_row(s.key) >= 0) {
      if (!apply_route(s, engine, error)) return false;
    } else {
      globals.push_back(s);
    }
  }
  std::vector<named_line> named;
  if (!resolve_params(globals, synth::first_global_param, synth::param_count, named, error)) return false;
  for (const named_line& n : named) {
    const display_law law = [&](float v) {
      synth::display_context ctx;
      ctx.polyphonic = engine.polyphonic();
      char text[text_capacity];
      synth::display(n.index, v, ctx, text, sizeof text);
      return std::string(text);
    };
    float value;
    if (!value_from_display(law, range_of(n.index), n.line->value, value, error)) {
      error = where(*n.line) + error;
      return false;
    }
    engine.set_param(n.index, 0, value);
  }
  return true;
}

// An effect parameter by "Group Name" (Reverb "Tail Size"), or by its bare
// name where that is unique in the effect.
int effect_param(const fx::effect& e, const std::string& key) {
  int bare = -1, bare_count = 0;
  for (int i = 0; i < e.param_count(); ++i) {
    const char* group = nullptr;
    for (const fx::param_group* g = e.groups(); g && g->name; ++g)
      if (g->first <= i) group = g->name;
    if (group && key == std::string(group) + " " + e.desc(i).name) return i;
    if (key == e.desc(i).name) bare = i, ++bare_count;
  }
  return bare_count == 1 ? bare : -1;
}

bool apply_insert(const insert_block& block, synth::synth& engine, std::string& error) {
  fx::chain& chain = engine.effects();
  std::unique_ptr<fx::effect> scratch = fx::create_effect(true, block.effect.c_str());
  if (!scratch || !chain.set_effect(block.slot - 1, block.effect.c_str())) {
    error = "line " + std::to_string(block.line) + ": no effect named \"" + block.effect + "\"";
    return false;
  }
  fx::effect& live = *chain.slot(block.slot - 1);
  for (const setting& s : block.values) {
    const int index = effect_param(live, s.key);
    if (index < 0) {
      error = where(s) + block.effect + " has no such parameter (or more than one: add the group)";
      return false;
    }
    // The law is asked of a scratch copy, so the live effect only ever holds
    // the final value.
    const display_law law = [&](float v) {
      scratch->set_value(index, v);
      char text[text_capacity];
      scratch->format_value(index, text, sizeof text);
      return std::string(text);
    };
    const fx::param_desc& d = live.desc(index);
    float value;
    if (!value_from_display(law, {d.min, d.max, d.integer != 0}, s.value, value, error)) {
      error = where(s) + error;
      return false;
    }
    live.set_value(index, value);
  }
  return true;
}

// A parameter that only acts while another is on: its lines are dead
// otherwise, and a sound file that sets them has a fault (a level set on an
// oscillator that plays no waveform is never heard).
struct dependency {
  int first, last;  // the dependent parameters
  int needs;        // on while this value is above 0 (a mode, waveform or depth)
};

constexpr dependency dependencies[] = {
    {synth::p::glide_time, synth::p::glide_time, synth::p::glide_mode},
    {synth::p::osc_a_width, synth::p::width_mod_b, synth::p::osc_a_waveform},
    {synth::p::osc_a_level, synth::p::osc_a_invert, synth::p::osc_a_waveform},
    {synth::p::osc_b_width, synth::p::detune_mod_b, synth::p::osc_b_waveform},
    {synth::p::osc_b_level, synth::p::ringmod_level, synth::p::osc_b_waveform},
    {synth::p::ringmod_level, synth::p::ringmod_level, synth::p::osc_a_waveform},
    {synth::p::osc_a_xmod, synth::p::osc_a_xmod, synth::p::osc_xmod},
    {synth::p::osc_b_xmod, synth::p::osc_b_xmod, synth::p::osc_xmod},
    {synth::p::filter_trigger, synth::p::filter_mod_b, synth::p::filter_mode},
    {synth::p::shaper_mode, synth::p::shaper_mode, synth::p::shaper_depth},
    {synth::p::shaper_symm, synth::p::shaper_tone, synth::p::shaper_depth},
    {synth::p::shflt_frequency, synth::p::shflt_keytrack, synth::p::shflt_mode},
};

// A dependent line left silent by the finished preset; a level set to "-"
// (off) is no fault. Index of the line's parameter, or -1.
const named_line* dead_line(const std::vector<named_line>& lines, const synth::preset& p) {
  for (const named_line& n : lines) {
    if (p.get(n.index) == 0.f) continue;  // switching something off is always fine
    for (const dependency& d : dependencies)
      if (n.index >= d.first && n.index <= d.last && p.get(d.needs) <= 0.f) return &n;
  }
  return nullptr;
}

}  // namespace

bool build_preset(const sound_text& sound, synth::preset& out, std::string& error) {
  synth::build_factory_init(out);
  out.name = sound.name;
  out.category = sound.category;
  std::vector<named_line> named;
  if (!resolve_params(sound.preset, 0, synth::preset_param_count, named, error)) return false;
  float values[synth::preset_param_count];
  for (int i = 0; i < synth::preset_param_count; ++i) values[i] = out.get(i);
  for (const named_line& n : named) {
    const display_law law = [&](float v) {
      synth::display_context ctx;
      ctx.preset = values;
      char text[text_capacity];
      synth::display(n.index, v, ctx, text, sizeof text);
      return std::string(text);
    };
    if (!value_from_display(law, range_of(n.index), n.line->value, values[n.index], error)) {
      error = where(*n.line) + error;
      return false;
    }
    out.set(n.index, values[n.index]);
  }
  if (const named_line* dead = dead_line(named, out)) {
    error = where(*dead->line) + "never heard: what it depends on is off";
    return false;
  }
  return true;
}

bool needs_instance(const sound_text& sound) { return !sound.instance.empty() || !sound.inserts.empty(); }

bool apply_instance(const sound_text& sound, synth::synth& engine, std::string& error) {
  if (!apply_globals(sound.instance, engine, error)) return false;
  for (const insert_block& block : sound.inserts)
    if (!apply_insert(block, engine, error)) return false;
  return true;
}

}  // namespace factory
