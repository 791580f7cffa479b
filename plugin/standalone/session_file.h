// Where the application keeps its session (the whole instance state, saved
// on quit and restored on start) and how it reads and writes state files.
// Writes are atomic (a temporary beside the file, flushed, then renamed), so
// a crash or a full disk during the save leaves the last session intact.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace standalone {

// <user data folder>/standalone.vornstate ($VORN_DATA_DIR when set); empty
// when there is no data folder.
std::string session_path();

// The file's bytes; an outcome text (empty: success) otherwise. Files larger
// than a state can be are refused unread.
std::string read_state_file(const std::string& path, std::vector<uint8_t>& out);
std::string write_state_file(const std::string& path, const uint8_t* bytes, size_t size);

}  // namespace standalone
