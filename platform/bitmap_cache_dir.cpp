#include "platform/bitmap_cache_dir.h"

#include "platform/known_folders.h"

namespace platform {

std::string bitmap_cache_dir() {
  return folder_of_ours("VORN_CACHE_DIR", shared_data_folder, {"vorn", "8", "bitmap cache"});
}

}  // namespace platform
