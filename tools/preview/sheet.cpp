#include "tools/preview/sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "guilib/archive/bitmap_cache.h"
#include "guilib/font/font_file.h"
#include "guilib/font/font_list.h"
#include "guilib/paint/blit.h"
#include "guilib/paint/icons.h"
#include "guilib/paint/text.h"
#include "guilib/style/palette.h"

namespace preview {

namespace {

namespace pal = gui::palette;

constexpr int sheet_width = 1560;
constexpr int margin = 24;
constexpr float knob_dead_fraction = 0.1f;  // the knob widget's default

struct fonts {
  gui::font title, header, label, caption, mono;
};

gui::font load(const gui::archive_entry& root, const char* name) {
  gui::font f;
  if (!gui::load_archive_font(f, root, name)) std::fprintf(stderr, "vorn-preview: no font %s\n", name);
  return f;
}

gui::bitmap skin(const gui::archive_entry& root, const std::string& path) {
  gui::bitmap b;
  if (!gui::load_skin_bitmap(root, path, b, false)) std::fprintf(stderr, "vorn-preview: no bitmap %s\n", path.c_str());
  return b;
}

// Frame height of a strip from its name's "WxH" and the frame count.
struct strip_info {
  std::string name;
  int frames = 1, frame_w = 0, frame_h = 0;
};

strip_info parse_strip(const std::string& file) {
  strip_info s;
  s.name = file.substr(0, file.size() - 4);  // without ".tga"
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= s.name.size(); ++i) {
    if (i == s.name.size() || s.name[i] == ',') {
      parts.push_back(s.name.substr(start, i - start));
      start = i + 1;
    }
  }
  std::sscanf(parts.back().c_str(), "%dx%d", &s.frame_w, &s.frame_h);
  s.frames = std::atoi(parts[2].c_str());
  return s;
}

// The frame a knob widget shows for value v.
int knob_frame(int frames, float v) {
  const float p = (1.f - knob_dead_fraction) * v + knob_dead_fraction / 2.f;
  return int(std::floor(float(frames - 1) * p)) % frames;
}

void draw_frame(gui::bitmap& dst, const gui::bitmap& strip, int frame, int fw, int fh, int x, int y) {
  gui::draw_bitmap(dst, strip, 0, frame * fh, fw, fh, x, y);
}

void draw_scaled(gui::bitmap& dst, const gui::bitmap& src, int scale, int x, int y) {
  gui::bitmap big;
  gui::create(big, src.width() * scale, src.height() * scale);
  for (int yy = 0; yy < big.height(); ++yy)
    for (int xx = 0; xx < big.width(); ++xx) big.at(xx, yy) = src.at(xx / scale, yy / scale);
  gui::draw_bitmap(dst, big, x, y);
}

const std::vector<std::unique_ptr<gui::archive_entry>>& children_of(const gui::archive_entry* e) {
  static const std::vector<std::unique_ptr<gui::archive_entry>> none;
  return e ? e->children : none;
}

int centred(const gui::font& f, const char* text, int cx) { return cx - gui::measure(f, text) / 2; }

// A labelled knob as the editor will show it: caption above, value below.
void mock_knob(gui::bitmap& dst, const gui::archive_entry& root, const fonts& f, int size, int frames, int variant,
               float v, const char* label, const char* value, int cx, int y) {
  char path[96];
  std::snprintf(path, sizeof path, "knob_strip/seven_spline,0,%i,%i,%ix%i", frames, variant, size, size);
  const gui::bitmap strip = skin(root, path);
  gui::draw_text(dst, f.label, centred(f.label, label, cx), y, label, pal::text_primary);
  const int ky = y + f.label.line_height() + 2;
  draw_frame(dst, strip, knob_frame(frames, v), size, size, cx - size / 2, ky);
  gui::draw_text(dst, f.mono, centred(f.mono, value, cx), ky + size + 1, value, pal::text_secondary);
}

void mock_switch(gui::bitmap& dst, const gui::archive_entry& root, const fonts& f, int positions, int pos,
                 const char* label, int x, int y) {
  char path[96];
  std::snprintf(path, sizeof path, "slider_strip/slide_switch,0,%i,24x12", positions);
  const gui::bitmap strip = skin(root, path);
  draw_frame(dst, strip, pos, 24, 12, x, y);
  gui::draw_text(dst, f.label, x + 30, y + (12 - f.label.line_height()) / 2, label, pal::text_primary);
}

void section_header(gui::bitmap& dst, const fonts& f, const char* text, int x, int y) {
  gui::draw_text(dst, f.header, x, y, text, pal::text_secondary);
}

// A mock-up of three sections on the skin's own background and panels.
int draw_mockup(gui::bitmap& dst, const gui::archive_entry& root, const fonts& f, int x0, int y0) {
  const gui::bitmap bg = skin(root, "image/background,762x516");
  gui::draw_bitmap(dst, bg, 0, 0, bg.width(), 250, x0, y0);
  gui::draw_bitmap(dst, skin(root, "image/icon/vorn"), x0 + 12, y0 + 10);
  gui::draw_text(dst, f.caption, x0 + 70, y0 + 17, "skin preview", pal::text_secondary);

  const gui::bitmap card = skin(root, "image/background/master,199x120");
  const gui::bitmap wide = skin(root, "image/background/unison,206x50");
  // Oscillator A: waveform icons and switches.
  int x = x0 + 12, y = y0 + 44;
  gui::draw_bitmap(dst, card, x, y);
  section_header(dst, f, "OSC A", x + 10, y + 8);
  const char* waves[] = {"pulse", "ramp", "triangle", "sine", "random", "pcm"};
  for (int i = 0; i < 6; ++i) {
    const gui::bitmap icon = skin(root, std::string("image/icon/waveform/") + waves[i]);
    const int ix = x + 10 + i * 30, iy = y + 28;
    gui::fill_rect(dst, ix - 3, iy - 3, 26, 15, i == 1 ? pal::accent_dim : pal::panel_edge);
    gui::draw_bitmap(dst, icon, ix, iy);
  }
  mock_switch(dst, root, f, 2, 1, "Sync", x + 10, y + 52);
  mock_switch(dst, root, f, 2, 0, "Invert", x + 100, y + 52);
  mock_switch(dst, root, f, 3, 2, "Range: Audio", x + 10, y + 74);
  mock_switch(dst, root, f, 3, 0, "Keytrack", x + 10, y + 94);

  // Filter: three knobs, one bipolar.
  x += 199 + 8;
  gui::draw_bitmap(dst, card, x, y);
  section_header(dst, f, "FILTER", x + 10, y + 8);
  mock_knob(dst, root, f, 39, 65, 1, 0.62f, "Cutoff", "2.41 kHz", x + 38, y + 26);
  mock_knob(dst, root, f, 39, 65, 1, 0.35f, "Resonance", "35 %", x + 100, y + 26);
  mock_knob(dst, root, f, 33, 65, 2, 0.30f, "Env A", "-40 %", x + 160, y + 29);

  // Output: the big knob and the small ones of its modulation.
  x += 199 + 8;
  gui::draw_bitmap(dst, card, x, y);
  section_header(dst, f, "OUTPUT", x + 10, y + 8);
  mock_knob(dst, root, f, 49, 97, 1, 0.75f, "Volume", "-2.5 dB", x + 45, y + 24);
  mock_knob(dst, root, f, 24, 65, 2, 0.7f, "Mod A", "+40", x + 115, y + 36);
  mock_knob(dst, root, f, 24, 65, 2, 0.5f, "Mod B", "0", x + 165, y + 36);

  // Envelope strip with the ADSR icon and small knobs.
  x = x0 + 12;
  y += 120 + 8;
  gui::draw_bitmap(dst, wide, x, y);
  section_header(dst, f, "ENV A", x + 10, y + 6);
  gui::draw_bitmap(dst, skin(root, "image/icon/adsr"), x + 10, y + 24);
  const char* stages[] = {"A", "D", "S", "R"};
  const float values[] = {0.1f, 0.45f, 0.7f, 0.3f};
  for (int i = 0; i < 4; ++i) {
    char path[96];
    std::snprintf(path, sizeof path, "knob_strip/seven_spline,0,65,1,24x24");
    draw_frame(dst, skin(root, path), knob_frame(65, values[i]), 24, 24, x + 62 + i * 36, y + 20);
    gui::draw_text(dst, f.label, x + 62 + i * 36 + 12 - gui::measure(f.label, stages[i]) / 2, y + 6, stages[i],
                   pal::text_primary);
  }
  // The two-line display in the mono face.
  x += 206 + 8;
  gui::fill_rect(dst, x, y, 330, 50, pal::panel_edge);
  gui::fill_rect(dst, x + 1, y + 1, 328, 48, 0xFF101216);
  gui::draw_text(dst, f.mono, x + 10, y + 10, "Loaded preset", pal::text_primary);
  gui::draw_text(dst, f.mono, x + 10, y + 26, "012 Warm Pad [Pads]   voices 8", pal::accent);
  return 250;
}

}  // namespace

gui::bitmap draw_sheet(const gui::archive_entry& root) {
  const fonts f{load(root, "DejaVu Sans Bold 14"), load(root, "DejaVu Sans Bold 9"), load(root, "DejaVu Sans 9"),
                load(root, "DejaVu Sans 8"), load(root, "DejaVu Sans Mono 9")};
  gui::bitmap sheet;
  gui::create(sheet, sheet_width, 6000);
  gui::fill_rect(sheet, 0, 0, sheet.width(), sheet.height(), pal::background);
  int y = margin;
  auto title = [&](const char* text) {
    y += 12;
    gui::draw_text(sheet, f.title, margin, y, text, pal::text_primary);
    y += f.title.line_height() + 4;
    gui::fill_rect(sheet, margin, y, sheet_width - 2 * margin, 1, pal::panel_edge);
    y += 10;
  };

  gui::bitmap mark;
  gui::render_wordmark(mark, 200, 88);
  gui::draw_bitmap(sheet, mark, margin, y);
  gui::draw_text(sheet, f.title, margin + 220, y + 30, "Vorn: built-in skin and fonts", pal::text_primary);
  gui::draw_text(sheet, f.caption, margin + 220, y + 52,
                 "every strip, icon, panel image and font, drawn from the plug-in's own resources",
                 pal::text_secondary);
  y += 96;

  title("Mock-up on the skin's background");
  y += draw_mockup(sheet, root, f, margin, y) + 8;

  const gui::archive_entry* knobs = gui::find_child(root, "knob_strip");
  title("Knob strips: seven_spline, values 0 to 1 in eighths");
  for (const auto& e : children_of(knobs)) {
    const strip_info s = parse_strip(e->name);
    const gui::bitmap strip = skin(root, "knob_strip/" + s.name);
    gui::draw_text(sheet, f.caption, margin, y + (s.frame_h - f.caption.line_height()) / 2, s.name.c_str(),
                   pal::text_secondary);
    for (int i = 0; i <= 8; ++i)
      draw_frame(sheet, strip, knob_frame(s.frames, float(i) / 8.f), s.frame_w, s.frame_h, margin + 220 + i * (s.frame_w + 14), y);
    y += s.frame_h + 8;
  }

  const gui::archive_entry* switches = gui::find_child(root, "slider_strip");
  title("Switch strips: slide_switch, every position");
  int col = 0;
  const int row_y = y;
  for (const auto& e : children_of(switches)) {
    const strip_info s = parse_strip(e->name);
    const gui::bitmap strip = skin(root, "slider_strip/" + s.name);
    const int x = margin + col * 760;
    gui::draw_text(sheet, f.caption, x, y + (s.frame_h - f.caption.line_height()) / 2, s.name.c_str(), pal::text_secondary);
    for (int k = 0; k < s.frames; ++k) draw_frame(sheet, strip, k, s.frame_w, s.frame_h, x + 200 + k * (s.frame_w + 16), y);
    y += s.frame_h + 8;
    if (col == 0 && &e == &switches->children[switches->children.size() / 2 - 1]) {
      col = 1;
      y = row_y;
    }
  }
  y += 8;

  title("Icons at 1x and 4x, panel images");
  const gui::archive_entry* icon_dir = gui::find_path(root, "image/icon/waveform", "");
  int x = margin;
  for (const auto& e : children_of(icon_dir)) {
    const std::string name = e->name.substr(0, e->name.size() - 4);
    const gui::bitmap icon = skin(root, "image/icon/waveform/" + name);
    gui::draw_text(sheet, f.caption, x, y, name.c_str(), pal::text_secondary);
    gui::draw_bitmap(sheet, icon, x, y + 16);
    draw_scaled(sheet, icon, 4, x + 28, y + 16);
    x += 120;
  }
  y += 60;
  const gui::bitmap adsr = skin(root, "image/icon/adsr"), vorn = skin(root, "image/icon/vorn");
  gui::draw_bitmap(sheet, adsr, margin, y);
  draw_scaled(sheet, adsr, 4, margin + 50, y);
  gui::draw_bitmap(sheet, vorn, margin + 240, y);
  draw_scaled(sheet, vorn, 4, margin + 300, y);
  gui::draw_bitmap(sheet, skin(root, "image/background/master,199x120"), margin + 520, y);
  gui::draw_bitmap(sheet, skin(root, "image/background/unison,206x50"), margin + 730, y);
  y += 128;

  title("Fonts (built-in archive), then the compiled-in default and its fixed-pitch copy");
  const gui::archive_entry* font_dir = gui::find_child(root, "fonts");
  std::vector<std::pair<std::string, int>> names;
  for (const auto& e : children_of(font_dir)) {
    const std::string n = e->name.substr(0, e->name.size() - 9);  // without ".vornfont"
    names.push_back({n.substr(0, n.find_last_of(' ')), std::atoi(n.substr(n.find_last_of(' ') + 1).c_str())});
  }
  std::sort(names.begin(), names.end());
  std::vector<gui::font> shown;
  for (const auto& [family, size] : names) shown.push_back(load(root, (family + " " + std::to_string(size)).c_str()));
  for (const gui::font& d : gui::font_list()) shown.push_back(d);
  for (const gui::font& font : shown) {
    gui::draw_text(sheet, f.caption, margin, y + std::max(0, (font.line_height() - f.caption.line_height()) / 2),
                   font.name.c_str(), pal::text_secondary);
    gui::draw_text(sheet, font, margin + 200, y,
                   "Cutoff 2.41 kHz  Resonance 35%  AV Tw To f? 0123456789  OSC A  [Pads] {x=1;} -2.5 dB",
                   pal::text_primary);
    y += font.line_height() + 6;
  }
  y += margin;

  gui::bitmap out;
  gui::create(out, sheet_width, y);
  std::copy(sheet.pixels.begin(), sheet.pixels.begin() + long(size_t(sheet_width) * size_t(y)), out.pixels.begin());
  return out;
}

}  // namespace preview
