#include "guilib/widgets/text_wrap.h"

namespace gui {

namespace {

// The paragraphs of text: split at "\n\n", single breaks turned into spaces.
std::vector<std::string> paragraphs(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (true) {
    const size_t at = text.find("\n\n", start);
    std::string p = text.substr(start, at == std::string::npos ? std::string::npos : at - start);
    for (char& c : p)
      if (c == '\n') c = ' ';
    out.push_back(p);
    if (at == std::string::npos) break;
    start = at + 2;
    // More than two breaks: each further one is another blank line.
    while (start < text.size() && text[start] == '\n') out.push_back({}), ++start;
  }
  return out;
}

std::vector<std::string> break_paragraph(const font& f, const std::string& para, int32_t width) {
  std::vector<std::string> out;
  std::string line;
  size_t i = 0;
  while (i < para.size()) {
    const size_t sp = para.find(' ', i);
    const std::string word = para.substr(i, sp == std::string::npos ? std::string::npos : sp - i);
    const std::string next = line.empty() ? word : line + " " + word;
    if (!line.empty() && measure(f, next.c_str()) > width) {
      out.push_back(line);
      line = word;
    } else {
      line = next;
    }
    i = sp == std::string::npos ? para.size() : sp + 1;
  }
  out.push_back(line);
  return out;
}

template <typename breaker>
std::vector<std::string> wrap_with(const font& f, const std::string& text, int32_t width, breaker b) {
  std::vector<std::string> out;
  const std::vector<std::string> paras = paragraphs(text);
  for (size_t p = 0; p < paras.size(); ++p) {
    if (p > 0 && !paras[p].empty() && !paras[p - 1].empty()) out.push_back({});  // the blank line between
    for (std::string& l : b(f, paras[p], width)) out.push_back(std::move(l));
  }
  return out;
}

}  // namespace

std::vector<std::string> wrap_greedy(const font& f, const std::string& text, int32_t width) {
  return wrap_with(f, text, width, break_paragraph);
}

std::vector<std::string> wrap_evenly(const font& f, const std::string& text, int32_t width) {
  return wrap_with(f, text, width, [](const font& ff, const std::string& para, int32_t w) {
    const size_t lines = break_paragraph(ff, para, w).size();
    if (lines <= 1) return break_paragraph(ff, para, w);
    // The narrowest width that breaks into no more lines: found by halving,
    // since a narrower width never gives fewer lines.
    int32_t lo = 1, hi = w;
    while (lo < hi) {
      const int32_t mid = lo + (hi - lo) / 2;
      if (break_paragraph(ff, para, mid).size() <= lines) {
        hi = mid;
      } else {
        lo = mid + 1;
      }
    }
    return break_paragraph(ff, para, hi);
  });
}

}  // namespace gui
