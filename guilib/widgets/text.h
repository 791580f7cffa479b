// Text widgets: static text ("label", "text"; the editor's status line is a
// "text") and the base of the editable field ("edit", edit.h).
//
// Placement in the rectangle: left at x1, right at x2 - width, centred at
// trunc((x2 - x1 - width) / 2 + x1); top at y1, bottom at y2 - line - 1,
// centred at trunc((y2 - y1 - line - 1) / 2 + y1), with line = ascent +
// descent of the font; a line that fits the rectangle is kept inside it;
// then the widget's offset is added. The font is the
// widget's own, else its style's label font, else the default font.
#pragma once

#include <string>
#include <vector>

#include "guilib/view/control.h"
#include "guilib/widgets/ui_style.h"

namespace gui {

enum class align { start, centre, end };

class text : public control {
 public:
  text(std::string name, rect r, std::string s = {}, const ui_style* style = nullptr, const char* class_name = "text");
  ~text() override;

  bool takes_mouse() const override { return false; }

  const std::string& str() const { return text_; }
  // Nothing happens when s equals the text. Otherwise the text becomes s (its
  // first length characters when length >= 1), linked text widgets get the
  // same, and the widget repaints.
  void set_text(const std::string& s, size_t length = 0);
  // other mirrors this widget's text from now on.
  void link_text(text& other);

  void set_font(const font* f) { font_ = f, mark_dirty(); }
  const font& used_font() const;
  void set_colour(color32 c) { colour_ = c, mark_dirty(); }
  color32 colour() const { return colour_; }
  void set_align(align h, align v = align::centre) { h_ = h, v_ = v, mark_dirty(); }
  void set_offset(int32_t dx, int32_t dy) { dx_ = dx, dy_ = dy, mark_dirty(); }
  // A recessed box behind the text: readouts such as the voice count.
  void set_box(bool b) { box_ = b, mark_dirty(); }
  // Grows the rectangle about its middle to hold one line of the font (its
  // height plus the pixel centring leaves) when it is shorter: a caption box
  // of scaled layout pixels can be shorter than the font, which keeps a
  // readable size at small scales.
  void fit_line();
  // Capitals with the header look (section titles).
  void set_header(bool h);

  // A line too long for its box: scrolled (whole, moved left by px and cut
  // at the box) instead of shortened with "..."; -1 turns scrolling off.
  void set_scroll(int32_t px);
  int32_t scroll() const { return scroll_; }
  // How far the whole text reaches past the box: the scroll that shows its end (0: it fits).
  int32_t overflow() const { return overflow_of(text_); }
  int32_t overflow_of(const std::string& s) const;
  // The box's inside: where the text may draw.
  rect inner() const;

  // Where the text's top-left lands; the width the text takes.
  point placement() const;
  int32_t text_width() const;
  // The text, cut with "..." when it does not fit the rectangle.
  std::string shown_text() const;

  void paint(painter& p) override;

 protected:
  // Called whenever the text has become something else, by any path (a
  // caller, a linked widget, the widget's own editing), before linked
  // widgets are given it.
  virtual void text_changed() {}

  const ui_style* style_;

 private:
  std::string text_;
  const font* font_ = nullptr;
  color32 colour_;
  align h_ = align::start, v_ = align::centre;
  int32_t dx_ = 0, dy_ = 0;
  bool box_ = false;
  int32_t scroll_ = -1;
  std::vector<text*> mirrors_;      // receive our text
  std::vector<text*> mirrored_by_;  // send us theirs
};

}  // namespace gui
