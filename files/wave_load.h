// WAVE files and ".wavs" lists of them into the engine's PCM list. Each
// returns an outcome text for the editor's two-line display: "Loaded wave\n
// PATH" or "Successfully loaded ..." on success, the reason otherwise.
#pragma once

#include <cstdint>
#include <string>

#include "riff/wave_reader.h"
#include "synth/engine.h"

namespace synth {

// A path ending in "wavs" is loaded as a list.
std::string load_wave(synth& engine, const std::string& path);
std::string load_wave_list(synth& engine, const std::string& path);

// Replaces PCM wave `index` with a WAVE file (never a list); the outcome
// text as load_wave gives it. An index outside the list changes nothing.
std::string replace_wave(synth& engine, int index, const std::string& path);
// Removes PCM wave `index`. Waveforms of every preset that named it become
// "-" (0); those naming a later wave follow it down one.
void remove_wave(synth& engine, int index);

// Appends the read WAVE as a new record (under the engine lock): 0, or -1
// for integer PCM other than 8 or 16 bits, -2 for other formats (an empty
// record is appended then).
int add_wave(synth& engine, const riff::wave_reader& wave);

// load_wave's reading and conversion without the list: the record and the
// outcome text ("Loaded wave\nPATH" when r is ready to add). `add_result`
// receives convert_wave's code when the file was read.
std::string read_wave_record(const std::string& path, pcm_record& r, int* add_result = nullptr);

// Frames per oscillator cycle for a sample recorded at `rate` whose unity
// pitch lies `unity_offset` semitones above middle C.
float frames_per_cycle(double rate, double unity_offset);

// A record from WAVE data: the first channel of each frame as 16 bits, loop
// and guard frames set. Returns 0, -1 or -2 as add_wave does.
int convert_wave(const riff::wave_reader& wave, pcm_record& r);

}  // namespace synth
