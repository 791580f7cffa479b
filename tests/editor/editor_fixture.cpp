#include "tests/editor/editor_fixture.h"

#include <cstring>
#include <functional>

#include "guilib/menu/menu_session.h"
#include "guilib/platform/keys.h"
#include "guilib/widgets/edit.h"
#include "guilib/widgets/knob.h"
#include "guilib/widgets/slider.h"
#include "guilib/widgets/stepper.h"

namespace editor_test {

editor_instance* editor_instance::current = nullptr;

namespace {

using gui::mouse_button;

int record_command(plugin::command_args* a, void* context, int number) {
  auto* self = static_cast<editor_instance*>(context);
  self->commands_.push_back({number, a->index, a->value, a->number, a->text ? a->text : ""});
  return self->inner_.command(a, self->inner_.context, number);
}

intptr_t VST_CALL host_callback(AEffect*, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  editor_instance* self = editor_instance::current;
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterAutomate:
      if (self) self->host_.automated.emplace_back(index, opt);
      if (self) self->host_.edits.emplace_back(opcode, index);
      return 0;
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
      if (self) self->host_.edits.emplace_back(opcode, index);
      return 1;
    case audioMasterSizeWindow:
      if (self) self->host_.window_sizes.emplace_back(index, int32_t(value));
      return 1;
    case audioMasterUpdateDisplay:
      if (self) ++self->host_.display_updates;
      return 1;
    case audioMasterCanDo:
      return ptr && std::strcmp(static_cast<const char*>(ptr), "sizeWindow") == 0 && self &&
                     self->host_.size_window_supported
                 ? 1
                 : 0;
    default:
      return 0;
  }
}

plugin::editor_object* make_recorded_editor(const plugin::editor_link& link) {
  editor_instance* self = editor_instance::current;
  self->inner_ = link;
  self->recorded_host_.inner = link.host;
  self->recorded_host_.log = &self->host_;
  const plugin::editor_link recorded{record_command, self, &self->recorded_host_, link.presets};
  return new gui::synth_editor(recorded, [] { return std::unique_ptr<wnd::backend>(new wnd::headless); });
}

}  // namespace

editor_instance::editor_instance() {
  current = this;
  plugin_ = plugin::synth_plugin::create(host_callback, make_recorded_editor);
  dispatch(effOpen);
  dispatch(effSetSampleRate, 0, 0, nullptr, 44100.f);
  dispatch(effSetBlockSize, 0, 512);
  dispatch(effMainsChanged, 0, 1);
}

editor_instance::~editor_instance() {
  dispatch(effEditClose);
  dispatch(effClose);
  current = nullptr;
}

intptr_t editor_instance::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  return effect()->dispatcher(effect(), opcode, index, value, ptr, opt);
}

void editor_instance::send_cc(int cc, int v) {
  VstMidiEvent m{};
  m.type = kVstMidiType;
  m.byteSize = sizeof m;
  m.midiData[0] = char(0xB0);
  m.midiData[1] = char(cc);
  m.midiData[2] = char(v);
  struct {
    VstEvents h;
  } list{};
  list.h.numEvents = 1;
  list.h.events[0] = reinterpret_cast<VstEvent*>(&m);
  dispatch(effProcessEvents, 0, 0, &list.h);
  float l[64], r[64];
  float* out[2] = {l, r};
  effect()->processReplacing(effect(), nullptr, out, 64);
  wait();
}

bool editor_instance::open() {
  if (dispatch(effEditOpen) != 1) return false;
  wait();
  return true;
}

void editor_instance::close() { dispatch(effEditClose); }

void editor_instance::wait(uint32_t ms) {
  backend().advance(window(), ms);
  dispatch(effEditIdle);
}

std::vector<float> editor_instance::all_parameters() {
  std::vector<float> out;
  for (int32_t i = 0; i < synth::param_count; ++i) out.push_back(get(i));
  return out;
}

std::string editor_instance::display(int32_t index) {
  char text[64] = {};
  dispatch(effGetParamDisplay, index, 0, text);
  return text;
}

// What the display was told (the whole message, however its lines show it).
std::string editor_instance::line(int n) { return view().message[n == 0 ? 0 : 1]; }

void editor_instance::click(const gui::rect& r, mouse_button b) {
  const gui::point c = r.centre();
  backend().click(window(), b, c.x, c.y);
  editor().root()->run_deferred();
}

void editor_instance::click_at(int32_t x, int32_t y) {
  backend().click(window(), mouse_button::left, x, y);
  editor().root()->run_deferred();
}

void editor_instance::drag(const gui::rect& r, int32_t dy) {
  const gui::point c = r.centre();
  backend().drag(window(), mouse_button::left, c.x, c.y, c.x, c.y + dy);
}

bool editor_instance::move_control(int32_t index) {
  gui::bound_control& b = view().params[size_t(index)];
  gui::control& c = *b.widget;
  const gui::rect r = c.bounds();
  const bool high = c.value() > (c.minimum() + c.maximum()) * 0.5f;
  switch (b.place->type) {
    case gui::layout::kind::stepper:
    case gui::layout::kind::icons:
      // The arrow towards the middle of the range.
      click_at(high ? r.x1 + 2 : r.x2 - 3, r.centre().y);
      return true;
    case gui::layout::kind::toggle:
      click_at(high ? r.x1 + 1 : r.x2 - 2, r.centre().y);
      return true;
    case gui::layout::kind::dropdown: {
      auto& d = static_cast<gui::dropbox&>(c);
      click(r);
      if (!d.is_open()) return false;
      // A choice of another value, in the top panel or, failing that, in
      // the first submenu (the route lists keep their parameters there).
      for (int depth = 0; depth < 2; ++depth) {
        gui::menu_panel& panel = *d.session()->panels().back();
        int32_t first_sub = -1;
        for (size_t i = 0; i < panel.level().items.size(); ++i) {
          const gui::menu_item& it = panel.level().items[i];
          if (!it.shown || !it.enabled || it.type != gui::menu_item::kind::choice) continue;
          if (it.submenu) {
            if (first_sub < 0) first_sub = int32_t(i);
            continue;
          }
          if (float(it.value) == c.value() || float(it.value) < c.minimum() || float(it.value) > c.maximum()) continue;
          click(panel.item_rect(i));
          return true;
        }
        if (first_sub < 0) break;
        const gui::point p = panel.item_rect(size_t(first_sub)).centre();
        backend().mouse_move(window(), p.x, p.y);
      }
      d.session()->cancel();
      editor().root()->run_deferred();
      return false;
    }
    default:
      drag(r, high ? 30 : -30);
      return true;
  }
}

bool editor_instance::choose(gui::dropbox& d, const std::string& path, bool shift) {
  gui::input_state held;
  held.shift = shift;
  d.open_menu(held);
  if (!d.is_open()) return false;
  size_t from = 0;
  for (size_t depth = 0;; ++depth) {
    const size_t slash = path.find('>', from);
    const std::string step = path.substr(from, slash == std::string::npos ? std::string::npos : slash - from);
    gui::menu_panel& panel = *d.session()->panels().back();
    bool found = false;
    for (size_t i = 0; i < panel.level().items.size() && !found; ++i) {
      const gui::menu_item& it = panel.level().items[i];
      if (!it.shown || it.text != step || it.type != gui::menu_item::kind::choice || !it.enabled) continue;
      found = true;
      const gui::point p = panel.item_rect(i).centre();
      if (slash == std::string::npos) {
        click_at(p.x, p.y);
        return true;
      }
      backend().mouse_move(window(), p.x, p.y);
    }
    if (!found) {
      d.session()->cancel();
      editor().root()->run_deferred();
      return false;
    }
    from = slash + 1;
  }
}

void editor_instance::right_click(const gui::rect& r) {
  const gui::point c = r.centre();
  backend().click(window(), mouse_button::right, c.x, c.y);
  editor().root()->run_deferred();
}

gui::menu_session* editor_instance::open_menu() { return dynamic_cast<gui::menu_session*>(root().grabber()); }

bool editor_instance::choose_in_open_menu(const std::string& text) {
  gui::menu_session* s = open_menu();
  if (!s) return false;
  gui::menu_panel& panel = *s->panels().front();
  for (size_t i = 0; i < panel.level().items.size(); ++i) {
    const gui::menu_item& it = panel.level().items[i];
    if (!it.shown || it.text != text || it.type != gui::menu_item::kind::choice) continue;
    const gui::point p = panel.item_rect(i).centre();
    click_at(p.x, p.y);
    return true;
  }
  return false;
}

std::vector<std::string> editor_instance::open_menu_texts() {
  std::vector<std::string> out;
  if (gui::menu_session* s = open_menu())
    for (const gui::menu_item& it : s->panels().front()->level().items)
      if (it.shown) out.push_back(it.text);
  return out;
}

void editor_instance::key(int32_t code, bool ctrl, bool shift) {
  if (ctrl) backend().key_down(window(), wnd::key::ctrl);
  if (shift) backend().key_down(window(), wnd::key::shift);
  backend().press_key(window(), code);
  if (shift) backend().key_up(window(), wnd::key::shift);
  if (ctrl) backend().key_up(window(), wnd::key::ctrl);
  editor().root()->run_deferred();
}

bool editor_instance::dialog_open() { return root().modal_layer() != nullptr; }

bool editor_instance::answer_file(const std::string& path) {
  gui::view* layer = root().modal_layer();
  if (!layer) return false;
  auto* name = dynamic_cast<gui::edit*>(layer->find("name"));
  gui::view* ok = layer->find("OK");
  if (!name || !ok) return false;
  name->set_text(path);
  click(ok->bounds());
  return true;
}

// The texts of the open dialog in tree order, joined with single blanks
// (the box wraps long lines into several texts).
std::string editor_instance::message_text() {
  gui::view* layer = root().modal_layer();
  if (!layer) return {};
  std::string all;
  std::function<void(gui::view&)> walk = [&](gui::view& v) {
    if (auto* t = dynamic_cast<gui::text*>(&v); t && !t->str().empty()) all += (all.empty() ? "" : " ") + t->str();
    for (const auto& c : v.children()) walk(*c);
  };
  walk(*layer);
  return all;
}

bool editor_instance::answer_message(bool ok) {
  gui::view* layer = root().modal_layer();
  if (!layer) return false;
  gui::view* b = layer->find(ok ? "OK" : "Cancel");
  if (!b) return false;
  click(b->bounds());
  return true;
}

std::vector<int> editor_instance::command_numbers() const {
  std::vector<int> out;
  for (const sent& s : commands_) out.push_back(s.number);
  return out;
}

bool editor_instance::sent_command(int number) const {
  for (const sent& s : commands_)
    if (s.number == number) return true;
  return false;
}

}  // namespace editor_test
