// Controls: views that take input and, for the value-carrying widgets, hold a
// float value with limits, integer stepping, a listener and linked controls.
//
// The handler operations (press, release, move, ...) are called by the root
// container (root_container.h) with window-pixel positions. press returns a
// routing code: decline (0), capture the mouse until release (1), handled (2),
// capture after leaving (4); any other code lets routing go on to the next
// control under the pointer.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "guilib/view/event.h"
#include "guilib/view/view.h"

namespace gui {

class control;

namespace press_code {
constexpr int decline = 0;
constexpr int capture = 1;
constexpr int handled = 2;
constexpr int pass = 3;  // any code other than 0, 1, 2, 4
constexpr int leave_and_capture = 4;
}  // namespace press_code

// Which buttons a control takes: with the filter enabled, a press routes to
// it only when one of its buttons is down (and, with double_only, only as a
// double-click). A disabled filter takes the mouse whatever is pressed.
struct button_filter {
  bool enabled = true;
  bool left = true, middle = false, right = false;
  bool double_only = false;

  bool accepts(const input_state& in) const;
};

// Told about value changes the user makes (notify), not about set_value.
// Controls that are dragged also say when a drag starts and ends (every start
// is followed by its end, the changes of the drag in between), and controls
// that keep the right button for fine dragging report a right click without
// movement as a request for their menu.
class control_listener {
 public:
  virtual ~control_listener() = default;
  virtual void changed(control& c) = 0;
  virtual void drag_started(control& c) {}
  virtual void drag_ended(control& c) {}
  // at: the pointer, window pixels. False when the owner has no menu for c.
  virtual bool menu_requested(control& c, point at) { return false; }
};

// A listener that calls a function: for owners that keep their reactions in
// lambdas. The drag and menu reactions are optional.
class function_listener : public control_listener {
 public:
  explicit function_listener(std::function<void(control&)> f) : f_(std::move(f)) {}
  void changed(control& c) override { f_(c); }
  void drag_started(control& c) override {
    if (on_drag_start) on_drag_start(c);
  }
  void drag_ended(control& c) override {
    if (on_drag_end) on_drag_end(c);
  }
  bool menu_requested(control& c, point at) override { return on_menu && on_menu(c, at); }

  std::function<void(control&)> on_drag_start, on_drag_end;
  std::function<bool(control&, point)> on_menu;

 private:
  std::function<void(control&)> f_;
};

class control : public view {
 public:
  explicit control(const char* class_name = "control", std::string name = {}, rect r = {});
  ~control() override;

  control* as_control() override { return this; }

  // --- handler operations, in the order of the control table ----------------
  // The class's own appearance update (strips pick a frame, text widgets
  // re-place their text); arg is class-specific.
  virtual void update_look(int32_t arg) { mark_dirty(); }
  virtual bool key_down(event& e, int32_t key) { return false; }
  virtual bool key_up(event& e, int32_t key) { return false; }
  virtual bool character(event& e, int32_t c) { return false; }
  // Default: capture when the filter takes a button that is down.
  virtual int press(event& e, point p);
  virtual bool release(event& e, point p) { return false; }
  virtual bool move(event& e, point p) { return false; }
  virtual bool wheel(event& e, point p, float delta) { return false; }
  virtual void enter(event& e) {}
  virtual void leave(event& e) {}
  // Marks the control dirty and passes the value on to the linked controls.
  virtual void value_changed();

  // --- the toolkit's own additions --------------------------------------------
  // The pointer came over (true) or left (false) this control while no button
  // was held: hover looks.
  virtual void hover(bool over) {}
  // A control that grabbed all input (root_container::grab) hears that the
  // window lost the user: deactivated, or the pointer taken by the system.
  virtual void grab_lost() {}
  // Controls that take the keyboard when pressed (text fields, lists).
  virtual bool wants_focus() const { return false; }
  // Static widgets (labels, images) let the mouse through to what lies below.
  virtual bool takes_mouse() const { return true; }
  virtual void focus_changed(bool focused) { mark_dirty(); }
  bool hovered() const { return hovered_; }
  void set_hovered(bool h);
  bool focused() const;

  // --- value model ------------------------------------------------------------
  float value() const { return value_; }
  float previous() const { return previous_; }
  // previous = value; value = v, clamped and stepped as configured; a change
  // calls value_changed.
  void set_value(float v);
  // Tells the listener when forced or when the value differs from the previous one.
  void notify(bool force = false);
  // Drag start and end, and the menu request, passed to the listener.
  void drag_start();
  void drag_end();
  bool request_menu(point at);
  // Wheel and key steps: value + delta * sensitivity (divided by the fine
  // divisor with Shift held); the listener hears of a change.
  void apply_delta(const event& e, float delta);

  float normalised() const;
  void set_normalised(float n);

  void set_range(float minimum, float maximum) { min_ = minimum, max_ = maximum; }
  float minimum() const { return min_; }
  float maximum() const { return max_; }
  void set_clamp(bool c) { clamp_ = c; }
  void set_integer(bool i, bool rounding = true) { integer_ = i, rounding_ = rounding; }
  bool integer() const { return integer_; }
  void set_sensitivity(float s, float fine_divisor = 4.f) { sensitivity_ = s, fine_divisor_ = fine_divisor; }

  void set_listener(control_listener* l) { listener_ = l; }
  control_listener* listener() const { return listener_; }
  // other receives this control's value from now on.
  void link(control& other);
  void unlink(control& other);

  int32_t user_value() const { return user_value_; }
  void set_user_value(int32_t v) { user_value_ = v; }

  button_filter& filter() { return filter_; }
  const button_filter& filter() const { return filter_; }
  bool accepts_wheel_and_keys() const { return accept_wheel_keys_; }
  bool accepts_key_repeat() const { return accept_repeat_; }
  void set_acceptance(bool wheel_and_keys, bool key_repeat) { accept_wheel_keys_ = wheel_and_keys, accept_repeat_ = key_repeat; }
  // A disabled control shows dimmed and takes no input.
  bool enabled() const { return enabled_; }
  void set_enabled(bool e);

 private:
  // A new control holds the smallest normal float and remembers the largest
  // finite one, so that its first set_value always counts as a change.
  float value_ = std::numeric_limits<float>::min();
  float previous_ = std::numeric_limits<float>::max();
  float min_ = 0.f, max_ = 1.f;
  bool clamp_ = true, integer_ = false, rounding_ = true;
  float sensitivity_ = 0.0625f, fine_divisor_ = 4.f;
  control_listener* listener_ = nullptr;
  std::vector<control*> links_;        // receive our value
  std::vector<control*> linked_from_;  // send us theirs; unlinked when either side goes
  int32_t user_value_ = 0;
  button_filter filter_;
  bool accept_wheel_keys_ = true, accept_repeat_ = true;
  bool enabled_ = true;
  bool hovered_ = false;
};

}  // namespace gui
