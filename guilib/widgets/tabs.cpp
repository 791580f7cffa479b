#include "guilib/widgets/tabs.h"

#include <algorithm>

#include "guilib/style/palette.h"
#include "guilib/view/painter.h"

namespace gui {

tab_button::tab_button(tabs& owner, int32_t index, std::string title, rect r, const ui_style& style)
    : control("button", title + " tab", r), owner_(owner), index_(index), title_(std::move(title)), style_(style) {}

int tab_button::press(event& e, point p) {
  if (!e.input.left) return press_code::decline;
  owner_.show(index_);
  return press_code::handled;
}

void tab_button::paint(painter& p) {
  const rect& r = bounds();
  const bool on = owner_.current() == index_;
  const font& f = *style_.header;
  const int32_t w = measure(f, title_.c_str());
  const color32 ink = on ? palette::text_primary : hovered() ? palette::text_primary : palette::text_secondary;
  p.text(f, r.x1 + (r.width() - w) / 2, r.y1 + (r.height() - f.line_height() - style_.px(3.f)) / 2, title_, ink);
  if (on) {
    const int32_t line = std::max(2, style_.px(2.f));
    p.fill({r.x1 + (r.width() - w) / 2 - style_.px(2.f), r.y2 - line, r.x1 + (r.width() + w) / 2 + style_.px(2.f), r.y2},
           palette::accent);
  }
}

tabs::tabs(std::string name, rect bar, rect page, const ui_style& style, const std::vector<std::string>& titles)
    : control("tabs", std::move(name), bar), style_(style) {
  set_integer(true);
  set_range(0.f, float(titles.empty() ? 0 : titles.size() - 1));
  const int32_t n = int32_t(titles.size());
  for (int32_t i = 0; i < n; ++i) {
    const int32_t x1 = bar.x1 + bar.width() * i / std::max(n, 1), x2 = bar.x1 + bar.width() * (i + 1) / std::max(n, 1);
    add<tab_button>(*this, i, titles[size_t(i)], rect{x1, bar.y1, x2, bar.y2}, style);
  }
  for (int32_t i = 0; i < n; ++i) {
    container& c = add<container>(titles[size_t(i)], page);
    c.set_visible(i == 0);
    pages_.push_back(&c);
  }
  set_value(0.f);
}

void tabs::show(int32_t i) {
  set_value(float(i));
  notify();
}

void tabs::value_changed() {
  control::value_changed();
  for (int32_t i = 0; i < count(); ++i) pages_[size_t(i)]->set_visible(i == current());
  for (const auto& c : children())
    if (c->as_control() && c->class_name() == std::string("button")) c->mark_dirty();
}

void tabs::paint(painter& p) {
  const rect& r = bounds();
  p.fill({r.x1, r.y2 - 1, r.x2, r.y2}, palette::panel_edge);
}

}  // namespace gui
