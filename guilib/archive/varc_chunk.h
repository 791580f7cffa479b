// Chunk headers inside a byte range: the guarded step from one chunk to the
// next that the archive reader and writer share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "riff/bytes.h"

namespace gui {

constexpr size_t chunk_header_bytes = 8;

struct chunk_ref {
  const uint8_t* start = nullptr;  // the header
  uint32_t size = 0;               // header included
  bool is(const char* tag) const { return std::memcmp(start, tag, 4) == 0; }
  const uint8_t* body() const { return start + chunk_header_bytes; }
  uint32_t body_size() const { return size - uint32_t(chunk_header_bytes); }
};

// The chunk at p if its header and its declared end lie before end and its
// size covers at least the header; otherwise none (start = nullptr).
inline chunk_ref chunk_at(const uint8_t* p, const uint8_t* end) {
  if (p >= end || size_t(end - p) < chunk_header_bytes) return {};
  const uint32_t size = riff::read_u32(p + 4);
  if (size < chunk_header_bytes || size > size_t(end - p)) return {};
  return {p, size};
}

// The first chunk tagged `tag` among the chunks laid back to back in [p, end).
inline chunk_ref find_chunk_in(const uint8_t* p, const uint8_t* end, const char* tag) {
  for (chunk_ref c = chunk_at(p, end); c.start; c = chunk_at(c.start + c.size, end)) {
    if (c.is(tag)) return c;
  }
  return {};
}

inline void write_chunk_header(uint8_t* p, const char* tag, uint32_t size) {
  std::memcpy(p, tag, 4);
  riff::put_u32(p + 4, size);
}

}  // namespace gui
