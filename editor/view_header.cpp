// The top band: the preset selector at the left (the wordmark, the program
// number and name, its category, the bank, the program list) and the display
// at the right (two text lines, the main menu, the voice count, MIDI and
// sustain lights, the peak meter, one light per voice slot).
#include <cstdio>

#include "editor/editor_view.h"
#include "synth/preset.h"
#include "editor/layout.h"
#include "editor/menu_strings.h"
#include "guilib/style/palette.h"
#include "guilib/widgets/skin_images.h"

namespace gui {

namespace {

namespace pal = palette;

struct header_builder {
  const ui_style& st;
  editor_view& v;
  rect r(float x, float y, float w, float h) const { return layout::scaled(x, y, w, h, st.scale); }

  text& label(view& parent, const char* name, const std::string& s, rect at, align h = align::start) {
    text& t = parent.add<text>(name, at, s, &st, "label");
    t.set_align(h, align::centre);
    t.set_colour(pal::text_secondary);
    t.fit_line();
    return t;
  }
  text& line(view& parent, const char* name, rect at, color32 ink) {
    text& t = parent.add<text>(name, at, "", &st);
    t.set_font(st.display);
    t.set_box(true);
    t.set_colour(ink);
    t.set_offset(st.px(4.f), 0);
    return t;
  }
};

std::vector<std::string> program_numbers() {
  std::vector<std::string> out;
  for (int i = 0; i < synth::bank_size; ++i) {
    char n[8];
    std::snprintf(n, sizeof n, "%03d", i);
    out.push_back(n);
  }
  return out;
}

void preset_selector(header_builder& b, root_container& root) {
  const layout::section_place& s = *layout::section("preset selector");
  region& box = root.add<region>(s.name, layout::section_rect(s, b.st.scale), b.st);
  box.add<image>("logo", b.r(14, 15, 50, 22), skin_image("image/icon/vorn", b.st.scale));
  b.label(box, "label", "Program", b.r(74, 8, 60, 11));
  b.v.program = &box.add<stepper>("number", b.r(74, 19, 52, 16), b.st, program_numbers());
  b.label(box, "label", "Name", b.r(132, 8, 60, 11));
  b.v.name = &box.add<edit>("name", b.r(132, 19, 136, 16), b.st);
  b.v.name->set_max_length(63);
  b.v.undo_arrow = &box.add<history_arrow>("undo", b.r(240, 7, 13, 11), b.st, false);
  b.v.redo_arrow = &box.add<history_arrow>("redo", b.r(255, 7, 13, 11), b.st, true);
  b.v.programs = &box.add<dropbox>("menu", b.r(272, 19, 58, 16), b.st, program_menu({}));
  b.v.programs->display = [](const dropbox&) { return std::string("Presets"); };
  b.label(box, "label", "Category", b.r(74, 37, 56, 14));
  b.v.category = &box.add<edit>("category", b.r(132, 37, 66, 14), b.st);
  b.v.category->set_max_length(63);
  b.label(box, "label", "Bank", b.r(204, 37, 26, 14));
  b.v.bank = &box.add<edit>("bank", b.r(230, 37, 100, 14), b.st);
  b.v.bank->set_max_length(63);
}

// Lines at the left; at the right the main and view menus, the voice count
// and the MIDI lights on top, the two rows of the peak meter below.
void display(header_builder& b, root_container& root) {
  const layout::section_place& s = *layout::section("display");
  region& box = root.add<region>(s.name, layout::section_rect(s, b.st.scale), b.st);
  b.v.line0 = &b.line(box, "line 0", b.r(348, 9, 204, 16), pal::accent);
  b.v.line1 = &b.line(box, "line 1", b.r(348, 27, 204, 16), pal::text_primary);
  // The whole message under the pointer, as wide as the display.
  hover_note& note = box.add<hover_note>("display note", b.r(348, 9, 204, 34), b.st, b.st.px(400.f));
  editor_view* v = &b.v;
  note.message = [v] {
    // Only when a line shows less than its message.
    if (v->line0->str() == v->message[0] && v->line1->str() == v->message[1] && v->line0->overflow() == 0 &&
        v->line1->overflow() == 0)
      return std::string();
    return v->message[1].empty() ? v->message[0] : v->message[0] + "\n\n" + v->message[1];
  };
  b.v.display_note = &note;
  b.v.voice_lights = &box.add<ledstrip>("voice leds", b.r(350, 45, 200, 5), b.st, 32, pal::led_green);

  b.v.main_menu = &box.add<menu_button>("Menu", b.r(558, 9, 46, 16), b.st, "Menu", main_menu);
  b.v.look_menu = &box.add<menu_button>("look", b.r(608, 9, 40, 16), b.st, "View", "");

  container& activity = box.add<container>("activity leds", b.r(652, 9, 62, 16));
  b.label(activity, "label", "Voices", b.r(654, 9, 38, 16));
  b.v.voices = &activity.add<text>("active voices", b.r(692, 9, 22, 16), "0", &b.st);
  b.v.voices->set_font(b.st.value);
  b.v.voices->set_box(true);
  b.v.voices->set_align(align::end);
  b.v.voices->set_offset(-b.st.px(3.f), 0);

  container& midi = box.add<container>("midi leds", b.r(718, 9, 34, 16));
  b.label(midi, "label", "MIDI", b.r(718, 9, 22, 16));
  b.v.midi = &midi.add<indicator>("activity", b.r(740, 10, 7, 7), b.st, pal::led_red);
  b.v.sustain = &midi.add<indicator>("sustain", b.r(740, 18, 7, 7), b.st, pal::led_yellow);

  container& vu = box.add<container>("vu leds", b.r(558, 30, 194, 20));
  const std::vector<color32> colours = meter_colours(meter_lights);
  for (int32_t c = 0; c < 2; ++c) {
    ledstrip& m = vu.add<ledstrip>("Peak meter", b.r(558, 31 + 10 * float(c), 194, 8), b.st, meter_lights, pal::led_green);
    for (int32_t i = 0; i < meter_lights; ++i) m.set_colour(i, colours[size_t(i)]);
    b.v.meter[c] = &m;
  }
}

}  // namespace

void build_header(root_container& root, const ui_style& style, editor_view& v) {
  header_builder b{style, v};
  preset_selector(b, root);
  display(b, root);
}

}  // namespace gui
