#include "tools/render/shot_file.h"

#include "guilib/image/bitmap.h"
#include "guilib/image/tga.h"

namespace render {

// The Windows build has no PNG writer: TGA only.
bool write_shot(const std::string& path, const std::vector<uint32_t>& pixels, int32_t width, int32_t height,
                std::string& error) {
  if (path.size() < 4 || path.compare(path.size() - 4, 4, ".tga") != 0) {
    error = path + ": this build writes the picture as .tga";
    return false;
  }
  gui::bitmap b;
  gui::create(b, width, height);
  b.pixels = pixels;
  if (gui::save_tga_file(b, path, true)) return true;
  error = "cannot write " + path;
  return false;
}

}  // namespace render
