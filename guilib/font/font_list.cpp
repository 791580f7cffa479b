#include "guilib/font/font_list.h"

#include "guilib/font/font_file.h"

namespace gui {

const std::vector<font>& font_list() {
  static const std::vector<font> list = [] {
    std::vector<font> fonts(1);
    load_font(fonts[0], default_font_blob, default_font_blob_size);
    fonts.push_back(fixed_pitch_copy(fonts[0], default_fixed_pitch));
    return fonts;
  }();
  return list;
}

}  // namespace gui
