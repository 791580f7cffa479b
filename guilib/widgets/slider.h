// Switches and sliders drawn from a slider strip ("slider_strip"), one frame
// per position, left to right. A horizontal control: a left press jumps the
// thumb under the pointer and a drag follows it; Shift or the right button
// adjust finely. Ctrl with the right button, the middle button or a left
// double-click restore the default first. A right click that does not move
// asks the listener for the control's menu.
#pragma once

#include <string>

#include "guilib/view/control.h"
#include "guilib/widgets/strip_library.h"
#include "guilib/widgets/ui_style.h"

namespace gui {

class slider : public control {
 public:
  // positions >= 2: an integer control 0 .. positions - 1 (a switch);
  // positions 0: continuous over the range, drawn as a track with a thumb.
  slider(std::string name, rect r, const ui_style& style, int32_t positions = 2);

  void set_default(float v) { default_ = v; }
  float default_value() const { return default_; }
  int32_t positions() const { return positions_; }
  // Thumb width in pixels: 12, or for an integer control at least the width
  // of one position.
  int32_t thumb_width() const;
  // The frame shown for the current value.
  int32_t frame_index() const;

  int press(event& e, point p) override;
  bool move(event& e, point p) override;
  bool release(event& e, point p) override;
  bool wheel(event& e, point p, float delta) override;
  void hover(bool) override { mark_dirty(); }
  void paint(painter& p) override;

 private:
  float position_of(int32_t x) const;

  const ui_style& style_;
  int32_t positions_;
  float default_ = 0.f;
  float start_ = 0.f;
  point anchor_;
  bool dragging_ = false;
  bool right_click_ = false;  // pressed with the right button alone and not moved yet
  const strip* strip_ = nullptr;
};

}  // namespace gui
