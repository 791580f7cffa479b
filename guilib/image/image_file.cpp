#include "guilib/image/image_file.h"

#include <vector>

#include "guilib/file_bytes.h"
#include "guilib/image/bmp.h"
#include "guilib/image/tga.h"

namespace gui {

int decode_image(bitmap& b, const uint8_t* data, size_t size) {
  if (data && size >= 54 && data[0] == 'B' && data[1] == 'M') return decode_bmp(b, data, size);
  if (!tga_valid(data, size)) {
    create(b, 0, 0);
    return -1;
  }
  return decode_tga(b, data, size);
}

int load_image_file(bitmap& b, const std::string& path) {
  create(b, 0, 0);
  std::vector<uint8_t> bytes;
  if (!read_file_bytes(path, bytes) || bytes.empty()) return -1;
  return decode_image(b, bytes.data(), bytes.size());
}

}  // namespace gui
