#include "guilib/widgets/text.h"

#include <algorithm>
#include <cctype>

#include "guilib/font/font_list.h"
#include "guilib/paint/canvas.h"
#include "guilib/style/palette.h"
#include "guilib/view/painter.h"
#include "platform/utf8.h"

namespace gui {

text::text(std::string name, rect r, std::string s, const ui_style* style, const char* class_name)
    : control(class_name, std::move(name), r), style_(style), text_(std::move(s)), colour_(palette::text_primary) {}

text::~text() {
  for (text* t : mirrors_) std::erase(t->mirrored_by_, this);
  for (text* t : mirrored_by_) std::erase(t->mirrors_, this);
}

void text::set_text(const std::string& s, size_t length) {
  const std::string next = length >= 1 ? platform::cut_utf8(s, length) : s;
  if (next == text_) return;
  text_ = next;
  text_changed();
  // A mirror that holds the text already stops the round, so circles end.
  for (text* t : std::vector<text*>(mirrors_)) t->set_text(text_);
  mark_dirty();
}

void text::link_text(text& other) {
  if (&other == this || std::find(mirrors_.begin(), mirrors_.end(), &other) != mirrors_.end()) return;
  mirrors_.push_back(&other);
  other.mirrored_by_.push_back(this);
}

const font& text::used_font() const {
  if (font_) return *font_;
  if (style_ && style_->label) return *style_->label;
  return font_list()[0];
}

void text::set_header(bool h) {
  if (h && style_) font_ = style_->header;
  if (h) colour_ = palette::text_secondary;
  if (h) std::transform(text_.begin(), text_.end(), text_.begin(), [](unsigned char c) { return char(std::toupper(c)); });
  mark_dirty();
}

void text::fit_line() {
  const rect& r = bounds();
  const int32_t need = used_font().line_height() + 1;
  if (r.height() >= need) return;
  const int32_t y1 = r.y1 - (need - r.height() + 1) / 2;
  set_bounds({r.x1, y1, r.x2, y1 + need});
}

int32_t text::text_width() const { return measure(used_font(), shown_text().c_str()); }

std::string text::shown_text() const {
  if (scroll_ >= 0) return text_;
  const rect& r = bounds();
  const int inner = r.width() - (box_ ? 4 : 0);
  return fit_text(used_font(), text_, std::max(inner, 0));
}

void text::set_scroll(int32_t px) {
  if (px == scroll_) return;
  scroll_ = px;
  mark_dirty();
}

rect text::inner() const {
  const rect& r = bounds();
  return box_ ? rect{r.x1 + 2 + std::max(dx_, 0), r.y1, r.x2 - 2, r.y2} : r;
}

int32_t text::overflow_of(const std::string& s) const {
  return std::max(0, measure(used_font(), s.c_str()) - inner().width());
}

point text::placement() const {
  const rect& r = bounds();
  const int32_t w = text_width(), line = used_font().line_height();
  int32_t x = r.x1, y = r.y1;
  if (h_ == align::end) x = r.x2 - w;
  if (h_ == align::centre) x = int32_t(float(r.x2 - r.x1 - w) * 0.5f + float(r.x1));
  if (v_ == align::end) y = r.y2 - line - 1;
  if (v_ == align::centre) y = int32_t(float(r.y2 - r.y1 - line - 1) * 0.5f + float(r.y1));
  // The formulas may set a line that fits one row above the rectangle (a
  // rectangle exactly one line high): the paint clip would then cut the top
  // row, where only tall glyphs reach ("]" drew as a "J"). Such a line stays inside.
  if (line <= r.height()) y = std::clamp(y, r.y1, r.y2 - line);
  if (box_ && h_ == align::start) x += 2;
  if (box_ && h_ == align::end) x -= 2;
  return {x + dx_, y + dy_};
}

void text::paint(painter& p) {
  if (box_) {
    const float radius = style_ ? style_->line(2.f) : 2.f;
    p.fill_round(bounds(), radius, 0xFF101216);
    p.frame_round(bounds(), radius, 1.f, palette::panel_edge);
  }
  point at = placement();
  const color32 ink = enabled() ? colour_ : mix(colour_, palette::background, 0.55f);
  if (scroll_ >= 0) {
    at.x -= scroll_;
    painter in = p.clipped(inner());
    in.text(used_font(), at.x, at.y, shown_text(), ink);
    return;
  }
  p.text(used_font(), at.x, at.y, shown_text(), ink);
}

}  // namespace gui
