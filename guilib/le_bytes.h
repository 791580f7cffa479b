// Little-endian integers in byte buffers: every file format of the toolkit
// stores its integers this way, whatever the machine's own order.
#pragma once

#include <cstdint>

namespace gui {

inline uint16_t read_u16le(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t read_u32le(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t read_i32le(const uint8_t* p) { return int32_t(read_u32le(p)); }

inline void write_u16le(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void write_u32le(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

}  // namespace gui
