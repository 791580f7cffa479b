#include "guilib/widgets/hover_note.h"

#include <algorithm>

#include "guilib/paint/canvas.h"
#include "guilib/style/palette.h"
#include "guilib/view/painter.h"
#include "guilib/view/root_container.h"
#include "guilib/widgets/text.h"
#include "guilib/widgets/text_wrap.h"

namespace gui {

namespace {

// The card: a raised panel with a soft shadow; its lines are text children.
class note_card : public view {
 public:
  note_card(rect r, const ui_style& st) : view("container", "note", r), style_(st) {}
  void paint(painter& p) override {
    const float radius = style_.line(3.f);
    p.fill_round(bounds(), radius, palette::raised_edge);
    p.fill_round(bounds().inset(1), std::max(radius - 1.f, 0.f), palette::panel);
  }

 private:
  const ui_style& style_;
};

}  // namespace

hover_note::hover_note(std::string name, rect area, const ui_style& style, int32_t max_width)
    : control("control", std::move(name), area), style_(style), max_width_(max_width) {
  filter().enabled = false;
}

hover_note::~hover_note() { close(); }

void hover_note::close() {
  if (!card_) return;
  view* c = card_;
  card_ = nullptr;
  if (root_container* r = root()) {
    c->set_visible(false);
    r->defer([r, c] { r->release(*c); });
  }
}

void hover_note::hover(bool over) {
  close();
  root_container* r = root();
  const std::string s = over && message ? message() : std::string();
  if (!r || s.empty()) return;
  const font& f = *style_.label;
  const int32_t pad = std::max(2, style_.px(6.f)), gap = std::max(1, style_.px(2.f));
  const int32_t line = f.line_height() + gap;
  const std::vector<std::string> lines = wrap_greedy(f, s, max_width_ - 2 * pad);
  int32_t w = 0;
  for (const std::string& l : lines) w = std::max(w, measure(f, l.c_str()));
  w += 2 * pad + 1;
  const int32_t h = int32_t(lines.size()) * line - gap + 2 * pad;
  const rect& a = bounds();
  const rect window = r->bounds();
  int32_t y = a.y2 + gap;
  if (y + h > window.y2 && a.y1 - gap - h >= window.y1) y = a.y1 - gap - h;
  const int32_t x = std::clamp(a.x1, window.x1, std::max(window.x1, window.x2 - w));
  note_card& card = r->add<note_card>(rect_of(x, y, w, h), style_);
  for (size_t i = 0; i < lines.size(); ++i) {
    const int32_t ly = y + pad + int32_t(i) * line;
    text& t = card.add<text>("line", rect{x + pad, ly, x + w - pad + 1, ly + f.line_height()}, lines[i], &style_);
    t.set_align(align::start, align::start);
  }
  card_ = &card;
}

}  // namespace gui
