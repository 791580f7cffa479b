#include "guilib/view/view.h"

#include <algorithm>

#include "guilib/view/root_container.h"

namespace gui {

view::view(const char* class_name, std::string name, rect r) : class_name_(class_name), name_(std::move(name)), rect_(r) {}

view::~view() {
  // Children go first, so the root still finds them through their parents.
  clear_children();
  if (root_container* r = root()) r->forget(*this);
}

void view::set_bounds(const rect& r) {
  if (r == rect_) return;
  mark_dirty();
  rect_ = r;
  mark_dirty();
  tree_changed();
}

void view::move_by(int32_t dx, int32_t dy) {
  if (dx == 0 && dy == 0) return;
  mark_dirty();
  rect_ = rect_.moved(dx, dy);
  mark_dirty();
  for (auto& c : children_) c->move_by(dx, dy);
  tree_changed();
}

view& view::adopt(std::unique_ptr<view> child) {
  child->parent_ = this;
  children_.push_back(std::move(child));
  view& v = *children_.back();
  v.mark_dirty();
  tree_changed();
  return v;
}

std::unique_ptr<view> view::release(view& child) {
  auto it = std::find_if(children_.begin(), children_.end(), [&](const auto& c) { return c.get() == &child; });
  if (it == children_.end()) return nullptr;
  child.mark_dirty();
  if (root_container* r = root()) r->forget(child);
  std::unique_ptr<view> out = std::move(*it);
  children_.erase(it);
  out->parent_ = nullptr;
  tree_changed();
  return out;
}

void view::clear_children() {
  while (!children_.empty()) release(*children_.back());
}

void view::set_visible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  mark_dirty();
  if (!v)
    if (root_container* r = root()) r->forget(*this);
  tree_changed();
}

bool view::shown() const {
  for (const view* v = this; v; v = v->parent_)
    if (!v->visible_) return false;
  return true;
}

void view::mark_dirty() {
  dirty_ = true;
  if (root_container* r = root()) r->damage(rect_);
}

root_container* view::root() const {
  for (view* v = const_cast<view*>(this); v; v = v->parent_)
    if (root_container* r = v->as_root()) return r;
  return nullptr;
}

view* view::find(std::string_view n) {
  if (name_ == n) return this;
  for (auto& c : children_)
    if (view* f = c->find(n)) return f;
  return nullptr;
}

void view::tree_changed() {
  if (root_container* r = root()) r->tree_changed();
}

}  // namespace gui
