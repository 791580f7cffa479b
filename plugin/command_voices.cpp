// Commands 59..85: controller learn and map, unison saws, voice and slot
// displays, routes, envelope and LFO displays, meters, effect slots, the
// change flags.
#include "plugin/command_groups.h"
#include "plugin/instance_parts.h"

namespace plugin {

namespace {

constexpr int32_t gate_open_level = 8192;      // the declick gate counts as open above this
constexpr float envelope_full_scale = 1073741824.f;  // 2^30
constexpr float attack_end = 1073741823.f;     // 0x3FFFFFFF
constexpr float lfo_full_scale = 32768.f;
constexpr int32_t stage_idle = 4, stage_sustain = 2, stage_release = 3;

bool voice_valid(synth::synth& engine, int index) { return index >= 0 && index < engine.pool_size(); }

// Mono: slot 0; else the newest held note's slot, or the last slot started.
int displayed_slot(synth::synth& engine) {
  const synth::voice_allocator& va = engine.allocator();
  if (!va.polyphonic()) return 0;
  for (int i = va.stack_size() - 1; i >= 0; --i) {
    const int slot = va.slot_of(va.stack_note(i));
    if (slot >= 0) return slot;
  }
  return va.last_slot();
}

const synth::voice* displayed_voice(synth::synth& engine) {
  const int slot = displayed_slot(engine);
  return voice_valid(engine, slot) ? &engine.voice_at(slot) : nullptr;
}

// Bits 0..2 the amplifier envelope's stage, 3 key down, 4 sounding, 8..15 the note.
int32_t voice_state(const synth::voice& v) {
  const int amp = v.amp_envelope();
  const int32_t stage = amp == 0 ? (v.gated() ? stage_sustain : stage_release) : int32_t(v.env(amp - 1).stage());
  return stage | (v.gated() ? 8 : 0) | (v.active() ? 16 : 0) | (v.note() & 0xFF) << 8;
}

int voice_activity(synth::synth& engine, command_args& a) {
  if (!voice_valid(engine, a.index)) {
    a.value = 0.f;
    return -1;
  }
  const synth::voice& v = engine.voice_at(a.index);
  a.value = 0.f;
  a.number = stage_release;
  if (v.active()) {
    if (v.amp_envelope() == 0) {
      const bool open = v.declick_level() > gate_open_level;
      a.value = open ? 1.f : 0.f;
      a.number = open ? stage_sustain : stage_release;
    } else {
      const synth::envelope& e = v.env(v.amp_envelope() - 1);
      a.value = float(e.level()) / attack_end;
      a.number = e.stage();
    }
  }
  return a.number;
}

int locked_voice_command(instance& p, command_args& a, int number) {
  synth::synth& engine = p.engine();
  platform::scoped_lock hold(engine.engine_lock());
  switch (number) {
    case command::clear_cc_map: engine.controller_map().clear(); return 0;
    case command::unmap_controller: engine.controller_map().unmap(a.index); return 0;
    case command::voice_age:
      a.number = voice_valid(engine, a.index) ? engine.voice_at(a.index).samples_rendered() : 0;
      return a.number;
    case command::voice_sounding:
      a.number = voice_valid(engine, a.index) && engine.voice_at(a.index).active() ? 1 : 0;
      return a.number;
    case command::slot_count: a.number = engine.allocator().slot_count(); return a.number;
    // The allocator changes on the audio thread: its slots are read under the lock too.
    case command::last_slot: return engine.allocator().last_slot();
    case command::displayed_slot: return displayed_slot(engine);
    case command::displayed_voice_state: {
      const synth::voice* v = displayed_voice(engine);
      a.number = v ? voice_state(*v) : stage_idle;
      return a.number;
    }
    // Route edits recompute the voices' routed values: under the lock, as
    // every command that reaches into the voices.
    case command::route_row_edited:
      if (synth::route* r = engine.routes().row(a.index)) engine.routes().set_route(a.index, *r);
      return 0;
    case command::route_rows_edited: engine.routes().rebuild_routes(); return 0;
    case command::envelope_state: {
      const synth::voice* v = displayed_voice(engine);
      a.value = 0.f;
      a.number = stage_idle;
      if (!v || a.index < 0 || a.index > 1) return a.number;
      a.value = float(v->env(a.index).level()) / envelope_full_scale;
      a.number = v->env(a.index).stage();
      return a.number;
    }
    case command::voice_activity: return voice_activity(engine, a);
    case command::lfo_state: {
      const int slot = displayed_slot(engine);
      const synth::voice* v = displayed_voice(engine);
      a.value = 0.f;
      a.number = 0;
      if (!v || a.index < 0 || a.index > 1) return slot;
      const synth::lfo& l = v->mod(a.index);
      a.value = float(l.output()) / lfo_full_scale;
      a.number = (l.pulse_on() ? 1 : 0) | (l.delay_ended() ? 2 : 0);
      return slot;
    }
    default: return 0;
  }
}

}  // namespace

int voice_command(instance& p, command_args& a, int number) {
  synth::synth& engine = p.engine();
  switch (number) {
    case command::arm_learn: engine.controller_map().arm_learn(a.index); return 0;
    case command::cc_map:
      a.pointer = const_cast<platform::relaxed<int32_t>*>(engine.controller_map().entries().data());
      return 0;
    case command::saw_count: return engine.saw_count();
    case command::set_saw_count: engine.set_saw_count(a.number); return 0;
    case command::voices_rendered: return engine.voices_rendered();
    case command::held_notes: a.text = reinterpret_cast<const char*>(engine.allocator().held_flags()); return 0;
    case command::midi_activity: return engine.midi_activity() ? 1 : 0;
    case command::route_row: a.pointer = engine.routes().row(a.index); return 0;
    case command::engine_running: return engine.running() ? 1 : 0;
    case command::output_levels:
      if (auto* levels = static_cast<float*>(a.pointer)) {
        levels[0] = engine.meter_level(0);
        levels[1] = engine.meter_level(1);
      }
      return 0;
    case command::meter_active: return engine.meter_active() ? 1 : 0;
    case command::effect_slot: a.pointer = engine.effects().slot(a.index); return 0;
    case command::set_effect_slot:
      engine.effects().set_effect(a.index, a.text ? a.text : "-");
      return 0;
    case command::poll_changes:
      a.index = engine.poll_change_flags();
      return a.index;
    default: return locked_voice_command(p, a, number);
  }
}

}  // namespace plugin
