// A row's cells on every channel: instrument, note, command row actions, the
// note action, and the breaks and jumps of the row.
#include <algorithm>
#include <cmath>

#include "sequencer/ahx_translate.h"
#include "sequencer/ahx_voice.h"
#include "sequencer/player.h"
#include "synth/param_table.h"

namespace sequencer {

namespace {

namespace p = synth::p;

constexpr int32_t middle_c = 60;
constexpr int32_t ahx_note_offset = 23;       // AHX track note 1 (C-1) is cell note 24
constexpr float own_vibrato_semitones = 6.f;  // "vb" 255 on own files: +-6 semitones
constexpr float pitch_depth_semitones = 48.f;
constexpr int32_t fraction_of_row = 256;      // "d " and "n " parameters: 1/256 of the row

// Arpeggio patterns (semitones above the note) from the parameter's nibbles
// x (high) and y (low): "6u" 0 x y 0 x y, a step per tick at speed 6 as in
// trackers; "3u" 0 x y; "4a" 0 x y x; "6d" y x 0 y x 0; "3d" y x 0.
int32_t arpeggio_pattern(int32_t command, int32_t parameter, std::array<int8_t, 6>& out) {
  const int8_t x = int8_t(parameter >> 4), y = int8_t(parameter & 15);
  switch (command) {
    case cmd::arpeggio_6_up: out = {0, x, y, 0, x, y}; return 6;
    case cmd::arpeggio_3_up: out = {0, x, y}; return 3;
    case cmd::arpeggio_4_alternate: out = {0, x, y, x}; return 4;
    case cmd::arpeggio_6_down: out = {y, x, 0, y, x, 0}; return 6;
    default: out = {y, x, 0}; return 3;
  }
}

bool is_arpeggio(int32_t command) { return command >= cmd::arpeggio_6_up && command <= cmd::arpeggio_3_down; }

}  // namespace

void player::trigger_row() {
  song_end_ = false;
  for (int32_t j = 0; j < song_.channels; ++j) trigger_channel(j);
  if (song_.format == song_format::ahx) set_hard_cuts();
}

void player::trigger_channel(int32_t j) {
  channel_state& ch = channels_[size_t(j)];
  const cell& c = song_.at(position_, j, row_);
  const int32_t transpose = song_.positions.empty() ? 0 : song_.positions[size_t(position_)][size_t(j)].transpose;

  // Every row starts the continuous parts afresh.
  ch.arpeggio_steps = 0;
  ch.slide_progress = ch.volume_progress = 2.0;
  ch.slide_offset = 0.f;
  ch.retrigger_interval = 0.0;
  ch.delay_left = ch.release_left = -1.0;
  const bool ahx = song_.format == song_format::ahx;
  if (ahx) {  // the replayer's slides run only on their rows
    ch.slide_on = false;
    ch.volume_up = ch.volume_down = 0;
    ch.track_transpose = transpose;
  }

  if (c.instrument >= 0 && c.instrument < song_.instrument_count) {
    ch.program = c.instrument;
    engine_.sequence_load(j, c.instrument);
    ch.l1 = 1.f;
    ch.l3 = 1.f;
    if (song_.format == song_format::ahx && size_t(c.instrument) < song_.instruments.size()) {
      ch.instrument = &song_.instruments[size_t(c.instrument)];
      ahx_trigger(j);
    }
  }
  // An AHX tone portamento slides to its row's note without striking it:
  // the track note stays.
  const bool portamento = ahx && is_ahx_portamento(c);
  if (c.note == note_code::filter_trigger) {
    ch.note = middle_c;
  } else if (c.note >= 0 && !portamento) {
    ch.note = std::clamp(c.note + transpose, 0, 127);
    if (ahx) ch.track_note = c.note - ahx_note_offset;
  }

  const synth::preset& preset = engine_.program(std::clamp(ch.program, 0, synth::bank_size - 1));
  if (preset.get(p::panning) == 0.f) engine_.sequence_param(j, p::panning, ch.pan);
  engine_.sequence_param(j, p::pitch_mod_a, preset.get(p::pitch_mod_a));
  if (c.command != cmd::glide || ahx) {
    engine_.sequence_param(j, p::glide_mode, preset.get(p::glide_mode));
    engine_.sequence_param(j, p::glide_time, preset.get(p::glide_time));
  }

  ch.parameter = c.parameter;
  if (c.command >= 0 && c.command < command_count && command_reuses_parameter(c.command)) {
    int32_t& last = ch.last_parameter[size_t(c.command)];
    if (c.parameter != 0) last = c.parameter;
    ch.parameter = last;
  }
  if (!ahx || !ahx_row_action(j, c)) row_action(j, c);
  if (portamento) {
    // An instrument on the row restarts at the note that sounds; a bare
    // note does nothing but aim the slide.
    cell restart = c;
    restart.note = c.instrument >= 0 ? ch.note : note_code::none;
    note_action(j, restart);
  } else if (c.command == cmd::note_delay && ch.parameter > 0 && c.note != note_code::none) {
    ch.delay_left = row_length_ * double(ch.parameter) / fraction_of_row;  // the note waits (sample_step.cpp)
    ch.delayed = c;
  } else {
    note_action(j, c);
  }
  apply_shape(j);
}

void player::restore(int32_t j, int32_t index) {
  const synth::preset& preset = engine_.program(std::clamp(channels_[size_t(j)].program, 0, synth::bank_size - 1));
  engine_.sequence_param(j, index, preset.get(index));
}

void player::row_action(int32_t j, const cell& c) {
  channel_state& ch = channels_[size_t(j)];
  const int32_t v = ch.parameter;
  const bool ahx = song_.format == song_format::ahx;
  if (is_arpeggio(c.command)) {
    ch.arpeggio_steps = arpeggio_pattern(c.command, v, ch.arpeggio);
    ch.arpeggio_index = 0;
    ch.arpeggio_left = row_length_ / ch.arpeggio_steps;
    return;
  }
  switch (c.command) {
    case cmd::restore_env_a_attack_decay: restore(j, p::env_a_attack); restore(j, p::env_a_decay); break;
    case cmd::restore_env_a_sustain_release: restore(j, p::env_a_sustain); restore(j, p::env_a_release); break;
    case cmd::restore_env_b_attack_decay: restore(j, p::env_b_attack); restore(j, p::env_b_decay); break;
    case cmd::restore_env_b_sustain_release: restore(j, p::env_b_sustain); restore(j, p::env_b_release); break;
    case cmd::volume: ch.l1 = float(v) / 255.f; break;
    case cmd::speed_swing:
      if (v >> 4) speed_ = v >> 4;
      swing_ = v & 15;
      break;
    case cmd::restore_cutoff: restore(j, p::filter_frequency); break;
    case cmd::pitch_up:
    case cmd::pitch_down: {
      const int32_t step = c.command == cmd::pitch_up ? v : -v;
      ch.note = std::clamp(ch.note + step, 0, 127);
      ch.slide_from = float(-step);  // the sounding pitch starts where it was
      ch.slide_offset = ch.slide_from;
      ch.slide_progress = 0.0;
      break;
    }
    case cmd::glide: {
      const synth::preset& preset = engine_.program(std::clamp(ch.program, 0, synth::bank_size - 1));
      // A program without glide glides "Log" for this row, its time from
      // the (remembered) parameter: AHX tone portamento lands here.
      const bool has = preset.get(p::glide_mode) > 0.f;
      engine_.sequence_param(j, p::glide_mode, has ? preset.get(p::glide_mode) : 1.f);
      engine_.sequence_param(j, p::glide_time, has ? preset.get(p::glide_time) : float(v) / 255.f);
      break;
    }
    case cmd::vibrato:
      restore(j, p::mod_a_rate);
      engine_.sequence_param(j, p::pitch_mod_a,
                             ahx ? ahx_voice::vibrato_pitch_depth(v)
                                 : float(v) / 255.f * own_vibrato_semitones / pitch_depth_semitones);
      break;
    case cmd::restore_width:
      restore(j, p::osc_a_width);
      if (ahx && v >= 128 && ch.instrument) {  // 9xx: the pulse position at once
        ch.square.position = ((v - 128) * 2) / ahx_voice::square_step(ch.instrument->wavelength);
        ch.skip_square_command = true;
        apply_square(j);
      }
      break;
    case cmd::all_volumes:
      for (int32_t k = 0; k < song_.channels; ++k) {
        channels_[size_t(k)].l2 = float(v) / 255.f;
        if (k < j) apply_shape(k);  // later channels apply theirs when triggered
      }
      break;
    case cmd::note_off: ch.release_left = row_length_ * double(v) / fraction_of_row; break;
    case cmd::cutoff: engine_.sequence_param(j, p::filter_frequency, float(v) / 255.f); break;
    case cmd::pan: engine_.sequence_param(j, p::panning, std::clamp((float(v) - 128.f) / 127.f, -1.f, 1.f)); break;
    case cmd::restore_resonance: restore(j, p::filter_resonance); break;
    case cmd::retrigger:
    case cmd::retrigger_2:
      if (v >> 4) {
        ch.retrigger_interval = row_length_ / double(v >> 4);
        ch.retrigger_left = ch.retrigger_interval;
        ch.retriggers_left = v & 8 ? (v & 7) + 1 : -1;
      }
      break;
    case cmd::volume_slide: {
      const int32_t hi = v >> 4, lo = v & 15;
      ch.l1_from = ch.l1;
      ch.l1_to = std::clamp(ch.l1 + float(hi ? hi : -lo) / 15.f, 0.f, 1.f);
      ch.volume_progress = 0.0;
      break;
    }
    case cmd::tempo:
      tempo_ = std::clamp(v, 1, 255);
      if (engine_.tempo() != float(tempo_)) engine_.set_tempo(float(tempo_));
      break;
    case cmd::channel_volume: ch.l2 = float(v) / 255.f; break;
    case cmd::restore_panning: restore(j, p::panning); break;
    case cmd::restore_filter_env_b: restore(j, p::filter_env_b); break;
    case cmd::set_speed:
      // Any speed from 1 (AHX songs use more than the 15 a stored header holds).
      if (v == 0 && ahx) song_end_ = true;  // F00: the replayer's end of the song
      else speed_ = std::max(v, 1);
      break;
    default: break;  // breaks and jumps act in the row step; the rest only show
  }
}

void player::note_action(int32_t j, const cell& c) {
  if (c.note == note_code::filter_trigger) {
    restore(j, p::filter_trigger);
    start_note(j, true);
  } else if (c.note >= 0) {
    start_note(j, c.retrigger != 0);
  } else if (c.note == note_code::release) {
    engine_.sequence_release(j);
  } else if (c.note == note_code::cut) {
    engine_.sequence_cut(j);
  }
}

void player::start_note(int32_t j, bool retrigger) {
  channel_state& ch = channels_[size_t(j)];
  ch.voice_note = std::clamp(ch.note + ch.octave_offset, 0, 127);
  if (ch.instrument && retrigger) ch.playlist_pitch = 0.f;
  engine_.sequence_start(j, ch.voice_note, retrigger);
}

// Breaks (11) and jumps (35) of every channel: the first one acts. A break
// goes to the next position at the given row (a row past the pattern: row
// 0); a jump to its position, row 0. Reaching the song's length is its end,
// and so is a jump back (to this position or an earlier one): the song has
// played through and loops from there, once this row has played. F00 in an
// AHX module ends it at once, as the replayer stops there.
bool player::scan_jumps() {
  const int32_t length = song_.length();
  if (song_end_) {
    end_of_pass(song_.restart, 0);
    jump_ = true;
    return true;
  }
  int32_t hundreds = 0;
  for (int32_t j = 0; j < song_.channels; ++j) {
    const cell& c = song_.at(position_, j, row_);
    if (c.command == cmd::position_hundreds) hundreds = c.parameter;
  }
  for (int32_t j = 0; j < song_.channels && !jump_; ++j) {
    const cell& c = song_.at(position_, j, row_);
    int32_t target = -1, next_row = 0;
    if (c.command == cmd::pattern_break) {
      target = position_ + 1;
      next_row = c.parameter < song_.rows_per_pattern ? c.parameter : 0;
    } else if (c.command == cmd::position_jump) {
      target = song_.format == song_format::ahx ? c.parameter + 100 * hundreds : c.parameter + 1;
    } else {
      continue;
    }
    jump_ = true;
    if (target >= length || target <= position_) {  // the pass ends once this row has played
      pass_ends_ = true;
      pass_next_position_ = target >= length ? song_.restart : target;
      pass_next_row_ = next_row;
    } else {
      position_ = target;
      row_ = next_row;
    }
  }
  return jump_;
}

// AHX hard cut: an instrument with a hard-cut length h cuts its note h ticks
// before the next row when that row (this channel's, the next position's
// row 0 after the last) brings an instrument: max(0, speed - h) ticks into
// this row.
void player::set_hard_cuts() {
  const bool last_row = row_ + 1 >= song_.rows_per_pattern;
  const int32_t next_position = last_row ? (position_ + 1 < song_.length() ? position_ + 1 : song_.restart) : position_;
  const int32_t next_row = last_row ? 0 : row_ + 1;
  for (int32_t j = 0; j < song_.channels; ++j) {
    channel_state& ch = channels_[size_t(j)];
    ch.hard_cut = -1;
    if (!ch.instrument || ch.instrument->hard_cut_ticks <= 0) continue;
    if (song_.at(next_position, j, next_row).instrument < 0) continue;
    ch.hard_cut = std::max(0, speed_ - ch.instrument->hard_cut_ticks);
  }
}

}  // namespace sequencer
