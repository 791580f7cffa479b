#include "editor/layout.h"

#include <cstring>
#include <vector>

namespace gui::layout {

namespace {

struct table {
  std::vector<section_place> sections;
  std::vector<control_place> controls;
  std::vector<caption_place> captions;
};

// Mini knobs of a modulation block sit on a 24-pixel pitch, two per source.
constexpr float mini_pitch = 24.f;
constexpr float block_width = 4 * mini_pitch;

struct builder {
  table t;

  void section(const char* name, const char* title, float x, float y, float w, float h) {
    t.sections.push_back({name, title, x, y, w, h});
  }
  void knob(int32_t i, kind k, const char* sec, float x, float y, const char* caption) {
    t.controls.push_back({i, k, sec, x, y, 0.f, caption});
  }
  void box(int32_t i, kind k, const char* sec, float x, float y, float w, const char* caption) {
    t.controls.push_back({i, k, sec, x, y, w, caption});
  }
  void toggle(int32_t i, const char* sec, float x, float y, const char* caption) {
    t.controls.push_back({i, kind::toggle, sec, x, y, 0.f, caption});
  }
  void caption(const char* sec, const char* text, float x, float y, float w, bool centred = false) {
    t.captions.push_back({sec, text, x, y, w, centred});
  }
  // What a value is moved by: Env A, Env B, Mod A, Mod B depths as mini
  // knobs under "Env" and "Mod", with the block's title above them.
  void mod_block(const char* sec, const char* title, float x, float y, int32_t first) {
    if (title) caption(sec, title, x, y, block_width);
    const float top = title ? y + caption_height : y;
    caption(sec, "Env", x, top, 2 * mini_pitch, true);
    caption(sec, "Mod", x + 2 * mini_pitch, top, 2 * mini_pitch, true);
    const char* ab[] = {"A", "B", "A", "B"};
    for (int32_t k = 0; k < 4; ++k)
      knob(first + k, kind::knob_mini, sec, x + 4.f + mini_pitch * float(k), top + caption_height, ab[k]);
  }
  // Only the two LFO depths (volume and panning).
  void mod_pair(const char* sec, float x, float y, int32_t first) {
    caption(sec, "Mod", x, y, 2 * mini_pitch, true);
    knob(first, kind::knob_mini, sec, x + 4.f, y + caption_height, "A");
    knob(first + 1, kind::knob_mini, sec, x + 4.f + mini_pitch, y + caption_height, "B");
  }
};

// Section top-left corners; every section's content starts 19 pixels below
// its top (the header line).
void header(builder& b) {
  b.section("preset selector", "", 6, 6, 330, 48);
  b.section("display", "", 342, 6, 414, 48);
}

void oscillators(builder& b) {
  const char* s = "oscillators";
  b.section(s, "Oscillators", 6, 60, 168, 150);
  b.box(9, kind::stepper, s, 14, 90, 74, "Range");
  b.box(10, kind::stepper, s, 94, 90, 72, "Sync");
  b.box(7, kind::stepper, s, 14, 120, 74, "Glide");
  b.box(15, kind::dropdown, s, 94, 120, 72, "XMod");
  b.knob(8, kind::knob, s, 28, 160, "Glide time");
  b.mod_block(s, "Pitch mod", 70, 152, 11);
}

void osc_a(builder& b) {
  const char* s = "osc a";
  b.section(s, "Osc A", 180, 60, 114, 150);
  b.box(16, kind::icons, s, 188, 90, 54, "Wave");
  b.knob(17, kind::knob, s, 254, 80, "Width");
  b.knob(18, kind::knob, s, 254, 116, "XMod");
  b.mod_block(s, "Width mod", 188, 152, 19);
}

void osc_b(builder& b) {
  const char* s = "osc b";
  b.section(s, "Osc B", 300, 60, 150, 150);
  b.box(23, kind::icons, s, 308, 90, 54, "Wave");
  b.knob(27, kind::knob, s, 378, 80, "Coarse");
  b.knob(28, kind::knob, s, 418, 80, "Fine");
  b.knob(24, kind::knob, s, 323, 116, "Width");
  b.knob(25, kind::knob, s, 378, 116, "XMod");
  b.knob(26, kind::knob, s, 418, 116, "Key");
  b.mod_block(s, "Detune mod", 308, 152, 29);
}

void mixer(builder& b) {
  const char* s = "mixer";
  // Two columns of 42 pixels: a level over its polarity switch and caption.
  b.section(s, "Mixer", 456, 60, 96, 150);
  b.knob(33, kind::knob, s, 472, 82, "Osc A");
  b.knob(35, kind::knob, s, 514, 82, "Osc B");
  b.toggle(34, s, 464, 122, "inv");
  b.toggle(36, s, 506, 122, "inv");
  b.knob(37, kind::knob, s, 472, 146, "Ring");
  b.knob(38, kind::knob, s, 514, 146, "Noise");
}

void filter(builder& b) {
  const char* s = "filter";
  b.section(s, "Filter", 558, 60, 198, 150);
  b.knob(41, kind::knob_big, s, 568, 80, "Cutoff");
  b.knob(42, kind::knob_main, s, 576, 148, "Resonance");
  b.box(39, kind::dropdown, s, 630, 90, 66, "Mode");
  b.box(40, kind::stepper, s, 700, 90, 50, "Trigger");
  b.knob(44, kind::knob, s, 636, 114, "FMod");
  b.knob(45, kind::knob, s, 672, 114, "QMod");
  b.knob(43, kind::knob, s, 708, 114, "Key");
  b.mod_block(s, nullptr, 630, 156, 47);
  b.knob(46, kind::knob, s, 726, 164, "Drive");
}

void waveshaper(builder& b) {
  const char* s = "waveshaper";
  b.section(s, "Shaper", 6, 216, 180, 162);
  b.box(51, kind::stepper, s, 14, 246, 78, "Mode");
  b.knob(52, kind::knob, s, 20, 276, "Depth");
  b.knob(53, kind::knob, s, 56, 276, "Symm");
  b.knob(54, kind::knob, s, 38, 322, "Tone");
  b.box(55, kind::dropdown, s, 100, 246, 78, "Filter");
  b.knob(56, kind::knob, s, 106, 276, "Freq");
  b.knob(57, kind::knob, s, 142, 276, "Res");
  b.knob(58, kind::knob, s, 124, 322, "Key");
}

void output(builder& b) {
  const char* s = "output";
  b.section(s, "Output", 192, 216, 162, 162);
  b.knob(0, kind::knob_main, s, 210, 242, "Volume");
  b.mod_pair(s, 202, 292, 2);
  b.box(1, kind::stepper, s, 200, 346, 66, "Env");
  b.knob(4, kind::knob_main, s, 290, 242, "Pan");
  b.mod_pair(s, 282, 292, 5);
}

// Envelope A at x0, B 186 pixels on: A, D, S, R on a 30-pixel pitch, then the
// key tracking; the trigger and the constant attack below.
void envelopes(builder& b) {
  const char* s = "adsr";
  const int32_t base[] = {59, 66};
  const char* adsr[] = {"A", "D", "S", "R"};
  for (int32_t e = 0; e < 2; ++e) {
    const float x = 6.f + 186.f * float(e);
    const int32_t i = base[e];
    for (int32_t k = 0; k < 4; ++k) b.knob(i + k, kind::knob, s, x + 12.f + 30.f * float(k), 408, adsr[k]);
    b.knob(i + 4, kind::knob, s, x + 140.f, 408, "Key");
    b.box(i + 5, kind::stepper, s, x + 8.f, 464, 100, "Trigger");
    b.toggle(i + 6, s, x + 118.f, 466, "Const");
  }
}

void lfos(builder& b) {
  const char* s = "lfo";
  const int32_t base[] = {73, 81};
  for (int32_t l = 0; l < 2; ++l) {
    const float x = 378.f + 192.f * float(l);
    const int32_t i = base[l];
    b.knob(i + 0, kind::knob, s, x + 14.f, 408, "Rate");
    b.knob(i + 1, kind::knob, s, x + 54.f, 408, "Delay");
    b.knob(i + 3, kind::knob, s, x + 94.f, 408, "Width");
    b.knob(i + 6, kind::knob, s, x + 134.f, 408, "Key");
    b.box(i + 2, kind::icons, s, x + 8.f, 462, 48, "Shape");
    b.box(i + 7, kind::stepper, s, x + 60.f, 462, 54, "Range");
    b.box(i + 4, kind::stepper, s, x + 118.f, 462, 60, "Bias");
    b.toggle(i + 5, s, x + 8.f, 487, "Key sync");
  }
}

// The Global page of the tabs: the master volume, tuning, unison, voices and glide,
// the legacy bender and velocity routes, the switches (placed by the page).
void globals(builder& b) {
  const char* s = "global";
  const float y = 254;
  // The master volume stands alone at the left, clear of the tuning group.
  b.knob(92, kind::knob, s, 376, y, "Volume");
  b.caption(s, "Tuning", 412, y - 12, 116, false);
  b.knob(90, kind::knob, s, 416, y, "Coarse");
  b.knob(91, kind::knob, s, 456, y, "Fine");
  b.knob(93, kind::knob, s, 496, y, "Bend");
  b.caption(s, "Unison", 536, y - 12, 150, false);
  b.knob(101, kind::knob, s, 542, y, "Layers");
  b.knob(102, kind::knob, s, 582, y, "Detune");
  b.knob(103, kind::knob, s, 622, y, "Random");
  b.knob(104, kind::knob, s, 662, y, "Width");
  // Voices, glide and the two routes with their depths, 10 pixels apart;
  // a route's mini knobs on a 20-pixel pitch right of its drop-down.
  const float y2 = 304;
  b.box(89, kind::dropdown, s, 368, y2, 56, "Voices");
  b.box(97, kind::stepper, s, 434, y2, 68, "Glide");
  b.box(94, kind::dropdown, s, 512, y2, 60, "Bend route");
  b.knob(95, kind::knob_mini, s, 578, y2 - 2, "Scl");
  b.knob(96, kind::knob_mini, s, 598, y2 - 2, "Ofs");
  b.box(98, kind::dropdown, s, 624, y2, 60, "Vel route");
  b.knob(99, kind::knob_mini, s, 690, y2 - 2, "Scl");
  b.knob(100, kind::knob_mini, s, 710, y2 - 2, "Ofs");
  b.knob(105, kind::knob_mini, s, 730, y2 - 2, "Flt");
}

table build() {
  builder b;
  header(b);
  oscillators(b);
  osc_a(b);
  osc_b(b);
  mixer(b);
  filter(b);
  waveshaper(b);
  output(b);
  b.section("adsr", "", 6, 384, 366, 126);
  envelopes(b);
  b.section("lfo", "", 378, 384, 378, 126);
  lfos(b);
  b.section("control", "", 360, 216, 396, 162);
  b.section("global", "", 366, 240, 384, 132);
  globals(b);
  return std::move(b.t);
}

const table& the_table() {
  static const table t = build();
  return t;
}

}  // namespace

const section_place tab_area{"control", "", 360, 216, 396, 162};

int32_t dial_size(kind k) {
  switch (k) {
    case kind::knob_big:
      return 49;
    case kind::knob_main:
      return 33;
    case kind::knob:
      return 24;
    case kind::knob_mini:
      return 16;
    default:
      return 0;
  }
}

std::span<const section_place> sections() { return the_table().sections; }
std::span<const control_place> controls() { return the_table().controls; }
std::span<const caption_place> captions() { return the_table().captions; }

const section_place* section(const char* name) {
  for (const section_place& s : sections())
    if (std::strcmp(s.name, name) == 0) return &s;
  return nullptr;
}

const control_place* control_of(int32_t index) {
  for (const control_place& c : controls())
    if (c.index == index) return &c;
  return nullptr;
}

rect scaled(float x, float y, float w, float h, float scale) {
  return rect_of(int32_t(x * scale), int32_t(y * scale), int32_t(w * scale), int32_t(h * scale));
}

rect section_rect(const section_place& s, float scale) { return scaled(s.x, s.y, s.w, s.h, scale); }

rect control_rect(const control_place& c, float scale) {
  switch (c.type) {
    case kind::knob_big:
    case kind::knob_main:
    case kind::knob:
    case kind::knob_mini: {
      const float d = float(dial_size(c.type));
      return scaled(c.x, c.y, d, d, scale);
    }
    case kind::toggle:
      return scaled(c.x, c.y, 24.f, 12.f, scale);
    default:
      return scaled(c.x, c.y, c.w, box_height, scale);
  }
}

int32_t width_at(float scale) { return int32_t(float(base_width) * scale); }
int32_t height_at(float scale) { return int32_t(float(base_height) * scale); }

}  // namespace gui::layout
