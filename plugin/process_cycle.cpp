// One host processing call: pending reset, host tempo, the block split at the
// MIDI events' frames, the render of each piece, slot ages, the level meter.
#include <cstring>

#include "platform/fp_mode.h"
#include "plugin/synth_plugin.h"

namespace plugin {

void synth_plugin::reset_engine() { engine_.reset_after_suspend(); }

// While a song plays, its player renders the piece a frame at a time.
void synth_plugin::render_piece(float* left, float* right, int32_t frames) {
  if (player_.mode() == sequencer::player::playing) player_.tick(left, right, frames);
  else engine_.render(left, right, frames);
}

void synth_plugin::process(float** inputs, float** outputs, int32_t frames, bool replacing) {
  // A call without audio (Ardour sends zero-frame calls) consumes nothing:
  // its events wait for the next block instead of being lost.
  if (!outputs || !outputs[0] || !outputs[1] || frames <= 0) return;
  platform::scoped_fp_mode fp_mode;
  if (reset_pending_) {
    reset_engine();
    reset_pending_ = 0;
  }
  const VstTimeInfo* time = nullptr;
  if (host()) time = reinterpret_cast<const VstTimeInfo*>(call_host(audioMasterGetTime, 0, -1));
  float* left = outputs[0];
  float* right = outputs[1];
  if (replacing) {
    std::memset(left, 0, sizeof(float) * size_t(frames));
    if (right != left) std::memset(right, 0, sizeof(float) * size_t(frames));
  }

  platform::scoped_lock hold(engine_.engine_lock());
  if (time && (time->flags & kVstTempoValid)) engine_.follow_host_tempo(float(time->tempo));

  int32_t pos = 0, remaining = frames, previous = 0;
  const queued_event* events = events_.sorted();
  const int32_t count = events_.size();
  for (int32_t i = 0; i < count; ++i) {
    // Offsets before the current position apply here; beyond the block, at
    // its end. Events past the end are still applied (after the last frame):
    // a note-off a host misplaced must not leave a note hanging.
    const int32_t frame = events[i].frame;
    int32_t at = frame < pos ? pos : (frame > frames ? frames : frame);
    int32_t d = at - pos;
    if (d > 0) {
      render_piece(left + pos, right + pos, d);
      pos += d;
      remaining -= d;
    }
    uint32_t word = events[i].word;
    int data1 = int((word >> 8) & 0x7F);
    if ((word & 0xF0) == 0xC0 && engine_.flag(synth::engine_flag::use_program_change)) {
      set_current_program_index(data1);
      set_program();
    }
    engine_.midi(word, data1, at - previous);
    previous = at;
  }
  events_.clear();
  if (remaining > 0) render_piece(left + pos, right + pos, remaining);
  engine_.add_slot_ages(frames - previous);
  engine_.run_level_meter(left, right, frames);
  if (reset_pending_) {  // switched off while this block ran: the next one starts silent
    reset_engine();
    reset_pending_ = 0;
  }
}

}  // namespace plugin
