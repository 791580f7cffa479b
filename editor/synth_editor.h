// The instance's editor, "Vorn GUI": a window inside the host's, the view
// tree of editor_view.h at the GUI scale, the menus of actions.h, and the
// timer that keeps it up to date with the synthesizer through the command
// interface. It also owns the editor's look in the instance state ("edtr":
// background colour choice and GUI scale).
//
// Threads: everything runs on the thread that opens the editor, except the
// chunk calls (under the engine lock, from whichever thread saves or loads a
// state) and host_call (any thread; it returns at once on others). What the
// chunk calls touch is atomic, and the editor applies it at its next tick.
//
// The view is never rebuilt from inside the handler of one of its own
// widgets: a new scale is applied at the next tick.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "editor/actions.h"
#include "editor/control_menu.h"
#include "editor/display_text.h"
#include "editor/edit_snapshot.h"
#include "editor/editor_view.h"
#include "editor/refresh.h"
#include "editor/synth_port.h"
#include "editor/undo_history.h"
#include "synth/display_inverse.h"
#include "guilib/menu/populate_menu.h"
#include "guilib/platform/backend.h"
#include "guilib/platform/idle_pump.h"
#include "guilib/style/scheme_palette.h"
#include "plugin/editor_object.h"

namespace gui {

using backend_factory = std::function<std::unique_ptr<wnd::backend>()>;
// The window layer of this platform (window_backend_x11.cpp, _win32.cpp);
// null when it cannot be had (no X display).
std::unique_ptr<wnd::backend> make_platform_backend();

// The GUI scales of the scale menu, by item value (-2 .. 3).
float scale_of_choice(int32_t value);
int32_t choice_of_scale(float scale);  // the nearest item

class synth_editor final : public plugin::editor_object {
 public:
  static constexpr uint32_t timer_ms = 33;

  explicit synth_editor(const plugin::editor_link& link, backend_factory make_backend = make_platform_backend);
  ~synth_editor() override;

  // --- plugin::editor_object ------------------------------------------------------------
  void size(int32_t& width, int32_t& height) const override;
  void nearest_size(int32_t& width, int32_t& height) const override;
  void fit_to(int32_t width, int32_t height) override;
  bool open(void* parent) override;
  void close() override;
  bool is_open() const override { return window_ != nullptr; }
  void idle() override;
  int event_fd() const override { return backend_ ? backend_->event_fd() : -1; }
  void host_call() override;
  void wheel(float delta) override;
  void set_content_scale(float factor) override;
  bool draw_offscreen(float scale, int32_t page, uint32_t* pixels, size_t capacity, int32_t& width,
                      int32_t& height) override;
  uint32_t write_editor_chunk(uint8_t* dest) override;
  void read_editor_chunk(const uint8_t* data, size_t available) override;

  // --- what the editor's own code and its tests reach --------------------------------------
  // The scale menu's choice: resizes the window at the next tick.
  void set_scale(float scale);
  float scale() const { return scale_; }
  // The scale the window is drawn at: the user's choice times the host's content scale.
  float effective_scale() const;
  void set_background(int32_t choice);
  int32_t background() const { return background_; }
  // One timer tick: pending look changes, change flags, values, lights.
  void tick();
  void say(const std::string& line0, const std::string& line1);
  bool learning() const { return learning_; }

  // --- undo and redo (gestures.cpp) ---------------------------------------------------
  // Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y, and the two arrows by the preset name.
  void undo();
  void redo();
  const undo_history& history() const { return history_; }
  // A right click on a parameter's control: its menu (learn or forget, default,
  // typed value, automation name). False when the control has none.
  bool open_control_menu(int32_t index, point at);
  // The value a user types into "Enter value…" for the control whose menu
  // was opened last, as its display shows values. False (and the display
  // says why) when no value prints it.
  bool enter_value(const std::string& text);
  // How many timer ticks without a wheel step end a wheel burst's step.
  static constexpr int32_t wheel_quiet_ticks = 8;

  editor_view* view() const { return view_.get(); }
  root_container* root() const { return root_.get(); }
  wnd::window* window() const { return window_.get(); }
  wnd::backend* backend() const { return backend_.get(); }
  const synth_port& port() const { return port_; }
  action_env& actions() { return *actions_; }

 private:
  void build();
  void wire();
  void wire_params();
  void wire_header();
  void wire_pages();
  void edit_route(route_row_view& rv, int32_t row);
  void param_moved(bound_control& b);
  void apply_param(bound_control& b);
  void arm_learning(int32_t index);
  void wire_gestures(control& c, const edit_scope& scope, const std::string& label);

  // A gesture: the edits between its start and its end are one undo step;
  // for a host parameter the host hears a begin and an end of edit around
  // them. One at a time: starting one ends the one before.
  void begin_gesture(control* widget, const edit_scope& scope, std::string label, bool wheel);
  void end_gesture();
  // Runs apply as part of c's open gesture, or as a gesture of its own (a
  // wheel step opens a burst that ends when the wheel rests).
  void within_gesture(control& c, const edit_scope& scope, const std::string& label, const std::function<void()>& apply);
  void step(const edit_scope& scope, const std::string& label, const std::function<void()>& apply);
  void tick_gesture();
  void after_restore(const undo_step& s);
  void announce_state_edit(const edit_scope& scope);
  void refresh_history_arrows();
  bool shortcut(event& e);
  // The control a right-click menu is open for, and how it reads and shows values.
  struct menu_target {
    control* widget = nullptr;
    int32_t learn = -1;        // the parameter a controller can be learnt for, or -1
    std::string label;         // "Filter Frequency"
    std::string automation;    // the host's name for its lane, or empty
    float def = 0.f;
    synth::value_range range{0.f, 1.f, false};
    synth::display_law law;    // the text a value shows as
  };
  bool open_menu_for(menu_target t, point at);
  void control_menu_chosen(int32_t item);
  void set_from_menu(float value);
  void presets_changed();
  void look_chosen(const menu_choice& c);
  // The View menu's value bases of its Size and Background submenus.
  static constexpr int32_t size_value_base = 1000, background_value_base = 2000;
  void apply_background(editor_view& v) const;
  static surface_palette surface_for(int32_t background);
  void apply_scale();
  float user_scale_nearest(int32_t width, int32_t height) const;
  void open_effect_view(int32_t slot);
  void refresh_effect_view();
  void check_learned();
  int32_t pcm_count() const;

  synth_port port_;
  backend_factory make_backend_;
  std::unique_ptr<wnd::backend> backend_;
  std::unique_ptr<wnd::window> window_;
  std::unique_ptr<wnd::idle_pump> pump_;
  std::unique_ptr<root_container> root_;
  std::unique_ptr<editor_view> view_;
  std::unique_ptr<action_env> actions_;
  menu_populator fillers_;
  light_state lights_;
  display_scroll scroll_;

  std::atomic<float> scale_{1.f};
  std::atomic<float> content_scale_{1.f};
  std::atomic<int32_t> background_{-1};
  std::atomic<bool> look_pending_{false};
  float built_scale_ = 0.f;        // the scale the view was built at
  int32_t built_background_ = -1;  // the colour scheme it was built in
  surface_palette surface_ = default_surface();  // that scheme's colours, set before each paint
  int32_t built_pcm_count_ = 0;    // the waveform choices it lists
  bool gradient_ = false;          // the background's vertical gradient ("Gradient Default")
  bool learning_ = false;          // waiting for the control to learn
  int32_t learn_target_ = -1;      // armed: the parameter waiting for its controller
  std::array<int32_t, 128> map_before_{};  // the controller map when learning was armed
  bool in_idle_ = false, close_pending_ = false;
  bool host_wheel_ = false;        // inside a wheel step the host sent

  struct open_gesture {
    bool open = false;
    control* widget = nullptr;
    edit_scope scope;
    std::string label;
    bool wheel = false;
    int32_t quiet_ticks = 0;
    edit_state before;
  };
  open_gesture gesture_;
  undo_history history_;
  std::unique_ptr<control_menu> control_menu_;
  menu_target menu_target_;
  // The thread that opened the window: host calls from any other are not ours to pump on.
  std::atomic<std::thread::id> editor_thread_{};
  void* parent_ = nullptr;
};

// The factory the entry point hands to the instance.
plugin::editor_object* make_synth_editor(const plugin::editor_link& link);

}  // namespace gui
