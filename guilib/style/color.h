// Colours: float RGBA (each nominally 0..1), the packed 0xAARRGGBB form, the
// colour functions of style values ("gray(1 / 64)", "rgb(...)", "hls(...)"),
// named colours and the colour presets of the background menu.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "guilib/image/bitmap.h"

namespace gui {

struct color {
  float r = 0.f, g = 0.f, b = 0.f, a = 0.f;
};

// Bytes floor(component * 255), components clamped to 0..1 first so that an
// out-of-range value cannot spill into its neighbour's byte.
color32 pack(const color& c);
color unpack(color32 c);

// h in turns (wrapped into [0, 1)), l and s clamped to [0, 1]; alpha 1.
color hls_to_rgb(float h, float l, float s);

// The colour function of a token list: a name and its arguments, e.g.
// {"gray", "1/64"} or {"hls", "0/12", "2/5", "7/8"}. The arguments are
// evaluated with one evaluator, last first, so a failing argument takes the
// value of the one evaluated before it (0 for the last). gray(v), gray(a, v),
// rgb(r, g, b), rgb(a, r, g, b), hls(h, l, s), hls(a, h, l, s); anything else
// gives all four components 0.
color parse_color(const std::vector<std::string>& tokens);
// The same on a text such as "hls(0/12, 2/5, 7/8)", split at "(", "," and ")".
color parse_color(const std::string& text);

// Splits text at any of the separator characters, dropping empty pieces.
std::vector<std::string> split_tokens(const std::string& text, const char* separators);

// A colour by name ("black", "led blue", ...): the packed value's bytes / 255
// with alpha 1; an unknown name gives black with alpha 1.
color named_color(const std::string& name);

}  // namespace gui
