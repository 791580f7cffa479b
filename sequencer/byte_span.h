// Bounded reads from a file in memory: every access is checked against the
// bytes present, so a count or offset from the file can never reach past
// them. Reads outside give 0; callers ask `has` where a missing byte means a
// damaged file rather than a zero.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sequencer {

struct byte_span {
  const uint8_t* data = nullptr;
  size_t size = 0;

  bool has(size_t at, size_t count) const { return at <= size && count <= size - at; }
  uint8_t u8(size_t at) const { return at < size ? data[at] : 0; }
  int8_t s8(size_t at) const { return int8_t(u8(at)); }
  uint16_t u16_be(size_t at) const { return uint16_t(u8(at) << 8 | u8(at + 1)); }
  // A zero-terminated text of at most max_length bytes from `at`; a text cut
  // off by the end of the data ends there.
  size_t text_length(size_t at, size_t max_length) const {
    size_t n = 0;
    while (n < max_length && at + n < size && data[at + n] != 0) ++n;
    return n;
  }
};

// Reads bits from the most significant down, bytes in order. Past the end it
// reads zeros, so damaged pattern data decodes as empty cells.
class bit_reader {
 public:
  bit_reader(byte_span bytes, size_t start) : bytes_(bytes), start_(start), bit_(uint64_t(start) * 8) {}

  uint32_t read(int bits) {
    uint32_t v = 0;
    for (int i = 0; i < bits; ++i) {
      const size_t byte = size_t(bit_ >> 3);
      const int shift = 7 - int(bit_ & 7);
      v = v << 1 | ((bytes_.u8(byte) >> shift) & 1u);
      ++bit_;
    }
    return v;
  }
  // Bytes used since the start; a started byte counts whole.
  size_t bytes_used() const { return size_t((bit_ + 7) >> 3) - start_; }

 private:
  byte_span bytes_;
  size_t start_;
  uint64_t bit_;
};

}  // namespace sequencer
