// The colour presets of the background menu: 22 rows of a display name and a
// colour text, either one "hls(h, l, s)" or "blend:" with four of them (the
// corners of a four-colour gradient).
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "guilib/style/color.h"

namespace gui {

struct color_preset_row {
  const char* name;
  const char* text;
};
constexpr size_t color_preset_count = 22;
extern const std::array<color_preset_row, color_preset_count> color_preset_table;

// A row as the menu keeps it: its text without blanks, tabs and line breaks,
// split at ":", ",", "(" and ")".
struct color_preset {
  int index = 0;
  std::string name;
  std::vector<std::string> tokens;
};

// All rows in table order.
std::vector<color_preset> build_color_presets();

// The index-th (from 0) "hls" colour of a preset; grey 0.5 when it has no
// such colour with three arguments.
color preset_color(const color_preset& p, int index);

// What a preset paints: one colour ("hls"), a four-corner blend ("blend"), or
// grey 0.5 for anything else.
struct color_scheme {
  bool blend = false;
  color single{0.5f, 0.5f, 0.5f, 1.f};
  std::array<color32, 4> corners{};
};
color_scheme scheme_of(const color_preset& p);

}  // namespace gui
