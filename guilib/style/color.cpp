#include "guilib/style/color.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "guilib/style/expression.h"

namespace gui {

namespace {

uint32_t to_byte(float v) { return uint32_t(std::floor(std::clamp(v, 0.f, 1.f) * 255.f)); }

struct named_entry {
  const char* name;
  uint32_t rgb;
};

constexpr named_entry named_colors[] = {
    {"black", 0x000000},      {"white", 0xFFFFFF},      {"red", 0xFF0000},       {"orange", 0xFF4000},
    {"yellow", 0xFFFF00},     {"lime", 0x40FF00},       {"green", 0x00FF00},     {"spring", 0x00FF80},
    {"cyan", 0x00FFFF},       {"sky", 0x0080FF},        {"blue", 0x0000FF},      {"indigo", 0x8000FF},
    {"magenta", 0xFF00FF},    {"purple", 0x800080},     {"pink", 0xFF0080},      {"led red", 0xE00000},
    {"led yellow", 0xE08000}, {"led green", 0x20C000},  {"led blue", 0x0820F0},
};

// HLS ramp: the channel value at hue x (turns) between m1 and m2.
float hls_channel(float m1, float m2, float x) {
  const float t = (x - std::floor(x)) * 6.f;
  if (t < 1.f) return m1 + (m2 - m1) * t;
  if (t < 3.f) return m2;
  if (t < 4.f) return m1 + (m2 - m1) * (4.f - t);
  return m1;
}

}  // namespace

color32 pack(const color& c) { return to_byte(c.a) << 24 | to_byte(c.r) << 16 | to_byte(c.g) << 8 | to_byte(c.b); }

color unpack(color32 c) {
  return {float(red_of(c)) / 255.f, float(green_of(c)) / 255.f, float(blue_of(c)) / 255.f,
          float(alpha_of(c)) / 255.f};
}

color hls_to_rgb(float h, float l, float s) {
  constexpr float third = 0.33333334f;
  h = std::clamp(h - std::floor(h), 0.f, 1.f);
  l = std::clamp(l, 0.f, 1.f);
  s = std::clamp(s, 0.f, 1.f);
  if (s <= 0.f) return {l, l, l, 1.f};
  const float m2 = l < 0.5f ? l * (1.f + s) : l + s - l * s;
  const float m1 = 2.f * l - m2;
  return {hls_channel(m1, m2, h + third), hls_channel(m1, m2, h), hls_channel(m1, m2, h - third), 1.f};
}

std::vector<std::string> split_tokens(const std::string& text, const char* separators) {
  std::vector<std::string> tokens;
  std::string piece;
  for (char c : text) {
    if (std::strchr(separators, c) && c != 0) {
      if (!piece.empty()) tokens.push_back(piece);
      piece.clear();
    } else {
      piece += c;
    }
  }
  if (!piece.empty()) tokens.push_back(piece);
  return tokens;
}

color parse_color(const std::vector<std::string>& tokens) {
  if (tokens.empty()) return {};
  const std::string& fn = tokens[0];
  const size_t n = tokens.size() - 1;
  std::vector<float> arg(n);
  expression_evaluator e;
  for (size_t i = n; i-- > 0;) arg[i] = e.evaluate(tokens[i + 1]);

  if (fn == "gray" && n == 1) return {arg[0], arg[0], arg[0], 1.f};
  if (fn == "gray" && n == 2) return {arg[1], arg[1], arg[1], arg[0]};
  if (fn == "rgb" && n == 3) return {arg[0], arg[1], arg[2], 1.f};
  if (fn == "rgb" && n == 4) return {arg[1], arg[2], arg[3], arg[0]};
  if (fn == "hls" && n == 3) return hls_to_rgb(arg[0], arg[1], arg[2]);
  if (fn == "hls" && n == 4) {
    color c = hls_to_rgb(arg[1], arg[2], arg[3]);
    c.a *= arg[0];
    return c;
  }
  return {};
}

color parse_color(const std::string& text) { return parse_color(split_tokens(text, "(,)")); }

color named_color(const std::string& name) {
  for (const named_entry& n : named_colors) {
    if (name == n.name) return unpack(0xFF000000u | n.rgb);
  }
  return {0.f, 0.f, 0.f, 1.f};
}

}  // namespace gui
