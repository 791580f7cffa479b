// The root of a window's view tree ("root view container"): it receives the
// window's events, routes the mouse to controls, keeps the capture, the
// keyboard focus and the damaged region, and paints and presents.
//
// Mouse routing (dispatch_mouse) walks the handler entries, one per shown,
// enabled control that takes the mouse, top-most first (children before
// their parent, later siblings before earlier ones). An entry matches when
// its inclusive rectangle holds the pointer and its button filter accepts the
// buttons down; the matching control becomes the target (leave to the old one
// first, then enter) and its press code decides what follows (control.h).
//
// Beyond routing: a control may grab all input (open menus, modal dialogs);
// a modal layer limits routing to its own subtree; the control that takes
// the keyboard when pressed (text fields) holds the focus until another press.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "guilib/image/bitmap.h"
#include "guilib/view/control.h"
#include "guilib/view/event.h"
#include "guilib/view/view.h"

namespace wnd {
struct window;
}

namespace gui {

struct handler_entry {
  inclusive_rect area;
  button_filter filter;
  control* target = nullptr;
};

class root_container : public view {
 public:
  static constexpr const char* instance_name = "root view container";

  explicit root_container(rect r);
  ~root_container() override;
  root_container* as_root() override { return this; }

  // Draws into w's surface and takes its events; the window must outlive the
  // attachment (detach, or destroy the root first).
  void attach(wnd::window& w);
  void detach();
  wnd::window* window() const { return window_; }

  // One event from the window. True when something took it.
  bool handle(event& e);
  bool dispatch_mouse(event& e);

  // --- painting ----------------------------------------------------------------
  void damage(const rect& r);
  const std::vector<rect>& damaged() const { return damage_; }
  // Paints the damaged region into surface; returns the rectangles painted.
  std::vector<rect> paint(bitmap& surface);
  // Called before every paint: an owner sets the colours its views paint
  // with (windows of several owners share the palette).
  std::function<void()> before_paint;
  // Paints and presents through the window (the "redraw" event does this).
  void redraw();
  void set_background(color32 c) { background_ = c; }

  // --- input ownership ----------------------------------------------------------
  control* target() const { return target_; }
  // The window holds the pointer: for a captured target, or for a grabber.
  bool captured() const { return window_captured_; }
  control* focus() const { return focus_; }
  void set_focus(control* c);
  control* hovered() const { return hover_; }
  // All mouse and key events go to c until ungrab (the window holds the pointer).
  void grab(control& c);
  void ungrab(control& c);
  control* grabber() const { return grabber_; }
  // Routing looks only inside the top-most modal layer while there is one.
  void push_modal(view& layer);
  void pop_modal(view& layer);
  view* modal_layer() const { return modal_.empty() ? nullptr : modal_.back(); }

  // Runs f once the current event has been handled: a widget that removes
  // itself from the tree (a closing menu) cannot do so from its own handler.
  void defer(std::function<void()> f) { deferred_.push_back(std::move(f)); }
  void run_deferred();

  bool active() const { return active_; }
  bool has_focus() const { return focused_; }

  // The owner's part: every timer tick, and the window's close request.
  std::function<void()> on_timer;
  std::function<void()> on_close;
  // Key downs (and repeats) that no control took, while no menu or dialog is
  // open: the owner's keyboard shortcuts. True when it used the key.
  std::function<bool(event&)> on_shortcut;
  // True while a control handles a wheel event: its changes are one wheel step.
  bool wheeling() const { return wheeling_; }

  const std::vector<handler_entry>& handlers();
  // The views changed: the handler list is made again before the next routing.
  void tree_changed() { handlers_stale_ = true; }
  // v (and its subtree) is leaving the tree or hiding: drop every reference.
  void forget(view& v);
  void paint(painter& p) override;

 private:
  void capture_pointer(event& e);
  void release_pointer();
  void sync_window_capture();
  void end_capture(event& e);
  void set_target(control* c, event& e);
  void clear_target(event& e);
  void track_hover(event& e);
  void after_press(control* pressed);
  void paint_tree(view& v, painter& p);
  void collect(view& v, std::vector<handler_entry>& out);
  bool on_button_press(event& e);
  bool on_button_release(event& e);
  bool on_wheel(event& e);
  bool on_key(event& e);
  bool handle_one(event& e);

  wnd::window* window_ = nullptr;
  std::vector<handler_entry> handlers_;
  bool handlers_stale_ = true;
  control* target_ = nullptr;
  control* focus_ = nullptr;
  control* hover_ = nullptr;
  control* grabber_ = nullptr;
  control* pressed_ = nullptr;  // the control whose press was called for this event
  std::vector<view*> modal_;
  bool captured_ = false;         // routing captured the pointer for the target (or the root)
  bool window_captured_ = false;  // the window holds it (captured_ or a grabber)
  bool release_pending_ = false;  // capture to end once no button is down
  bool active_ = false, focused_ = false;
  bool wheeling_ = false;
  std::vector<rect> damage_;
  std::vector<std::function<void()>> deferred_;
  color32 background_ = 0xFF16181D;
};

}  // namespace gui
