// Fuzz target: the TGA decoder (user background images, cached strips). A
// decoded image has width x height pixels and re-encodes to the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "guilib/image/image_file.h"
#include "guilib/image/tga.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  gui::bitmap b;
  const int code = gui::decode_tga(b, data, size);
  if (code != gui::tga_ok) {
    if (!b.empty()) std::abort();
    return 0;
  }
  if (b.pixels.size() != size_t(b.width()) * size_t(b.height())) std::abort();
  if (b.empty()) return 0;  // a 0 x N header decodes to nothing, which decode_image's check refuses
  const std::vector<uint8_t> file = gui::encode_tga(b, true);
  gui::bitmap back;
  if (gui::decode_image(back, file.data(), file.size()) != 0 || back.pixels != b.pixels) std::abort();
  return 0;
}
