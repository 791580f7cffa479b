// An instance built in-process with its editor on the headless window layer,
// driven as a host drives it (dispatcher, getParameter, setParameter) and as
// a user does (mouse and keys through the headless backend). Every command
// the editor sends passes a recorder on its way to the instance's command
// function, so tests can check what an action sent.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/synth_editor.h"
#include "guilib/platform/headless/headless.h"
#include "plugin/synth_command.h"
#include "plugin/vst2/synth_plugin.h"
#include "synth/param_table.h"

namespace editor_test {

// One command as the editor sent it (the inputs, before the command ran).
struct sent {
  int number;
  int32_t index;
  float value;
  int32_t number_arg;
  std::string text;
};

// What the host was asked through its callback.
struct host_log {
  std::vector<std::pair<int32_t, float>> automated;
  // audioMasterAutomate, audioMasterBeginEdit and audioMasterEndEdit in the
  // order they came: (opcode, parameter).
  std::vector<std::pair<int32_t, int32_t>> edits;
  std::vector<std::pair<int32_t, int32_t>> window_sizes;
  int display_updates = 0;
  // Edits the editor announced as changing the state other than through a
  // host parameter (host_interface::state_edited).
  int state_edits = 0;
  bool size_window_supported = true;
};

class editor_instance {
 public:
  editor_instance();
  ~editor_instance();

  plugin::synth_plugin& plugin() { return *plugin_; }
  AEffect* effect() { return plugin_->effect(); }
  gui::synth_editor& editor() { return *static_cast<gui::synth_editor*>(plugin_->editor_object_of()); }
  gui::editor_view& view() { return *editor().view(); }
  wnd::headless& backend() { return *static_cast<wnd::headless*>(editor().backend()); }
  wnd::window& window() { return *editor().window(); }
  gui::root_container& root() { return *editor().root(); }

  intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.f);
  bool open();
  void close();
  // Time passes: the editor's timer ticks (each tick is one live update).
  void wait(uint32_t ms = gui::synth_editor::timer_ms + 1);
  float get(int32_t index) { return effect()->getParameter(effect(), index); }
  // Controller cc at value v on channel 1 from the host, then one 64-frame
  // block (which applies it) and a timer tick.
  void send_cc(int cc, int v);
  std::vector<float> all_parameters();
  std::string display(int32_t index);
  std::string line(int n);

  // --- the user --------------------------------------------------------------------------
  void click(const gui::rect& r, gui::mouse_button b = gui::mouse_button::left);
  void click_at(int32_t x, int32_t y);
  void drag(const gui::rect& r, int32_t dy);
  // Moves a parameter's widget to another value with the mouse. False when
  // the widget offers no other value.
  bool move_control(int32_t index);
  // Opens a drop-down or menu button and picks the first item (depth first)
  // whose text is `text` along the ">"-separated path of submenu texts.
  bool choose(gui::dropbox& d, const std::string& path, bool shift = false);
  // A right click (no movement) at the centre of r.
  void right_click(const gui::rect& r);
  // The menu open now (a drop-down's or a control's), or null.
  gui::menu_session* open_menu();
  // Clicks the item with this text in the open menu's top panel.
  bool choose_in_open_menu(const std::string& text);
  // The texts of the open menu's top panel, labels included, in order.
  std::vector<std::string> open_menu_texts();
  // A key with modifiers held (Ctrl+Z: key('Z', true)).
  void key(int32_t code, bool ctrl = false, bool shift = false);
  // The drawn file dialog: types a path and presses OK (Save or Open).
  bool answer_file(const std::string& path);
  bool dialog_open();
  // The drawn message box: OK or Cancel.
  bool answer_message(bool ok);
  std::string message_text();

  std::vector<sent>& commands() { return commands_; }
  std::vector<int> command_numbers() const;
  bool sent_command(int number) const;
  host_log& host() { return host_; }

  static editor_instance* current;
  // The recorder and host callback reach the instance through current.
  std::vector<sent> commands_;
  plugin::editor_link inner_;
  host_log host_;
  // Between the editor and the instance's host link: counts state edits.
  struct recorded_host final : synth::host_interface {
    synth::host_interface* inner = nullptr;
    host_log* log = nullptr;
    void set_program(int index) override { inner->set_program(index); }
    int get_program() override { return inner->get_program(); }
    bool size_window(int width, int height) override { return inner->size_window(width, height); }
    void set_parameter_automated(int index, float normalised) override {
      inner->set_parameter_automated(index, normalised);
    }
    void reload_program() override { inner->reload_program(); }
    void update_display() override { inner->update_display(); }
    void begin_edit(int index) override { inner->begin_edit(index); }
    void end_edit(int index) override { inner->end_edit(index); }
    void state_edited() override {
      ++log->state_edits;
      inner->state_edited();
    }
  } recorded_host_;

 private:
  plugin::synth_plugin* plugin_ = nullptr;
};

}  // namespace editor_test
