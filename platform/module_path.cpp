#include "platform/module_path.h"

namespace platform {

module_path split_module_path(const std::string& full) {
  module_path p;
  const size_t cut = full.find_last_of("/\\");
  if (cut == std::string::npos) {
    p.file_name = full;
  } else {
    p.directory = full.substr(0, cut + 1);
    p.file_name = full.substr(cut + 1);
  }
  return p;
}

}  // namespace platform
