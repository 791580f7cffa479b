// What the instance hands to its editor: the engine's command function with
// its context, and the way to the host.
#pragma once

namespace synth {
class host_interface;
}

namespace plugin {

struct command_args;
using synth_command_fn = int (*)(command_args* args, void* engine, int number);

struct editor_link {
  synth_command_fn command = nullptr;
  void* context = nullptr;  // the engine
  synth::host_interface* host = nullptr;
};

}  // namespace plugin
