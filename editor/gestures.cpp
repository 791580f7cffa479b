// Gestures, undo and redo, and the right-click menu of the parameter
// controls. A gesture is what a user does in one go (a drag, a burst of wheel
// steps, a typed value, a menu choice): it is one undo step, and for the
// parameters a host automates it is wrapped in a begin and an end of edit so
// that the host can record touch automation.
#include <algorithm>
#include <cstdio>

#include "editor/synth_editor.h"
#include "editor/value_entry.h"
#include "guilib/platform/keys.h"
#include "synth/display_inverse.h"
#include "synth/param_table.h"

namespace gui {

namespace {

namespace cmd = plugin::command;
namespace key = wnd::key;

}  // namespace

// --- gestures -----------------------------------------------------------------------------

void synth_editor::begin_gesture(control* widget, const edit_scope& scope, std::string label, bool wheel) {
  end_gesture();
  gesture_.open = true;
  gesture_.widget = widget;
  gesture_.scope = scope;
  gesture_.label = std::move(label);
  gesture_.wheel = wheel;
  gesture_.quiet_ticks = 0;
  gesture_.before = capture(port_, scope);
  if (scope.parts & edit_part::param) port_.begin_edit(scope.param);
}

void synth_editor::end_gesture() {
  if (!gesture_.open) return;
  gesture_.open = false;
  gesture_.widget = nullptr;
  if (gesture_.scope.parts & edit_part::param) port_.end_edit(gesture_.scope.param);
  edit_state after = capture(port_, gesture_.scope);
  if (after == gesture_.before) return;
  announce_state_edit(gesture_.scope);
  keep_changed_programs(gesture_.before, after);
  history_.push({gesture_.label, std::move(gesture_.before), std::move(after)});
  refresh_history_arrows();
}

void synth_editor::within_gesture(control& c, const edit_scope& scope, const std::string& label,
                                  const std::function<void()>& apply) {
  if (gesture_.open && gesture_.widget == &c) {
    gesture_.quiet_ticks = 0;
    return apply();
  }
  const bool wheel = host_wheel_ || (root_ && root_->wheeling());
  begin_gesture(&c, scope, label, wheel);
  apply();
  if (!wheel) end_gesture();
}

void synth_editor::step(const edit_scope& scope, const std::string& label, const std::function<void()>& apply) {
  begin_gesture(nullptr, scope, label, false);
  apply();
  end_gesture();
}

// Wheel bursts end when the wheel rests; a drag whose release never came
// (the pointer taken away) ends when the control no longer holds the mouse.
void synth_editor::tick_gesture() {
  if (!gesture_.open || !gesture_.widget) return;
  if (gesture_.wheel) {
    if (++gesture_.quiet_ticks >= wheel_quiet_ticks) end_gesture();
    return;
  }
  if (!root_ || root_->target() != gesture_.widget || !root_->captured()) end_gesture();
}

// --- undo and redo ----------------------------------------------------------------------------

void synth_editor::undo() {
  end_gesture();
  const undo_step* s = history_.undo();
  if (!s) return say("Nothing to undo", "");
  restore(port_, s->before);
  after_restore(*s);
  say("Undo", s->label);
}

void synth_editor::redo() {
  end_gesture();
  const undo_step* s = history_.redo();
  if (!s) return say("Nothing to redo", "");
  restore(port_, s->after);
  after_restore(*s);
  say("Redo", s->label);
}

// A host parameter reaches the host as automation; anything else an edit
// changes (effect values through their slot, routes, programs, globals) is
// announced as a state edit, for shells whose engine is elsewhere.
void synth_editor::announce_state_edit(const edit_scope& scope) {
  const bool host_param_only = scope.parts == edit_part::param && scope.param >= 0 &&
                               scope.param < synth::preset_param_count;
  if (host_param_only) return;
  if (synth::host_interface* h = port_.host()) h->state_edited();
}

void synth_editor::after_restore(const undo_step& s) {
  const edit_state& b = s.before;
  const bool one_host_param = b.programs.empty() && b.bank_name.empty() && b.routes.empty() && b.effects.empty() &&
                              b.params.size() == 1;
  announce_state_edit(one_host_param ? edit_scope{edit_part::param, b.params[0].index}
                                     : edit_scope{edit_part::program, -1});
  refresh_history_arrows();
  if (!s.before.programs.empty()) {
    // Whole presets changed: the host re-selects the program and shows it.
    if (synth::host_interface* h = port_.host()) {
      h->reload_program();
      h->update_display();
    }
  }
  if (!view_) return;
  refresh_all(*view_, port_);
  refresh_effect_view();
}

void synth_editor::refresh_history_arrows() {
  if (!view_ || !view_->undo_arrow) return;
  view_->undo_arrow->set_enabled(history_.can_undo());
  view_->redo_arrow->set_enabled(history_.can_redo());
}

bool synth_editor::shortcut(event& e) {
  // A text field that holds the keyboard keeps its keys to itself.
  if (!e.input.ctrl || e.input.alt || (root_ && root_->focus())) return false;
  if (e.key == key::letter_a + ('Z' - 'A')) {
    e.input.shift ? redo() : undo();
    return true;
  }
  if (e.key == key::letter_a + ('Y' - 'A') && !e.input.shift) {
    redo();
    return true;
  }
  return false;
}

// --- the right-click menu --------------------------------------------------------------------

bool synth_editor::open_control_menu(int32_t index, point at) {
  if (!view_ || index < 0 || index >= synth::param_count) return false;
  bound_control& b = view_->params[size_t(index)];
  if (!b.widget) return false;
  const synth::param_info& row = synth::param_row(index);
  menu_target t;
  t.widget = b.widget;
  t.learn = index;
  t.label = port_.full_name(index);
  t.def = row.def;
  t.range = {row.min, row.max, row.is_integer};
  t.law = [this, index](float v) { return port_.trial_display(index, v); };
  if (index < synth::preset_param_count && port_.host()) {
    // The name the host lists the parameter's automation lane under.
    plugin::command_args n;
    n.index = index;
    port_.send(cmd::param_name, n);
    t.automation = synth_port::text_of(n);
  }
  return open_menu_for(std::move(t), at);
}

bool synth_editor::open_menu_for(menu_target t, point at) {
  if (!view_ || !root_ || !t.widget) return false;
  control_menu_entries entries;
  entries.learn = t.learn >= 0;
  entries.automation_name = t.automation;
  if (t.learn >= 0) {
    plugin::command_args a;
    port_.send(cmd::cc_map, a);
    if (const auto* map = static_cast<const platform::relaxed<int32_t>*>(a.pointer))
      for (int32_t cc = 0; cc < 128; ++cc)
        if (map[cc] == t.learn) entries.controllers.push_back(cc);
  }
  const std::string text = control_menu_text(entries);
  menu_target_ = std::move(t);
  control_menu_ = std::make_unique<control_menu>(*view_->style, rect{at.x, at.y, at.x + 1, at.y + 1}, text,
                                                 [this](int32_t item) { control_menu_chosen(item); });
  input_state held = window_ ? window_->input : input_state{};
  held.left = held.right = held.middle = false;
  menu_session::open(*root_, *control_menu_, held);
  return true;
}

// A value for the menu's control as its own change: the control's listener
// makes it one gesture (and one undo step).
void synth_editor::set_from_menu(float value) {
  control* c = menu_target_.widget;
  if (!c) return;
  c->set_value(value);
  c->notify(true);
}

void synth_editor::control_menu_chosen(int32_t item) {
  const menu_target& t = menu_target_;
  if (!view_ || !t.widget) return;
  if (item == control_menu_item::learn) {
    arm_learning(t.learn);
    return say(t.label, "adjust a controller (CC) to map it here");
  }
  if (item >= control_menu_item::forget_first && item < control_menu_item::forget_first + 128) {
    const int32_t cc = item - control_menu_item::forget_first;
    port_.send(cmd::unmap_controller, cc);
    char text[64];
    std::snprintf(text, sizeof text, "Forgot controller CC %i", cc);
    return say(text, t.label);
  }
  if (item == control_menu_item::set_default) return set_from_menu(t.def);
  if (item == control_menu_item::enter_value) {
    const ui_style& st = *view_->style;
    const rect around = t.widget->bounds();
    const int32_t w = std::max(around.width(), st.px(72.f)), h = st.px(16.f);
    const int32_t x = std::clamp(around.centre().x - w / 2, 0, std::max(root_->bounds().x2 - w, 0));
    const int32_t y = std::clamp(around.y2 - h / 2, 0, std::max(root_->bounds().y2 - h, 0));
    const float now = t.widget->value();
    open_value_entry(*root_, st, {x, y, x + w, y + h}, t.law ? t.law(now) : std::to_string(now),
                     [this](const std::string& text) { enter_value(text); });
  }
}

bool synth_editor::enter_value(const std::string& text) {
  const menu_target& t = menu_target_;
  if (!view_ || !t.widget || !t.law) return false;
  float value = 0.f;
  std::string error;
  if (!synth::value_from_display(t.law, t.range, text, value, error)) {
    say(t.label + ": no value shows as \"" + text + "\"", error);
    return false;
  }
  set_from_menu(value);
  return true;
}

}  // namespace gui
