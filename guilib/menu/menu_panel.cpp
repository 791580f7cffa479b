#include "guilib/menu/menu_panel.h"

#include <cctype>

#include "guilib/paint/canvas.h"
#include "guilib/style/color.h"
#include "guilib/style/palette.h"
#include "guilib/view/painter.h"
#include "guilib/view/root_container.h"
#include "guilib/widgets/text.h"

namespace gui {

namespace {

// The card: shadow, edge and fill. Drawn by the panel's "alphamask" child so
// that, in a layered pop-up window, it is what gives the window its shape.
class panel_background : public view {
 public:
  panel_background(rect card, int32_t shadow, float radius)
      : view("image", "alphamask", card.inset(-shadow)), shadow_(shadow), radius_(radius) {}
  void paint(painter& p) override {
    const rect card = bounds().inset(shadow_);  // the view moves with its panel
    p.soft_round(card.moved(0, shadow_ / 3), radius_ + 1.f, float(shadow_), 0x70000000, card.inset(int32_t(radius_) + 1));
    p.fill_round(card, radius_, palette::raised_edge);
    p.fill_round(card.inset(1), std::max(radius_ - 1.f, 0.f), palette::panel);
  }

 private:
  int32_t shadow_;
  float radius_;
};

// The current value's mark behind its item: the highlight colour, kept faint
// so that it does not compete with the accent of the hovered item.
// A dot at its right end marks it too, on items of one row's height; a
// tall item (the "-" of a mode menu, a box of its own) keeps only the fill,
// where a dot would float alone in the middle of the box.
class highlight_view : public view {
 public:
  highlight_view(rect r, float radius, bool dot) : view("highlight", "highlight", r), radius_(radius), dot_(dot) {}
  void paint(painter& p) override {
    const color32 c = menu_highlight_colour();
    p.fill_round(bounds(), radius_, (c & 0x00FFFFFFu) | 0x38000000u);
    if (dot_)
      p.fill_round({bounds().x2 - 4, bounds().y1 + bounds().height() / 2 - 2, bounds().x2 - 1, bounds().y1 + bounds().height() / 2 + 1},
                   1.5f, c);
  }

 private:
  float radius_;
  bool dot_;
};

// The hovered item's mark: a faint fill with an accent bar at its left, over
// the card and under the texts. The bar is as thin on a tall item as on a
// row, clear of the item's text.
class hover_mark : public view {
 public:
  hover_mark(const menu_panel& panel, rect r, int32_t bar) : view("highlight", "hover", r), panel_(panel), bar_(bar) {}
  void paint(painter& p) override {
    const int32_t i = panel_.hovered() >= 0 ? panel_.hovered() : panel_.open_item();
    if (i < 0) return;
    const rect r = panel_.item_rect(size_t(i));
    p.fill_round(r, 2.f, panel_.hovered() >= 0 ? palette::raised : mix(palette::panel, palette::raised, 0.5f));
    p.fill({r.x1, r.y1 + 1, r.x1 + bar_, r.y2 - 1}, palette::accent);
  }

 private:
  const menu_panel& panel_;
  int32_t bar_;
};

class submenu_marker : public view {
 public:
  explicit submenu_marker(rect r) : view("sub", "sub", r) {}
  void paint(painter& p) override {
    const rect& r = bounds();
    p.arrow(float(r.x1 + r.x2) * 0.5f, float(r.y1 + r.y2) * 0.5f, float(r.height()) * 0.55f, 1, 0, palette::text_secondary);
  }
};

}  // namespace

namespace {
// Space left of an item's text; a submenu's marker takes as much again at the right.
int32_t item_pad(const ui_style& st) { return st.px(6.f); }
}  // namespace

color32 menu_highlight_colour() { return pack(hls_to_rgb(0.65f, 0.65f, 1.f)); }

menu_panel::menu_panel(const menu_level& level, const ui_style& style, point origin, int32_t depth)
    : view("container", "menu", {}), level_(level), style_(style), depth_(depth), margin_x_(style.px(4.f)),
      margin_y_(style.px(4.f)), shadow_(std::max(2, style.px(6.f))) {
  const rect card{origin.x - margin_x_, origin.y - margin_y_, origin.x + level.width + margin_x_,
                  origin.y + level.height + margin_y_};
  // The panel's rectangle holds the shadow too, so that it paints within it.
  set_bounds(card.inset(-shadow_));
  add<panel_background>(card, shadow_, style.line(4.f));
  add<hover_mark>(*this, card, std::max(2, style.px(2.f)));
  const int32_t pad = item_pad(style);
  for (size_t i = 0; i < level.items.size(); ++i) {
    const menu_item& it = level.items[i];
    if (!it.shown) continue;
    const rect r = item_rect(i);
    if (it.highlighted) add<highlight_view>(r, style.line(2.f), r.height() <= style.px(16.f));
    if (it.type == menu_item::kind::label) {
      text& t = add<text>("label", r, it.text, &style, "label");
      t.set_header(true);
      t.set_font(style.menu_header);
      t.set_offset(pad / 2, 0);
      continue;
    }
    text& t = add<text>("token", rect{r.x1 + pad, r.y1, r.x2 - (it.submenu ? pad + r.height() / 2 : 0), r.y2}, it.text, &style);
    t.set_font(style.menu);
    if (!it.enabled) t.set_colour(palette::text_secondary);
    if (it.submenu) add<submenu_marker>(rect{r.x2 - pad - r.height() / 2, r.y1, r.x2 - pad / 2, r.y2});
  }
}

int32_t menu_panel::needed_width(const menu_item& it, const ui_style& style) {
  const int32_t pad = item_pad(style);
  if (it.type == menu_item::kind::label) {
    std::string caps = it.text;
    for (char& c : caps) c = char(std::toupper(static_cast<unsigned char>(c)));
    return measure(*style.menu_header, caps.c_str()) + pad / 2 + 1;
  }
  const int32_t h = it.area.height();
  return pad + measure(*style.menu, it.text.c_str()) + (it.submenu ? pad + h / 2 : pad / 2) + 1;
}

point menu_panel::origin() const {
  return {bounds().x1 + shadow_ + margin_x_, bounds().y1 + shadow_ + margin_y_};
}

rect menu_panel::item_rect(size_t i) const {
  const point o = origin();
  return level_.items[i].area.moved(o.x, o.y);
}

void menu_panel::damage_item(int32_t i) {
  if (i < 0) return;
  if (root_container* r = root()) r->damage(item_rect(size_t(i)).inset(-1));
}

int32_t menu_panel::item_at(point p) const {
  for (size_t i = 0; i < level_.items.size(); ++i) {
    const menu_item& it = level_.items[i];
    if (it.shown && it.enabled && it.type == menu_item::kind::choice && item_rect(i).contains(p)) return int32_t(i);
  }
  return -1;
}

void menu_panel::set_hovered(int32_t i) {
  if (i == hovered_) return;
  damage_item(hovered_);
  damage_item(open_item_);
  hovered_ = i;
  damage_item(i);
}

void menu_panel::set_open_item(int32_t i) {
  if (i == open_item_) return;
  damage_item(open_item_);
  open_item_ = i;
  damage_item(i);
}

std::vector<int32_t> menu_panel::selectable() const {
  std::vector<int32_t> out;
  for (size_t i = 0; i < level_.items.size(); ++i) {
    const menu_item& it = level_.items[i];
    if (it.shown && it.enabled && it.type == menu_item::kind::choice) out.push_back(int32_t(i));
  }
  return out;
}

}  // namespace gui
