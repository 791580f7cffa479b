// Opening a file by its UTF-8 path, with the C library's modes ("rb", "wb").
// On Windows the path becomes UTF-16 for the wide-character open, so every
// file name the user can type can be opened; a path that is not valid UTF-8
// cannot be opened there. Returns null on failure, like fopen.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

std::FILE* open_file(const std::string& utf8_path, const char* mode);

}  // namespace platform
