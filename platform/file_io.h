// Files by UTF-8 path. The one place that turns a path into an open file, so
// each system can give it its own body (wide-character opens on Windows).
#pragma once

#include <cstdio>
#include <string>

namespace platform {

// fopen-style modes ("rb", "wb"). Null when the file cannot be opened.
std::FILE* open_file(const std::string& path_utf8, const char* mode);

// Pushes written bytes to the storage device (fflush, then the system's sync).
bool sync_file(std::FILE* f);

// Moves `from` over `to` in one step; the old `to` stays intact on failure.
bool replace_file(const std::string& from, const std::string& to);

bool remove_file(const std::string& path);

// A name beside `path` (same folder) that no other save in this process or in
// another process is using: the temporary file of an atomic save.
std::string temporary_name_for(const std::string& path);

}  // namespace platform
