// What the player keeps for each channel of a song between rows and samples.
#pragma once

#include <array>
#include <cstdint>

#include "sequencer/commands.h"
#include "sequencer/song.h"

namespace sequencer {

// The replayer's envelope of an AHX channel: linear stages stepped once per
// tick, volumes 0..64.
struct ahx_envelope {
  enum stage_id : int32_t { attack, decay, sustain, release, done };
  int32_t stage = done;
  int32_t ticks_left = 0;
  double level = 0.0;   // 0..64
  double delta = 0.0;   // per tick in the running stage
};

// A sweep between two limits (the pulse position or the filter position),
// one step per `speed` ticks, reversing at the limits and sliding in first
// from outside them.
struct ahx_sweep {
  bool on = false;
  bool starting = false;
  bool sliding_in = false;
  int32_t sign = 1;
  int32_t position = 32;
  int32_t wait = 0;
};

struct channel_state {
  int32_t note = 60;          // channel note: the last note played plus its transpose
  int32_t program = -1;       // bank slot the voice plays
  int32_t voice_note = 60;    // the note the voice was last started at
  float l1 = 1.f, l2 = 1.f, l3 = 1.f;  // volume factors; the amplitude is their product
  float pan = 0.f;            // the channel's place when its preset has none

  // The current row's parameter after reuse, and the last non-zero
  // parameter of each command that reuses them.
  int32_t parameter = 0;
  std::array<int32_t, command_count> last_parameter{};

  // Continuous parts, in samples of the current row.
  std::array<int8_t, 6> arpeggio{};
  int32_t arpeggio_steps = 0, arpeggio_index = 0;
  double arpeggio_left = 0.0;
  float slide_from = 0.f;      // pitch offset at the row start, moving to 0
  float slide_offset = 0.f;
  double slide_progress = 2.0; // > 1: not sliding
  float l1_from = 1.f, l1_to = 1.f;
  double volume_progress = 2.0;
  double retrigger_left = 0.0, retrigger_interval = 0.0;
  int32_t retriggers_left = -1;  // -1 unlimited
  double delay_left = -1.0;      // a delayed note (13) starts when this passes 0
  cell delayed;                  // the cell whose note waits
  double release_left = -1.0;    // a delayed release (23)

  // AHX: the instrument's playlist and the replayer's per-tick state.
  const ahx_instrument* instrument = nullptr;
  int32_t playlist_position = 0, playlist_wait = 0, playlist_speed = 1;
  float playlist_pitch = 0.f;    // semitones from playlist effects 1 and 2
  int32_t playlist_note = 0;     // relative to the track note (0: the track note)
  int32_t fixed_note = -1;       // an absolute playlist note, or -1
  int32_t waveform = 1;
  int32_t octave_offset = 0;     // semitones the wavelength adds beyond the oscillator range
  ahx_envelope envelope;
  float envelope_gain = 0.f, envelope_step = 0.f;  // ramped towards the envelope's level
  int32_t envelope_ramp_left = 0;
  ahx_sweep square, filter;
  bool skip_square_command = false;  // a track 9xx set the pulse: the next playlist 3xx is skipped
  int32_t hard_cut = -1;             // ticks left until the note is cut; -1 none

  // AHX: the track's note and its per-tick commands in the replayer's units.
  int32_t track_note = 0;            // 1..60 as written (0 none yet), and the position's transpose
  int32_t track_transpose = 0;
  int32_t period_slide = 0;          // added to the note's period (1xx, 2xx, 3xx, 5xy, E1x, E2x)
  int32_t slide_speed = 0;           // period units per tick
  int32_t slide_limit = 0;           // 3xx, 5xy: where the slide stops
  bool slide_on = false, slide_to_limit = false;
  int32_t note_volume = 64;          // 0..64; L1 = note_volume / 64
  int32_t volume_up = 0, volume_down = 0;  // Axy, 5xy: note volume steps per tick
};

}  // namespace sequencer
