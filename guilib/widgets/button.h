// Push buttons ("button") with a face child ("gloss") that shows the normal
// or the pressed colour. A click is a press and a release inside: the button
// goes to its maximum while held and back to its minimum on release, and only
// that return is reported to the listener. Released outside, nothing is.
#pragma once

#include <string>

#include "guilib/image/bitmap.h"
#include "guilib/view/control.h"
#include "guilib/widgets/ui_style.h"

namespace gui {

class button;

// The face of a button: a rounded surface in the current colour with the caption.
class button_face : public view {
 public:
  button_face(button& owner, rect r, color32 colour) : view("gloss", "gloss", r), owner_(owner), colour_(colour) {}
  void set_colour(color32 c) { colour_ = c; }
  color32 colour() const { return colour_; }
  void paint(painter& p) override;

 private:
  button& owner_;
  color32 colour_;
};

class button : public control {
 public:
  button(std::string name, rect r, const ui_style& style, std::string caption);

  void set_colours(color32 normal, color32 pressed);
  void set_caption(std::string c) { caption_ = std::move(c), face_->mark_dirty(); }
  const std::string& caption() const { return caption_; }
  // A small icon before the caption (or alone when the caption is empty).
  void set_icon(const bitmap* icon) { icon_ = icon, face_->mark_dirty(); }
  bool pressed() const { return pressed_; }
  button_face& face() { return *face_; }
  const ui_style& style() const { return style_; }
  const bitmap* icon() const { return icon_; }

  int press(event& e, point p) override;
  bool move(event& e, point p) override;
  bool release(event& e, point p) override;
  void hover(bool) override { face_->mark_dirty(); }

 private:
  void set_pressed(bool b);

  const ui_style& style_;
  std::string caption_;
  button_face* face_;
  const bitmap* icon_ = nullptr;
  color32 normal_, pressed_colour_;
  bool pressed_ = false;
  bool tracking_ = false;
};

}  // namespace gui
