#include "synth/scala_scale.h"

#include <cmath>

#include "synth/scala_text.h"

namespace synth {

namespace {

// One pitch line: cents when the first word holds a ".", else a ratio n/d or
// a whole number n. Text after the first word is a comment.
std::string read_pitch(std::string_view line, double& cents) {
  const std::string_view word = scala::first_word(line);
  if (word.empty()) return "pitch missing";
  if (word.find('.') != std::string_view::npos) {
    if (!scala::parse_real(word, cents)) return "not a pitch in cents";
  } else {
    const size_t slash = word.find('/');
    int64_t num = 0, den = 1;
    constexpr int64_t most = 2147483647;  // the format's integers are 32-bit
    const std::string_view n = word.substr(0, slash);
    if (!scala::parse_integer(n, -most, most, num)) return "not a ratio";
    if (slash != std::string_view::npos && !scala::parse_integer(word.substr(slash + 1), -most, most, den))
      return "not a ratio";
    if (num <= 0 || den <= 0) return "ratio must be positive";
    cents = 1200.0 * std::log2(double(num) / double(den));
  }
  if (!(std::fabs(cents) <= max_scale_cents)) return "pitch out of range";
  return {};
}

}  // namespace

double scala_scale::degree_cents(long long d) const {
  const long long n = size();
  long long q = d / n, r = d % n;
  if (r < 0) {
    r += n;
    q -= 1;
  }
  return double(q) * period() + (r == 0 ? 0.0 : cents[size_t(r - 1)]);
}

std::string read_scala_scale(std::string_view text, scala_scale& out) {
  if (text.empty()) return "Empty scale file";
  if (text.size() > scala::max_text_bytes) return "Scale file too large";
  if (!scala::valid_utf8(text)) return "Scale file is not UTF-8 text";
  scala::line_reader lines(text);
  std::string_view line;
  if (!lines.next(line)) return "No description line";
  scala_scale s;
  s.description = std::string(scala::trim(line));
  if (!lines.next(line)) return scala::line_error(lines.line_number() + 1, "note count missing");
  int64_t count = 0;
  const std::string_view count_word = scala::first_word(line);
  if (!scala::parse_integer(count_word, 0, max_scale_notes, count)) {
    const bool digits = !count_word.empty() && count_word.find_first_not_of("0123456789") == std::string_view::npos;
    return scala::line_error(lines.line_number(), digits ? "too many notes (at most 1024)" : "note count missing");
  }
  if (count < 1) return scala::line_error(lines.line_number(), "a scale needs at least one note");
  s.cents.reserve(size_t(count));
  for (int64_t k = 0; k < count; ++k) {
    if (!lines.next(line)) return scala::line_error(lines.line_number() + 1, "fewer notes than the count");
    double c = 0;
    const std::string reason = read_pitch(line, c);
    if (!reason.empty()) return scala::line_error(lines.line_number(), reason.c_str());
    s.cents.push_back(c);
  }
  if (!(s.period() > 0.0)) return scala::line_error(lines.line_number(), "the period must rise above 1/1");
  out = std::move(s);
  return {};
}

}  // namespace synth
