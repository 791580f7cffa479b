#include "tools/fontbuild/font_writer.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "guilib/archive/archive_writer.h"
#include "guilib/archive/lzw.h"
#include "platform/utf8.h"
#include "riff/bytes.h"

namespace fontbuild {

namespace {

constexpr int coverage_levels = 15;  // palette entries 1..15; 0 is transparent

// The coverage FreeType gives is linear; light text on a dark panel reads
// thin at small sizes, so coverage is lifted slightly (exponent below 1)
// before it is cut to 4 bits.
constexpr float coverage_gamma = 0.80f;

uint8_t coverage_index(uint8_t c) {
  if (c == 0) return 0;
  const float lifted = std::pow(float(c) / 255.f, coverage_gamma);
  return uint8_t(std::clamp(int(std::lround(lifted * coverage_levels)), 0, coverage_levels));
}

// The line box (ascent, descent) is that of "!" to "~", so text lines keep
// their height; accents on capitals rise into `overhang` rows above it, and
// anything deeper than the ASCII descent is cut.
struct sheet_layout {
  int overhang = 0, ascent = 0, descent = 0, width = 0;
  int height() const { return overhang + ascent + descent; }
};

sheet_layout layout_of(const raster_font& r) {
  sheet_layout l;
  int top = 0;
  for (const auto& [c, g] : r.glyphs) {
    if (c <= '~') {
      l.ascent = std::max(l.ascent, g.top);
      l.descent = std::max(l.descent, g.rows - g.top);
    }
    top = std::max(top, g.top);
    l.width += g.width;
  }
  l.overhang = std::max(0, top - l.ascent);
  return l;
}

std::vector<uint8_t> sheet_bmp(const raster_font& r, const sheet_layout& l) {
  const int height = l.height();
  std::vector<uint8_t> index(size_t(l.width) * size_t(height), 0);  // top-down
  int x0 = 0;
  for (const auto& [c, g] : r.glyphs) {
    for (int y = 0; y < g.rows; ++y) {
      const int sy = l.overhang + l.ascent - g.top + y;
      if (sy < 0 || sy >= height) continue;
      for (int x = 0; x < g.width; ++x)
        index[size_t(sy) * size_t(l.width) + size_t(x0 + x)] = coverage_index(g.coverage[size_t(y) * size_t(g.width) + size_t(x)]);
    }
    x0 += g.width;
  }

  const size_t stride = (size_t(l.width) * 4 + 31) / 32 * 4;
  const size_t palette_bytes = 16 * 4, pixel_offset = 14 + 40 + palette_bytes;
  std::vector<uint8_t> bmp(pixel_offset + stride * size_t(height), 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  riff::put_u32(&bmp[2], uint32_t(bmp.size()));
  riff::put_u32(&bmp[10], uint32_t(pixel_offset));
  riff::put_u32(&bmp[14], 40);
  riff::put_u32(&bmp[18], uint32_t(l.width));
  riff::put_u32(&bmp[22], uint32_t(height));
  riff::put_u16(&bmp[26], 1);   // planes
  riff::put_u16(&bmp[28], 4);   // bits per pixel
  riff::put_u32(&bmp[46], 16);  // colours used
  for (int i = 1; i < 16; ++i) {
    uint8_t* e = &bmp[54 + size_t(i) * 4];
    e[0] = e[1] = e[2] = 255;
    e[3] = uint8_t(std::lround(i * 255.0 / coverage_levels));
  }
  for (int y = 0; y < height; ++y) {
    uint8_t* row = &bmp[pixel_offset + stride * size_t(height - 1 - y)];  // bottom-up
    for (int x = 0; x < l.width; ++x) {
      const uint8_t v = index[size_t(y) * size_t(l.width) + size_t(x)];
      row[x / 2] |= uint8_t((x & 1) ? v : v << 4);
    }
  }
  return bmp;
}

// The value most glyphs share, written once as the default.
int most_common(const std::vector<int>& values) {
  std::map<int, int> count;
  for (int v : values) ++count[v];
  return std::max_element(count.begin(), count.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
}

std::string utf8(char32_t c) {
  std::string s;
  platform::append_utf8(s, c);
  return s;
}

std::string metrics_text(const raster_font& r, const sheet_layout& l, const std::string& name, int tracking) {
  std::vector<int> leads, trails;
  for (const auto& [c, g] : r.glyphs) {
    leads.push_back(g.left);
    trails.push_back(g.advance - g.left - g.width + tracking);
  }
  const int lead = most_common(leads), trail = most_common(trails);
  std::string t;
  t += "name = " + name + "\n";
  t += "ascent = " + std::to_string(l.ascent) + "\n";
  t += "descent = " + std::to_string(l.descent) + "\n";
  t += "overhang = " + std::to_string(l.overhang) + "\n";
  t += "space = " + std::to_string(r.space_advance + tracking) + "\n";
  t += "default_leading = " + std::to_string(lead) + "\n";
  t += "default_trailing = " + std::to_string(trail) + "\n";
  t += "width {\n";
  for (const auto& [c, g] : r.glyphs) t += utf8(c) + " " + std::to_string(g.width) + "\n";
  t += "}\nleading {\n";
  size_t i = 0;
  for (const auto& [c, g] : r.glyphs)
    if (leads[i++] != lead) t += utf8(c) + " " + std::to_string(leads[i - 1]) + "\n";
  t += "}\ntrailing {\n";
  i = 0;
  for (const auto& [c, g] : r.glyphs)
    if (trails[i++] != trail) t += utf8(c) + " " + std::to_string(trails[i - 1]) + "\n";
  t += "}\nkerning {\n";
  for (const kerning_pair& k : r.kerning) {
    t += utf8(k.first) + utf8(k.second);
    if (k.pixels != -1) t += std::to_string(k.pixels);  // a bare pair means -1
    t += "\n";
  }
  t += "}\n";
  return t;
}

}  // namespace

font_parts make_font_parts(const raster_font& r, const std::string& name, int tracking) {
  const sheet_layout l = layout_of(r);
  return {sheet_bmp(r, l), metrics_text(r, l, name, tracking)};
}

std::vector<uint8_t> make_font_file(const font_parts& parts) {
  const std::vector<uint8_t> sheet = gui::lzw_pack(parts.sheet_bmp.data(), parts.sheet_bmp.size());
  const std::vector<uint8_t> metrics =
      gui::lzw_pack(reinterpret_cast<const uint8_t*>(parts.metrics.data()), parts.metrics.size());
  gui::archive_entry root;
  root.directory = true;
  gui::archive_entry& s = root.add_child();
  s.name = "bitmap.lzw";
  s.data = sheet.data();
  s.size = uint32_t(sheet.size());
  gui::archive_entry& m = root.add_child();
  m.name = "x.lzw";
  m.data = metrics.data();
  m.size = uint32_t(metrics.size());
  return gui::serialize_archive(root);
}

}  // namespace fontbuild
