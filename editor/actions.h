// The editor's menu actions: a static tree of named entries, found by the
// lower-case path of the menu items ("load.preset", "cc map.remove"). Each
// action may ask for a file or a confirmation, sends its numbered commands
// through the synth port, and writes what happened into the display's two
// lines (line 0 what, line 1 the detail).
#pragma once

#include <functional>
#include <string>

#include "editor/synth_port.h"
#include "guilib/menu/menu_session.h"
#include "guilib/menu/populate_menu.h"
#include "guilib/view/root_container.h"
#include "guilib/widgets/ui_style.h"

namespace gui {

// What the actions reach of the editor.
struct action_env {
  const synth_port& port;
  root_container& root;
  const ui_style& style;
  std::function<void(const std::string& line0, const std::string& line1)> say;
  // After presets changed: the host re-selects the current program, the
  // controls are read again and the host is asked to update its display.
  std::function<void()> presets_changed;
  // Controller learn: the next control the user moves is offered for mapping.
  std::function<void()> start_learning;
  // An action that changes presets is one undo step: begin with the parts it
  // changes (edit_snapshot.h: edit_part), end once it is done.
  std::function<void(uint32_t parts, const std::string& label)> begin_step;
  std::function<void()> end_step;
  // Loads that replace the whole instance (states, songs) cannot be undone:
  // the history is dropped.
  std::function<void()> forget_history;
};

// One entry of the action tree: a name, a handler or children; a list ends
// with an entry whose name is null.
struct action_entry {
  const char* name;
  void (*handler)(action_env& env, const menu_choice& choice);
  const action_entry* children;
};
const action_entry* action_tree();

constexpr const char* unhandled_action_text = "Unhandled in notify_menu()";

// Runs the action of a chosen menu item: its path, or for items of a
// populated or loop list, the path of their level. False (and the display
// says so) when the tree has no handler for it.
bool notify_menu(action_env& env, const menu_choice& choice);

// The "[p]" lists of the main menu: "cc map.remove", "pcm.remove", "pcm.replace".
void add_menu_fillers(menu_populator& table, const synth_port& port);

// The confirmation every destructive action asks: "Confirm", OK and Cancel.
std::string confirmation_text(const std::string& warning);

// File-command outcomes: the loaders and writers report success as an
// empty text or one starting with "loaded" or "saved" (either case);
// anything else is the reason of a failure.
bool outcome_ok(const std::string& result);

// path with ext appended unless it already ends with it (case-sensitive).
std::string with_extension(const std::string& path, const std::string& ext);

}  // namespace gui
