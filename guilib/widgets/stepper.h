// Steppers and selectors: an integer control that shows its current choice,
// as text ("stepper") or as an icon ("selector", the waveform choices), in a
// pill with a small arrow at each end. A press on an arrow steps one way, a
// press on the middle steps up and wraps round; the wheel steps too; a right
// click asks the listener for the control's menu. The choice the value stands
// for is choices[value - minimum]. A stepper with an on_edit handler (the
// program number) keeps its middle for typing: a press there does not step,
// a double-click there calls the handler.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "guilib/image/bitmap.h"
#include "guilib/view/control.h"
#include "guilib/widgets/ui_style.h"

namespace gui {

class stepper : public control {
 public:
  // Text choices: the range becomes 0 .. choices - 1.
  stepper(std::string name, rect r, const ui_style& style, std::vector<std::string> choices);
  // Icon choices ("selector"); icons are not owned and must outlive the widget.
  stepper(std::string name, rect r, const ui_style& style, std::vector<const bitmap*> icons);

  // New choices (the same kind as the widget was made with); the range
  // becomes minimum .. minimum + count - 1 and the value is kept within it.
  void set_choices(std::vector<std::string> choices);
  void set_icons(std::vector<const bitmap*> icons);

  int32_t choice() const { return int32_t(value() - minimum()); }
  int32_t count() const;
  std::string choice_text() const;
  // Steps by delta choices; wrap goes round at the ends. The listener hears of a change.
  void step(int32_t delta, bool wrap);

  // Called on a double-click in the middle, which then no longer steps.
  std::function<void(stepper&)> on_edit;

  int press(event& e, point p) override;
  bool wheel(event& e, point p, float delta) override;
  void hover(bool) override { mark_dirty(); }
  void paint(painter& p) override;

 private:
  // -1 left arrow, +1 right arrow, 0 middle.
  int32_t zone(point p) const;

  const ui_style& style_;
  std::vector<std::string> texts_;
  std::vector<const bitmap*> icons_;
};

}  // namespace gui
