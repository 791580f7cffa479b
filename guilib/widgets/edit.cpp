#include "guilib/widgets/edit.h"

#include <algorithm>

#include "guilib/paint/canvas.h"
#include "guilib/platform/keys.h"
#include "guilib/style/palette.h"
#include "guilib/view/painter.h"
#include "guilib/view/root_container.h"
#include "platform/utf8.h"

namespace gui {

namespace k = wnd::key;

namespace {

// Width of the first n bytes (measure() reads a count of 0 as "all").
int32_t prefix_width(const font& f, const std::string& s, size_t n) { return n == 0 ? 0 : measure(f, s.c_str(), n); }

}  // namespace

edit::edit(std::string name, rect r, const ui_style& style, std::string s) : text(std::move(name), r, std::move(s), &style, "edit") {
  filter().left = true;
  caret_ = anchor_ = str().size();
}

int32_t edit::text_left() const { return bounds().x1 + (style_ ? style_->px(4.f) : 4) - scroll_; }

size_t edit::index_at(int32_t x) const {
  const font& f = used_font();
  const std::string& s = str();
  const int32_t rel = x - text_left();
  // The boundary nearest to x: after a character when x passes its middle.
  size_t best = 0;
  int32_t prev = 0;
  for (size_t i = platform::next_char(s, 0); i > best && i <= s.size(); i = platform::next_char(s, i)) {
    const int32_t w = prefix_width(f, s, i);
    if (rel < (w + prev) / 2) break;
    best = i;
    prev = w;
  }
  return best;
}

void edit::select_all() {
  anchor_ = 0;
  caret_ = str().size();
  mark_dirty();
}

int edit::press(event& e, point p) {
  if (!e.input.left) return press_code::decline;
  if (e.input.double_click) {
    select_all();
    return press_code::capture;
  }
  if (!focused()) return press_code::capture;  // focus_changed selects all
  move_caret(index_at(p.x), e.input.shift);
  return press_code::capture;
}

bool edit::move(event& e, point p) {
  if (!e.input.left) return false;
  move_caret(index_at(p.x), true);
  return true;
}

void edit::move_caret(size_t to, bool extend) {
  caret_ = std::min(to, str().size());
  if (!extend) anchor_ = caret_;
  mark_dirty();
}

// A text set from outside (a caller, a linked field, Escape's restore) may be
// shorter than the selection was: the caret and the anchor stay inside it.
void edit::text_changed() {
  caret_ = std::min(caret_, str().size());
  anchor_ = std::min(anchor_, str().size());
}

void edit::replace_selection(const std::string& s) {
  std::string t = str();
  const size_t a = std::min(selection_start(), t.size()), b = std::min(selection_end(), t.size());
  // Within the byte limit, and never half a character.
  const std::string in = platform::cut_utf8(s, max_length_ - std::min(max_length_, t.size() - (b - a)));
  t.replace(a, b - a, in);
  caret_ = anchor_ = a + in.size();
  set_text(t);
  mark_dirty();
}

bool edit::key_down(event& e, int32_t key) {
  const bool shift = e.input.shift;
  const size_t n = str().size();
  switch (key) {
    case k::left:
      move_caret(caret_ > 0 && (shift || anchor_ == caret_) ? platform::prev_char(str(), caret_) : selection_start(), shift);
      return true;
    case k::right:
      move_caret(caret_ < n && (shift || anchor_ == caret_) ? platform::next_char(str(), caret_) : selection_end(), shift);
      return true;
    case k::home:
      move_caret(0, shift);
      return true;
    case k::end:
      move_caret(n, shift);
      return true;
    case k::backspace:
      if (anchor_ == caret_ && caret_ > 0) anchor_ = platform::prev_char(str(), caret_);
      replace_selection("");
      return true;
    case k::del:
      if (anchor_ == caret_ && caret_ < n) anchor_ = platform::next_char(str(), caret_);
      replace_selection("");
      return true;
    case k::enter:
      if (root_container* r = root()) r->set_focus(nullptr);  // commits
      if (on_enter) on_enter(*this);
      return true;
    case k::escape:
      escaping_ = true;
      set_text(original_);
      if (root_container* r = root()) r->set_focus(nullptr);
      escaping_ = false;
      return true;
    default:
      if (e.input.ctrl && key == k::letter_a) {
        select_all();
        return true;
      }
      return false;
  }
}

// c is a Unicode code point (the window layer decodes the platform's input).
bool edit::character(event& e, int32_t c) {
  if (c < 32 || c == 127 || (c >= 0x80 && c < 0xA0) || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
  if (e.input.ctrl != e.input.alt) return false;  // shortcuts; Ctrl+Alt is AltGr on Windows and types
  std::string s;
  platform::append_utf8(s, char32_t(c));
  replace_selection(s);
  return true;
}

void edit::focus_changed(bool focused) {
  if (focused) {
    original_ = str();
    select_all();
  } else {
    anchor_ = caret_;
    scroll_ = 0;
    if (!escaping_) commit();
  }
  mark_dirty();
}

void edit::commit() {
  if (str() != original_ && on_commit) on_commit(*this);
  original_ = str();
}

void edit::paint(painter& p) {
  const rect& r = bounds();
  const bool focus = focused();
  const float radius = style_ ? style_->line(3.f) : 3.f;
  p.fill_round(r, radius, 0xFF101216);
  p.frame_round(r, radius, 1.f, focus ? palette::accent : hovered() ? palette::raised_edge : palette::panel_edge);
  const font& f = used_font();
  const int32_t pad = style_ ? style_->px(4.f) : 4;
  const int32_t inner = r.width() - 2 * pad;
  // Keep the caret in view.
  const int32_t caret_x = prefix_width(f, str(), caret_);
  if (caret_x - scroll_ > inner) scroll_ = caret_x - inner;
  if (caret_x < scroll_) scroll_ = caret_x;
  if (!focus) scroll_ = 0;
  const int32_t x0 = r.x1 + pad - scroll_;
  const int32_t y = r.y1 + (r.height() - f.line_height()) / 2;
  painter inside = p.clipped(r.inset(1));
  if (focus && selection_end() > selection_start()) {
    const int32_t a = prefix_width(f, str(), selection_start());
    const int32_t b = prefix_width(f, str(), selection_end());
    inside.fill({x0 + a, y - 1, x0 + b + 1, y + f.line_height() + 1}, palette::accent_dim);
  }
  inside.text(f, x0, y, str(), enabled() ? colour() : palette::text_secondary);
  if (focus) inside.fill({x0 + caret_x, y - 1, x0 + caret_x + 1, y + f.line_height() + 1}, palette::accent);
}

}  // namespace gui
