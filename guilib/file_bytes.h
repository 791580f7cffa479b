// Whole files in memory, for the toolkit's loaders and the packing tools.
// Paths are UTF-8 on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace gui {

// False if the file cannot be opened or read; an empty file gives an empty buffer.
bool read_file_bytes(const std::string& path, std::vector<uint8_t>& out);

// False if the file cannot be opened or not all bytes were written.
bool write_file_bytes(const std::string& path, const uint8_t* data, size_t size);

}  // namespace gui
