#include "tools/gui-demo/gallery.h"

#include <cmath>
#include <cstdio>

#include "guilib/archive/bitmap_cache.h"
#include "guilib/menu/populate_menu.h"
#include "guilib/style/palette.h"
#include "guilib/widgets/decor.h"
#include "guilib/widgets/dialogs.h"
#include "guilib/widgets/edit.h"
#include "guilib/widgets/list_box.h"
#include "guilib/widgets/skin_images.h"
#include "guilib/widgets/slider.h"
#include "guilib/widgets/stepper.h"
#include "guilib/widgets/tabs.h"
#include "tools/gui-demo/menu_strings.h"

namespace demo {

namespace {

using namespace gui;

// The display's two lines: what happened and the detail.
void say(gallery& g, const std::string& a, const std::string& b) {
  g.line0->set_text(a);
  g.line1->set_text(b);
}
namespace pal = gui::palette;

// Builds one page with lengths in the 762 x 516 layout.
struct page {
  root_container& root;
  const ui_style& st;
  gallery& g;

  rect r(float x, float y, float w, float h) const { return rect_of(st.px(x), st.px(y), st.px(w), st.px(h)); }

  control_listener& listen(std::function<void(control&)> f) {
    g.listeners.push_back(std::make_unique<function_listener>(std::move(f)));
    return *g.listeners.back();
  }

  void say(const std::string& a, const std::string& b) { demo::say(g, a, b); }

  region& section(const char* title, float x, float y, float w, float h) {
    return root.add<region>(title, r(x, y, w, h), st, title);
  }

  text& label(view& parent, const std::string& s, float x, float y, float w, align h = align::start) {
    text& t = parent.add<text>("label", r(x, y, w, 11.f), s, &st, "label");
    t.set_align(h, align::centre);
    t.set_colour(pal::text_secondary);
    return t;
  }

  knob& add_knob(view& parent, const char* name, float cx, float cy, float size, float v, bool bipolar = false) {
    knob& k = parent.add<knob>(name, r(cx - size / 2, cy - size / 2, size, size), st, size >= 49 ? 97 : 65,
                               bipolar ? 2 : 1);
    if (bipolar) k.set_range(-1.f, 1.f);
    k.set_caption(name);
    k.set_value(v);
    k.set_default(bipolar ? 0.f : 0.5f);
    k.set_listener(&listen([g = &g](control& c) {
      auto& kk = static_cast<knob&>(c);
      demo::say(*g, kk.name(), kk.value_text());
    }));
    g.knobs.push_back(&k);
    return k;
  }
};

void knobs_section(page& p) {
  region& s = p.section("Knobs", 8, 8, 248, 142);
  p.add_knob(s, "Cutoff", 40, 58, 49, 0.62f);
  p.add_knob(s, "Resonance", 100, 58, 39, 0.35f);
  p.add_knob(s, "Env A", 152, 58, 33, -0.45f, true);
  p.add_knob(s, "Drive", 194, 58, 24, 0.8f);
  knob& off = p.add_knob(s, "Keytrack", 232, 58, 24, 0.3f);
  off.set_enabled(false);
  // A main control with its two modulation depths beside it, smaller.
  p.add_knob(s, "Pitch", 40, 118, 33, 0.f, true);
  p.add_knob(s, "Mod A", 80, 114, 16, 0.4f, true);
  p.add_knob(s, "Mod B", 118, 114, 16, -0.7f, true);
  knob& fine = p.add_knob(s, "Rotary", 160, 116, 24, 0.25f);
  fine.set_drag(drag_mode::rotary);
  knob& smooth = p.add_knob(s, "Smooth", 206, 116, 24, 0.66f);
  smooth.set_smoothing(true);
}

void switches_section(page& p) {
  region& s = p.section("Switches and steppers", 264, 8, 240, 142);
  slider& inv = s.add<slider>("Invert", p.r(276, 32, 24, 12), p.st, 2);
  inv.set_value(1.f);
  p.label(s, "Invert", 306, 32, 44);
  slider& sync = s.add<slider>("Keysync", p.r(276, 50, 24, 12), p.st, 2);
  sync.set_value(0.f);
  p.label(s, "Keysync", 306, 50, 44);
  slider& trig = s.add<slider>("Trigger", p.r(358, 30, 32, 16), p.st, 3);
  trig.set_value(1.f);
  p.label(s, "Trigger", 396, 32, 40);
  slider& det = s.add<slider>("Detune", p.r(358, 52, 134, 12), p.st, 0);
  det.set_value(0.4f);
  for (control* c : {static_cast<control*>(&inv), static_cast<control*>(&sync), static_cast<control*>(&trig),
                     static_cast<control*>(&det)}) {
    c->set_listener(&p.listen([g = &p.g](control& cc) {
      char v[32];
      std::snprintf(v, sizeof v, "%.2f", double(cc.value()));
      say(*g, cc.name(), v);
    }));
  }

  p.label(s, "Range", 276, 74, 60);
  stepper& range = s.add<stepper>("Range", p.r(276, 86, 72, 15), p.st, std::vector<std::string>{"Low", "Audio", "Tempo"});
  range.set_value(1.f);
  p.label(s, "Bias", 358, 74, 60);
  s.add<stepper>("Bias", p.r(358, 86, 60, 15), p.st, std::vector<std::string>{"Neg", "Off", "Pos"}).set_value(1.f);
  p.label(s, "Waveform", 428, 74, 64);
  std::vector<const bitmap*> icons;
  for (const char* w : {"pulse", "ramp", "triangle", "sine", "random", "pcm"})
    icons.push_back(&skin_image(std::string("image/icon/waveform/") + w, p.st.scale));
  s.add<stepper>("Waveform", p.r(428, 86, 64, 15), p.st, icons).set_value(2.f);

  p.label(s, "Glide", 276, 108, 60);
  s.add<stepper>("Glide", p.r(276, 120, 116, 15), p.st,
                 std::vector<std::string>{"Off", "Portamento", "Glissando", "Legato", "Auto"}).set_value(1.f);
  s.add<stepper>("Env", p.r(400, 120, 92, 15), p.st, std::vector<std::string>{"Off", "Env A", "Env B"}).set_value(1.f);
  p.label(s, "Env", 400, 108, 60);
}

void display_section(page& p) {
  region& s = p.section("Display", 512, 8, 242, 142);
  s.add<image>("logo", p.r(696, 10, 50, 22), skin_image("image/icon/vorn", p.st.scale));
  text& l0 = s.add<text>("line 0", p.r(522, 32, 222, 17), "Vorn widget gallery", &p.st);
  l0.set_font(p.st.display);
  l0.set_box(true);
  l0.set_colour(pal::accent);
  text& l1 = s.add<text>("line 1", p.r(522, 51, 222, 17), "Changes show here", &p.st);
  l1.set_font(p.st.display);
  l1.set_box(true);
  p.g.line0 = &l0;
  p.g.line1 = &l1;

  p.g.main_menu = &s.add<menu_button>("Menu", p.r(522, 76, 48, 18), p.st, "Menu", every_menu()[0].text);
  p.g.main_menu->set_placeholder(p.g.placeholder.get());
  p.g.main_menu->set_listener(&p.listen([g = &p.g](control& c) {
    const menu_choice& ch = static_cast<dropbox&>(c).chosen();
    say(*g, "Menu: " + ch.path, ch.dynamic ? "a placeholder entry" : "value " + std::to_string(ch.value));
  }));

  p.label(s, "Voices", 580, 76, 40);
  text& voices = s.add<text>("active voices", p.r(616, 76, 26, 17), "12", &p.st);
  voices.set_font(p.st.value);
  voices.set_box(true);
  voices.set_align(align::end);

  p.label(s, "MIDI", 652, 76, 30);
  ledstrip& midi = s.add<ledstrip>("midi leds", p.r(680, 78, 28, 13), p.st, 2, pal::led_red);
  midi.set_colour(1, pal::led_yellow);
  midi.set_level(0, 1.f);
  midi.set_level(1, 0.3f);

  p.label(s, "Output", 522, 102, 60);
  p.g.meter_left = &s.add<ledstrip>("Peak meter", p.r(522, 114, 222, 9), p.st, 17, pal::led_green);
  p.g.meter_right = &s.add<ledstrip>("Peak meter", p.r(522, 125, 222, 9), p.st, 17, pal::led_green);
  const std::vector<color32> mc = meter_colours(17);
  for (int i = 0; i < 17; ++i) p.g.meter_left->set_colour(i, mc[size_t(i)]), p.g.meter_right->set_colour(i, mc[size_t(i)]);
  p.g.meter_left->set_meter(13.4f);
  p.g.meter_right->set_meter(11.7f);
}

void buttons_section(page& p) {
  region& s = p.section("Buttons and fields", 8, 158, 248, 116);
  button& rnd = s.add<button>("Randomize", p.r(20, 180, 70, 18), p.st, "Randomize");
  s.add<button>("Init", p.r(96, 180, 48, 18), p.st, "Init");
  button& off = s.add<button>("Disabled", p.r(150, 180, 60, 18), p.st, "Disabled");
  off.set_enabled(false);
  rnd.set_listener(&p.listen([g = &p.g](control&) { say(*g, "Randomize", "clicked (reported on release inside)"); }));
  p.label(s, "Name", 20, 206, 60);
  edit& name = s.add<edit>("name", p.r(20, 218, 150, 18), p.st, "Warm Analog Pad");
  p.label(s, "Category", 178, 206, 60);
  edit& cat = s.add<edit>("category", p.r(178, 218, 66, 18), p.st, "Pads");
  for (edit* e : {&name, &cat}) e->on_commit = [g = &p.g](edit& ed) { say(*g, ed.name() + " set to:", ed.str()); };
  p.label(s, "Double-click or Ctrl+click a knob resets it;", 20, 244, 224);
  p.label(s, "Shift or the right button drag finely.", 20, 256, 224);
}

void menus_section(page& p) {
  region& s = p.section("Menus", 264, 158, 490, 146);
  const std::vector<menu_string>& all = every_menu();
  const float col_w = 118.f, row_h = 27.f;
  for (size_t i = 1; i < all.size(); ++i) {
    const float x = 276 + float((i - 1) % 4) * (col_w + 2.f), y = 178 + float((i - 1) / 4) * row_h;
    p.label(s, all[i].name, x, y, col_w);
    dropbox& d = s.add<dropbox>(all[i].name, p.r(x, y + 11, col_w - 6, 15), p.st, all[i].text);
    p.g.menus.push_back(&d);
    d.set_listener(&p.listen([g = &p.g](control& c) {
      const menu_choice& ch = static_cast<dropbox&>(c).chosen();
      say(*g, c.name() + ": " + ch.text, "value " + std::to_string(ch.value) + ", path " + ch.path);
    }));
  }
  p.g.menus.insert(p.g.menus.begin(), p.g.main_menu);
  // Starting values that show a typical patch.
  const std::vector<std::pair<const char*, int>> values = {{"Voices", 19}, {"XMod", 0}, {"Filter", 5}, {"Shaper filter", 0},
                                                            {"Route source", 257}, {"Route mode", 0}, {"Destination", 169},
                                                            {"Effect", 1}, {"Scale", 0}, {"Background", 1}, {"Colour", 6},
                                                            {"Sequence loop", 1}};
  for (auto& [name, v] : values)
    if (view* d = s.find(name)) static_cast<dropbox*>(d)->set_value(float(v));
  p.g.all_menus = &s.add<menu_button>("Every menu", p.r(632, 178 + 3 * row_h + 11, 110, 15), p.st, "Open every menu",
                                      menu_of_menus());
  p.g.all_menus->set_item_size(96, 14);
  p.g.all_menus->set_placeholder(p.g.placeholder.get());
  p.g.all_menus->set_listener(&p.listen([g = &p.g](control& c) {
    const menu_choice& ch = static_cast<dropbox&>(c).chosen();
    say(*g, ch.path, "value " + std::to_string(ch.value));
  }));
}

void tabs_section(page& p) {
  region& s = p.section("Tabs", 8, 282, 248, 226);
  tabs& t = s.add<tabs>("control", p.r(16, 298, 232, 18), p.r(16, 320, 232, 180), p.st,
                        std::vector<std::string>{"Global", "Route", "Effect"});
  container& global = t.page(0);
  p.add_knob(global, "Coarse", 44, 350, 33, 0.5f, false);
  p.add_knob(global, "Fine", 96, 350, 33, 0.5f, false);
  p.add_knob(global, "Volume", 148, 350, 33, 0.62f, false);
  p.add_knob(global, "Detune", 200, 350, 33, 0.1f, false);
  p.label(global, "Unison voices", 24, 392, 80);
  global.add<stepper>("Unison", p.r(24, 404, 96, 15), p.st, std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8"});
  p.label(global, "Flags", 136, 392, 80);
  const char* flags[] = {"Legato", "Hold", "Velocity"};
  for (int i = 0; i < 3; ++i) {
    const float y = 406.f + float(i) * 18.f;
    indicator& led = global.add<indicator>("indicator", p.r(136, y, 12, 12), p.st, pal::led_green);
    slider& sw = global.add<slider>(flags[i], p.r(152, y, 24, 12), p.st, 2);
    sw.set_value(i == 0 ? 1.f : 0.f);
    led.set_on(i == 0);
    sw.set_listener(&p.listen([g = &p.g, led = &led](control& c) {
      led->set_on(c.value() > 0.5f);
      say(*g, c.name(), c.value() > 0.5f ? "Enabled" : "Disabled");
    }));
    p.label(global, flags[i], 182, y, 60);
  }

  container& route = t.page(1);
  const std::vector<menu_string>& all = every_menu();
  for (int row = 0; row < 4; ++row) {
    const float y = 330.f + float(row) * 24.f;
    route.add<dropbox>("Source", p.r(20, y, 58, 15), p.st, all[5].text).set_value(float(256 + row));
    route.add<dropbox>("Mode", p.r(82, y, 42, 15), p.st, all[6].text);
    route.add<dropbox>("Destination", p.r(128, y, 84, 15), p.st, all[7].text).set_value(float(128 + 41 + row));
    knob& depth = route.add<knob>("Depth", p.r(218, y - 4, 24, 24), p.st, 65, 2);
    depth.set_range(-1.f, 1.f);
    depth.set_value(0.5f - float(row) * 0.4f);
    depth.label().set_visible(false);
  }

  container& fx = t.page(2);
  for (int row = 0; row < 4; ++row) {
    const float y = 330.f + float(row) * 24.f;
    fx.add<dropbox>("effect", p.r(20, y, 120, 15), p.st, all[8].text).set_value(float(row == 0 ? 1 : row == 1 ? 9 : 0));
    fx.add<button>("edit", p.r(148, y, 40, 15), p.st, "edit");
  }
}

void lists_section(page& p) {
  region& s = p.section("Lists, lights and dialogs", 264, 312, 490, 196);
  list_box& presets = s.add<list_box>("presets", p.r(276, 334, 170, 160), p.st);
  std::vector<std::string> names;
  const char* kinds[] = {"Pad", "Bass", "Lead", "Brass", "Keys", "Pluck", "Strings", "Drone"};
  for (int i = 0; i < 128; ++i) {
    char n[48];
    std::snprintf(n, sizeof n, "%03d  %s %d", i, kinds[i % 8], i / 8 + 1);
    names.push_back(n);
  }
  presets.set_rows(names);
  presets.select(3, false);
  presets.set_listener(&p.listen([g = &p.g](control& c) {
    auto& l = static_cast<list_box&>(c);
    if (l.selected() >= 0) say(*g, "Preset", l.rows()[size_t(l.selected())]);
  }));

  p.label(s, "Envelope", 458, 334, 60);
  ledstrip& env = s.add<ledstrip>("mainleds", p.r(458, 346, 70, 12), p.st, 5, pal::led_green);
  const color32 env_colours[] = {pal::led_green, pal::led_green, pal::led_yellow, pal::led_red, pal::led_red};
  for (int i = 0; i < 5; ++i) env.set_colour(i, env_colours[i]);
  env.set_level(2, 1.f);
  env.set_level(4, 1.f);
  p.label(s, "LFO", 540, 334, 40);
  ledstrip& lfo = s.add<ledstrip>("lfo leds", p.r(540, 346, 42, 12), p.st, 3, pal::led_red);
  lfo.set_colour(1, pal::led_yellow);
  lfo.set_colour(2, pal::led_green);
  lfo.set_level(0, 0.8f);
  lfo.set_level(2, 0.4f);
  // A soft glow in a colour of the presets behind a readout, as the display
  // lights up when a song plays.
  s.add<glow>("glow", p.r(600, 330, 144, 34), "hls(1/12, 2/5, 7/8)", 0.45f);
  text& bpm = s.add<text>("tempo", p.r(626, 340, 92, 15), "120.0 BPM", &p.st);
  bpm.set_font(p.st.value);
  bpm.set_box(true);
  bpm.set_align(align::centre);
  bpm.set_colour(pal::accent);

  p.label(s, "Dialogs", 458, 372, 80);
  p.g.open_button = &s.add<button>("Open", p.r(458, 386, 90, 18), p.st, "Load Preset...");
  p.g.save_button = &s.add<button>("Save", p.r(556, 386, 90, 18), p.st, "Save Preset...");
  p.g.confirm_button = &s.add<button>("Confirm", p.r(654, 386, 90, 18), p.st, "Clear PCM...");
  p.g.open_button->set_listener(&p.listen([g = &p.g, r = &p.root, st = &p.st](control&) {
    ask_file(*r, *st, {false, "Load Preset", "Vorn Preset\t*.vornpreset;*.kvxi\tAll files\t*\t", "", {}},
             [g](bool ok, const std::string& path) { say(*g, ok ? "Loaded preset" : "Cancelled", path); });
  }));
  p.g.save_button->set_listener(&p.listen([g = &p.g, r = &p.root, st = &p.st](control&) {
    ask_file(*r, *st, {true, "Save Preset", "Vorn Preset\t*.vornpreset\t", "", {}},
             [g](bool ok, const std::string& path) { say(*g, ok ? "Saved preset" : "Cancelled", path); });
  }));
  p.g.confirm_button->set_listener(&p.listen([g = &p.g, r = &p.root, st = &p.st](control&) {
    show_message(*r, *st, "Confirm",
                 "Are you sure you want to do this?\n\nThis will clear all PCM data which will then be "
                 "unrecoverable!\n\nOnce you hit OK there is no undo!",
                 true, [g](bool ok) { say(*g, ok ? "Cleared PCM data" : "Cancelled", ""); });
  }));

  p.label(s, "Scale", 458, 418, 60);
  slider& scale = s.add<slider>("scale", p.r(458, 432, 120, 12), p.st, 0);
  scale.set_value(0.5f);
  p.label(s, "Hover any control: knobs show their value, menus their items.", 458, 470, 290);
}

}  // namespace

void build_gallery(root_container& root, const ui_style& style, gallery& g) {
  // "[p]" entries: the controller map list of the main menu, as the editor fills it.
  auto placeholder = std::make_unique<menu_populator>();
  placeholder->add("cc map.remove", [](menu_adder& a) {
    a.item("Modulation (1) to Filter Frequency (41)");
    a.item("Expression (11) to Volume (0)");
  });
  auto waves = [](menu_adder& a) {
    a.item("choir-ah");
    a.item("tine");
  };
  placeholder->add("pcm.remove", waves);
  placeholder->add("pcm.replace", waves);
  g.placeholder = std::move(placeholder);
  page p{root, style, g};
  display_section(p);  // first: the others report into its lines
  knobs_section(p);
  switches_section(p);
  buttons_section(p);
  menus_section(p);
  tabs_section(p);
  lists_section(p);
}

void animate_gallery(gallery& g, int tick) {
  const float t = float(tick) * 0.05f;
  const float l = 12.f + 3.5f * std::sin(t * 1.3f) + 1.5f * std::sin(t * 4.1f);
  const float r = 11.f + 3.5f * std::sin(t * 1.1f + 1.f) + 1.5f * std::sin(t * 3.7f);
  if (g.meter_left) g.meter_left->set_meter(l);
  if (g.meter_right) g.meter_right->set_meter(r);
}

}  // namespace demo
