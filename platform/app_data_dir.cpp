#include "platform/app_data_dir.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/known_folders.h"
#include "platform/utf8_path.h"

namespace platform {

bool make_directories(const std::string& path) {
  if (path.empty()) return false;
  std::string generic = path;  // both separators count, on every platform
  std::replace(generic.begin(), generic.end(), '\\', '/');
  std::filesystem::path p = utf8_path(generic);
  if (!p.has_filename()) p = p.parent_path();  // "a/b/" names the directory b
  std::error_code ec;
  std::filesystem::create_directories(p, ec);
  return std::filesystem::is_directory(p, ec);
}

std::string find_app_data_dir() {
  return folder_of_ours("VORN_DATA_DIR", user_data_folder, {"vorn", "synth"});
}

const std::string& app_data_dir() {
  static std::once_flag once;
  static std::string dir;
  std::call_once(once, [] { dir = find_app_data_dir(); });
  return dir;
}

std::string app_data_file(const char* base_name, const char* extension) {
  const std::string& dir = app_data_dir();
  if (dir.empty()) return {};
  return dir + base_name + extension;
}

}  // namespace platform
