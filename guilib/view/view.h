// The view tree. Every widget is a view: a class name ("container", "knob",
// "text", ...), an instance name, a rectangle in window pixels, a parent and
// an ordered list of children that it owns.
//
// Children paint in insertion order, the last on top, each after its parent
// and clipped to its own rectangle. Mouse input goes to controls (control.h)
// top-most first through the root container (root_container.h). All
// rectangles are in window pixels, not relative to the parent, so a view's
// rectangle is where it shows and where it takes the mouse.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "guilib/view/rect.h"

namespace gui {

class control;
class painter;
class root_container;

class view {
 public:
  explicit view(const char* class_name, std::string name = {}, rect r = {});
  virtual ~view();
  view(const view&) = delete;
  view& operator=(const view&) = delete;

  const char* class_name() const { return class_name_; }
  const std::string& name() const { return name_; }
  void set_name(std::string n) { name_ = std::move(n); }

  const rect& bounds() const { return rect_; }
  // Moves or resizes this view alone (children stay); repaints both places.
  void set_bounds(const rect& r);
  // Moves this view and all its children.
  void move_by(int32_t dx, int32_t dy);

  view* parent() const { return parent_; }
  const std::vector<std::unique_ptr<view>>& children() const { return children_; }
  template <typename T, typename... A>
  T& add(A&&... args) {
    return static_cast<T&>(adopt(std::make_unique<T>(std::forward<A>(args)...)));
  }
  view& adopt(std::unique_ptr<view> child);
  // Takes a child out of the tree (the caller owns it then).
  std::unique_ptr<view> release(view& child);
  void clear_children();

  // Hidden views neither paint nor take input, nor do their children.
  bool visible() const { return visible_; }
  void set_visible(bool v);
  // Visible, and every ancestor too.
  bool shown() const;

  // Asks for this view's rectangle to be painted again.
  void mark_dirty();
  bool dirty() const { return dirty_; }
  void clear_dirty() { dirty_ = false; }

  root_container* root() const;
  // Depth-first search of the subtree (this view included) by instance name.
  view* find(std::string_view name);

  virtual void paint(painter& p) {}
  virtual control* as_control() { return nullptr; }
  virtual root_container* as_root() { return nullptr; }

 protected:
  // The tree around this view changed (parents, visibility, rectangles).
  void tree_changed();

 private:
  const char* class_name_;
  std::string name_;
  rect rect_;
  view* parent_ = nullptr;
  std::vector<std::unique_ptr<view>> children_;
  bool visible_ = true;
  bool dirty_ = true;
};

// A plain grouping view ("container").
class container : public view {
 public:
  explicit container(std::string name = {}, rect r = {}) : view("container", std::move(name), r) {}
};

}  // namespace gui
