// Every frame between rows: the replayer tick of the playlists, then each
// channel's continuous command (arpeggio steps, pitch and volume slides,
// retriggers, delayed notes and releases) and the envelope ramps.
#include <algorithm>

#include "sequencer/player.h"

namespace sequencer {

void player::sample_step() {
  tick_left_ -= 1.0;
  const bool replayer_tick = tick_left_ < 0.0;
  if (replayer_tick) tick_left_ += tick_length();
  for (int32_t j = 0; j < song_.channels; ++j) {
    if (replayer_tick && channels_[size_t(j)].instrument) ahx_tick(j);
    continuous(j);
  }
}

void player::continuous(int32_t j) {
  channel_state& ch = channels_[size_t(j)];
  bool shape = false;
  if (ch.arpeggio_steps > 0 && (ch.arpeggio_left -= 1.0) <= 0.0) {
    ch.arpeggio_index = (ch.arpeggio_index + 1) % ch.arpeggio_steps;
    ch.arpeggio_left += row_length_ / ch.arpeggio_steps;
    shape = true;
  }
  if (ch.slide_progress <= 1.0) {
    ch.slide_progress += inverse_row_;
    ch.slide_offset = ch.slide_progress <= 1.0 ? ch.slide_from * float(1.0 - ch.slide_progress) : 0.f;
    shape = true;
  }
  if (ch.volume_progress <= 1.0) {
    ch.volume_progress += inverse_row_;
    const double t = std::min(ch.volume_progress, 1.0);
    ch.l1 = float(ch.l1_from + (ch.l1_to - ch.l1_from) * t);
    shape = true;
  }
  if (ch.retrigger_interval > 0.0 && (ch.retrigger_left -= 1.0) <= 0.0) {
    ch.retrigger_left += ch.retrigger_interval;
    if (ch.retriggers_left != 0) {
      if (ch.retriggers_left > 0) --ch.retriggers_left;
      if (ch.instrument) ahx_trigger(j);
      start_note(j, true);
      shape = true;
    }
  }
  if (ch.delay_left >= 0.0 && (ch.delay_left -= 1.0) < 0.0) {
    note_action(j, ch.delayed);
    shape = true;
  }
  if (ch.release_left >= 0.0 && (ch.release_left -= 1.0) < 0.0) engine_.sequence_release(j);
  if (ch.envelope_ramp_left > 0) {
    ramp_envelope(j);
    shape = true;
  }
  if (shape) apply_shape(j);
}

// The voice's amplitude L1 L2 L3 (times the replayer's envelope and the
// channel's level on AHX channels) and its pitch offset from the note it was
// started at (on AHX channels from the replayer's period).
void player::apply_shape(int32_t j) {
  const channel_state& ch = channels_[size_t(j)];
  float gain = ch.l1 * ch.l2 * ch.l3;
  float pitch = float(ch.note);
  if (ch.instrument) {  // AHX: the replayer's period and loudness
    gain *= ch.envelope_gain * ahx_channel_gain(j);
    pitch = float(ahx_pitch(j)) + ch.playlist_pitch + float(ch.octave_offset);
  }
  if (ch.arpeggio_steps > 0) pitch += ch.arpeggio[size_t(ch.arpeggio_index)];
  pitch += ch.slide_offset;
  engine_.sequence_shape(j, gain, pitch - float(ch.voice_note));
}

}  // namespace sequencer
