#include <dlfcn.h>

#include "platform/module_path.h"

namespace platform {

namespace {

module_path find_module() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<const void*>(&find_module), &info) == 0 || !info.dli_fname) return {};
  return split_module_path(info.dli_fname);
}

}  // namespace

const module_path& this_module() {
  static const module_path path = find_module();
  return path;
}

}  // namespace platform
