// Skin bitmaps by path: from the archive first, else from the bitmap cache on
// disk, where the widgets keep the strips they render themselves.
//
// Paths have no extension and use "/" between directories, e.g.
// "knob_strip/seven_spline,0,65,1,24x24"; the file looked up is the last
// component + ".tga".
#pragma once

#include <string>

#include "guilib/archive/archive.h"
#include "guilib/image/bitmap.h"

namespace gui {

// The cache directory (created), ending with a separator; empty when the
// platform cannot supply one, and the cache is then skipped.
std::string cache_directory();

// Decodes path from the archive under root; when it is not there and
// use_cache is set, loads cache_directory() + path + ".tga" instead. On
// success from the archive the bitmap's name is the path.
bool load_skin_bitmap(const archive_entry& root, const std::string& path, bitmap& b, bool use_cache);
// The same on the GUI archive.
bool load_skin_bitmap(const std::string& path, bitmap& b, bool use_cache);

// Writes b run-length-encoded (top-down) to cache_directory() + path + ".tga",
// creating the directories of path. False when nothing was written.
bool save_cached_bitmap(const std::string& path, const bitmap& b);

}  // namespace gui
