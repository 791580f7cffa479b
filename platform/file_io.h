// What an atomic save needs beyond opening a file (platform/file_open.h):
// flushing to the device, replacing one file by another in one step, and a
// temporary name beside the target.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

// Pushes written bytes to the storage device (fflush, then the system's sync).
bool sync_file(std::FILE* f);

// Moves `from` over `to` in one step; the old `to` stays intact on failure.
bool replace_file(const std::string& from_utf8, const std::string& to_utf8);

bool remove_file(const std::string& path_utf8);

// A name beside `path` (same folder) that no other save in this process or in
// another process is using: the temporary file of an atomic save.
std::string temporary_name_for(const std::string& path_utf8);

// Removes the temporaries beside `path` that saves of processes no longer
// running left behind (a save killed before its rename). Those of running
// processes, this one included, are theirs and stay.
void remove_stale_temporaries(const std::string& path_utf8);

}  // namespace platform
