// The editor's one way to the synthesizer: the numbered commands of the
// instance's command function (plugin/synth_command.h), with typed helpers for
// the ones the editor sends all the time, and the host link for what goes to
// the host (program changes, automation, window size).
//
// UI thread only. Texts the engine returns are copied out at once: the engine
// keeps them valid only until the thing they name changes.
#pragma once

#include <cstdint>
#include <string>

#include "plugin/editor_link.h"
#include "plugin/synth_command.h"
#include "synth/host_interface.h"
#include "synth/preset.h"

namespace fx {
class effect;
}
namespace synth {
struct route;
}

namespace gui {

class synth_port {
 public:
  explicit synth_port(const plugin::editor_link& link) : link_(link) {}

  // One command; 0 when there is no command function.
  int send(int number, plugin::command_args& a) const;
  int send(int number, int32_t index = 0) const;
  synth::host_interface* host() const { return link_.host; }

  // --- parameters (internal units) ---------------------------------------------
  float read(int index) const;                           // 11
  void write(int index, float internal) const;           // 12
  std::string display(int index) const;                  // 6
  std::string trial_display(int index, float internal) const;  // 7
  // "Filter Frequency": the group name (9, 10) and the table name (5).
  std::string full_name(int index) const;

  // --- presets and bank ---------------------------------------------------------------
  std::string preset_name(int program = -1) const;       // 13
  std::string preset_category(int program = -1) const;   // 15
  std::string bank_name() const;                         // 17
  int program() const;                                   // the host's current program
  // Whole bank slots, for undo (false / nothing without the instance's preset access).
  bool copy_preset(int slot, synth::preset& out) const;
  void put_preset(int slot, const synth::preset& p) const;

  // --- routes and effect slots (the engine's own records; null when absent) ---
  synth::route* route_row(int32_t row) const;            // 74
  fx::effect* effect_in_slot(int32_t slot) const;        // 83

  // --- the host's automation ---------------------------------------------------------
  // A preset parameter's internal value as the host's 0..1.
  static float normalised(int index, float internal);
  // One gesture's start and end (nothing for globals or without a host).
  void begin_edit(int index) const;
  void end_edit(int index) const;
  // The texts an engine command hands back in `text` (null becomes empty).
  static std::string text_of(const plugin::command_args& a);

 private:
  plugin::editor_link link_;
};

}  // namespace gui
