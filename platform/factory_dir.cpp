#include "platform/factory_dir.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/module_path.h"
#include "platform/utf8_path.h"

namespace platform {

std::string factory_dir() {
  const char* set = std::getenv("VORN_FACTORY_DIR");
  std::string dir = set && *set ? std::string(set) : this_module().directory + "Vorn Factory";
  if (dir.empty()) return {};
  std::error_code ec;
  if (!std::filesystem::is_directory(utf8_path(dir), ec)) return {};
  if (dir.back() != '/' && dir.back() != '\\') dir += '/';
  return dir;
}

}  // namespace platform
