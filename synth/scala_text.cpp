#include "synth/scala_text.h"

#include <cstdlib>

namespace synth::scala {

bool valid_utf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<uint8_t>(text[i]);
    size_t extra;
    uint32_t cp;
    if (c == 0) return false;  // a text of the formats never holds a zero byte
    if (c < 0x80) {
      ++i;
      continue;
    }
    if ((c & 0xE0) == 0xC0) {
      extra = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (text.size() - i <= extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const auto d = static_cast<uint8_t>(text[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    static constexpr uint32_t least[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < least[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

bool line_reader::next(std::string_view& line) {
  while (pos_ < text_.size()) {
    size_t end = pos_;
    while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r') ++end;
    line = text_.substr(pos_, end - pos_);
    pos_ = end;
    if (pos_ < text_.size()) pos_ += (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ? 2 : 1;
    ++line_;
    if (!line.empty() && line[0] == '!') continue;
    return true;
  }
  return false;
}

std::string_view trim(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
  return s.substr(a, b - a);
}

std::string_view first_word(std::string_view line) {
  line = trim(line);
  size_t end = 0;
  while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
  return line.substr(0, end);
}

bool parse_integer(std::string_view word, int64_t lo, int64_t hi, int64_t& out) {
  if (word.empty()) return false;
  size_t i = 0;
  const bool negative = word[0] == '-';
  if (word[0] == '-' || word[0] == '+') ++i;
  if (i == word.size()) return false;
  int64_t v = 0;
  for (; i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') return false;
    v = v * 10 + (word[i] - '0');
    if (v > (int64_t(1) << 40)) return false;  // far past any bound the callers give
  }
  v = negative ? -v : v;
  if (v < lo || v > hi) return false;
  out = v;
  return true;
}

bool parse_real(std::string_view word, double& out) {
  // Digits, one point, an optional sign: no exponents, no "inf" or "nan".
  if (word.empty() || word.size() > 64) return false;
  size_t i = (word[0] == '-' || word[0] == '+') ? 1 : 0;
  bool digit = false, point = false;
  for (size_t k = i; k < word.size(); ++k) {
    if (word[k] >= '0' && word[k] <= '9') {
      digit = true;
    } else if (word[k] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (!digit) return false;
  const std::string copy(word);
  out = std::strtod(copy.c_str(), nullptr);
  return true;
}

std::string line_error(int line, const char* what) { return "Line " + std::to_string(line) + ": " + what; }

}  // namespace synth::scala
