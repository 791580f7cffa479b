// The system's own chunk: a 4-character id in reading order, a u32 size that
// counts the 8-byte header, then the payload; packed, no padding. Writers take
// a destination or none: with none they only measure, so every save is
// "measure, allocate once, write".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace riff {

constexpr uint32_t header_size = 8;
// The "smpl" chunk keeps 32 bytes of fixed fields before its children.
constexpr uint32_t smpl_children_offset = header_size + 32;

// Sequential writer into a destination that may be null (measure only).
class chunk_writer {
 public:
  explicit chunk_writer(uint8_t* dest) : dest_(dest) {}
  void id(const char* id4);  // null: four zero bytes
  void u32(uint32_t v);
  void i32(int32_t v) { u32(uint32_t(v)); }
  void f32(float v);
  void bytes(const void* data, size_t n);
  // Runs a child writer `uint32_t write(uint8_t* dest)` at the current spot.
  template <typename F>
  void child(F&& write) {
    pos_ += write(dest_ ? dest_ + pos_ : nullptr);
  }
  uint32_t size() const { return pos_; }

 private:
  uint8_t* dest_;
  uint32_t pos_ = 0;
};

// The string's bytes and a zero byte; an absent (null) string is a bare
// header. Returns the chunk's size (length + 9, or 8).
uint32_t write_string_chunk(uint8_t* dest, const char* text, const char* id);
// An empty string is stored as absent (a bare header).
inline uint32_t write_string_chunk(uint8_t* dest, const std::string& text, const char* id) {
  return write_string_chunk(dest, text.empty() ? nullptr : text.c_str(), id);
}

// A chunk inside bounded data; data is null when the chunk is absent or
// malformed (size below 8, or its end past the bytes it was found in).
struct chunk_view {
  const uint8_t* data = nullptr;
  uint32_t size = 0;

  explicit operator bool() const { return data != nullptr; }
  bool is(const char* id4) const;
  const uint8_t* payload() const { return data + header_size; }
  uint32_t payload_size() const { return size - header_size; }
  // Bytes of the payload from `offset` (from the chunk start) that exist.
  bool has(uint32_t offset, uint32_t n) const { return data && offset <= size && n <= size - offset; }
};

chunk_view chunk_at(const void* data, size_t available);
// The first child with the id, searched from offset 8 (or `from`): none when
// a child of size below 8 comes first or the match reaches past the parent.
chunk_view find_chunk(chunk_view parent, const char* id4, uint32_t from = header_size);
// The child that starts `offset` bytes into the parent (walks by count).
inline chunk_view child_at(chunk_view parent, uint32_t offset) {
  if (!parent || offset >= parent.size) return {};
  return chunk_at(parent.data + offset, parent.size - offset);
}
// The string of a string chunk: empty unless its size is above 8 and its
// last byte is zero.
std::string read_string_chunk(chunk_view c);

}  // namespace riff
