// What the operating system says about where files go: the one part of the
// data and cache directory lookup that differs between platforms. Implemented
// once per platform (known_folders_posix.cpp, known_folders_win32.cpp). Every
// text is UTF-8; every folder ends with the platform's separator.
#pragma once

#include <string>

namespace platform {

// '/' or '\\': what the platform's own folder names use.
char native_separator();

// An environment variable, empty when unset.
std::string environment_text(const char* name);

// The per-user folder applications keep their data in; empty when unknown.
std::string user_data_folder();

// The folder for data shared by all users (or, on Linux, the user's cache
// folder, where rebuildable files belong); empty when unknown.
std::string shared_data_folder();

}  // namespace platform
