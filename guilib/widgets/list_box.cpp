#include "guilib/widgets/list_box.h"

#include <algorithm>
#include <cctype>

#include "guilib/paint/canvas.h"
#include "guilib/platform/keys.h"
#include "guilib/style/palette.h"
#include "guilib/view/painter.h"
#include "platform/utf8.h"

namespace gui {

namespace k = wnd::key;

list_box::list_box(std::string name, rect r, const ui_style& style) : control("list", std::move(name), r), style_(style) {
  set_clamp(false);
  set_integer(true);
  set_value(-1.f);
}

void list_box::set_rows(std::vector<std::string> rows) {
  rows_ = std::move(rows);
  scroll_ = 0;
  set_value(-1.f);
  mark_dirty();
}

int32_t list_box::row_height() const { return style_.label->line_height() + style_.px(5.f); }

int32_t list_box::visible_rows() const { return std::max(1, (bounds().height() - 2) / std::max(row_height(), 1)); }

rect list_box::bar() const {
  if (int32_t(rows_.size()) <= visible_rows()) return {};
  const rect& r = bounds();
  return {r.x2 - style_.px(7.f) - 1, r.y1 + 2, r.x2 - 2, r.y2 - 2};
}

rect list_box::thumb() const {
  const rect b = bar();
  if (b.empty()) return {};
  const int32_t n = int32_t(rows_.size()), v = visible_rows();
  const int32_t h = std::max(b.height() * v / n, style_.px(12.f));
  const int32_t travel = b.height() - h;
  const int32_t y = b.y1 + (n > v ? travel * scroll_ / (n - v) : 0);
  return {b.x1, y, b.x2, y + h};
}

void list_box::scroll_to(int32_t first) {
  const int32_t top = std::max(0, int32_t(rows_.size()) - visible_rows());
  first = std::clamp(first, 0, top);
  if (first == scroll_) return;
  scroll_ = first;
  mark_dirty();
}

void list_box::ensure_visible(int32_t row) {
  if (row < 0) return;
  if (row < scroll_) scroll_to(row);
  if (row >= scroll_ + visible_rows()) scroll_to(row - visible_rows() + 1);
}

int32_t list_box::row_at(point p) const {
  const rect& r = bounds();
  if (!r.contains(p)) return -1;
  const int32_t row = scroll_ + (p.y - r.y1 - 1) / std::max(row_height(), 1);
  return row >= 0 && row < int32_t(rows_.size()) ? row : -1;
}

void list_box::select(int32_t row, bool tell) {
  if (rows_.empty()) return;
  row = std::clamp(row, 0, int32_t(rows_.size()) - 1);
  set_value(float(row));
  ensure_visible(row);
  if (tell) notify();
}

int list_box::press(event& e, point p) {
  if (!e.input.left) return press_code::decline;
  const rect t = thumb(), b = bar();
  if (b.contains(p)) {
    dragging_thumb_ = true;
    if (t.contains(p)) {
      thumb_grab_ = p.y - t.y1;
    } else {
      // A press on the track pages towards it.
      scroll_to(scroll_ + (p.y < t.y1 ? -visible_rows() : visible_rows()));
      thumb_grab_ = thumb().height() / 2;
    }
    return press_code::capture;
  }
  const int32_t row = row_at(p);
  if (row < 0) return press_code::capture;
  select(row);
  if (e.input.double_click && on_activate) on_activate(*this, row);
  return press_code::capture;
}

bool list_box::move(event& e, point p) {
  if (!e.input.left) {
    dragging_thumb_ = false;
    return false;
  }
  if (dragging_thumb_) {
    const rect b = bar(), t = thumb();
    const int32_t travel = b.height() - t.height();
    const int32_t n = int32_t(rows_.size()) - visible_rows();
    if (travel > 0) scroll_to((p.y - thumb_grab_ - b.y1) * n / travel);
    return true;
  }
  return false;
}

bool list_box::wheel(event& e, point p, float delta) {
  scroll_to(scroll_ - int32_t(delta * 3.f));
  return true;
}

bool list_box::key_down(event& e, int32_t key) {
  const int32_t row = selected(), page = visible_rows();
  switch (key) {
    case k::up: select(row < 0 ? 0 : row - 1); return true;
    case k::down: select(row + 1); return true;
    case k::page_up: select(row - page); return true;
    case k::page_down: select(row < 0 ? page - 1 : row + page); return true;
    case k::home: select(0); return true;
    case k::end: select(int32_t(rows_.size()) - 1); return true;
    case k::enter:
      if (row >= 0 && on_activate) on_activate(*this, row);
      return true;
    default: return false;
  }
}

namespace {
char32_t fold(char32_t c) { return c < 0x80 ? char32_t(std::tolower(int(c))) : c; }
}  // namespace

bool list_box::character(event& e, int32_t c) {
  if (c <= 32 || rows_.empty()) return false;
  const int32_t n = int32_t(rows_.size());
  for (int32_t i = 1; i <= n; ++i) {
    const int32_t row = (std::max(selected(), 0) + i) % n;
    const std::string& s = rows_[size_t(row)];
    const char32_t first = platform::decode_utf8(s, 0).code;  // a whole character, not its first byte
    if (!s.empty() && fold(first) == fold(char32_t(c))) {
      select(row);
      return true;
    }
  }
  return false;
}

void list_box::paint(painter& p) {
  const rect& r = bounds();
  const float radius = style_.line(3.f);
  p.fill_round(r, radius, 0xFF121418);
  p.frame_round(r, radius, 1.f, focused() ? palette::raised_edge : palette::panel_edge);
  const font& f = *style_.label;
  const int32_t rh = row_height(), pad = style_.px(6.f);
  const rect b = bar();
  const int32_t right = b.empty() ? r.x2 - 2 : b.x1 - 2;
  painter inside = p.clipped({r.x1 + 1, r.y1 + 1, right, r.y2 - 1});
  for (int32_t i = 0; i <= visible_rows(); ++i) {
    const int32_t row = scroll_ + i;
    if (row >= int32_t(rows_.size())) break;
    const rect line{r.x1 + 1, r.y1 + 1 + i * rh, right, r.y1 + 1 + (i + 1) * rh};
    if (row == selected()) {
      inside.fill(line, focused() ? palette::accent_dim : palette::raised);
      inside.fill({line.x1, line.y1, line.x1 + style_.px(2.f) + 1, line.y2}, palette::accent);
    }
    inside.text(f, line.x1 + pad, line.y1 + (rh - f.line_height()) / 2, fit_text(f, rows_[size_t(row)], right - line.x1 - 2 * pad),
                palette::text_primary);
  }
  if (!b.empty()) {
    p.fill_round(b, float(b.width()) * 0.5f, palette::panel);
    p.fill_round(thumb(), float(b.width()) * 0.5f, palette::raised_edge);
  }
}

}  // namespace gui
