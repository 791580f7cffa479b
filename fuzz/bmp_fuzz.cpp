// Fuzz target: the BMP decoder (font sheets, user images). Any byte string
// decodes or fails with a code, never reading outside the data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "guilib/image/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  gui::bitmap b;
  const int code = gui::decode_bmp(b, data, size);
  if (code < gui::bmp_ok || code > gui::bmp_bad_size) std::abort();
  if (code == gui::bmp_ok ? b.pixels.size() != size_t(b.width()) * size_t(b.height()) : !b.empty()) std::abort();
  return 0;
}
