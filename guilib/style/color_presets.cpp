#include "guilib/style/color_presets.h"

#include "guilib/style/expression.h"

namespace gui {

const std::array<color_preset_row, color_preset_count> color_preset_table = {{
    {"Red", "hls(0/12, 2/5, 7/8)"},
    {"Orange", "hls(1/12, 2/5, 7/8)"},
    {"Yellow", "hls(2/12, 2/5, 7/8)"},
    {"Chartreuse", "hls(3/12, 2/5, 7/8)"},
    {"Green", "hls(4/12, 2/5, 7/8)"},
    {"Spring", "hls(5/12, 2/5, 7/8)"},
    {"Cyan", "hls(6/12, 2/5, 7/8)"},
    {"Sky", "hls(7/12, 2/5, 7/8)"},
    {"Blue", "hls(8/12, 2/5, 7/8)"},
    {"Purple", "hls(9/12, 2/5, 7/8)"},
    {"Violet", "hls(10/12, 2/5, 7/8)"},
    {"Pink", "hls(11/12, 2/5, 7/8)"},
    {"Dark", "hls(0, 1/5, 0)"},
    {"Gray", "hls(0, 1/2, 0)"},
    {"White", "hls(0, 1/1, 0)"},
    {"RGBK", "blend:\nhls(0/3, 1/2, 1)\nhls(1/3, 1/2, 1)\nhls(2/3, 1/2, 1)\nhls(0, 0, 1)\n"},
    {"Pink-cyan", "blend:\nhls(8/9, 5/9, 1)\nhls(8/9, 7/9, 1)\nhls(5/9, 5/9, 1)\nhls(5/9, 7/9, 1)\n"},
    {"Purple-orange", "blend:\nhls(11/15, 2/5, 1)\nhls(11/15, 1/2, 1)\nhls(1/15, 2/5, 1)\nhls(1/15, 1/2, 1)\n"},
    {"Slate dk", "hls(7/12, 1/5, 1/7)"},
    {"Slate", "hls(7/12, 3/7, 1/7)"},
    {"Slate lt", "hls(7/12, 5/7, 2/7)"},
    {"Scintillicious", "hls(0.388, 0.553, 0.412)"},
}};

std::vector<color_preset> build_color_presets() {
  std::vector<color_preset> presets;
  for (size_t i = 0; i < color_preset_table.size(); ++i) {
    std::string text;
    for (const char* p = color_preset_table[i].text; *p; ++p) {
      if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') text += *p;
    }
    presets.push_back({int(i), color_preset_table[i].name, split_tokens(text, ":,()")});
  }
  return presets;
}

color preset_color(const color_preset& p, int index) {
  const color grey{0.5f, 0.5f, 0.5f, 1.f};
  int seen = 0;
  for (size_t i = 0; i < p.tokens.size(); ++i) {
    if (p.tokens[i] != "hls" || seen++ != index) continue;
    if (i + 3 >= p.tokens.size()) return grey;  // fewer than three arguments follow
    expression_evaluator e;
    const float h = e.evaluate(p.tokens[i + 1]);
    const float l = e.evaluate(p.tokens[i + 2]);
    const float s = e.evaluate(p.tokens[i + 3]);
    return hls_to_rgb(h, l, s);
  }
  return grey;
}

color_scheme scheme_of(const color_preset& p) {
  color_scheme s;
  if (p.tokens.empty()) return s;
  if (p.tokens[0] == "hls") {
    s.single = preset_color(p, 0);
  } else if (p.tokens[0] == "blend") {
    s.blend = true;
    for (int i = 0; i < 4; ++i) s.corners[size_t(i)] = pack(preset_color(p, i));
  }
  return s;
}

}  // namespace gui
