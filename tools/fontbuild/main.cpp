// vorn-fontbuild: builds the skin's bitmap fonts from TrueType faces.
//
//   vorn-fontbuild --list fonts.txt --ttf-dir DIR --out DIR [--seeds DIR]
//
// Each line of the list is "<ttf file> <pixel size> <tracking> <font name>";
// "#" starts a comment. Every font becomes "<out>/<font name>.vornfont". With
// --seeds, the parts of the first font (sheet BMP, metrics text and its LZW
// form) are written there as well, as fuzzing seeds.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "guilib/archive/lzw.h"
#include "guilib/file_bytes.h"
#include "tools/fontbuild/font_writer.h"
#include "tools/fontbuild/glyph_raster.h"

namespace {

struct font_request {
  std::string ttf;
  int pixels = 0;
  int tracking = 0;
  std::string name;
};

bool read_list(const std::string& path, std::vector<font_request>& out) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream s(line);
    font_request r;
    s >> r.ttf >> r.pixels >> r.tracking;
    std::getline(s >> std::ws, r.name);
    if (r.ttf.empty() || r.pixels <= 0 || r.name.empty()) return false;
    out.push_back(r);
  }
  return !out.empty();
}

bool write(const std::string& path, const std::vector<uint8_t>& bytes) {
  if (gui::write_file_bytes(path, bytes.data(), bytes.size())) return true;
  std::fprintf(stderr, "vorn-fontbuild: cannot write %s\n", path.c_str());
  return false;
}

bool write_seeds(const std::string& dir, const fontbuild::font_parts& parts) {
  const auto* text = reinterpret_cast<const uint8_t*>(parts.metrics.data());
  return write(dir + "/sheet.bmp", parts.sheet_bmp) &&
         write(dir + "/metrics.txt", std::vector<uint8_t>(text, text + parts.metrics.size())) &&
         write(dir + "/metrics.lzw", gui::lzw_pack(text, parts.metrics.size()));
}

}  // namespace

int main(int argc, char** argv) {
  std::string list, ttf_dir, out_dir, seeds;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--list")) list = argv[i + 1];
    else if (!std::strcmp(argv[i], "--ttf-dir")) ttf_dir = argv[i + 1];
    else if (!std::strcmp(argv[i], "--out")) out_dir = argv[i + 1];
    else if (!std::strcmp(argv[i], "--seeds")) seeds = argv[i + 1];
  }
  std::vector<font_request> fonts;
  if (list.empty() || ttf_dir.empty() || out_dir.empty() || !read_list(list, fonts)) {
    std::fprintf(stderr, "usage: vorn-fontbuild --list fonts.txt --ttf-dir DIR --out DIR [--seeds DIR]\n");
    return 2;
  }
  for (size_t i = 0; i < fonts.size(); ++i) {
    const font_request& f = fonts[i];
    fontbuild::raster_font raster;
    std::string error;
    if (!fontbuild::rasterise(ttf_dir + "/" + f.ttf, f.pixels, raster, error)) {
      std::fprintf(stderr, "vorn-fontbuild: %s\n", error.c_str());
      return 1;
    }
    const fontbuild::font_parts parts = fontbuild::make_font_parts(raster, f.name, f.tracking);
    if (!write(out_dir + "/" + f.name + ".vornfont", fontbuild::make_font_file(parts))) return 1;
    if (i == 0 && !seeds.empty() && !write_seeds(seeds, parts)) return 1;
  }
  std::printf("vorn-fontbuild: %zu fonts in %s\n", fonts.size(), out_dir.c_str());
  return 0;
}
