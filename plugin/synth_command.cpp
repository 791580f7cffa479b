// The command function: numbers dispatched to the groups that implement them
// (command_params.cpp, command_files.cpp, command_voices.cpp,
// command_tuning.cpp, and the sequence commands here).
#include "plugin/synth_command.h"

#include <algorithm>
#include <cmath>

#include "plugin/command_groups.h"
#include "plugin/instance_parts.h"
#include "plugin/live_readings.h"

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

// Whether command `number` with these arguments changes what the state
// holds other than a host parameter (those travel as parameters).
bool edits_state(const command_args& a, int number) {
  switch (number) {
    case command::write_param:
      return a.index >= instance::param_count;
    case command::set_preset_name: case command::set_preset_category: case command::set_bank_name:
    case command::write_switch: case command::load_preset: case command::load_bank: case command::load_state:
    case command::load_cc_map: case command::load_wave: case command::clear_waves: case command::load_init_preset:
    case command::load_reset_preset: case command::factory_init: case command::factory_reset:
    case command::load_start_bank: case command::load_start_state: case command::fill_with_init:
    case command::fill_with_preset: case command::gm_melodic_names: case command::gm_drum_names:
    case command::sort_bank: case command::randomise_preset: case command::replace_wave: case command::remove_wave:
    case command::load_sequence: case command::sequence_loop: case command::clear_cc_map:
    case command::unmap_controller: case command::set_saw_count: case command::route_row_edited:
    case command::route_rows_edited: case command::set_effect_slot: case command::load_tuning:
    case command::reset_tuning: case command::set_mpe:
      return true;
    case command::ahx_separation:
      return a.number >= 0;
    default:
      return false;
  }
}

int dispatch(instance& p, command_args& a, int number) {
  if (number <= command::write_switch) return parameter_command(p, a, number);
  if (number < command::ahx_separation) return file_command(p, a, number);
  if (number <= command::sequence_loop) return sequence_command(p, a, number);
  if (number >= command::load_tuning) return tuning_command(p, a, number);
  return voice_command(p, a, number);
}

}  // namespace

int synth_command(command_args* args, void* context, int number) {
  if (!args || !context || number < 0 || number >= command_count) return 0;
  instance& p = *static_cast<instance*>(context);
  command_args& a = *args;
  int live = 0;
  if (p.live() && answer_live(*p.live(), a, number, live)) return live;
  const int result = dispatch(p, a, number);
  if (edits_state(a, number)) p.host_link().state_edited();
  return result;
}


}  // namespace plugin
