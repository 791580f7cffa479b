#include "platform/known_folders.h"

#include "platform/app_data_dir.h"

namespace platform {

std::string folder_of_ours(const char* override_variable, std::string (*system_folder)(),
                           std::initializer_list<const char*> pieces) {
  std::string dir = environment_text(override_variable);
  if (!dir.empty()) {
    if (dir.back() != '/' && dir.back() != '\\') dir += native_separator();
  } else {
    dir = system_folder();
    if (dir.empty()) return {};
    for (const char* piece : pieces) (dir += piece) += native_separator();
  }
  return make_directories(dir) ? dir : std::string();
}

}  // namespace platform
