// vorn-skinrender: draws the built-in skin into a folder, which vorn-pack then
// turns into the "SKINS/KESTOL" blob. Every image is a run-length-encoded
// 32-bit TGA, named as the widgets look it up.
//
//   vorn-skinrender OUT_DIR
#include <cstdio>
#include <filesystem>
#include <string>

#include "guilib/image/tga.h"
#include "guilib/paint/icons.h"
#include "guilib/paint/knob_strip.h"
#include "guilib/paint/switch_strip.h"
#include "guilib/style/palette.h"
#include "tools/skin/inventory.h"
#include "tools/skin/panels.h"

namespace {

bool save(const std::string& path, const gui::bitmap& b) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  if (gui::save_tga_file(b, path, true)) return true;
  std::fprintf(stderr, "vorn-skinrender: cannot write %s\n", path.c_str());
  return false;
}

std::string sized(const char* name, int w, int h) { return std::string(name) + "," + std::to_string(w) + "x" + std::to_string(h); }

bool knobs(const std::string& dir) {
  for (const skin::knob_size& k : skin::knob_sizes) {
    for (int variant : skin::knob_variants) {
      gui::bitmap b;
      gui::render_knob_strip(b, {k.size, k.size, k.frames, variant});
      char name[96];
      std::snprintf(name, sizeof name, "seven_spline,0,%i,%i,%ix%i.tga", k.frames, variant, k.size, k.size);
      if (!save(dir + "knob_strip/" + name, b)) return false;
    }
  }
  return true;
}

bool switches(const std::string& dir) {
  for (const skin::switch_size& s : skin::switch_sizes) {
    for (int positions : skin::switch_positions) {
      gui::bitmap b;
      gui::render_switch_strip(b, {s.width, s.height, positions});
      char name[96];
      std::snprintf(name, sizeof name, "slide_switch,0,%i,%ix%i.tga", positions, s.width, s.height);
      if (!save(dir + "slider_strip/" + name, b)) return false;
    }
  }
  return true;
}

bool icons(const std::string& dir) {
  const std::string icon = dir + "image/icon/";
  for (const std::string& name : gui::waveform_icon_names()) {
    gui::bitmap b;
    gui::render_waveform_icon(b, name, skin::waveform_icon_width, skin::waveform_icon_height, gui::palette::accent);
    if (!save(icon + "waveform/" + name + ".tga", b)) return false;
  }
  gui::bitmap adsr, mark;
  gui::render_adsr_icon(adsr, skin::adsr_icon_width, skin::adsr_icon_height, gui::palette::accent);
  gui::render_wordmark(mark, skin::wordmark_width, skin::wordmark_height);
  return save(icon + "adsr.tga", adsr) && save(icon + "vorn.tga", mark);
}

bool panels(const std::string& dir) {
  const std::string image = dir + "image/";
  const int w = skin::window_width, h = skin::window_height;
  return save(image + sized("background", w, h) + ".tga", skin::render_background(w, h)) &&
         save(image + "background/" + sized("overlay", w, h) + ".tga", skin::render_overlay(w, h)) &&
         save(image + "background/" + sized("master", 199, 120) + ".tga", skin::render_panel(199, 120)) &&
         save(image + "background/" + sized("unison", 206, 50) + ".tga", skin::render_panel(206, 50));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vorn-skinrender OUT_DIR\n");
    return 2;
  }
  std::string dir = argv[1];
  if (dir.back() != '/') dir += '/';
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);  // no stale files from an older inventory
  if (!knobs(dir) || !switches(dir) || !icons(dir) || !panels(dir)) return 1;
  std::printf("vorn-skinrender: skin in %s\n", dir.c_str());
  return 0;
}
