// Where our folders go. What the operating system says (the first four
// functions) is implemented once per platform, in known_folders_posix.cpp and
// known_folders_win32.cpp; what we make of it is the same everywhere. Every
// text is UTF-8; every folder ends with a separator.
#pragma once

#include <initializer_list>
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

// $override_variable when set (a separator added if missing), else
// system_folder() followed by the pieces, each with the native separator.
// Created on disk; empty when that failed. system_folder is asked only
// without an override.
std::string folder_of_ours(const char* override_variable, std::string (*system_folder)(),
                           std::initializer_list<const char*> pieces);

}  // namespace platform
