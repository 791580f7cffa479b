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
  // Looked up again while nothing was found: the archive may have been
  // mounted since (a style asked for before the editor's first window).
  if (fresh || it->second.sizes.empty()) {
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
  struct entry {
    std::unique_ptr<ui_style> style;
    bool mounted = false;  // made with the built-in fonts available
  };
  static std::map<int, entry> styles;  // by scale in hundredths
  scale = std::clamp(scale, 0.25f, 4.f);
  entry& e = styles[int(std::lround(scale * 100.f))];
  // Made before the archive was mounted: the fonts are looked up again, in
  // place, so widgets that hold the style see them.
  if (!e.style || (!e.mounted && gui_resources_initialised())) {
    if (!e.style) e.style = std::make_unique<ui_style>();
    e.mounted = gui_resources_initialised();
    ui_style* s = e.style.get();
    s->scale = scale;
    // Below 7 pixels text stops being readable: small scales keep 7.
    auto size = [scale](float at_one) { return std::max(7.f, at_one * scale); };
    s->label = &nearest_font("DejaVu Sans", size(8.f));
    s->header = &nearest_font("DejaVu Sans Bold", size(9.f));
    s->value = &nearest_font("DejaVu Sans Mono", size(9.f));
    s->display = &nearest_font("DejaVu Sans Mono", size(11.f));
    s->menu = &nearest_font("DejaVu Sans", size(8.f));
    s->menu_header = &nearest_font("DejaVu Sans Bold", size(7.f));
  }
  return *e.style;
}

}  // namespace gui
