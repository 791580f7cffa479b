#include "guilib/font/font_metrics.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace gui {

namespace {

constexpr unsigned char first_glyph = '!';
constexpr unsigned char last_glyph = '~';
constexpr int32_t max_metric = 255;

bool separator(char c) { return c == ' ' || c == '\t' || c == '='; }

std::vector<std::string_view> split_lines(const char* text, size_t size) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i <= size; ++i) {
    if (i < size && text[i] != '\r' && text[i] != '\n' && text[i] != 0) continue;
    std::string_view line(text + start, i - start);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    if (!line.empty()) lines.push_back(line);
    start = i + 1;
  }
  return lines;
}

std::string_view first_word(std::string_view line) {
  size_t a = 0;
  while (a < line.size() && separator(line[a])) ++a;
  size_t b = a;
  while (b < line.size() && !separator(line[b])) ++b;
  return line.substr(a, b - a);
}

// Signed decimal after optional blanks; digits past the range saturate.
int32_t parse_int(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  int64_t v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = std::min<int64_t>(v * 10 + (s[i] - '0'), INT32_MAX);
  return int32_t(negative ? -v : v);
}

int32_t bounded(int32_t v, int32_t lo, int32_t hi) { return std::clamp(v, lo, hi); }

class metrics_text {
 public:
  metrics_text(const char* text, size_t size) : lines_(split_lines(text, size)) {}

  // The text two characters after the "=" of the key's line, or none.
  bool scalar_text(std::string_view key, std::string_view& value) const {
    for (std::string_view line : lines_) {
      if (first_word(line) != key) continue;
      const size_t eq = line.find('=');
      if (eq == std::string_view::npos) return false;
      value = eq + 2 <= line.size() ? line.substr(eq + 2) : std::string_view();
      return true;
    }
    return false;
  }
  int32_t scalar(std::string_view key, int32_t missing) const {
    std::string_view v;
    return scalar_text(key, v) ? parse_int(v) : missing;
  }
  // The lines between the key's line and the next line "}".
  std::vector<std::string_view> block(std::string_view key) const {
    std::vector<std::string_view> entries;
    size_t i = 0;
    while (i < lines_.size() && first_word(lines_[i]) != key) ++i;
    for (++i; i < lines_.size() && lines_[i] != "}"; ++i) entries.push_back(lines_[i]);
    return entries;
  }

 private:
  std::vector<std::string_view> lines_;
};

void apply_block(const metrics_text& m, std::string_view key, font& f, int32_t glyph_metrics::*field, int32_t lo) {
  for (std::string_view line : m.block(key)) {
    const auto c = static_cast<unsigned char>(line[0]);
    f.glyphs[c].*field = bounded(parse_int(line.substr(1)), lo, max_metric);
  }
}

void apply_kerning(const metrics_text& m, font& f) {
  for (std::string_view line : m.block("kerning")) {
    if (line.size() < 2) continue;
    const int32_t v = line.size() == 2 ? -1 : parse_int(line.substr(2));
    const auto a = static_cast<unsigned char>(line[0]);
    const auto b = static_cast<unsigned char>(line[1]);
    f.kerning[size_t(a) + size_t(b) * 256] = int8_t(bounded(v, -128, 127));
  }
}

}  // namespace

void parse_metrics(font& f, const char* text, size_t size) {
  const metrics_text m(text, size);
  std::string_view name;
  f.name = m.scalar_text("name", name) ? std::string(name) : std::string();
  f.ascent = bounded(m.scalar("ascent", 0), 0, max_metric);
  f.descent = bounded(m.scalar("descent", 0), 0, max_metric);
  f.space = bounded(m.scalar("space", 0), -max_metric, max_metric);
  const int32_t lead = bounded(m.scalar("default_leading", 0), -max_metric, max_metric);
  const int32_t trail = bounded(m.scalar("default_trailing", 1), -max_metric, max_metric);
  f.glyphs.fill(glyph_metrics{lead, 0, trail});
  std::fill(f.kerning.begin(), f.kerning.end(), int8_t(0));

  apply_block(m, "width", f, &glyph_metrics::width, 0);
  apply_block(m, "leading", f, &glyph_metrics::leading, -max_metric);
  apply_block(m, "trailing", f, &glyph_metrics::trailing, -max_metric);
  apply_kerning(m, f);

  int32_t x = 0;
  for (int c = first_glyph; c <= last_glyph; ++c) {
    f.x_offset[size_t(c)] = x;
    x += f.glyphs[size_t(c)].width;
  }
  for (int c = 0; c < 256; ++c) {
    if (c >= first_glyph && c <= last_glyph) continue;
    f.glyphs[size_t(c)] = f.glyphs['?'];
    f.x_offset[size_t(c)] = f.x_offset['?'];
  }
}

}  // namespace gui
