#include "editor/display_text.h"

#include <algorithm>

#include "editor/editor_view.h"
#include "guilib/widgets/text_wrap.h"

namespace gui {

namespace {

// The schedule of one scroll, in ticks of the editor's timer (33 ms): a
// pause to read the start, the glide at scroll_px_per_tick (base pixels),
// a pause at the end, then back to the start.
constexpr int32_t pause_ticks = 30;
constexpr float scroll_px_per_tick = 1.5f;
constexpr size_t line_capacity = 1024;

void start_line(text& t, const std::string& s) {
  t.set_text(s.substr(0, line_capacity));
  t.set_scroll(-1);
}

}  // namespace

void show_message(editor_view& v, display_scroll& s, const std::string& line0, const std::string& line1) {
  v.message[0] = line0.substr(0, line_capacity);
  v.message[1] = line1.substr(0, line_capacity);
  std::string first = v.message[0], second = v.message[1];
  // A long first line with nothing under it goes on below.
  if (second.empty() && v.line0->overflow_of(first) > 0) {
    const std::vector<std::string> lines = wrap_greedy(v.line0->used_font(), first, v.line0->inner().width());
    if (lines.size() >= 2) {
      first = lines[0];
      second.clear();
      for (size_t i = 1; i < lines.size(); ++i) second += (i > 1 ? " " : "") + lines[i];
    }
  }
  start_line(*v.line0, first);
  start_line(*v.line1, second);
  s.tick = 0;
  s.running = v.line0->overflow() > 0 || v.line1->overflow() > 0;
}

void tick_display(editor_view& v, display_scroll& s) {
  if (!s.running) return;
  ++s.tick;
  const float step = scroll_px_per_tick * v.style->scale;
  bool more = false;
  for (text* t : {v.line0, v.line1}) {
    const int32_t over = t->overflow();
    if (over <= 0) continue;
    const int32_t glide = int32_t(float(over) / step) + 1;
    const int32_t at = s.tick - pause_ticks;
    if (at < 0) {
      more = true;
    } else if (at < glide) {
      t->set_scroll(std::min(over, int32_t(float(at) * step)));
      more = true;
    } else if (at < glide + pause_ticks) {
      t->set_scroll(over);
      more = true;
    } else {
      t->set_scroll(-1);  // once: it rests at its start, shortened
    }
  }
  s.running = more;
}

}  // namespace gui
