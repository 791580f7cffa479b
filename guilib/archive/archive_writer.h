// Writing, extracting and listing archives: the packing tools' side of the
// archive, not used while the GUI runs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "guilib/archive/archive.h"

namespace gui {

// The short size form of listings: below 1024 "%i"; below 1048576 the size
// in k with one decimal under 10 ("4.9k") and none above ("20k"); from
// 1048576 on in m without decimals ("3m"). No newline.
std::string format_short_size(uint32_t size);

// Serialises the tree under root as one outermost "varc" chunk (the root's
// own name is not written; directories carry their names first). Measures
// when out is none. Entries whose bytes come from source_path are read from
// disk while writing; one that cannot be read prints
// "couldn't read file '%s'\n" and leaves its data area zero.
size_t serialize_archive(const archive_entry& root, uint8_t* out);
std::vector<uint8_t> serialize_archive(const archive_entry& root);

// Prints "\nwriting \"path\"\n", "total = " and the short size, then
// serialises the tree into path. False if the file cannot be written.
bool write_archive(const archive_entry& root, const std::string& path);

// Recreates entry under base_dir (which ends with a separator): a directory
// becomes base + name + "/" and is descended into, a file is written to
// base + name. The unnamed root extracts its children into base_dir itself.
// Names that would leave the base ("..", "." , with "/" or "\\", empty) are
// skipped with a message. False if anything could not be written.
bool extract(const std::string& base_dir, const archive_entry& entry);

// One line per entry: a tab per level, then "name/" for a directory (its
// children follow one level deeper) or "name = " and the short size.
void dump(const archive_entry& entry, int depth, std::FILE* out = stdout);

// Builds a tree from a folder on disk (sorted by name, so blobs are
// reproducible): sub-folders become directories, files become entries that
// write_archive reads from their source path. False if dir cannot be listed.
bool add_folder(archive_entry& target, const std::string& dir);

}  // namespace gui
