// The small undo and redo arrows ("history arrow"): a round button with a
// curved arrow turning back (undo) or forward (redo), dimmed while there is
// nothing to step to. A click is a press and a release inside, reported to
// the listener on release as a forced notify (the value stays 0).
#pragma once

#include <string>

#include "guilib/view/control.h"
#include "guilib/widgets/ui_style.h"

namespace gui {

class history_arrow : public control {
 public:
  // forward: the redo arrow (turning right); else undo (turning left).
  history_arrow(std::string name, rect r, const ui_style& style, bool forward);

  bool forward() const { return forward_; }
  bool pressed() const { return pressed_; }

  int press(event& e, point p) override;
  bool move(event& e, point p) override;
  bool release(event& e, point p) override;
  void hover(bool) override { mark_dirty(); }
  void paint(painter& p) override;

 private:
  const ui_style& style_;
  bool forward_;
  bool pressed_ = false, tracking_ = false;
};

}  // namespace gui
