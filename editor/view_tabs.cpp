// The tab area beside the shaper and the output: Global (tuning, unison,
// voices, glide, the legacy bender and velocity routes, the engine switches),
// Route (the 16 route rows in two columns of eight) and Effect (the four
// insert slots, and over them the parameter view of the slot being edited).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "editor/editor_view.h"
#include "editor/layout.h"
#include "editor/menu_strings.h"
#include "guilib/style/palette.h"
#include "guilib/view/painter.h"
#include "guilib/widgets/knob.h"

namespace gui {

namespace {

namespace pal = palette;

// A route's source as a row shows it: "Velocity", "CC 74", "1.0".
std::string route_source_text(int32_t code) {
  static const char* const note_sources[] = {"Key",    "Velocity",  "Pressure",      "Release",   "Program",
                                             "Aftertouch", "Bender", "Note Bend", "Note Pressure", "Note Slide"};
  constexpr int32_t note_source_count = sizeof note_sources / sizeof note_sources[0];
  if (code == 129) return "1.0";
  if (code >= 256 && code < 256 + note_source_count) return note_sources[code - 256];
  if (code >= 384 && code < 512) return "CC " + std::to_string(code - 384);
  return "-";
}

// A destination in the width of a row: the parameter's full name with its
// common words shortened ("Flt Freq", "EnvA Atk").
std::string route_destination_text(int32_t code) {
  if (code < 128 || code >= 128 + synth::preset_param_count) return "-";
  char full[64];
  synth::full_name(code - 128, full, sizeof full);
  std::string s = full;
  static const std::pair<const char*, const char*> words[] = {
      {"Filter", "Flt"},   {"Frequency", "Freq"}, {"Resonance", "Res"}, {"Osc A", "OscA"},  {"Osc B", "OscB"},
      {"Env A", "EnvA"},   {"Env B", "EnvB"},     {"Mod A", "ModA"},    {"Mod B", "ModB"},  {"Attack", "Atk"},
      {"Decay", "Dec"},    {"Sustain", "Sus"},    {"Release", "Rel"},   {"Keytrack", "Key"}, {"Waveform", "Wave"},
      {"Saturation", "Sat"}, {"Panning", "Pan"},  {"Detune", "Det"},    {"Ringmod", "Ring"}, {"Level", "Lvl"},
      {"Const Atk", "Const"}, {"Trigger", "Trig"}, {"Keysync", "Sync"}, {"Volume", "Vol"},  {"Width", "Wid"}};
  for (const auto& [from, to] : words)
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + std::strlen(to)))
      s.replace(at, std::strlen(from), to);
  return s;
}

// The engine switches in words a musician reads, by switch number; the
// command interface keeps its short names ("imd prg chg") for scripts, and a
// toggle shows the switch's description in the display.
constexpr const char* switch_labels[engine_switches] = {"Program change", "Instant update", "Recycle voices",
                                                        "Drum mode",      "Mono retrigger", "Block DC"};

constexpr float route_pitch = 14.f;  // base pixels from one route row to the next
constexpr float page_x = 366, page_y = 240, page_w = 384, page_h = 132;

// A panel that takes the presses on it, so the tab titles under the effect
// view do not switch pages while it shows.
class cover : public control {
 public:
  cover(std::string name, rect r, const ui_style& st) : control("region", std::move(name), r), style_(st) {
    filter().enabled = false;
  }
  int press(event&, point) override { return press_code::handled; }
  bool wheel(event&, point, float) override { return true; }
  void paint(painter& p) override {
    const float radius = style_.line(4.f);
    p.fill_round(bounds(), radius, pal::panel_edge);
    p.fill_round(bounds().inset(1), std::max(radius - 1.f, 0.f), pal::panel);
  }

 private:
  const ui_style& style_;
};

struct page_builder {
  const ui_style& st;
  editor_view& v;
  rect r(float x, float y, float w, float h) const { return layout::scaled(x, y, w, h, st.scale); }
  text& label(view& parent, const std::string& s, rect at, align h = align::start) {
    text& t = parent.add<text>("label", at, s, &st, "label");
    t.set_align(h, align::centre);
    t.set_colour(pal::text_secondary);
    t.fit_line();
    return t;
  }
};

void global_page(page_builder& b, container& page, const synth_port& port, int32_t pcm_waves) {
  page.set_name("global");
  for (const layout::caption_place& c : layout::captions())
    if (std::strcmp(c.section, "global") == 0)
      b.label(page, c.text, b.r(c.x, c.y, c.w, layout::caption_height), c.centred ? align::centre : align::start);
  for (const layout::control_place& c : layout::controls())
    if (std::strcmp(c.section, "global") == 0)
      b.v.params[size_t(c.index)] = make_param_control(page, c, b.st, port, pcm_waves);

  // The unison's saw count, an instance setting beside the unison globals.
  knob& saws = page.add<knob>("nsaws", b.r(702, 254, 24, 24), b.st, 65, 1);
  saws.set_range(1.f, 16.f);
  saws.set_integer(true);
  saws.set_default(16.f);
  saws.set_sensitivity(1.f);
  saws.set_range_pixels(100.f * b.st.scale);
  saws.set_caption("Saws");
  saws.set_display([](const knob& k) { return std::to_string(int(k.value())) + " saws"; });
  b.v.saws = &saws;

  container& flags = page.add<container>("flags", b.r(page_x, 332, page_w, 40));
  for (int32_t i = 0; i < engine_switches; ++i) {
    const float x = 368.f + 128.f * float(i % 3), y = 336.f + 17.f * float(i / 3);
    b.v.switch_lights[size_t(i)] = &flags.add<indicator>("indicator", b.r(x, y + 2, 8, 8), b.st, pal::led_green);
    slider& s = flags.add<slider>("switch", b.r(x + 12, y, 24, 12), b.st, 2);
    s.set_user_value(i);
    b.v.switches[size_t(i)] = &s;
    b.label(flags, switch_labels[i], b.r(x + 40, y - 1, 84, 14));
  }
}

void route_page(page_builder& b, container& page) {
  page.set_name("route");
  container& list = page.add<container>("route", b.r(page_x, page_y, page_w, page_h));
  const std::string sources = source_menu(), destinations = destination_menu();
  const ui_style& st = b.st;
  // Two columns of eight rows, 184 pixels wide with a 12-pixel gutter:
  // source, mode, destination and the depth knob. The rows are placed on a
  // pitch of whole pixels at the scale, so that every size spaces them evenly.
  const int32_t top = st.px(254.f), pitch = st.px(route_pitch), height = pitch - std::max(1, st.px(1.f));
  auto cell = [&](float x, int32_t row, float w) {
    return rect_of(st.px(x), top + pitch * row, st.px(x + w) - st.px(x), height);
  };
  for (int32_t c = 0; c < 2; ++c) {
    const float x0 = 368.f + 196.f * float(c);
    b.label(list, "Source", b.r(x0, 242, 50, 10));
    b.label(list, "Mode", b.r(x0 + 52, 242, 38, 10));
    b.label(list, "Destination", b.r(x0 + 92, 242, 62, 10));
    b.label(list, "Depth", b.r(x0 + 156, 242, 28, 10), align::centre);
  }
  for (int32_t i = 0; i < route_rows; ++i) {
    const float x0 = 368.f + 196.f * float(i / 8);
    const int32_t row = i % 8;
    route_row_view& rv = b.v.routes[size_t(i)];
    rv.row = &list.add<container>("row", cell(x0, row, 184));
    rv.source = &rv.row->add<dropbox>("Source", cell(x0, row, 50), st, sources);
    rv.source->set_range(0.f, 511.f);
    rv.mode = &rv.row->add<dropbox>("Mode", cell(x0 + 52, row, 38), st, route_mode_menu);
    rv.mode->set_range(-1.f, 1.f);
    rv.destination = &rv.row->add<dropbox>("Destination", cell(x0 + 92, row, 62), st, destinations);
    rv.destination->set_range(0.f, 255.f);
    for (dropbox* d : {rv.source, rv.mode, rv.destination}) {
      d->set_integer(true);
      d->set_user_value(i);
    }
    rv.source->display = [](const dropbox& d) { return route_source_text(int32_t(d.value())); };
    rv.destination->display = [](const dropbox& d) { return route_destination_text(int32_t(d.value())); };
    rv.mode->display = [](const dropbox& d) {
      return std::string(d.value() < 0.f ? "-" : d.value() < 0.5f ? "Add" : "Mul");
    };
    // A bipolar knob as tall as the row, centred in the Depth column.
    const rect c = cell(x0 + 156, row, 28);
    const int32_t d = c.height();
    knob& k = rv.row->add<knob>("Depth", rect_of((c.x1 + c.x2 - d) / 2, c.y1, d, d), st, 65, 2);
    k.set_range(-1.f, 1.f);
    k.set_default(0.f);
    k.set_sensitivity(1.f / 32.f);
    k.set_range_pixels(100.f * st.scale);
    k.set_display([](const knob& kk) {
      char text[16];
      std::snprintf(text, sizeof text, "%+.2f", double(kk.value()));
      return std::string(text);
    });
    k.set_floating_value(true);
    k.set_user_value(i);
    rv.depth = &k;
  }
}

void effect_page(page_builder& b, container& page) {
  page.set_name("effect");
  for (int32_t i = 0; i < effect_slots; ++i) {
    const float y = 250.f + 26.f * float(i);
    container& row = page.add<container>("effect", b.r(368, y, 160, 18));
    b.label(row, std::to_string(i + 1), b.r(368, y, 12, 18), align::centre);
    effect_row_view& e = b.v.effects[size_t(i)];
    e.effect = &row.add<dropbox>("effect", b.r(382, y + 1, 100, 16), b.st, effect_menu);
    e.effect->set_range(0.f, 13.f);
    e.effect->set_integer(true);
    e.effect->set_user_value(i);
    e.edit = &row.add<button>("edit", b.r(488, y + 1, 40, 16), b.st, "edit");
    e.edit->set_user_value(i);
  }
  b.label(page, "Four insert slots after the voices,", b.r(540, 252, 206, 12));
  b.label(page, "run from 1 to 4. Edit shows a slot's", b.r(540, 264, 206, 12));
  b.label(page, "parameters.", b.r(540, 276, 206, 12));

  // Over the whole tab area, tab titles included: the Reverb's 24 parameters
  // need the room. Back returns to the slots.
  effect_edit_view& fx = b.v.fx_edit;
  const layout::section_place& area = layout::tab_area;
  fx.panel = &page.add<container>("fx edit", b.r(area.x, area.y, area.w, area.h));
  fx.panel->add<cover>("bg", b.r(area.x, area.y, area.w, area.h), b.st);
  fx.title = &fx.panel->add<text>("title", b.r(374, 220, 280, 13), "", &b.st);
  fx.title->set_header(true);
  fx.close = &fx.panel->add<button>("close", b.r(700, 219, 46, 15), b.st, "Back");
  fx.params = &fx.panel->add<container>("params", b.r(area.x, 234, area.w, area.y + area.h - 234));
  fx.panel->set_visible(false);
}

}  // namespace

void build_tabs(root_container& root, const ui_style& st, const synth_port& port, int32_t pcm_waves, editor_view& v) {
  page_builder b{st, v};
  const layout::section_place& area = layout::tab_area;
  container& box = root.add<container>(area.name, layout::section_rect(area, st.scale));
  box.add<region>("tabs panel", layout::section_rect(area, st.scale), st);
  v.pages = &box.add<tabs>("tabs", b.r(372, 220, 210, layout::tab_bar_height), b.r(page_x, page_y, page_w, page_h), st,
                           std::vector<std::string>{"Global", "Route", "Effect"});
  global_page(b, v.pages->page(0), port, pcm_waves);
  route_page(b, v.pages->page(1));
  effect_page(b, v.pages->page(2));
}

}  // namespace gui
