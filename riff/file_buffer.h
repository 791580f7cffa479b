// A whole file in memory: its bytes, one extra zero byte after the last (so
// a text file reads as a string), and the path it came from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace riff {

class file_buffer {
 public:
  // Largest file any loader reads: a full state with its samples stays far
  // below it, and it bounds what a stray path can make us allocate.
  static constexpr size_t max_bytes = size_t(1) << 30;

  // False when the file cannot be opened, cannot be read whole or is larger
  // than max_bytes. An empty file loads as 0 bytes.
  bool load(const std::string& path_utf8);
  // Writes a temporary file in the same folder, flushes it to the device and
  // renames it over `path_utf8`: a failed or interrupted save leaves the old
  // file untouched. False (and no file left behind) on any failure.
  bool store(const std::string& path_utf8) const;

  // n zeroed bytes (plus the trailing zero); false when memory runs out.
  bool allocate(size_t n);
  void assign(const void* data, size_t n);

  uint8_t* data() { return bytes_.data(); }
  const uint8_t* data() const { return bytes_.data(); }
  size_t size() const { return bytes_.empty() ? 0 : bytes_.size() - 1; }
  const char* text() const { return reinterpret_cast<const char*>(bytes_.data()); }
  const std::string& path() const { return path_; }

 private:
  std::vector<uint8_t> bytes_ = std::vector<uint8_t>(1, 0);
  std::string path_;
};

}  // namespace riff
