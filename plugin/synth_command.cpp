// The command function: numbers dispatched to the groups that implement them
// (command_params.cpp, command_files.cpp, command_voices.cpp,
// command_tuning.cpp, and the sequence commands here).
#include "plugin/synth_command.h"

#include <algorithm>
#include <cmath>

#include "plugin/command_groups.h"
#include "plugin/instance_parts.h"

namespace plugin {

namespace {

int sequence_command(instance& p, command_args& a, int number) {
  synth::synth& engine = p.engine();
  switch (number) {
    case command::load_sequence:
      return p.load_sequence(a.text, a.result);
    case command::start_stop_sequence: {
      platform::scoped_lock hold(engine.engine_lock());
      p.player().start_stop();
      return 0;
    }
    case command::sequence_loop: {
      platform::scoped_lock hold(engine.engine_lock());
      p.player().set_loop_limit(a.number < 0 ? -1 : a.number);
      return 0;
    }
    case command::ahx_separation: {
      constexpr float percent = 100.f;
      platform::scoped_lock hold(engine.engine_lock());
      if (a.number >= 0) p.player().set_stereo_separation(float(std::min(a.number, 100)) / percent);
      return int(std::lround(p.player().stereo_separation() * percent));
    }
    default:
      return 0;
  }
}

}  // namespace

int synth_command(command_args* args, void* context, int number) {
  if (!args || !context || number < 0 || number >= command_count) return 0;
  instance& p = *static_cast<instance*>(context);
  command_args& a = *args;
  if (number <= command::write_switch) return parameter_command(p, a, number);
  if (number < command::ahx_separation) return file_command(p, a, number);
  if (number <= command::sequence_loop) return sequence_command(p, a, number);
  if (number >= command::load_tuning) return tuning_command(p, a, number);
  return voice_command(p, a, number);
}


}  // namespace plugin
