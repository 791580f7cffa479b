#include "guilib/archive/bitmap_cache.h"

#include "guilib/archive/gui_archive.h"
#include "guilib/image/image_file.h"
#include "guilib/image/tga.h"
#include "platform/app_data_dir.h"
#include "platform/bitmap_cache_dir.h"

namespace gui {

std::string cache_directory() { return platform::bitmap_cache_dir(); }

bool load_skin_bitmap(const archive_entry& root, const std::string& path, bitmap& b, bool use_cache) {
  if (const archive_entry* e = find_path(root, path, ".tga")) {
    if (decode_tga(b, e->data, e->size) != 0) return false;
    b.name = path;
    return true;
  }
  if (!use_cache) return false;
  const std::string dir = cache_directory();
  if (dir.empty()) return false;
  return load_image_file(b, dir + path + ".tga") == 0;
}

bool load_skin_bitmap(const std::string& path, bitmap& b, bool use_cache) {
  return load_skin_bitmap(gui_archive().root(), path, b, use_cache);
}

bool save_cached_bitmap(const std::string& path, const bitmap& b) {
  const std::string dir = cache_directory();
  if (dir.empty()) return false;
  const std::string file = dir + path + ".tga";
  const size_t slash = file.find_last_of('/');
  if (!platform::make_directories(file.substr(0, slash + 1))) return false;
  return save_tga_file(b, file, true);
}

}  // namespace gui
