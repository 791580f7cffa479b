// Little-endian fields of the chunk formats and the toolkit's file formats:
// unaligned, any host byte order.
#pragma once

#include <cstdint>
#include <cstring>

namespace riff {

inline uint16_t read_u16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t read_u32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t read_i32(const uint8_t* p) { return int32_t(read_u32(p)); }
inline float read_f32(const uint8_t* p) {
  const uint32_t bits = read_u32(p);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}
inline void put_u16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void put_u32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}
inline void put_f32(uint8_t* p, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  put_u32(p, bits);
}
inline uint32_t f32_bits(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

}  // namespace riff
