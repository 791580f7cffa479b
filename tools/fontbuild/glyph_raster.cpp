#include "tools/fontbuild/glyph_raster.h"

#include <vector>

#include "guilib/font/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

namespace fontbuild {

namespace {

// The characters a font is built with: every one a font file can hold,
// less the controls and the no-break space (drawn as a blank).
std::vector<char32_t> wanted_codes() {
  std::vector<char32_t> codes;
  for (size_t slot = 0; slot < gui::glyph_slot_count; ++slot) {
    const char32_t c = gui::slot_code(slot);
    if (c > ' ' && (c < 0x7F || c > 0xA0)) codes.push_back(c);
  }
  return codes;
}

int round_26_6(long v) { return int((v + 32) >> 6); }  // 26.6 fixed point to whole pixels

// Full hinting with the face's own instructions: at 4 to 22 pixels it snaps
// stems and heights to the grid, which is what keeps small labels crisp.
constexpr FT_Int32 load_flags = FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL;

bool load_glyph(FT_Face face, char32_t c, raster_glyph& g) {
  if (FT_Load_Char(face, FT_ULong(c), load_flags) != 0) return false;
  const FT_GlyphSlot slot = face->glyph;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = int(slot->bitmap.width);
  g.rows = int(slot->bitmap.rows);
  g.advance = round_26_6(slot->advance.x);
  g.coverage.assign(size_t(g.width) * size_t(g.rows), 0);
  for (int y = 0; y < g.rows; ++y)
    for (int x = 0; x < g.width; ++x)
      g.coverage[size_t(y) * size_t(g.width) + size_t(x)] = slot->bitmap.buffer[y * slot->bitmap.pitch + x];
  return true;
}

}  // namespace

bool rasterise(const std::string& ttf_path, int pixel_size, raster_font& out, std::string& error) {
  FT_Library lib = nullptr;
  FT_Face face = nullptr;
  if (FT_Init_FreeType(&lib) != 0) {
    error = "cannot start FreeType";
    return false;
  }
  bool ok = FT_New_Face(lib, ttf_path.c_str(), 0, &face) == 0;
  if (!ok) error = "cannot open " + ttf_path;
  if (ok && FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixel_size)) != 0) {
    error = "cannot size " + ttf_path;
    ok = false;
  }
  for (char32_t c : wanted_codes()) {
    if (!ok) break;
    const bool ascii = c <= '~';
    if (!ascii && FT_Get_Char_Index(face, FT_ULong(c)) == 0) continue;  // the face lacks it: drawn as "?"
    if (!load_glyph(face, c, out.glyphs[c])) {
      error = "cannot render glyph " + std::to_string(uint32_t(c));
      ok = false;
    }
  }
  if (ok && FT_Load_Char(face, ' ', FT_LOAD_TARGET_NORMAL) == 0) out.space_advance = round_26_6(face->glyph->advance.x);
  // Kerning is kept for pairs within Latin-1 (the font file's table).
  if (ok && FT_HAS_KERNING(face)) {
    for (const auto& [a, ga] : out.glyphs) {
      if (a > 0xFF) break;
      for (const auto& [b, gb] : out.glyphs) {
        if (b > 0xFF) break;
        FT_Vector k{};
        FT_Get_Kerning(face, FT_Get_Char_Index(face, FT_ULong(a)), FT_Get_Char_Index(face, FT_ULong(b)),
                       FT_KERNING_DEFAULT, &k);
        const int px = round_26_6(k.x);
        if (px != 0) out.kerning.push_back({a, b, px});
      }
    }
  }
  if (face) FT_Done_Face(face);
  FT_Done_FreeType(lib);
  return ok;
}

}  // namespace fontbuild
