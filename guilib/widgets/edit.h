// The editable text field ("edit"), UTF-8 throughout: the caret and the
// selection sit on character boundaries (byte positions), arrows, Backspace
// and Delete step over whole characters, and the byte limit never keeps half
// a character. Pressing it takes the keyboard focus and
// selects the whole text; typing replaces the selection, the arrows, Home
// and End move the caret (with Shift they extend the selection), Backspace
// and Delete remove, Ctrl+A selects all. Enter, or a press elsewhere,
// commits; Escape restores the text it had when the focus came.
#pragma once

#include <functional>
#include <string>

#include "guilib/widgets/text.h"

namespace gui {

class edit : public text {
 public:
  edit(std::string name, rect r, const ui_style& style, std::string s = {});

  bool takes_mouse() const override { return true; }
  bool wants_focus() const override { return true; }
  void set_max_length(size_t n) { max_length_ = n; }
  // Told once per edit, when the new text is committed and differs from the old.
  std::function<void(edit&)> on_commit;
  // Told when Enter ends the edit, after on_commit: a dialog's field confirms
  // the dialog with the same press.
  std::function<void(edit&)> on_enter;

  size_t caret() const { return caret_; }
  size_t selection_start() const { return std::min(anchor_, caret_); }
  size_t selection_end() const { return std::max(anchor_, caret_); }
  void select_all();

  int press(event& e, point p) override;
  bool move(event& e, point p) override;
  bool release(event& e, point p) override { return false; }
  bool key_down(event& e, int32_t key) override;
  bool character(event& e, int32_t c) override;
  void focus_changed(bool focused) override;
  void hover(bool) override { mark_dirty(); }
  void paint(painter& p) override;

 protected:
  void text_changed() override;

 private:
  size_t index_at(int32_t x) const;
  int32_t text_left() const;
  void replace_selection(const std::string& s);
  void move_caret(size_t to, bool extend);
  void commit();

  // Byte positions on character boundaries; never beyond the text (text_changed keeps them there).
  size_t caret_ = 0, anchor_ = 0;
  size_t max_length_ = 1023;
  int32_t scroll_ = 0;  // pixels of text hidden at the left
  std::string original_;
  bool escaping_ = false;
};

}  // namespace gui
