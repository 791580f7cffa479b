#include "tools/render/shot_file.h"

#include "guilib/image/bitmap.h"
#include "guilib/image/tga.h"
#include "guilib/image/png_file.h"

namespace render {

namespace {

bool ends_with(const std::string& s, const char* ext) {
  const std::string e(ext);
  return s.size() >= e.size() && s.compare(s.size() - e.size(), e.size(), e) == 0;
}

}  // namespace

bool write_shot(const std::string& path, const std::vector<uint32_t>& pixels, int32_t width, int32_t height,
                std::string& error) {
  gui::bitmap b;
  gui::create(b, width, height);
  b.pixels = pixels;
  const bool tga = ends_with(path, ".tga"), png = ends_with(path, ".png");
  if (!tga && !png) {
    error = path + ": the picture is written as .png or .tga";
    return false;
  }
  if (tga ? gui::save_tga_file(b, path, true) : gui::save_png_file(b, path)) return true;
  error = "cannot write " + path;
  return false;
}

}  // namespace render
