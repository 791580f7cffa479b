#include "tools/render/progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace render {

namespace {
constexpr int bar_width = 40;
}

progress_bar::progress_bar() : enabled_(isatty(STDERR_FILENO) == 1) {}

progress_bar::~progress_bar() { finish(); }

void progress_bar::update(double fraction) {
  if (!enabled_) return;
  const int percent = std::clamp(int(fraction * 100.0), 0, 100);
  if (percent == shown_percent_) return;
  shown_percent_ = percent;
  char bar[bar_width + 1];
  const int filled = percent * bar_width / 100;
  for (int i = 0; i < bar_width; ++i) bar[i] = i < filled ? '#' : '.';
  bar[bar_width] = 0;
  std::fprintf(stderr, "\rrendering [%s] %3d%%", bar, percent);
  std::fflush(stderr);
}

void progress_bar::finish() {
  if (!enabled_ || shown_percent_ < 0) return;
  std::fputc('\n', stderr);
  shown_percent_ = -1;
}

}  // namespace render
