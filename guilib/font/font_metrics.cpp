#include "guilib/font/font_metrics.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "platform/utf8.h"

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

// The slot of the character a block line starts with (UTF-8), and where its
// number begins; -1 for a character no font holds or one that is not drawn.
int32_t line_slot(std::string_view line, size_t& rest) {
  const platform::utf8_char c = platform::decode_utf8(line, 0);
  rest = c.length;
  if (!c.valid || c.code <= ' ' || (c.code >= 0x7F && c.code <= 0xA0)) return -1;
  return glyph_slot(c.code);
}

void apply_block(const metrics_text& m, std::string_view key, font& f, int32_t glyph_metrics::*field, int32_t lo) {
  for (std::string_view line : m.block(key)) {
    size_t rest = 0;
    const int32_t slot = line_slot(line, rest);
    if (slot < 0) continue;
    f.glyphs[size_t(slot)].*field = bounded(parse_int(line.substr(rest)), lo, max_metric);
    if (field == &glyph_metrics::width) f.present[size_t(slot)] = true;
  }
}

void apply_kerning(const metrics_text& m, font& f) {
  for (std::string_view line : m.block("kerning")) {
    const platform::utf8_char a = platform::decode_utf8(line, 0);
    const platform::utf8_char b = platform::decode_utf8(line, a.length);
    if (b.length == 0 || a.code > 0xFF || b.code > 0xFF) continue;  // the table holds Latin-1 pairs
    const size_t rest = a.length + b.length;
    const int32_t v = line.size() == rest ? -1 : parse_int(line.substr(rest));
    f.kerning[size_t(a.code) + size_t(b.code) * 256] = int8_t(bounded(v, -128, 127));
  }
}

}  // namespace

void parse_metrics(font& f, const char* text, size_t size) {
  const metrics_text m(text, size);
  std::string_view name;
  f.name = m.scalar_text("name", name) ? std::string(name) : std::string();
  f.ascent = bounded(m.scalar("ascent", 0), 0, max_metric);
  f.descent = bounded(m.scalar("descent", 0), 0, max_metric);
  f.overhang = bounded(m.scalar("overhang", 0), 0, max_metric);
  f.space = bounded(m.scalar("space", 0), -max_metric, max_metric);
  const int32_t lead = bounded(m.scalar("default_leading", 0), -max_metric, max_metric);
  const int32_t trail = bounded(m.scalar("default_trailing", 1), -max_metric, max_metric);
  f.glyphs.fill(glyph_metrics{lead, 0, trail});
  f.present.fill(false);
  std::fill(f.kerning.begin(), f.kerning.end(), int8_t(0));

  apply_block(m, "width", f, &glyph_metrics::width, 0);
  apply_block(m, "leading", f, &glyph_metrics::leading, -max_metric);
  apply_block(m, "trailing", f, &glyph_metrics::trailing, -max_metric);
  apply_kerning(m, f);

  // "!" to "~" always stand first on the sheet, each in its own place; the
  // other listed characters follow in slot order. The rest draw as "?".
  int32_t x = 0;
  for (int c = first_glyph; c <= last_glyph; ++c) {
    f.present[size_t(c)] = true;
    f.x_offset[size_t(c)] = x;
    x += f.glyphs[size_t(c)].width;
  }
  for (size_t s = 0; s < glyph_slot_count; ++s) {
    if (s >= first_glyph && s <= last_glyph) continue;
    if (f.present[s]) {
      f.x_offset[s] = x;
      x += f.glyphs[s].width;
    } else {
      f.glyphs[s] = f.glyphs['?'];
      f.x_offset[s] = f.x_offset['?'];
    }
  }
}

}  // namespace gui
