#include "guilib/widgets/ui_style.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include "guilib/archive/gui_archive.h"
#include "guilib/font/font_file.h"
#include "guilib/font/font_list.h"

namespace gui {

namespace {

struct family_fonts {
  std::map<int, std::unique_ptr<font>> by_size;  // loaded on first use
  std::vector<int> sizes;                        // what the archive carries
};

family_fonts& family(const std::string& name) {
  static std::map<std::string, family_fonts> families;
  auto [it, fresh] = families.try_emplace(name);
  if (fresh) {
    // Font files are named "<family> <size>.vornfont".
    if (const archive_entry* dir = find_child(gui_archive().root(), "fonts")) {
      const std::string prefix = name + " ";
      for (const auto& e : dir->children) {
        const std::string& n = e->name;
        if (n.size() <= prefix.size() || n.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string rest = n.substr(prefix.size());
        if (rest.empty() || !std::isdigit(static_cast<unsigned char>(rest[0]))) continue;
        const size_t end = rest.find_first_not_of("0123456789");
        if (end == std::string::npos || rest.substr(end) != font_extension) continue;
        it->second.sizes.push_back(std::stoi(rest.substr(0, end)));
      }
    }
    std::sort(it->second.sizes.begin(), it->second.sizes.end());
  }
  return it->second;
}

}  // namespace

const font& nearest_font(const std::string& name, float pixels) {
  family_fonts& f = family(name);
  if (f.sizes.empty()) return font_list()[0];
  int best = f.sizes[0];
  for (int s : f.sizes)
    if (std::fabs(float(s) - pixels) < std::fabs(float(best) - pixels)) best = s;
  std::unique_ptr<font>& slot = f.by_size[best];
  if (!slot) {
    slot = std::make_unique<font>();
    if (!load_archive_font(*slot, name + " " + std::to_string(best))) *slot = font_list()[0];
  }
  return *slot;
}

const ui_style& style_for_scale(float scale) {
  static std::map<int, std::unique_ptr<ui_style>> styles;  // by scale in hundredths
  scale = std::clamp(scale, 0.25f, 4.f);
  std::unique_ptr<ui_style>& s = styles[int(std::lround(scale * 100.f))];
  if (!s) {
    s = std::make_unique<ui_style>();
    s->scale = scale;
    s->label = &nearest_font("DejaVu Sans", 8.f * scale);
    s->header = &nearest_font("DejaVu Sans Bold", 9.f * scale);
    s->value = &nearest_font("DejaVu Sans Mono", 9.f * scale);
    s->display = &nearest_font("DejaVu Sans Mono", 11.f * scale);
    s->menu = &nearest_font("DejaVu Sans", 8.f * scale);
    s->menu_header = &nearest_font("DejaVu Sans Bold", 7.f * scale);
  }
  return *s;
}

}  // namespace gui
