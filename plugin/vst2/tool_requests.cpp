// The private vendor requests of our tools (plugin/vst2/tool_request.h).
#include <cstdio>

#include "fx/chain.h"
#include "plugin/synth_command.h"
#include "plugin/vst2/synth_plugin.h"
#include "plugin/vst2/tool_request.h"
#include "sequencer/player.h"
#include "synth/engine.h"

namespace plugin {

namespace {

// Slot request: 1 when the slot holds an effect afterwards (or the parameter
// exists), 0 otherwise. Runs on the host's user-interface thread, like the
// editor's slot commands.
intptr_t fx_slot(synth::synth& engine, fx_slot_request& r) {
  fx::chain& chain = engine.effects();
  if (r.slot < 0 || r.slot >= fx::chain::slot_count) return 0;
  if (r.parameter < 0) {
    if (!chain.set_effect(r.slot, r.name ? r.name : "-")) {
      copy_text(r.display, "-", sizeof r.display);
      return 0;
    }
    copy_text(r.display, chain.slot(r.slot)->name(), sizeof r.display);
    return 1;
  }
  fx::effect* e = chain.slot(r.slot);
  if (!e || r.parameter >= e->param_count()) return 0;
  e->set_value(r.parameter, r.value);
  char shown[fx_slot_request::display_capacity];
  e->format_value(r.parameter, shown, sizeof shown);
  std::snprintf(r.display, sizeof r.display, "%.20s = %.40s", e->desc(r.parameter).name, shown);
  return 1;
}

intptr_t run_command(instance& p, command_request& r) {
  command_args a;
  a.index = r.index;
  a.value = r.value;
  a.number = r.number;
  a.text = r.text;
  a.text_out = r.text_out;
  r.returned = synth_command(&a, &p, r.command);
  if (a.text && a.text != r.text && !r.text_out[0]) copy_text(r.text_out, a.text, sizeof r.text_out);
  copy_text(r.result, a.result.c_str(), sizeof r.result);
  r.index = a.index;
  r.value = a.value;
  r.number = a.number;
  return 1;
}

intptr_t sequence_status(instance& p, sequence_status_request& r) {
  platform::scoped_lock hold(p.engine().engine_lock());
  const sequencer::player& player = p.player();
  r.mode = player.mode();
  r.position = player.position();
  r.row = player.row();
  r.loop_count = player.loop_count();
  r.rows_played = player.rows_played();
  r.has_text = player.row_text_of(r.row_wanted, r.text, sizeof r.text) ? 1 : 0;
  return 1;
}

// The editor's off-screen drawing for vorn-render --editor-shot.
intptr_t editor_shot(editor_object* editor, editor_shot_request& r) {
  if (!editor) return 0;
  return editor->draw_offscreen(r.scale, r.page, r.pixels, size_t(r.capacity), r.width, r.height) ? 1 : 0;
}

}  // namespace

intptr_t synth_plugin::vendor_specific(int32_t index, intptr_t value, void* ptr, float) {
  if (index != tool_request_index || !ptr) return 0;
  if (value == fx_slot_request_value) return fx_slot(engine(), *static_cast<fx_slot_request*>(ptr));
  if (value == command_request_value) return run_command(*instance_, *static_cast<command_request*>(ptr));
  if (value == sequence_status_value) return sequence_status(*instance_, *static_cast<sequence_status_request*>(ptr));
  if (value == editor_shot_request_value)
    return editor_shot(instance_->editor(), *static_cast<editor_shot_request*>(ptr));
  return 0;
}

}  // namespace plugin
