// What the editor's widgets do: parameter controls write their parameter
// (through the host for the 89 it knows, so it can record automation), the
// preset selector changes programs and names, the display's menus run their
// actions, the Global, Route and Effect pages send their commands. Every
// change is echoed in the display: what moved, and its value as text.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "editor/controller_names.h"
#include "editor/layout.h"
#include "editor/menu_strings.h"
#include "editor/synth_editor.h"
#include "editor/value_entry.h"
#include "fx/effect.h"
#include "platform/utf8.h"
#include "fx/registry.h"
#include "guilib/paint/canvas.h"
#include "guilib/style/palette.h"
#include "guilib/widgets/knob.h"
#include "synth/routes.h"

namespace gui {

namespace {

namespace cmd = plugin::command;

// A route row's menu code back into class and index: class = code / 128.
void split_code(int32_t code, platform::relaxed<int32_t>& cls, platform::relaxed<int32_t>& index) {
  cls = code / 128;
  index = code % 128;
}

// The effect view's grid, in base pixels: the panel's inside, the dial of a
// parameter with its caption under it, the column pitch within a band (at
// least what a caption such as "Distribution" needs). Heights are at least
// what the fonts take, which keep a readable size at small scales.
constexpr float effect_left = 368.f, effect_width = 384.f, effect_top = 234.f;
constexpr float effect_dial = 18.f, effect_row_pitch = 29.f;
constexpr float effect_min_pitch = 46.f, effect_max_pitch = 64.f;
constexpr int32_t effect_rows = 2;

// Where a group's heading or a parameter sits, in window pixels.
struct effect_cell {
  const char* heading = nullptr;  // a group's title, or null for a parameter
  int32_t param = -1;
  rect at;  // the heading's line, or the parameter's column from its dial down
};

std::vector<effect_cell> effect_cells(const fx::param_group* groups, int32_t count, const ui_style& st) {
  struct block {
    const char* title;
    int32_t first, n, columns;
  };
  std::vector<block> blocks;
  if (groups && groups[0].name) {
    for (const fx::param_group* g = groups; g->name; ++g) {
      const int32_t end = g[1].name ? std::min(g[1].first, count) : count;
      if (end > g->first) blocks.push_back({g->name, g->first, end - g->first, 0});
    }
  } else {
    blocks.push_back({nullptr, 0, count, 0});
  }
  for (block& b : blocks) b.columns = (b.n + effect_rows - 1) / effect_rows;
  const int32_t max_columns = int32_t(effect_width / effect_min_pitch);
  const int32_t heading_h = std::max(st.px(layout::caption_height), st.header->line_height() + 1);
  const int32_t row_h = std::max(st.px(effect_row_pitch), st.px(effect_dial) + st.px(1.f) + st.label->line_height() + 1);
  std::vector<effect_cell> out;
  int32_t y = st.px(effect_top);
  for (size_t first = 0; first < blocks.size();) {
    // As many blocks as fit side by side make a band.
    size_t last = first;
    int32_t columns = blocks[first].columns;
    while (last + 1 < blocks.size() && columns + blocks[last + 1].columns <= max_columns) columns += blocks[++last].columns;
    const float pitch = std::min(effect_max_pitch, effect_width / float(std::max(columns, 1)));
    const bool titled = blocks[first].title != nullptr;
    const int32_t top = y + (titled ? heading_h : 0);
    float x = effect_left;
    for (size_t k = first; k <= last; ++k) {
      const block& b = blocks[k];
      if (titled) {
        const int32_t x1 = st.px(x + 2.f), x2 = st.px(x + pitch * float(b.columns) - 2.f);
        out.push_back({b.title, -1, rect{x1, y, x2, y + heading_h}});
      }
      for (int32_t i = 0; i < b.n; ++i) {
        const float cx = x + pitch * float(i % b.columns);
        const int32_t x1 = st.px(cx), x2 = st.px(cx + pitch), y1 = top + row_h * (i / b.columns);
        out.push_back({nullptr, b.first + i, rect{x1, y1, x2, y1 + row_h}});
      }
      x += pitch * float(b.columns);
    }
    y = top + row_h * effect_rows;
    first = last + 1;
  }
  return out;
}
}  // namespace

void synth_editor::wire() {
  wire_params();
  wire_header();
  wire_pages();
}

void synth_editor::param_moved(bound_control& b) {
  const int32_t i = b.index;
  within_gesture(*b.widget, {edit_part::param, i}, port_.full_name(i), [this, &b] { apply_param(b); });
}

void synth_editor::arm_learning(int32_t index) {
  learning_ = false;
  learn_target_ = index;
  plugin::command_args a;
  port_.send(cmd::cc_map, a);
  if (const auto* map = static_cast<const platform::relaxed<int32_t>*>(a.pointer))
    for (int32_t cc = 0; cc < 128; ++cc) map_before_[size_t(cc)] = map[cc];
  port_.send(cmd::arm_learn, index);
}

// The widget's value into the engine: the host's parameters through the host
// (it records automation), the globals through the command channel.
void synth_editor::apply_param(bound_control& b) {
  const int32_t i = b.index;
  // Learn: this control's parameter waits for the next controller.
  if (learning_) arm_learning(i);
  synth::host_interface* host = port_.host();
  if (i < synth::preset_param_count && host) {
    host->set_parameter_automated(i, normalised_of(b));
  } else {
    port_.write(i, b.widget->value());
  }
  show_value(b, port_.read(i));
  if (i == synth::p::voices) refresh_params(*view_, port_);
  say(port_.full_name(i), port_.display(i));
  if (learn_target_ == i) say(port_.full_name(i), "adjust a controller (CC) to map it here");
}

void synth_editor::check_learned() {
  if (learn_target_ < 0) return;
  plugin::command_args a;
  port_.send(cmd::cc_map, a);
  const auto* map = static_cast<const platform::relaxed<int32_t>*>(a.pointer);
  if (!map) return;
  for (int32_t cc = 0; cc < 128; ++cc) {
    if (map[cc] != learn_target_ || map_before_[size_t(cc)] == learn_target_) continue;
    char text[96];
    std::snprintf(text, sizeof text, "Mapped %s (%i)", controller_name(cc).c_str(), cc);
    say(text, "to " + port_.full_name(learn_target_));
    learn_target_ = -1;
    return;
  }
}

void synth_editor::wire_params() {
  for (bound_control& b : view_->params) {
    if (!b.widget) continue;
    function_listener& l = view_->listen([this, &b](control&) { param_moved(b); });
    const edit_scope scope{edit_part::param, b.index};
    l.on_drag_start = [this, scope](control& c) { begin_gesture(&c, scope, port_.full_name(scope.param), false); };
    l.on_drag_end = [this](control& c) {
      if (gesture_.open && gesture_.widget == &c) end_gesture();
    };
    l.on_menu = [this, i = b.index](control&, point at) { return open_control_menu(i, at); };
    b.widget->set_listener(&l);
  }
}

// A control that is not a parameter's: its drags are gestures of the part it edits.
void synth_editor::wire_gestures(control& c, const edit_scope& scope, const std::string& label) {
  auto* l = dynamic_cast<function_listener*>(c.listener());
  if (!l) return;
  l->on_drag_start = [this, scope, label](control& w) { begin_gesture(&w, scope, label, false); };
  l->on_drag_end = [this](control& w) {
    if (gesture_.open && gesture_.widget == &w) end_gesture();
  };
}

void synth_editor::wire_header() {
  editor_view& v = *view_;
  auto select_program = [this](control& c) {
    if (synth::host_interface* h = port_.host()) h->set_program(int(c.value()));
    refresh_presets(*view_, port_);
    refresh_params(*view_, port_);
    say("Program " + std::to_string(int(c.value())), port_.preset_name());
  };
  v.program->set_listener(&v.listen(select_program));
  v.programs->set_listener(&v.listen(select_program));
  // A double-click on the number types it; Enter loads that program.
  // The field opens once the press is over (a press moves the focus).
  v.program->on_edit = [this](stepper& s) {
    root_->defer([this, r = s.bounds(), shown = s.choice_text()] {
      open_value_entry(*root_, *view_->style, r, shown, [this](const std::string& typed) {
        char* end = nullptr;
        const long n = std::strtol(typed.c_str(), &end, 10);
        if (typed.empty() || *end != '\0' || n < 0 || n >= synth::bank_size)
          return say("No program \"" + typed + "\"", "Programs are 0 to " + std::to_string(synth::bank_size - 1));
        view_->program->set_value(float(n));
        view_->program->notify(true);
      });
    });
  };
  auto text_command = [this](int number, const char* told) {
    return [this, number, told](edit& e) {
      plugin::command_args a;
      a.index = -1;
      a.text = e.str().c_str();
      const uint32_t part = number == cmd::set_bank_name ? edit_part::bank : edit_part::program;
      step({part, -1}, told, [&] { port_.send(number, a); });
      if (synth::host_interface* h = port_.host()) h->update_display();
      refresh_presets(*view_, port_);
      say(told, platform::cut_utf8(e.str(), synth::preset_name_max));
    };
  };
  v.name->on_commit = text_command(cmd::set_preset_name, "Preset name set to:");
  v.category->on_commit = text_command(cmd::set_preset_category, "Preset category set to:");
  v.bank->on_commit = text_command(cmd::set_bank_name, "Bank name set to:");

  v.undo_arrow->set_listener(&v.listen([this](control&) { undo(); }));
  v.redo_arrow->set_listener(&v.listen([this](control&) { redo(); }));
  refresh_history_arrows();

  v.main_menu->set_placeholder(&fillers_);
  v.main_menu->set_listener(&v.listen([this](control& c) {
    notify_menu(*actions_, static_cast<dropbox&>(c).chosen());
  }));
  // Each submenu has values of its own (bases), so that the current colour
  // and the current size can both be marked.
  // The top level marks nothing ([h0]): its submenu items count from 0 too.
  v.look_menu->set_description(std::string("[72x14][h0]Colour{[h1]") + colour_menu() + "}Size{[h1][b" +
                               std::to_string(size_value_base) + "]" + scale_menu + "}Background{[b" +
                               std::to_string(background_value_base) + "]" + bitmap_menu + "}");
  v.look_menu->marked = [this] {
    return std::vector<int32_t>{background_.load(), size_value_base + choice_of_scale(scale_)};
  };
  v.look_menu->set_listener(&v.listen([this](control& c) { look_chosen(static_cast<dropbox&>(c).chosen()); }));
}

// A route row's widgets into its engine row.
void synth_editor::edit_route(route_row_view& rv, int32_t row) {
  synth::route* r = port_.route_row(row);
  if (!r) return;
  split_code(int32_t(rv.source->value()), r->source_class, r->source_index);
  split_code(int32_t(rv.destination->value()), r->dest_class, r->dest_index);
  r->mode = rv.mode->value() < 0.f ? 0 : int32_t(rv.mode->value());
  r->depth = rv.depth->value();
  port_.send(cmd::route_rows_edited);
  port_.send(cmd::route_row_edited, row);
  refresh_routes(*view_, port_);
  char depth[32];
  std::snprintf(depth, sizeof depth, "%+.2f", double(rv.depth->value()));
  say("Route " + std::to_string(row + 1) + ": " + rv.source->shown_text() + " to " + rv.destination->shown_text(),
      rv.mode->shown_text() + " " + depth);
}

void synth_editor::wire_pages() {
  editor_view& v = *view_;
  for (int32_t i = 0; i < engine_switches; ++i) {
    v.switches[size_t(i)]->set_listener(&v.listen([this, i](control& c) {
      const bool on = c.value() > 0.5f;
      plugin::command_args a;
      a.index = i;
      a.number = on ? 1 : 0;
      port_.send(cmd::write_switch, a);
      view_->switch_lights[size_t(i)]->set_on(on);
      plugin::command_args d;
      d.index = i;
      port_.send(cmd::switch_description, d);
      say(synth_port::text_of(d), on ? "Enabled" : "Disabled");
    }));
  }
  v.saws->set_listener(&v.listen([this](control& c) {
    plugin::command_args a;
    a.number = int32_t(c.value());
    port_.send(cmd::set_saw_count, a);
    say("Oscillator unison count", std::to_string(port_.send(cmd::saw_count)));
  }));

  for (route_row_view& rv : v.routes) {
    auto edited = [this, &rv](control& c) {
      const int32_t row = c.user_value();
      within_gesture(c, {edit_part::routes, -1}, "Route " + std::to_string(row + 1), [&] { edit_route(rv, row); });
    };
    for (control* c : {static_cast<control*>(rv.source), static_cast<control*>(rv.mode),
                       static_cast<control*>(rv.destination), static_cast<control*>(rv.depth)}) {
      c->set_listener(&v.listen(edited));
      wire_gestures(*c, {edit_part::routes, -1}, "Route " + std::to_string(c->user_value() + 1));
    }
    // The depth's menu: its default and a typed value ("+0.50", as the display shows it).
    static_cast<function_listener*>(rv.depth->listener())->on_menu = [this, &rv](control& c, point at) {
      menu_target t;
      t.widget = &c;
      t.label = "Route " + std::to_string(c.user_value() + 1) + " depth";
      t.def = rv.depth->default_value();
      t.range = {c.minimum(), c.maximum(), false};
      t.law = [](float v) {
        char depth[32];
        std::snprintf(depth, sizeof depth, "%+.2f", double(v));
        return std::string(depth);
      };
      return open_menu_for(std::move(t), at);
    };
  }

  for (effect_row_view& e : v.effects) {
    e.effect->display = [&e](const dropbox&) { return e.name; };
    e.effect->set_listener(&v.listen([this](control& c) {
      const int32_t slot = c.user_value();
      const std::string name = static_cast<dropbox&>(c).chosen().text;
      plugin::command_args a;
      a.index = slot;
      a.text = name.c_str();
      step({edit_part::effects, -1}, "Effect slot " + std::to_string(slot + 1),
           [&] { port_.send(cmd::set_effect_slot, a); });
      refresh_effects(*view_, port_);
      if (view_->fx_edit.slot == slot) open_effect_view(slot);
      say("Effect slot " + std::to_string(slot + 1), view_->effects[size_t(slot)].name);
    }));
    e.edit->set_listener(&v.listen([this](control& c) { open_effect_view(c.user_value()); }));
  }
  v.fx_edit.close->set_listener(&v.listen([this](control&) {
    view_->fx_edit.panel->set_visible(false);
    view_->fx_edit.slot = -1;
  }));
}

// The parameters of the slot's effect over the tab area, in the groups of
// the effect's table (Global, Diffuse, Tail for the Reverb; one untitled
// group when it gives none): each group a titled block of two rows, blocks
// side by side in bands as wide as the panel. Switches for on/off values.
void synth_editor::open_effect_view(int32_t slot) {
  effect_edit_view& fx = view_->fx_edit;
  // The controls are made again: a menu's target among them is gone.
  for (control* c : fx.values)
    if (menu_target_.widget == c) menu_target_ = {};
  const ui_style& st = *view_->style;
  fx.params->clear_children();
  fx.values.clear();
  fx::effect* e = port_.effect_in_slot(slot);
  if (!e) {
    fx.panel->set_visible(false);
    fx.slot = -1;
    return;
  }
  fx.slot = slot;
  fx.effect = e->name();
  fx.title->set_text("Slot " + std::to_string(slot + 1) + "  " + e->name());
  const std::string name = e->name();
  const int32_t count = std::min(e->param_count(), fx::max_params);
  const std::vector<effect_cell> cells = effect_cells(e->groups(), count, st);
  for (const effect_cell& g : cells)
    if (g.heading) {
      text& h = fx.params->add<text>("group", g.at, g.heading, &st);
      h.set_header(true);
      h.set_align(align::start, align::centre);
    }
  for (int32_t i = 0; i < count; ++i) {
    const fx::param_desc& d = e->desc(i);
    const effect_cell* at = nullptr;
    for (const effect_cell& g : cells)
      if (g.param == i) at = &g;
    if (!at) continue;
    const rect& cell = at->at;
    const int32_t dial = st.px(effect_dial), cx = (cell.x1 + cell.x2) / 2;
    // The caption may reach a little into the neighbouring columns: a long
    // name ("Distribution") beside a short one or none still reads whole.
    const int32_t reach = cell.width() / 8;
    const rect caption = rect{cell.x1 - reach, cell.y1 + dial + st.px(1.f), cell.x2 + reach,
                              cell.y1 + dial + st.px(1.f) + st.label->line_height() + 1};
    control* c = nullptr;
    if (d.integer && d.min == 0.f && d.max == 1.f) {
      const int32_t sw = st.px(24.f), sh = st.px(12.f);
      slider& s = fx.params->add<slider>(d.name, rect_of(cx - sw / 2, cell.y1 + (dial - sh) / 2, sw, sh), st, 2);
      text& t = fx.params->add<text>("label", caption, d.name, &st, "label");
      t.set_align(align::centre, align::start);
      t.set_colour(palette::text_secondary);
      c = &s;
    } else {
      knob& k = fx.params->add<knob>(d.name, rect_of(cx - dial / 2, cell.y1, dial, dial), st, 65, d.min < 0.f ? 2 : 1);
      k.label().set_bounds(caption);
      k.set_range(d.min, d.max);
      k.set_integer(d.integer != 0);
      k.set_default(d.def);
      k.set_sensitivity(d.integer ? 1.f : (d.max - d.min) / 32.f);
      k.set_range_pixels(100.f * st.scale);
      k.set_caption(d.name);
      k.set_display([this, i](const knob& kk) {
        fx::effect* now = port_.effect_in_slot(view_->fx_edit.slot);
        if (!now || i >= now->param_count()) return std::string();
        char text[64];
        now->format_value(i, text, sizeof text);
        return std::string(text);
      });
      c = &k;
    }
    c->set_value(e->value(i));
    c->set_user_value(i);
    const std::string label = name + " " + d.name;
    c->set_listener(&view_->listen([this, name, label](control& cc) {
      fx::effect* now = port_.effect_in_slot(view_->fx_edit.slot);
      if (!now || name != now->name()) return;
      const int32_t p = cc.user_value();
      within_gesture(cc, {edit_part::effects, -1}, label, [&] { now->set_value(p, cc.value()); });
      char text[64];
      now->format_value(p, text, sizeof text);
      say(label, text);
    }));
    wire_gestures(*c, {edit_part::effects, -1}, label);
    // The menu: the default and a typed value, read through the effect's own
    // display (asked of a scratch copy, so the playing effect only gets the result).
    static_cast<function_listener*>(c->listener())->on_menu = [this, name, label, i, d](control& cc, point at) {
      menu_target t;
      t.widget = &cc;
      t.label = label;
      t.def = d.def;
      t.range = {d.min, d.max, d.integer != 0};
      std::shared_ptr<fx::effect> scratch = fx::create_effect(false, name.c_str());
      if (scratch)
        t.law = [scratch, i](float v) {
          scratch->set_value(i, v);
          char text[64];
          scratch->format_value(i, text, sizeof text);
          return std::string(text);
        };
      return open_menu_for(std::move(t), at);
    };
    fx.values.push_back(c);
  }
  fx.panel->set_visible(true);
}

void synth_editor::refresh_effect_view() {
  effect_edit_view& fx = view_->fx_edit;
  if (fx.slot < 0) return;
  fx::effect* e = port_.effect_in_slot(fx.slot);
  if (!e || fx.effect != e->name()) return open_effect_view(fx.slot);
  for (control* c : fx.values) {
    const root_container* r = c->root();
    if (r && r->target() == c && r->captured()) continue;
    const float v = e->value(c->user_value());
    if (c->value() != v) c->set_value(v);
  }
}

}  // namespace gui
