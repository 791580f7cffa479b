// Fuzz target: the root container's routing of mouse, wheel and key events
// over a window of real widgets (knobs, buttons, switches, a drop-down with
// its pop-up menu, a text field, a list, tabs, a message box, and probes
// that answer every press code). Every three bytes are one input: presses,
// releases and double-clicks of the three buttons, moves, wheel notches,
// keys, typing, timer ticks, hiding a page, painting. After each, the
// root's capture agrees with the window's, and its target, grabber and focus
// are shown parts of the tree; once every button is up and the menus and
// boxes are closed, nothing holds the pointer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "guilib/menu/dropbox.h"
#include "guilib/platform/headless/headless.h"
#include "guilib/platform/keys.h"
#include "guilib/view/root_container.h"
#include "guilib/widgets/button.h"
#include "guilib/widgets/dialogs.h"
#include "guilib/widgets/edit.h"
#include "guilib/widgets/knob.h"
#include "guilib/widgets/list_box.h"
#include "guilib/widgets/slider.h"
#include "guilib/widgets/stepper.h"
#include "guilib/widgets/tabs.h"

namespace {

using namespace gui;
using mb = mouse_button;
namespace k = wnd::key;

constexpr int32_t width = 160, height = 120;

class coded : public control {
 public:
  coded(rect r, int code, bool keep, bool right) : control("control", "coded", r), code_(code), keep_(keep) {
    filter().right = right;
  }
  int press(event&, point) override { return code_; }
  bool release(event&, point) override { return keep_; }
  bool move(event&, point) override { return true; }

 private:
  int code_;
  bool keep_;
};

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "event_router_fuzz: %s\n", what);
  std::abort();
}

bool in_tree(const view& root, const view* v) {
  for (const view* x = v; x; x = x->parent())
    if (x == &root) return v->shown();
  return false;
}

struct harness {
  wnd::headless be;
  wnd::window w;
  std::unique_ptr<root_container> root;
  container* probes = nullptr;
  function_listener ask{[this](control&) { show_message(*root, style_for_scale(1.f), "Confirm", "Sure?", true, nullptr); }};

  harness() {
    be.create(w, {0, 0, 0, width, height});
    root = std::make_unique<root_container>(rect{0, 0, width, height});
    root->attach(w);
    const ui_style& st = style_for_scale(1.f);
    root->add<knob>("knob", rect{4, 4, 37, 37}, st).set_drag(drag_mode::vertical);
    root->add<knob>("rotary", rect{40, 4, 64, 28}, st).set_drag(drag_mode::rotary);
    root->add<button>("ask", rect{70, 4, 110, 20}, st, "Ask").set_listener(&ask);
    root->add<slider>("switch", rect{70, 24, 94, 36}, st, 3);
    root->add<slider>("slider", rect{4, 44, 100, 56}, st, 0);
    root->add<stepper>("stepper", rect{112, 4, 156, 19}, st, std::vector<std::string>{"A", "B", "C"});
    root->add<dropbox>("menu", rect{104, 40, 156, 54}, st,
                       "[40x12]A,B{[20x10]1,2,[n]3,4{x,y}}C,[ms]D,[l][lL]E=7,");
    root->add<edit>("field", rect{4, 60, 90, 76}, st, "text");
    list_box& l = root->add<list_box>("list", rect{4, 80, 90, 116}, st);
    l.set_rows({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"});
    tabs& t = root->add<tabs>("tabs", rect{96, 60, 156, 72}, rect{96, 74, 156, 116}, st, std::vector<std::string>{"1", "2"});
    t.page(1).add<knob>("paged", rect{100, 78, 124, 102}, st);
    probes = &root->add<container>("probes", rect{0, 0, width, height});
    const int codes[] = {press_code::decline, press_code::capture, press_code::handled, press_code::leave_and_capture, 7};
    for (int i = 0; i < 5; ++i)
      probes->add<coded>(rect_of(20 + i * 24, 90 - i * 6, 30, 30), codes[i], i % 2 == 0, i > 2);
    be.set_timer(w, 30);
  }
  ~harness() {
    root.reset();
    be.destroy(w);
  }

  void check() {
    if (root->captured() != be.captured(w)) fail("capture differs");
    if (root->target() && !in_tree(*root, root->target())) fail("target");
    if (root->grabber() && !in_tree(*root, root->grabber())) fail("grabber");
    if (root->focus() && !in_tree(*root, root->focus())) fail("focus");
  }

  void step(uint8_t op, uint8_t a, uint8_t b) {
    const int32_t x = int32_t(a % (width + 20)) - 10, y = int32_t(b % (height + 20)) - 10;
    static const int32_t keys[] = {k::left, k::right, k::up, k::down, k::enter, k::escape, k::space, k::home,
                                   k::end, k::backspace, k::del, k::f1, 'A', '2', k::tab, k::page_down};
    switch (op % 16) {
      case 0: be.mouse_down(w, mb::left, x, y); break;
      case 1: be.mouse_up(w, mb::left, x, y); break;
      case 2: be.mouse_down(w, mb::right, x, y); break;
      case 3: be.mouse_up(w, mb::right, x, y); break;
      case 4: be.mouse_down(w, mb::middle, x, y); break;
      case 5: be.mouse_up(w, mb::middle, x, y); break;
      case 6: be.mouse_down(w, mouse_button(a % 3), x, y, true); break;
      case 7: be.mouse_move(w, x, y); break;
      case 8: be.wheel(w, float(int(a % 5) - 2), x, y); break;
      case 9: be.key_down(w, keys[a % 16], b & 1); break;
      case 10: be.key_up(w, keys[a % 16]); break;
      case 11: be.type(w, std::string(1, char(32 + a % 95))); break;
      case 12: be.advance(w, a); break;
      case 13: probes->set_visible(a & 1); break;
      case 14: be.pump(); break;
      default:
        if (a & 1) {
          be.key_down(w, a & 2 ? k::shift : k::ctrl);
        } else {
          be.key_up(w, a & 2 ? k::shift : k::ctrl);
        }
        break;
    }
    check();
  }

  // Lets go of everything: buttons up, menus and boxes closed.
  void settle() {
    for (mb b : {mb::left, mb::middle, mb::right}) be.mouse_up(w, b, 0, 0);
    be.key_up(w, k::shift);
    be.key_up(w, k::ctrl);
    for (int i = 0; i < 6 && (root->grabber() || root->modal_layer() || root->focus()); ++i) be.press_key(w, k::escape);
    be.mouse_move(w, 1, 1);
    check();
    if (!root->grabber() && !root->modal_layer() && root->captured()) fail("still captured");
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 3 * 512) return 0;  // long inputs add time, not paths
  harness h;
  for (size_t i = 0; i + 2 < size; i += 3) h.step(data[i], data[i + 1], data[i + 2]);
  h.settle();
  return 0;
}
