// vorn-preview: draws every strip, icon, panel image and font of the built-in
// skin (mounted from this program's own resources, as the plug-in mounts
// them) onto one sheet, with a small mock-up of a synth section, and writes it
// as TGA and PNG.
//
//   vorn-preview OUT_DIR      writes OUT_DIR/skin-preview.tga and .png
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "guilib/archive/bitmap_cache.h"
#include "guilib/archive/gui_archive.h"
#include "guilib/font/font_file.h"
#include "guilib/font/font_list.h"
#include "guilib/image/tga.h"
#include "guilib/paint/blit.h"
#include "guilib/paint/icons.h"
#include "guilib/paint/text.h"
#include "guilib/style/palette.h"
#include "guilib/image/png_file.h"
#include "tools/preview/sheet.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vorn-preview OUT_DIR\n");
    return 2;
  }
  gui::mount_builtin();
  if (gui::gui_archive().root().children.size() != 4) {
    std::fprintf(stderr, "vorn-preview: the built-in skin and fonts are not in this program\n");
    return 1;
  }
  const gui::bitmap sheet = preview::draw_sheet(gui::gui_archive().root());
  const std::string base = std::string(argv[1]) + "/skin-preview";
  if (!gui::save_tga_file(sheet, base + ".tga", true) || !gui::save_png_file(sheet, base + ".png")) {
    std::fprintf(stderr, "vorn-preview: cannot write %s.tga/.png\n", base.c_str());
    return 1;
  }
  std::printf("skin preview: %s.png (%dx%d), %s.tga\n", base.c_str(), sheet.width(), sheet.height(), base.c_str());
  return 0;
}
