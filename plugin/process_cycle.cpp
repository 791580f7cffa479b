// One processing call: pending reset, host tempo, the block split at the
// queued events' frames (MIDI and parameter changes), the render of each
// piece, slot ages, the level meter.
#include <cstring>

#include "platform/fp_mode.h"
#include "plugin/instance_parts.h"

namespace plugin {

namespace {

int32_t note_source_of(instance::note_detail what) {
  switch (what) {
    case instance::note_detail::bend_semitones: return synth::note_source::note_bend;
    case instance::note_detail::pressure: return synth::note_source::note_pressure;
    case instance::note_detail::slide: return synth::note_source::note_slide;
  }
  return synth::note_source::key;  // not a per-note source: the engine ignores it
}

}  // namespace

// While a song plays, its player steps through the piece a frame at a time
// (the voices render in runs between its changes).
void instance::render_piece(float* left, float* right, int32_t frames) {
  if (parts_->player.mode() == sequencer::player::playing) parts_->player.tick(left, right, frames);
  else parts_->engine.render(left, right, frames);
}

// One event at its frame; the engine counts MIDI timing from the previous
// MIDI message.
void instance::apply_event(const queued_event& e, int32_t frames_since_previous) {
  synth::synth& engine = parts_->engine;
  if (e.kind == queued_event::parameter) {
    set_parameter(e.index, e.value);
    return;
  }
  if (e.kind == queued_event::note_expression) {
    engine.key_expression(e.index, note_source_of(instance::note_detail(e.word)), e.value);
    return;
  }
  const int data1 = int((e.word >> 8) & 0x7F);
  if ((e.word & 0xF0) == 0xC0 && engine.flag(synth::engine_flag::use_program_change)) {
    set_program(data1);
    if (host_) host_->program_changed(data1);
  }
  engine.midi(e.word, data1, frames_since_previous);
}

void instance::process(float* left, float* right, int32_t frames, bool adding) {
  // A call without audio (Ardour sends zero-frame calls) consumes nothing:
  // its events wait for the next block instead of being lost.
  if (!left || !right || frames <= 0) return;
  parts& p = *parts_;
  synth::synth& engine = p.engine;
  platform::scoped_fp_mode fp_mode;
  if (p.reset_pending) {
    engine.reset_after_suspend();
    p.reset_pending = 0;
  }
  host_time time;
  const bool timed = host_ && host_->time(time);
  if (!adding) {
    std::memset(left, 0, sizeof(float) * size_t(frames));
    if (right != left) std::memset(right, 0, sizeof(float) * size_t(frames));
  }

  platform::scoped_lock hold(engine.engine_lock());
  if (timed && time.tempo_valid) engine.follow_host_tempo(float(time.tempo_bpm));

  int32_t pos = 0, previous = 0;
  const queued_event* events = p.events.sorted();
  const int32_t count = p.events.size();
  for (int32_t i = 0; i < count; ++i) {
    // Offsets before the current position apply here; beyond the block, at
    // its end. Events past the end are still applied (after the last frame):
    // a note-off a host misplaced must not leave a note hanging.
    const int32_t frame = events[i].frame;
    const int32_t at = frame < pos ? pos : (frame > frames ? frames : frame);
    const int32_t d = at - pos;
    if (d > 0) {
      render_piece(left + pos, right + pos, d);
      pos += d;
    }
    apply_event(events[i], at - previous);
    if (events[i].kind == queued_event::midi) previous = at;
  }
  p.events.clear();
  if (pos < frames) render_piece(left + pos, right + pos, frames - pos);
  engine.add_slot_ages(frames - previous);
  engine.run_level_meter(left, right, frames);
  if (p.reset_pending) {  // switched off while this block ran: the next one starts silent
    engine.reset_after_suspend();
    p.reset_pending = 0;
  }
}

void instance::take_events() {
  parts& p = *parts_;
  synth::synth& engine = p.engine;
  platform::scoped_lock hold(engine.engine_lock());
  const queued_event* events = p.events.sorted();
  for (int32_t i = 0; i < p.events.size(); ++i) {
    const queued_event& e = events[i];
    const uint32_t status = e.word & 0xF0;
    if (e.kind == queued_event::midi && (status == 0x80 || status == 0x90)) engine.mark_midi_activity();
    else if (e.kind != queued_event::midi || status != 0xC0) apply_event(e, 0);
  }
  p.events.clear();
}

}  // namespace plugin
