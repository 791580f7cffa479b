// A headless window with a root container, for the toolkit's tests, and a
// probe control that logs what the root calls on it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "guilib/archive/gui_archive.h"
#include "guilib/platform/headless/headless.h"
#include "guilib/view/root_container.h"
#include "guilib/widgets/ui_style.h"

namespace gui::testing {

struct ui_fixture {
  wnd::headless backend;
  wnd::window window;
  std::unique_ptr<root_container> root;

  explicit ui_fixture(int32_t w = 240, int32_t h = 160) {
    mount_builtin();  // the skin and fonts, as the editor mounts them before its first window
    backend.create(window, {0, 0, 0, w, h});
    root = std::make_unique<root_container>(rect{0, 0, w, h});
    root->attach(window);
  }
  ~ui_fixture() {
    root.reset();
    backend.destroy(window);
  }
  // Delivers the pending redraw: the surface then shows the tree.
  bitmap& paint() {
    backend.pump();
    return window.surface.pixels;
  }
  static const ui_style& style() { return style_for_scale(1.f); }
};

class probe : public control {
 public:
  probe(std::string name, rect r, std::vector<std::string>& log, int code = press_code::capture)
      : control("control", std::move(name), r), log_(log), code_(code) {}
  int press(event& e, point p) override {
    log_.push_back("press " + name());
    return code_;
  }
  bool release(event& e, point p) override {
    log_.push_back("release " + name());
    return keep_;
  }
  bool move(event& e, point p) override {
    log_.push_back("move " + name());
    return true;
  }
  bool wheel(event& e, point p, float delta) override {
    log_.push_back("wheel " + name());
    return wheel_taken_;
  }
  void enter(event& e) override { log_.push_back("enter " + name()); }
  void leave(event& e) override { log_.push_back("leave " + name()); }
  bool key_down(event& e, int32_t key) override {
    log_.push_back("key " + name() + " " + std::to_string(key));
    return true;
  }
  bool character(event& e, int32_t c) override {
    log_.push_back(std::string("char ") + char(c));
    return true;
  }
  void set_code(int c) { code_ = c; }
  void set_keep(bool k) { keep_ = k; }
  void set_wheel_taken(bool w) { wheel_taken_ = w; }

 private:
  std::vector<std::string>& log_;
  int code_;
  bool keep_ = false;
  bool wheel_taken_ = true;
};

}  // namespace gui::testing
