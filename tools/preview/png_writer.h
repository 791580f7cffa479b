// PNG output for the preview sheet (libpng), so that it opens anywhere.
#pragma once

#include <string>

#include "guilib/image/bitmap.h"

namespace preview {

bool save_png(const gui::bitmap& b, const std::string& path);

}  // namespace preview
