// What the instance hands to its editor: the engine's command function with
// its context, the way to the host, and the bank's presets whole (for the
// editor's undo, which keeps presets as they were before an edit).
#pragma once

namespace synth {
class host_interface;
struct preset;
}  // namespace synth

namespace plugin {

struct command_args;
using synth_command_fn = int (*)(command_args* args, void* engine, int number);

// Whole presets of the bank, copied out and put back. Putting writes every
// changed value through the engine's parameter setter (voices follow) and
// raises the display-refresh flag. UI thread only; slots outside the bank do
// nothing (copy returns false).
class preset_access {
 public:
  virtual ~preset_access() = default;
  virtual bool copy_preset(int slot, synth::preset& out) = 0;
  virtual void put_preset(int slot, const synth::preset& p) = 0;
};

struct editor_link {
  synth_command_fn command = nullptr;
  void* context = nullptr;  // the engine
  synth::host_interface* host = nullptr;
  preset_access* presets = nullptr;
};

}  // namespace plugin
