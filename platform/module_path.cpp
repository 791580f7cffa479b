#include "platform/module_path.h"

#include <dlfcn.h>

namespace platform {

namespace {

module_path find_module() {
  module_path p;
  Dl_info info{};
  if (::dladdr(reinterpret_cast<const void*>(&find_module), &info) == 0 || !info.dli_fname) return p;
  std::string full = info.dli_fname;
  size_t cut = full.find_last_of("/\\");
  if (cut == std::string::npos) {
    p.file_name = full;
  } else {
    p.directory = full.substr(0, cut + 1);
    p.file_name = full.substr(cut + 1);
  }
  return p;
}

}  // namespace

const module_path& this_module() {
  static const module_path path = find_module();
  return path;
}

}  // namespace platform
