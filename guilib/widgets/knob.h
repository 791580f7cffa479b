// Knobs: a rotary control drawn from a knob strip, the frame chosen by value.
//
// Dragging: vertical (up increases), horizontal or rotary; 100 pixels cross
// the range, ten times as many with Shift or the right button (speed level
// 1), a hundred times with both (level 2); changing the level mid-drag
// re-anchors so the value does not jump. Ctrl with the left button, the
// middle button or a left double-click restores the default. The wheel steps
// by the control's sensitivity (finer with Shift). A right click that does
// not move (menu_slop pixels or less) asks the listener for the control's
// menu instead of dragging.
//
// The label child ("label") under the dial shows the caption, and the value
// text while the pointer is over the knob or dragging it. A knob too small
// for a label of its own (a route's depth in its row) floats it instead: a
// boxed readout above the dial, shown only while hovered or dragged.
#pragma once

#include <functional>
#include <string>

#include "guilib/view/control.h"
#include "guilib/widgets/strip_library.h"
#include "guilib/widgets/text.h"
#include "guilib/widgets/ui_style.h"

namespace gui {

enum class drag_mode : int32_t { vertical = 0, horizontal = 1, rotary = 2 };

// How far (window pixels, each axis) a right press may wander and still be a click.
constexpr int32_t menu_slop = 2;
bool beyond_slop(point from, point to);

class knob : public control {
 public:
  // dial: the square the strip frame fills. frames and variant select the strip.
  knob(std::string name, rect dial, const ui_style& style, int32_t frames = 65, int32_t variant = 1);

  void set_drag(drag_mode m, bool relative = true) { mode_ = m, relative_ = relative; }
  void set_range_pixels(float p) { range_pixels_ = p; }
  void set_dead_fraction(float d) { dead_ = d; }
  void set_default(float v) { default_ = v; }
  float default_value() const { return default_; }
  void set_smoothing(bool s) { smoothing_ = s, mark_dirty(); }

  text& label() { return *label_; }
  void set_caption(std::string c);
  // The value as the user reads it ("440 Hz"); by default the value with two decimals.
  void set_display(std::function<std::string(const knob&)> f) { display_ = std::move(f), refresh_label(); }
  std::string value_text() const;
  // The floating readout above the dial instead of a caption below it.
  void set_floating_value(bool on);
  bool dragging() const { return dragging_; }
  int32_t speed_level() const { return speed_; }

  // The strip frame shown for the current value, and the blend towards the next (0..255).
  int32_t frame_index() const;
  uint32_t frame_blend() const;
  const strip& current_strip();

  int press(event& e, point p) override;
  bool move(event& e, point p) override;
  bool release(event& e, point p) override;
  bool wheel(event& e, point p, float delta) override;
  void hover(bool over) override { refresh_label(); }
  void value_changed() override;
  void paint(painter& p) override;

 private:
  float angle_of(point p) const;
  void re_anchor(point p);
  void refresh_label();

  const ui_style& style_;
  drag_mode mode_ = drag_mode::vertical;
  bool relative_ = true;
  float range_pixels_ = 100.f;
  float dead_ = 0.1f;
  float default_ = 0.f;
  int32_t frames_, variant_;
  bool smoothing_ = false;
  bool floating_ = false;
  // during a drag
  bool dragging_ = false;
  bool right_click_ = false;  // pressed with the right button alone and not moved yet
  point pressed_at_;
  int32_t speed_ = 0;
  float start_ = 0.f;
  point anchor_;
  const strip* strip_ = nullptr;
  text* label_ = nullptr;
  std::string caption_;
  std::function<std::string(const knob&)> display_;
};

}  // namespace gui
