#include "guilib/widgets/skin_images.h"

#include <cmath>
#include <map>
#include <utility>

#include "guilib/archive/bitmap_cache.h"
#include "guilib/paint/icons.h"
#include "guilib/style/palette.h"

namespace gui {

namespace {

constexpr const char* waveform_dir = "image/icon/waveform/";

// Draws the artwork of path at w x h; false for images that are not ours to draw.
bool redraw(const std::string& path, int32_t w, int32_t h, bitmap& out) {
  if (path.rfind(waveform_dir, 0) == 0) return render_waveform_icon(out, path.substr(std::string(waveform_dir).size()), w, h, palette::accent);
  if (path == "image/icon/adsr") {
    render_adsr_icon(out, w, h, palette::accent);
    return true;
  }
  if (path == "image/icon/vorn") {
    render_wordmark(out, w, h);
    return true;
  }
  return false;
}

}  // namespace

const bitmap& skin_image(const std::string& path, float scale) {
  static std::map<std::pair<std::string, int>, bitmap> cache;
  const int key = int(std::lround(scale * 100.f));
  auto [it, fresh] = cache.try_emplace({path, key});
  if (!fresh) return it->second;
  bitmap original;
  if (!load_skin_bitmap(path, original, false)) return it->second;
  if (key == 100) return it->second = std::move(original);
  const int32_t w = std::max(1, int32_t(float(original.width()) * scale)), h = std::max(1, int32_t(float(original.height()) * scale));
  bitmap& out = it->second;
  if (redraw(path, w, h, out)) return out;
  create(out, w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) out.at(x, y) = original.at(x * original.width() / w, y * original.height() / h);
  return out;
}

}  // namespace gui
