// PNG output (libpng) for screenshots, the headless backend's pictures and
// the preview sheet, so that they open anywhere. Built where libpng is (not
// for Windows, where pictures are written as TGA).
#pragma once

#include <string>

#include "guilib/image/bitmap.h"

namespace gui {

// False when the file cannot be written.
bool save_png_file(const bitmap& b, const std::string& path);

}  // namespace gui
