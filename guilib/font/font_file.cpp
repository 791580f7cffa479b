#include "guilib/font/font_file.h"

#include <vector>

#include "guilib/archive/gui_archive.h"
#include "guilib/archive/lzw.h"
#include "guilib/font/font_metrics.h"
#include "guilib/image/image_file.h"

namespace gui {

namespace {

// The first present member's bytes, unpacked if its name ends in ".lzw".
bool member_bytes(const archive_entry& root, std::initializer_list<const char*> names, size_t max_size,
                  std::vector<uint8_t>& out) {
  for (const char* name : names) {
    const archive_entry* e = find_child(root, name);
    if (!e || !e->data) continue;
    const std::string n = name;
    if (n.size() > 4 && n.compare(n.size() - 4, 4, ".lzw") == 0) return lzw_unpack(e->data, e->size, out, max_size);
    out.assign(e->data, e->data + e->size);
    return true;
  }
  return false;
}

}  // namespace

bool load_font(font& f, const uint8_t* blob, size_t size) {
  archive a;
  if (!mount(blob, size, a.root())) return false;
  std::vector<uint8_t> sheet, metrics;
  if (!member_bytes(a.root(), {"bitmap", "bitmap.bmp", "bitmap.tga", "bitmap.lzw"}, max_font_sheet_bytes, sheet))
    return false;
  if (!member_bytes(a.root(), {"fontx", "x.txt", "x.lzw"}, max_font_metrics_bytes, metrics)) return false;
  if (decode_image(f.sheet, sheet.data(), sheet.size()) != 0) return false;
  parse_metrics(f, reinterpret_cast<const char*>(metrics.data()), metrics.size());
  return true;
}

bool load_archive_font(font& f, const archive_entry& root, const std::string& name) {
  const archive_entry* dir = find_child(root, "fonts");
  const archive_entry* file = dir ? find_child(*dir, name + font_extension) : nullptr;
  return file && file->data && load_font(f, file->data, file->size);
}

bool load_archive_font(font& f, const std::string& name) { return load_archive_font(f, gui_archive().root(), name); }

}  // namespace gui
