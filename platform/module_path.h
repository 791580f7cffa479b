// Where the library holding this code lives: directory (with a trailing
// separator) and file name, in UTF-8. Inside vorn.so or vorn.dll that is the
// plug-in itself; linked into a program, the program.
#pragma once

#include <string>

namespace platform {

struct module_path {
  std::string directory;  // ends with '/' or '\\', empty when unknown
  std::string file_name;
};

const module_path& this_module();

// Splits a full file name at its last separator ('/' or '\\').
module_path split_module_path(const std::string& full);

}  // namespace platform
