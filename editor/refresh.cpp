#include "editor/refresh.h"

#include <cmath>
#include <cstdio>

#include "editor/menu_strings.h"
#include "fx/effect.h"
#include "guilib/menu/menu_parser.h"
#include "guilib/style/palette.h"
#include "guilib/widgets/knob.h"
#include "synth/preset.h"
#include "synth/routes.h"

namespace gui {

namespace {

namespace cmd = plugin::command;

// The user holds it: a knob or slider being dragged, a drop-down whose menu is open.
bool held(const control& c) {
  if (const root_container* r = c.root(); r && r->target() == &c && r->captured()) return true;
  if (auto* d = dynamic_cast<const dropbox*>(&c)) return d->is_open();
  return false;
}

void set_if_free(control& c, float v) {
  if (!held(c) && c.value() != v) c.set_value(v);
}

// A route row's source and destination as the menus code them: class x 128 + index.
int32_t code_of(int32_t cls, int32_t index) { return cls <= 0 ? 0 : cls * 128 + index; }

// The effect menu's value of an effect name; -1 for one the menu does not offer.
int32_t effect_value(const std::string& name) {
  static const menu_level menu = parse_menu(effect_menu, menu_options{});
  for (const menu_item& it : menu.items)
    if (it.type == menu_item::kind::choice && it.text == name) return it.value;
  return -1;
}

std::string effect_name_in(const synth_port& port, int32_t slot) {
  const fx::effect* e = port.effect_in_slot(slot);
  return e ? e->name() : "-";
}

}  // namespace

void refresh_presets(editor_view& v, const synth_port& port) {
  const int program = port.program();
  set_if_free(*v.program, float(program));
  auto put = [](edit* field, const std::string& s) {
    if (field && !field->focused()) field->set_text(s);
  };
  put(v.name, port.preset_name());
  put(v.category, port.preset_category());
  put(v.bank, port.bank_name());
  std::vector<std::string> names;
  for (int i = 0; i < synth::bank_size; ++i) names.push_back(port.preset_name(i));
  v.programs->set_description(program_menu(names));
  v.programs->set_range(0.f, float(synth::bank_size - 1));
  set_if_free(*v.programs, float(program));
}

void refresh_params(editor_view& v, const synth_port& port) {
  bool voices_changed = false;
  for (bound_control& b : v.params) {
    if (!b.widget || held(*b.widget)) continue;
    const float now = port.read(b.index);
    if (now == b.widget->value()) continue;
    show_value(b, now);
    voices_changed |= b.index == synth::p::voices;
  }
  // The global glide mode names its choices by mono or poly operation.
  bound_control& glide = v.params[synth::p::global_glide_mode];
  if (voices_changed && glide.widget) {
    static_cast<stepper*>(glide.widget)->set_choices(choice_texts(port, glide.index, 0));
  }
}

void refresh_routes(editor_view& v, const synth_port& port) {
  for (int32_t i = 0; i < route_rows; ++i) {
    const synth::route* r = port.route_row(i);
    if (!r) continue;
    route_row_view& rv = v.routes[size_t(i)];
    set_if_free(*rv.source, float(code_of(r->source_class, r->source_index)));
    set_if_free(*rv.mode, float(r->mode == 0 || r->mode == 1 ? r->mode.load() : -1));
    set_if_free(*rv.destination, float(code_of(r->dest_class, r->dest_index)));
    set_if_free(*rv.depth, r->depth);
  }
}

void refresh_effects(editor_view& v, const synth_port& port) {
  for (int32_t i = 0; i < effect_slots; ++i) {
    effect_row_view& e = v.effects[size_t(i)];
    const std::string name = effect_name_in(port, i);
    if (name == e.name && e.effect->value() == float(effect_value(name))) continue;
    e.name = name;
    set_if_free(*e.effect, float(effect_value(name)));
    e.effect->mark_dirty();
    e.edit->set_enabled(name != "-");
  }
}

void refresh_switches(editor_view& v, const synth_port& port) {
  for (int32_t i = 0; i < engine_switches; ++i) {
    const bool on = port.send(cmd::read_switch, i) != 0;
    set_if_free(*v.switches[size_t(i)], on ? 1.f : 0.f);
    v.switch_lights[size_t(i)]->set_on(on);
  }
  set_if_free(*v.saws, float(port.send(cmd::saw_count)));
}

void refresh_all(editor_view& v, const synth_port& port) {
  refresh_presets(v, port);
  refresh_params(v, port);
  refresh_routes(v, port);
  refresh_effects(v, port);
  refresh_switches(v, port);
}

float meter_value(float level) { return level > 0.f ? 20.f * std::log10(level) / 3.f + 16.f : -1000.f; }

void tick_lights(editor_view& v, const synth_port& port, light_state& s) {
  if (port.send(cmd::meter_active)) {
    float levels[2] = {0.f, 0.f};
    plugin::command_args a;
    a.pointer = levels;
    port.send(cmd::output_levels, a);
    const bool quiet = levels[0] < 0.004f && levels[1] < 0.004f;
    for (int c = 0; c < 2; ++c) v.meter[c]->set_meter(quiet ? 0.f : meter_value(levels[c]));
  }
  if (port.send(cmd::engine_running)) {
    char count[16];
    std::snprintf(count, sizeof count, "%i", port.send(cmd::voices_rendered));
    v.voices->set_text(count);
    plugin::command_args slots;
    port.send(cmd::slot_count, slots);
    // A slot's light: its voice's level, and a flash for a note that has
    // just started (within the last 4096 samples).
    constexpr int32_t fresh_samples = 4096;
    for (int32_t i = 0; i < v.voice_lights->count(); ++i) {
      const bool exists = i < slots.number;
      v.voice_lights->set_colour(i, exists ? palette::led_green : palette::panel_edge);
      float level = 0.f;
      if (exists) {
        plugin::command_args a;
        a.index = i;
        port.send(cmd::voice_activity, a);
        level = a.value > 0.f ? 0.35f + 0.65f * std::min(a.value, 1.f) : 0.f;
        if (a.value > 0.f && port.send(cmd::voice_age, i) < fresh_samples) level = 1.f;
      }
      v.voice_lights->set_level(i, level);
    }
  }
  const int32_t state = port.send(cmd::displayed_voice_state);
  for (int32_t e = 0; e < 2; ++e) {
    plugin::command_args a;
    a.index = e;
    const int32_t stage = port.send(cmd::envelope_state, a);
    for (int32_t k = 0; k < 4; ++k) v.envelope_lights[e]->set_level(k, stage == k ? std::max(0.4f, a.value) : 0.f);
    v.envelope_lights[e]->set_level(4, state & 8 ? 1.f : 0.f);
  }
  for (int32_t l = 0; l < 2; ++l) {
    plugin::command_args a;
    a.index = l;
    port.send(cmd::lfo_state, a);
    v.lfo_lights[l]->set_level(0, a.number & 1 ? 1.f : 0.f);
    v.lfo_lights[l]->set_level(1, a.number & 2 ? 0.f : 1.f);
    v.lfo_lights[l]->set_level(2, (a.value + 1.f) * 0.5f);
  }
  s.midi = port.send(cmd::midi_activity) ? 1.f : s.midi * 0.7f;
  v.midi->set_level(0, s.midi);
  v.sustain->set_on(port.send(cmd::sustain) != 0);
}

}  // namespace gui
