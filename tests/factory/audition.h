// Plays factory sounds through vorn.so as a host does (a fresh instance per
// sound, the sound's state or the factory bank through the bank chunk, the
// program selected) and measures what a sound designer checks first: the
// peak, the loudness of a phrase, the offset, and how long the tail rings.
#pragma once

#include <string>
#include <vector>

#include "tools/factory/sound_index.h"
#include "tools/render/midi_file.h"

namespace factory_test {

// One row of the builder's sounds.tsv.
using factory_sound = factory::sound_row;

// The built factory folder (build/.../assets/factory), its bank and index.
std::string factory_dir();
std::string factory_bank();
std::vector<factory_sound> read_sound_index();

// The quiet the tail must reach: -80 dBFS in every 512-frame block.
constexpr double silence = 1e-4;

struct audition_result {
  std::string error;         // non-empty when the sound could not be played
  bool finite = true;
  double peak = 0.0;         // largest |sample| of either channel, whole render
  double notes_rms = 0.0;    // RMS of both channels while the notes play (0 .. notes_end)
  double gated_rms = 0.0;    // the same over the 400 ms blocks no more than 10 dB below it
                             // (the gating of ITU-R BS.1770, without its weighting)
  double dc[2] = {0.0, 0.0}; // mean of each channel over the whole render
  double tail_seconds = -1;  // from notes_end until the output stays below silence;
                             // negative when it still rang at the end of the render
};

struct audition_request {
  std::string state;             // a .vornstate to load, or empty
  std::string bank;              // else a .vornbank to load
  int program = 0;
  std::vector<midi::timed_message> messages;
  double notes_end = 0.0;        // the last note-off
  double max_tail = 8.0;         // seconds rendered after it at most
};

// Renders until the tail has been silent for half a second, or max_tail.
audition_result audition(const audition_request& request);

// The request for a sound of the bank: its state when it has one.
audition_request request_for(const factory_sound& s);

// Drums play in drum mode, where a key selects the sound: each sits at the
// key 24 above its slot and sounds at one pitch.
bool plays_in_drum_mode(const factory_sound& s);
int drum_key(const factory_sound& s);
// The messages with every note moved to `key`; notes that then coincide
// (a chord) become one strike.
std::vector<midi::timed_message> on_one_key(const std::vector<midi::timed_message>& messages, int key);

}  // namespace factory_test
