// The archive: an in-memory tree of named entries filled from "varc" blobs.
//
// A "varc" blob is a chunk tree (4-byte tag, 32-bit little-endian size that
// counts the 8 header bytes, body; chunks packed back to back):
//   "varc"  u32 entry count, then an optional "name" chunk (not counted) and
//           `count` entry chunks: "file", "node" (read like "file") or a
//           nested "varc" (a directory, named by its own "name" chunk)
//   "file"  a "name" chunk and a "data" chunk
//   "name"  a NUL-terminated string, the NUL counted in the body
//   "data"  the file's raw bytes
// The outermost chunk carries no name: its entries join whatever entry the
// blob is mounted into. Entries point into the blob, which must outlive them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace gui {

struct archive_entry {
  std::string name;               // compared case-sensitively
  const uint8_t* data = nullptr;  // the file's bytes inside its blob; none for a directory
  uint32_t size = 0;              // byte count of data; 0 for a directory
  bool directory = false;
  std::vector<std::unique_ptr<archive_entry>> children;  // blob order, appended at the tail
  // Packing tools only: the file whose bytes write_archive stores for this
  // entry when data is none (size then holds the file's size).
  std::string source_path;

  archive_entry& add_child();
};

// Parses the "varc" chunk at blob and appends its entries to target's
// children, recursively. Counts and sizes that run past a chunk's end stop
// the walk there; nesting deeper than max_archive_depth is not followed.
// False when the blob is not a "varc" chunk that fits in size bytes.
constexpr int max_archive_depth = 32;
bool mount(const uint8_t* blob, size_t size, archive_entry& target);

// The first child of entry named exactly name, or none.
const archive_entry* find_child(const archive_entry& entry, const std::string& name);

// Walks a "/"-separated path from root: each directory component among the
// children found so far, the last component + suffix as the file. None on any miss.
const archive_entry* find_path(const archive_entry& root, const std::string& path, const char* suffix);

class archive {
 public:
  archive() = default;
  archive(const archive&) = delete;
  archive& operator=(const archive&) = delete;

  archive_entry& root() { return root_; }
  const archive_entry& root() const { return root_; }

  // If the file exists, reads it whole into this archive's own buffer and, if
  // it is not empty, mounts it into the root. True when something was mounted.
  bool load_file(const std::string& path);

 private:
  archive_entry root_;
  std::vector<std::vector<uint8_t>> buffers_;  // one per loaded file; entries point into them
};

}  // namespace gui
