#include "guilib/file_bytes.h"

#include <cstring>

#include "riff/file_buffer.h"

namespace gui {

// Both go through the chunk layer's file buffer, so the toolkit's files get
// what the synth's files get: UTF-8 paths on every platform (Windows opens
// them as UTF-16, where a plain fopen would read the bytes in the ANSI code
// page and miss any name with an accent), the same size bound, and a save
// that replaces the old file only once the new one is written whole.

bool read_file_bytes(const std::string& path, std::vector<uint8_t>& out) {
  out.clear();
  riff::file_buffer file;
  if (!file.load(path)) return false;
  out.assign(file.data(), file.data() + file.size());
  return true;
}

bool write_file_bytes(const std::string& path, const uint8_t* data, size_t size) {
  riff::file_buffer file;
  if (!file.allocate(size)) return false;
  if (size) std::memcpy(file.data(), data, size);
  return file.store(path);
}

}  // namespace gui
