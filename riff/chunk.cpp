#include "riff/chunk.h"

#include <cstring>

#include "riff/bytes.h"

namespace riff {

void chunk_writer::id(const char* id4) {
  static constexpr char zeros[4] = {};
  bytes(id4 ? id4 : zeros, 4);
}

void chunk_writer::u32(uint32_t v) {
  if (dest_) put_u32(dest_ + pos_, v);
  pos_ += 4;
}

void chunk_writer::f32(float v) {
  if (dest_) put_f32(dest_ + pos_, v);
  pos_ += 4;
}

void chunk_writer::bytes(const void* data, size_t n) {
  if (dest_ && n) std::memcpy(dest_ + pos_, data, n);
  pos_ += uint32_t(n);
}

uint32_t write_string_chunk(uint8_t* dest, const char* text, const char* id) {
  const size_t length = text ? std::strlen(text) : 0;
  const uint32_t size = text ? uint32_t(header_size + length + 1) : header_size;
  chunk_writer w(dest);
  w.id(id);
  w.u32(size);
  if (text) w.bytes(text, length + 1);
  return w.size();
}

bool chunk_view::is(const char* id4) const { return data && std::memcmp(data, id4, 4) == 0; }

chunk_view chunk_at(const void* data, size_t available) {
  if (!data || available < header_size) return {};
  const uint8_t* p = static_cast<const uint8_t*>(data);
  const uint32_t size = read_u32(p + 4);
  if (size < header_size || size > available) return {};
  return {p, size};
}

chunk_view find_chunk(chunk_view parent, const char* id4, uint32_t from) {
  if (!parent) return {};
  uint32_t at = from;
  while (at <= parent.size && parent.size - at >= header_size) {
    const uint8_t* p = parent.data + at;
    const uint32_t size = read_u32(p + 4);
    if (std::memcmp(p, id4, 4) == 0) return chunk_at(p, parent.size - at);
    if (size < header_size) break;
    if (size > parent.size - at) break;
    at += size;
  }
  return {};
}

std::string read_string_chunk(chunk_view c) {
  if (!c || c.size <= header_size || c.data[c.size - 1] != 0) return {};
  return std::string(reinterpret_cast<const char*>(c.payload()));
}

}  // namespace riff
