#include "tools/render/effect_report.h"

#include <cstdio>

#include "fx/registry.h"

namespace render {

std::string effects_report() {
  std::string out;
  char line[200];
  std::snprintf(line, sizeof line, "effects (%d, in registry order)\n", fx::registry_size());
  out += line;
  for (const fx::registry_entry* r = fx::registry_begin(); r != fx::registry_end(); ++r) {
    std::unique_ptr<fx::effect> e = r->make();
    e->load_defaults();
    std::snprintf(line, sizeof line, "%s (%d parameters)\n", r->name, e->param_count());
    out += line;
    const fx::param_group* g = e->groups();
    for (int i = 0; i < e->param_count(); ++i) {
      for (; g && g->name && g->first == i; ++g) {
        std::snprintf(line, sizeof line, "  [%s]\n", g->name);
        out += line;
      }
      const fx::param_desc& d = e->desc(i);
      char shown[64];
      e->format_value(i, shown, sizeof shown);
      std::snprintf(line, sizeof line, "  %2d  %-13s %6g .. %-6g %-7s default %-6g  \"%s\"\n", i, d.name,
                    double(d.min), double(d.max), d.integer ? "integer" : "", double(d.def), shown);
      out += line;
    }
  }
  return out;
}

}  // namespace render
