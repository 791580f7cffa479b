// Font files (".vornfont"): a "varc" blob with the glyph sheet as the first
// present of "bitmap", "bitmap.bmp", "bitmap.tga" or "bitmap.lzw" (an image,
// LZW-compressed in the last form) and the metrics text as the first present
// of "fontx", "x.txt" or "x.lzw". The built-in fonts hold a 4-bit BMP whose
// palette entry 0 is transparent and whose other entries are white with
// rising alpha (antialiased coverage).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "guilib/archive/archive.h"
#include "guilib/font/font.h"

namespace gui {

constexpr const char* font_extension = ".vornfont";
// Bounds for unpacking members, far above any real sheet or metrics text.
constexpr size_t max_font_sheet_bytes = size_t(16) << 20;
constexpr size_t max_font_metrics_bytes = size_t(1) << 20;

// Mounts the blob into a short-lived archive, decodes the sheet and parses the
// metrics. False (f unspecified) when a member is missing or the sheet does not decode.
bool load_font(font& f, const uint8_t* blob, size_t size);

// The font "fonts/<name>.vornfont" of an archive root (the GUI archive by default).
bool load_archive_font(font& f, const archive_entry& root, const std::string& name);
bool load_archive_font(font& f, const std::string& name);

}  // namespace gui
