// A test program's private places: a fresh temporary folder, and environment
// variables set for the program itself and everything it loads, so tests never
// touch the real home, AppData or cache.
#pragma once

#include <filesystem>
#include <string>

namespace test_support {

// A new, empty folder below the system's temporary folder.
std::filesystem::path make_scratch_dir(const std::string& prefix);

// Sets (or, with an empty value, removes) a variable in the process
// environment, UTF-8 on every platform.
void set_environment(const char* name, const std::string& value);

}  // namespace test_support
