#include <unistd.h>

#include "tools/render/options.h"

namespace render {

std::string default_plugin_path() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "vorn.so";
  std::string exe(buf, size_t(n));
  const size_t slash = exe.rfind('/');
  return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) + "/vorn.so";
}

}  // namespace render
