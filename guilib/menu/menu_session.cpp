#include "guilib/menu/menu_session.h"

#include <algorithm>
#include <cctype>

#include "guilib/platform/backend.h"
#include "guilib/platform/keys.h"
#include "guilib/platform/window.h"
#include "guilib/view/root_container.h"

namespace gui {

namespace k = wnd::key;

namespace {

// A card of size w x h at (x, y), moved inside area (its top-left kept when
// it is larger than the area).
rect inside(int32_t x, int32_t y, int32_t w, int32_t h, const rect& area) {
  x = std::max(std::min(x, area.x2 - w), area.x1);
  y = std::max(std::min(y, area.y2 - h), area.y1);
  return rect_of(x, y, w, h);
}

// Whether the level or one of its submenus marks the current value.
bool holds_current(const menu_level& l) {
  for (const menu_item& it : l.items)
    if (it.highlighted || (it.submenu && holds_current(*it.submenu))) return true;
  return false;
}

point plus(point a, point b) { return {a.x + b.x, a.y + b.y}; }

}  // namespace

// A panel, drawn in the editor (offset 0) or in a pop-up window of its own
// with a root of its own; offset turns editor coordinates into the panel's.
struct menu_session::open_panel {
  menu_panel* panel = nullptr;
  point offset;
  std::unique_ptr<wnd::window> win;
  std::unique_ptr<root_container> root;
};

menu_session& menu_session::open(root_container& root, menu_owner& owner, const input_state& held) {
  return root.add<menu_session>(root, owner, held);
}

menu_session::menu_session(root_container& root, menu_owner& owner, const input_state& held)
    : control("menu", "menu", {}), root_(root), owner_(owner), area_(root.bounds()), drag_choose_(held.left) {
  filter().enabled = false;
  wnd::window* w = root.window();
  popups_ = w && w->owner && w->owner->popup_windows();
  if (popups_) {
    // The monitor's work area, in the editor's coordinates.
    const point origin = w->owner->client_to_screen(*w, {0, 0});
    area_ = w->owner->work_area(*w).moved(-origin.x, -origin.y);
  }
  menu_options opt = owner.menu_settings(held);
  const ui_style& st = owner.menu_style();
  // Entries as wide as their texts: a mapping's whole name in CC Map > Remove.
  if (!opt.needed_width) opt.needed_width = [&st](const menu_item& it) { return menu_panel::needed_width(it, st); };
  tree_ = parse_menu(owner.menu_description(), opt);
  const rect a = owner.menu_anchor();
  const int32_t width = tree_.width + 2 * st.px(4.f), height = tree_.height + 2 * st.px(4.f);
  // Below the owner, or above it when only that fits.
  int32_t y = a.y2 + 1;
  if (y + height > area_.y2 && a.y1 - 1 - height >= area_.y1) y = a.y1 - 1 - height;
  menu_panel& top = add_panel(tree_, inside(a.x1, y, width, height, area_));
  // Keys start from the current value's item, or the submenu that holds it.
  for (int32_t i : top.selectable()) {
    const menu_item& it = tree_.items[size_t(i)];
    if (it.highlighted || (it.submenu && holds_current(*it.submenu))) {
      top.set_hovered(i);
      break;
    }
  }
  root.grab(*this);
  refresh();
}

menu_session::~menu_session() {
  while (!open_.empty()) remove_last_panel();
}

std::vector<menu_panel*> menu_session::panels() const {
  std::vector<menu_panel*> out;
  for (const auto& o : open_) out.push_back(o->panel);
  return out;
}

point menu_session::panel_offset(size_t depth) const { return open_[depth]->offset; }
wnd::window* menu_session::panel_window(size_t depth) const { return open_[depth]->win.get(); }
menu_panel& menu_session::panel(size_t depth) const { return *open_[depth]->panel; }
menu_panel& menu_session::deepest() { return *open_.back()->panel; }

rect menu_session::card_of(size_t depth) const {
  const point o = open_[depth]->offset;
  return open_[depth]->panel->card().moved(-o.x, -o.y);
}

rect menu_session::item_of(size_t depth, int32_t item) const {
  const point o = open_[depth]->offset;
  return open_[depth]->panel->item_rect(size_t(item)).moved(-o.x, -o.y);
}

int32_t menu_session::item_at(size_t depth, point p) const { return open_[depth]->panel->item_at(plus(p, open_[depth]->offset)); }

menu_panel& menu_session::add_panel(const menu_level& level, rect card) {
  const ui_style& st = owner_.menu_style();
  const point origin{card.x1 + st.px(4.f), card.y1 + st.px(4.f)};
  auto made = std::make_unique<menu_panel>(level, st, origin, int32_t(open_.size()));
  auto o = std::make_unique<open_panel>();
  o->panel = made.get();
  wnd::window* editor = root_.window();
  if (popups_) {
    // A layered window as large as the panel with its shadow, the panel at its top-left.
    const rect outer = made->bounds();
    const point screen = editor->owner->client_to_screen(*editor, {outer.x1, outer.y1});
    o->win = std::make_unique<wnd::window>();
    o->win->name = "menu";
    const wnd::create_params p{editor->native, screen.x, screen.y, outer.width(), outer.height(), true, true, "menu"};
    if (editor->owner->create(*o->win, p)) {
      o->root = std::make_unique<root_container>(rect{0, 0, outer.width(), outer.height()});
      o->root->set_background(0);  // transparent around the card: the shadow's alpha shows
      o->root->attach(*o->win);
      made->move_by(-outer.x1, -outer.y1);
      o->offset = {-outer.x1, -outer.y1};
      o->root->adopt(std::move(made));
      editor->owner->show(*o->win, true);
    } else {
      o->win.reset();  // no window: in the editor after all
    }
  }
  if (made) adopt(std::move(made));
  open_.push_back(std::move(o));
  fit_bounds();
  return *open_.back()->panel;
}

void menu_session::remove_last_panel() {
  std::unique_ptr<open_panel> o = std::move(open_.back());
  open_.pop_back();
  if (o->win) {
    wnd::backend* be = o->win->owner;
    o->root.reset();  // the panel goes with its root
    if (be) be->destroy(*o->win);
  } else {
    view::release(*o->panel);
  }
}

void menu_session::fit_bounds() {
  // In the editor the session covers its panels, so opening repaints only them.
  rect all;
  for (const auto& o : open_)
    if (!o->win) all = bounding(all, o->panel->bounds());
  set_bounds(all);
}

void menu_session::refresh() {
  for (const auto& o : open_)
    if (o->root && !o->root->damaged().empty()) o->root->redraw();
}

void menu_session::open_submenu(size_t depth, int32_t item) {
  menu_panel& parent = panel(depth);
  if (parent.open_item() == item && open_.size() > depth + 1) return;
  close_from(depth + 1);
  const menu_item& it = parent.level().items[size_t(item)];
  if (!it.submenu) return;
  parent.set_open_item(item);
  const ui_style& st = owner_.menu_style();
  const menu_level& sub = *it.submenu;
  const int32_t w = sub.width + 2 * st.px(4.f), h = sub.height + 2 * st.px(4.f);
  const rect r = item_of(depth, item), card = card_of(depth);
  int32_t x = card.x2 - 1;
  // Flipped left at the window's (or the screen's) edge, beside its parent
  // again: the pointer goes straight from the item into it. Where neither
  // side has room, the side with more, as close to the parent as it fits.
  if (x + w > area_.x2) {
    if (card.x1 + 1 - w >= area_.x1) {
      x = card.x1 + 1 - w;
    } else if (card.x1 - area_.x1 > area_.x2 - card.x2) {
      x = area_.x1;
    }
  }
  add_panel(sub, inside(x, r.y1 - st.px(4.f), w, h, area_));
}

void menu_session::close_from(size_t depth) {
  depth = std::max<size_t>(depth, 1);  // the top panel goes only with the session
  if (open_.size() <= depth) return;
  while (open_.size() > depth) remove_last_panel();
  open_.back()->panel->set_open_item(-1);
  fit_bounds();
}

void menu_session::finish() {
  if (closed_) return;
  closed_ = true;
  root_.ungrab(*this);
  while (open_.size() > 1) remove_last_panel();
  if (open_.back()->win) remove_last_panel();  // pop-up windows go at once
  set_visible(false);
  root_container* r = &root_;
  r->defer([r, this] { r->release(*this); });
  owner_.menu_closed();
}

void menu_session::cancel() { finish(); }

void menu_session::choose(size_t depth, int32_t item) {
  const menu_level& level = panel(depth).level();
  const menu_item& it = level.items[size_t(item)];
  menu_choice c;
  c.value = it.value;
  c.text = it.text;
  c.level_path = level.path;
  c.path = c.level_path.empty() ? menu_path_name(it.text) : c.level_path + "." + menu_path_name(it.text);
  c.dynamic = it.dynamic;
  if (it.dynamic) {
    int32_t n = 0;
    for (int32_t i = 0; i < item; ++i) n += level.items[size_t(i)].dynamic ? 1 : 0;
    c.dynamic_index = n;
  }
  finish();
  owner_.menu_chosen(c);
}

int32_t menu_session::panel_at(point p) const {
  for (int32_t d = int32_t(open_.size()) - 1; d >= 0; --d)
    if (card_of(size_t(d)).contains(p)) return d;
  return -1;
}

int menu_session::press(event& e, point p) {
  if (closed_) return press_code::handled;
  const int32_t d = panel_at(p);
  if (d < 0) {
    cancel();  // a press outside closes the menu and is used up by it
    return press_code::handled;
  }
  const int32_t i = item_at(size_t(d), p);
  if (i >= 0) {
    if (panel(size_t(d)).level().items[size_t(i)].submenu) {
      open_submenu(size_t(d), i);
    } else if (e.input.left) {
      choose(size_t(d), i);
      return press_code::handled;
    }
  }
  refresh();
  return press_code::handled;
}

bool menu_session::release(event& e, point p) {
  if (closed_) return true;
  const int32_t d = panel_at(p);
  if (drag_choose_ && left_anchor_ && d >= 0) {
    const int32_t i = item_at(size_t(d), p);
    if (i >= 0 && !panel(size_t(d)).level().items[size_t(i)].submenu) {
      choose(size_t(d), i);
      return true;
    }
  }
  drag_choose_ = false;
  return true;
}

bool menu_session::move(event& e, point p) {
  if (closed_) return true;
  if (!owner_.menu_anchor().contains(p)) left_anchor_ = true;
  const int32_t d = panel_at(p);
  if (d < 0) {
    deepest().set_hovered(-1);
  } else {
    menu_panel& pn = panel(size_t(d));
    const int32_t i = item_at(size_t(d), p);
    pn.set_hovered(i);
    if (i >= 0 && pn.level().items[size_t(i)].submenu) {
      open_submenu(size_t(d), i);
    } else if (i >= 0) {
      close_from(size_t(d) + 1);
    }
  }
  refresh();
  return true;
}

void menu_session::hover_step(int32_t direction) {
  menu_panel& p = deepest();
  const std::vector<int32_t> order = p.selectable();
  if (order.empty()) return;
  const auto at = std::find(order.begin(), order.end(), p.hovered());
  int32_t next;
  if (at == order.end()) {
    next = direction > 0 ? order.front() : order.back();
  } else {
    const int32_t n = int32_t(order.size()), idx = int32_t(at - order.begin());
    next = order[size_t(((idx + direction) % n + n) % n)];
  }
  p.set_hovered(next);
}

// Hovers the item of the neighbouring column nearest in height; going left
// from the first column closes a submenu.
void menu_session::hover_column(int32_t direction) {
  menu_panel& p = deepest();
  const int32_t h = p.hovered();
  if (h < 0) return hover_step(1);
  const rect from = p.item_rect(size_t(h));
  int32_t best = -1, best_dx = INT32_MAX, best_dy = INT32_MAX;
  for (int32_t i : p.selectable()) {
    const rect r = p.item_rect(size_t(i));
    const int32_t dx = (r.x1 - from.x1) * direction;
    if (dx <= 0) continue;
    const int32_t dy = std::abs(r.y1 - from.y1);
    if (dx < best_dx || (dx == best_dx && dy < best_dy)) best = i, best_dx = dx, best_dy = dy;
  }
  if (best >= 0) {
    p.set_hovered(best);
  } else if (direction < 0 && open_.size() > 1) {
    close_from(open_.size() - 1);
  }
}

bool menu_session::key_down(event& e, int32_t key) {
  if (closed_) return true;
  menu_panel& p = deepest();
  const int32_t h = p.hovered();
  const bool has_sub = h >= 0 && p.level().items[size_t(h)].submenu;
  switch (key) {
    case k::up: hover_step(-1); break;
    case k::down: hover_step(1); break;
    case k::home:
    case k::end: {
      const std::vector<int32_t> order = p.selectable();
      if (!order.empty()) p.set_hovered(key == k::home ? order.front() : order.back());
      break;
    }
    case k::right:
      if (has_sub) {
        open_submenu(open_.size() - 1, h);
        hover_step(1);
      } else {
        hover_column(1);
      }
      break;
    case k::left: hover_column(-1); break;
    case k::enter:
    case k::space:
      if (has_sub) {
        open_submenu(open_.size() - 1, h);
        hover_step(1);
      } else if (h >= 0) {
        choose(open_.size() - 1, h);
        return true;
      }
      break;
    case k::escape:
      if (open_.size() > 1) {
        close_from(open_.size() - 1);
      } else {
        cancel();
        return true;
      }
      break;
    default:
      return false;
  }
  refresh();
  return true;
}

bool menu_session::character(event& e, int32_t c) {
  if (closed_ || c <= 32) return true;
  menu_panel& p = deepest();
  const std::vector<int32_t> order = p.selectable();
  const auto at = std::find(order.begin(), order.end(), p.hovered());
  const size_t start = at == order.end() ? 0 : size_t(at - order.begin()) + 1;
  for (size_t n = 0; n < order.size(); ++n) {
    const int32_t i = order[(start + n) % order.size()];
    const std::string& t = p.level().items[size_t(i)].text;
    if (!t.empty() && std::tolower(static_cast<unsigned char>(t[0])) == std::tolower(c)) {
      p.set_hovered(i);
      break;
    }
  }
  refresh();
  return true;
}

}  // namespace gui
