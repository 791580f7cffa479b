// A note that shows while the pointer rests over an area: the whole text of
// something drawn shortened (the editor's display lines). The area is an
// invisible control that lets every press through to what lies below; the
// note is a card of wrapped lines put over everything else in the window,
// below the area (above it when there is no room), kept inside the window.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "guilib/view/control.h"
#include "guilib/widgets/ui_style.h"

namespace gui {

class hover_note : public control {
 public:
  // max_width: the widest the note's card may be, in window pixels.
  hover_note(std::string name, rect area, const ui_style& style, int32_t max_width);
  ~hover_note() override;

  // The text to show, asked each time the note opens ("\n\n" between
  // paragraphs); an empty text shows no note.
  std::function<std::string()> message;

  int press(event& e, point p) override { return press_code::pass; }
  void hover(bool over) override;
  // The card while it shows, else null.
  view* card() const { return card_; }

 private:
  void close();

  const ui_style& style_;
  int32_t max_width_;
  view* card_ = nullptr;
};

}  // namespace gui
