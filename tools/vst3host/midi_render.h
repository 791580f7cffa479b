// A MIDI file played through a started VST 3 instrument, block by block,
// each message at its frame; the audio kept in memory or written as WAV.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/render/midi_file.h"
#include "tools/vst3host/plugin3.h"

namespace vst3host {

struct stereo_audio {
  std::vector<float> left;
  std::vector<float> right;
};

// The song plus tail_seconds after its end, at the plug-in's block size.
bool render_song(plugin3& plugin, const midi::song& song, double sample_rate, double tail_seconds,
                 stereo_audio& out, std::string& error);
bool write_wav(const std::string& path, const stereo_audio& audio, int32_t sample_rate, std::string& error);

}  // namespace vst3host
