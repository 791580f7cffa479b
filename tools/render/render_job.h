// Plays a list of timed MIDI messages through a plug-in instance and collects
// the audio block by block: every event reaches the plug-in in the block that
// contains its frame, with that frame's offset as deltaFrames.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/render/level_stats.h"
#include "tools/render/midi_file.h"
#include "tools/vsthost/plugin_instance.h"

namespace render {

struct render_settings {
  int32_t sample_rate = 44100;
  int32_t block_size = 512;
  double end_seconds = 0.0;   // the song's end (at least the last event)
  double tail_seconds = 2.0;  // rendered after end_seconds
};

struct render_summary {
  int64_t frames = 0;
  int32_t sample_rate = 0;
  level_stats left, right;
  double process_seconds = 0.0;  // wall time inside the plug-in's calls
  int64_t dropped_events = 0;    // more events on one frame than a block holds

  double seconds() const { return sample_rate ? double(frames) / sample_rate : 0.0; }
  double realtime_factor() const { return process_seconds > 0.0 ? seconds() / process_seconds : 0.0; }
};

// Receives each rendered block; returning false stops the render with the
// text it put into error.
using block_sink = std::function<bool(const float* left, const float* right, int32_t frames,
                                      std::string& error)>;
using progress_sink = std::function<void(double fraction)>;

// One processing call of n frames: timed, added to the summary's levels and
// frame count, and handed to the sink (false with its error).
bool render_block(vsthost::plugin_instance& plugin, float* left, float* right, int32_t n, const block_sink& sink,
                  render_summary& summary, std::string& error);

// The instance must be created, configured with settings' rate and block
// size, and resumed. Messages must be sorted by time.
bool render_messages(vsthost::plugin_instance& plugin, const std::vector<midi::timed_message>& messages,
                     const render_settings& settings, const block_sink& sink,
                     const progress_sink& progress, render_summary& summary, std::string& error);

// One held note: on at 0, off after note_seconds.
std::vector<midi::timed_message> single_note(int32_t key, int32_t velocity, double note_seconds);

// The multi-line summary printed at the end of a render.
std::string summary_text(const render_summary& s);

}  // namespace render
