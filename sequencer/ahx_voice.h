// How an AHX channel's sound is put onto our voice: the replayer's waveforms,
// wave lengths, pulse positions, filter positions, vibrato and envelope as
// preset values. Shared by the presets made at load time and the player,
// which changes the same values on a voice as playlists and modulations run.
//
// The replayer plays looped waves of L = 4 << n samples (n the wavelength),
// so its pitch is PAL clock / (period * L): n = 3 (32 samples) sounds at the
// written note, every step of n below is an octave up.
#pragma once

#include <cstdint>

#include "sequencer/song.h"

namespace sequencer::ahx_voice {

constexpr float replayer_tick_hz = 50.f;  // one replayer tick per 20 ms, times the speed multiplier

struct param_value {
  int32_t index;
  float value;
};
constexpr int max_setup_values = 10;
struct param_list {
  param_value values[max_setup_values];
  int count = 0;
  void add(int32_t index, float value) { values[count++] = {index, value}; }
};

// Osc "Range" (0..4) for a wavelength, and the semitones the player adds to
// the notes where the range cannot reach (wavelength 0: three octaves up).
int32_t range_of(int32_t wavelength);
int32_t octave_offset(int32_t wavelength);

// The oscillator set-up of a playlist waveform (1 triangle, 2 sawtooth,
// 3 square, 4 noise): waveforms, mixer levels and the range. The noise plays
// as oscillator B's random staircase five octaves above the note (four
// random steps per cycle): the replayer steps through its noise table at the
// rate its period gives, 32 steps per note cycle, so its noise, too, follows
// the note. 0 adds nothing.
param_list waveform_setup(int32_t waveform, int32_t wavelength);

// Osc A "Width" for a pulse position (0..63, duty position / 64), coarsened
// to the wave length as the replayer's square tables are (1 step of
// 2^(5 - n) / 64 duty); positions above 32 play the mirrored duty, which
// sounds the same.
float square_width(int32_t position, int32_t wavelength);
int32_t square_step(int32_t wavelength);  // positions per table step

// Filter position (1..31 low-pass, 1 strongest; 33..63 high-pass, 63
// strongest; 32 or 0 off): the main filter's "Mode" and "Frequency", its
// "Keytrack" full. The replayer filters each wave with a state-variable
// filter of coefficient f = (8 + 3 i) / 80 (i = strength step 0..30) at the
// wave's own sample rate L * pitch, so the cutoff sits at a fixed multiple
// of the note, L * asin(f / 2) / pi; we put it there at note 60.
struct filter_setting {
  int32_t mode = 0;
  float frequency = 0.f;
};
filter_setting filter_of(int32_t position, int32_t wavelength);

// Vibrato: the replayer adds sine * depth / 128 (sine peak 255) to the
// period every tick and moves speed / 64 of a cycle per tick. As Mod A
// (sine, low range, keysync) on "Pitch Mod A": the depth in semitones at a
// middle period (340, near E-3), the rate in Hz, the delay.
float vibrato_pitch_depth(int32_t depth);  // "Pitch Mod A"
float vibrato_rate(int32_t speed, float tick_hz);  // "Mod A Rate" (Low range)
float lfo_delay(int32_t ticks, float tick_hz);     // "Mod A Delay"

// Pitch: the replayer plays a note as an Amiga period (table index 1 = C-1
// .. 60 = B-5; the track note plus transpose plus the playlist's relative
// note), moved by the track's slides in period units and kept within
// 113..3424; the wave sounds at PAL clock / (period * 32 samples) at the
// nominal wavelength. The table's periods are rounded, so its notes are not
// quite tempered: C-3 (856) sounds 129.478 Hz where tempered C3 is 130.813.
constexpr int32_t min_period = 113, max_period = 3424;
int32_t period_of(int32_t index);  // index clamped to 0..60; index 0 reads as the lowest note
// The note number (fractional; 69 = A4 = 440 Hz) a period sounds at the
// nominal wavelength.
double note_of_period(int32_t period);

// The replayer's loudness: a channel's sample (-128..127) times its volume
// (0..64) / 64, two channels summed on each side into a full scale of two
// full-volume channels. A full-volume channel on its side therefore peaks at
// 128 / 256 of full scale: -6.02 dBFS for a square, and four channels at full
// volume never clip.
constexpr double channel_full_scale = 128.0 / 256.0;
// What the voice path makes of a full-scale pulse at "Volume" 0 dB (the
// value below), mixer level 0 dB, a gain of 1 and hard panning: 1.411 (+3.0
// dB, measured) on its side, times "Master Volume" at its default (-18 dB).
// AHX songs play at the replayer's level at that Master Volume and follow it
// from there.
constexpr double voice_full_scale = 1.411 * 0.125893;
constexpr float unity_volume = 0.75f;  // "Volume" at 0 dB

// The stereo separation of AHX songs (0 = mono .. 1 = the replayer's hard
// panning, channels 0 and 3 left, 1 and 2 right): the "Panning" of channel j.
float channel_pan(int32_t channel, float separation);
// The voices pan with a law whose two sides add up to more than 1 away from
// the sides (1.41 in the middle); an AHX channel's gain is divided by that
// sum, so a channel keeps the replayer's total level at any separation and
// four full channels stay within full scale.
float pan_law_sum(float pan);

// The replayer's linear envelope as Env A for notes played from MIDI: the
// attack to the higher of the attack and decay volumes, the decay to the
// decay volume; exponential stages take 1.8 times the linear length to fall
// to the same -20 dB point.
float attack_value(int32_t ticks, float tick_hz);
float decay_value(int32_t ticks, float tick_hz);

}  // namespace sequencer::ahx_voice
