#include "platform/app_data_dir.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/known_folders.h"
#include "platform/utf8_path.h"

namespace platform {

namespace {

std::string with_separator(std::string dir) {
  if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += native_separator();
  return dir;
}

// base + pieces, each piece followed by the native separator.
std::string under(const std::string& base, std::initializer_list<const char*> pieces) {
  if (base.empty()) return {};
  std::string dir = base;
  for (const char* piece : pieces) (dir += piece) += native_separator();
  return dir;
}

// $override_variable when set, else folder() followed by pieces; created, or
// empty on failure. The folder is asked for only without an override.
std::string chosen(const char* override_variable, std::string (*folder)(),
                   std::initializer_list<const char*> pieces) {
  std::string dir = environment_text(override_variable);
  dir = dir.empty() ? under(folder(), pieces) : with_separator(std::move(dir));
  return make_directories(dir) ? dir : std::string();
}

}  // namespace

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
  return chosen("VORN_DATA_DIR", user_data_folder, {"vorn", "synth"});
}

std::string find_bitmap_cache_dir() {
  return chosen("VORN_CACHE_DIR", shared_data_folder, {"vorn", "8", "bitmap cache"});
}

const std::string& app_data_dir() {
  static std::once_flag once;
  static std::string dir;
  std::call_once(once, [] { dir = find_app_data_dir(); });
  return dir;
}

const std::string& bitmap_cache_dir() {
  static std::once_flag once;
  static std::string dir;
  std::call_once(once, [] { dir = find_bitmap_cache_dir(); });
  return dir;
}

std::string app_data_file(const char* base_name, const char* extension) {
  const std::string& dir = app_data_dir();
  if (dir.empty()) return {};
  return dir + base_name + extension;
}

}  // namespace platform
