// The synthesizer's sections: one panel per section of the layout, its
// parameter controls and group captions, and the envelope and LFO lights in
// the headers of their panels.
#include <cstring>
#include <map>
#include <string>

#include "editor/editor_view.h"
#include "editor/layout.h"
#include "guilib/style/palette.h"

namespace gui {

namespace {

namespace pal = palette;

// The envelope panels (A, B) within "adsr" and the LFO panels within "lfo".
struct panel_place {
  const char* group;
  const char* title;
  float x, y, w, h;
};
constexpr panel_place modulator_panels[] = {
    {"adsr", "Env A", 6, 384, 180, 126},  {"adsr", "Env B", 192, 384, 180, 126},
    {"lfo", "Mod A", 378, 384, 186, 126}, {"lfo", "Mod B", 570, 384, 186, 126},
};

bool is_page(const char* section) { return std::strcmp(section, "global") == 0; }

// Lights at the right end of a panel's header line.
ledstrip& header_lights(view& parent, const char* name, const panel_place& p, int32_t count, const ui_style& st) {
  const float w = 11.f * float(count);
  return parent.add<ledstrip>(name, layout::scaled(p.x + p.w - w - 8.f, p.y + 5.f, w, 9.f, st.scale), st, count,
                              pal::led_green);
}

void modulator_lights(view& group, const panel_place& p, int32_t n, const ui_style& st, editor_view& v) {
  if (std::strcmp(p.group, "adsr") == 0) {
    // Attack, decay (green), sustain (yellow), release and gate (red).
    ledstrip& l = header_lights(group, "mainleds", p, 5, st);
    const color32 c[] = {pal::led_green, pal::led_green, pal::led_yellow, pal::led_red, pal::led_red};
    for (int32_t i = 0; i < 5; ++i) l.set_colour(i, c[i]);
    v.envelope_lights[n] = &l;
  } else {
    // The pulse (red), the delay running (yellow), the value (green).
    ledstrip& l = header_lights(group, "lfoleds", p, 3, st);
    const color32 c[] = {pal::led_red, pal::led_yellow, pal::led_green};
    for (int32_t i = 0; i < 3; ++i) l.set_colour(i, c[i]);
    v.lfo_lights[n] = &l;
  }
}

}  // namespace

void build_sections(root_container& root, const ui_style& st, const synth_port& port, int32_t pcm_waves,
                    editor_view& v) {
  std::map<std::string, view*> parents;
  for (const layout::section_place& s : layout::sections()) {
    const std::string name = s.name;
    if (name == "preset selector" || name == "display" || name == "control" || is_page(s.name)) continue;
    if (s.title[0]) {
      parents[name] = &root.add<region>(s.name, layout::section_rect(s, st.scale), st, s.title);
    } else {
      parents[name] = &root.add<container>(s.name, layout::section_rect(s, st.scale));
    }
  }
  int32_t counts[2] = {0, 0};
  for (const panel_place& p : modulator_panels) {
    view& group = *parents.at(p.group);
    group.add<region>(p.title, layout::scaled(p.x, p.y, p.w, p.h, st.scale), st, p.title);
    int32_t& n = counts[std::strcmp(p.group, "adsr") == 0 ? 0 : 1];
    modulator_lights(group, p, n++, st, v);
  }
  for (const layout::caption_place& c : layout::captions()) {
    if (is_page(c.section)) continue;
    text& t = parents.at(c.section)->add<text>("label", layout::scaled(c.x, c.y, c.w, layout::caption_height, st.scale),
                                               c.text, &st, "label");
    t.set_align(c.centred ? align::centre : align::start, align::centre);
    t.set_colour(pal::text_secondary);
    t.fit_line();
  }
  for (const layout::control_place& c : layout::controls()) {
    if (is_page(c.section)) continue;
    v.params[size_t(c.index)] = make_param_control(*parents.at(c.section), c, st, port, pcm_waves);
  }
}

}  // namespace gui
