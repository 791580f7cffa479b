#include "guilib/image/png_file.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace gui {

bool save_png_file(const bitmap& b, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(b.width()), png_uint_32(b.height()), 8, PNG_COLOR_TYPE_RGBA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(size_t(b.width()) * 4);
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) {
      const gui::color32 c = b.at(x, y);
      png_byte* p = &row[size_t(x) * 4];
      p[0] = png_byte(gui::red_of(c));
      p[1] = png_byte(gui::green_of(c));
      p[2] = png_byte(gui::blue_of(c));
      p[3] = png_byte(gui::alpha_of(c));
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace gui
