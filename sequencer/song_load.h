// Loading a song from a file in memory: "KVX1" and "KVX2" sequence files and
// AHX modules ("THX", versions 0 and 1). Parsing changes nothing outside its
// result: the caller stops playback and applies the result to the instance
// (bank presets, PCM waves, the song) only when the data was understood.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "sequencer/song.h"
#include "synth/dsp/pcm_record.h"
#include "synth/preset.h"

namespace sequencer {

// What a file brings besides its song.
struct song_load {
  song tune;
  bool fills_bank = false;      // every bank slot becomes the factory Init first (AHX)
  std::vector<std::pair<int32_t, synth::preset>> presets;  // bank slot, preset
  bool replaces_pcms = false;   // the PCM list is cleared, then `pcms` added
  std::vector<synth::pcm_record> pcms;
};

// What the instance holds that a load starts from.
struct load_context {
  synth::preset init;           // the user's init preset: instruments start from it
  int32_t pcm_count = 0;        // waves loaded now (instruments may name the last ones)
};

constexpr int load_ok = 0;
constexpr int load_unknown = 1;  // not a sequence format we read, or damaged beyond use
constexpr int load_cut_short = 2;  // an AHX module whose positions or tracks the data ends within

// 0 with `out` filled, or 1 or 2 (out then holds nothing usable).
int parse_song(const uint8_t* data, size_t size, const load_context& context, song_load& out);

// The formats, each from its first byte on (the magic included).
int parse_kvx1(const uint8_t* data, size_t size, song_load& out);
int parse_kvx2(const uint8_t* data, size_t size, const load_context& context, song_load& out);
int parse_ahx(const uint8_t* data, size_t size, const load_context& context, song_load& out);

}  // namespace sequencer
