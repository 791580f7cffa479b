// Fuzz target: the LZW decoder on any byte string. The measuring pass and the
// filling pass agree, output stays within its buffer, and whatever comes out
// survives an encode-decode round trip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "guilib/archive/lzw.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const size_t n = gui::lzw_decode(data, size, nullptr, 0);
  if (n > (size_t(64) << 20)) return 0;  // long runs: legal, but too slow to round-trip here
  std::vector<uint8_t> out(n + 1, 0xA5);
  if (gui::lzw_decode(data, size, out.data(), n) != n || out[n] != 0xA5) std::abort();
  out.resize(n);
  std::vector<uint8_t> back;
  const std::vector<uint8_t> packed = gui::lzw_pack(out.data(), out.size());
  if (!gui::lzw_unpack(packed.data(), packed.size(), back, n) || back != out) std::abort();
  return 0;
}
