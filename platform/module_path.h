// Where the library holding this code lives: directory (with a trailing
// separator) and file name, found from the address of one of its symbols.
#pragma once

#include <string>

namespace platform {

struct module_path {
  std::string directory;  // ends with '/', empty when unknown
  std::string file_name;
};

const module_path& this_module();

}  // namespace platform
