// Commands 86..90: the tuning and the MPE switch.
#include "files/tuning_files.h"
#include "plugin/command_groups.h"
#include "plugin/instance_parts.h"

namespace plugin {

int tuning_command(instance& p, command_args& a, int number) {
  synth::synth& engine = p.engine();
  switch (number) {
    case command::load_tuning:
      a.result = a.text && *a.text ? files::load_tuning_file(a.text, engine) : std::string("No file");
      engine.raise_display_refresh();
      return a.result.empty() ? 0 : 1;
    case command::reset_tuning:
      engine.reset_tuning();
      return 0;
    case command::tuning_name:
      put_text_out(a, engine.tuning_name().c_str());
      return engine.tuned() ? 1 : 0;
    case command::mpe:
      return engine.mpe() ? 1 : 0;
    case command::set_mpe:
      engine.set_mpe(a.number != 0);
      return 0;
    default:
      return 0;
  }
}

}  // namespace plugin
