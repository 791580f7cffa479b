// Tabs ("tabs"): a bar of titles, each a button named "<title> tab", over a
// set of pages of which one shows at a time. The value is the page shown;
// the active title is drawn bright with an accent underline.
#pragma once

#include <string>
#include <vector>

#include "guilib/view/control.h"
#include "guilib/view/view.h"
#include "guilib/widgets/ui_style.h"

namespace gui {

class tabs;

class tab_button : public control {
 public:
  tab_button(tabs& owner, int32_t index, std::string title, rect r, const ui_style& style);
  int press(event& e, point p) override;
  void hover(bool) override { mark_dirty(); }
  void paint(painter& p) override;
  const std::string& title() const { return title_; }

 private:
  tabs& owner_;
  int32_t index_;
  std::string title_;
  const ui_style& style_;
};

class tabs : public control {
 public:
  // bar: where the titles go; page: the area every page covers.
  tabs(std::string name, rect bar, rect page, const ui_style& style, const std::vector<std::string>& titles);

  bool takes_mouse() const override { return false; }  // the titles take it
  int32_t count() const { return int32_t(pages_.size()); }
  container& page(int32_t i) { return *pages_[size_t(i)]; }
  int32_t current() const { return int32_t(value()); }
  // Shows page i; the listener hears of a change.
  void show(int32_t i);
  void value_changed() override;
  void paint(painter& p) override;

 private:
  const ui_style& style_;
  std::vector<container*> pages_;
};

}  // namespace gui
