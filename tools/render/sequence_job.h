// Plays a song through the plug-in's own sequence player, the way its editor
// does: the song is loaded and started with the commands the editor sends
// (56, then 58 for the loop limit) through our private vendor request, and
// rendered block by block until the player stops at the end of its last
// pass, then the tail.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "plugin/vst2/tool_request.h"
#include "tools/render/render_job.h"
#include "tools/vsthost/plugin_instance.h"

namespace render {

struct sequence_settings {
  int32_t loops = 1;            // passes through the song
  double tail_seconds = 2.0;    // rendered after the player stopped
  double max_seconds = 3600.0;  // a song that never ends stops here
  bool row_text = false;
};

struct sequence_summary {
  std::string song_name;        // the bank name the load set
  double song_seconds = 0.0;    // until the player stopped
  int32_t passes = 0;
  int64_t rows = 0;
  bool ended = false;           // the player stopped by itself
};

// One command of the editor's channel sent through our private request
// (plugin/vst2/tool_request.h); the record comes back with the results.
plugin::command_request send_command(vsthost::plugin_instance& plugin, int32_t number, const char* text = nullptr,
                                     int32_t value = 0);

// Loads `path` into the resumed instance and starts it; false with the
// plug-in's reason.
// Loads and starts the song; separation (0..100 percent) sets an AHX song's
// stereo separation, -1 leaves it.
bool start_sequence(vsthost::plugin_instance& plugin, const std::string& path, int32_t loops, int32_t separation,
                    std::string& error);

// Renders the started song; each row's text (colour bytes removed) goes to
// `rows` when settings.row_text is set.
bool render_sequence(vsthost::plugin_instance& plugin, const sequence_settings& settings, const block_sink& sink,
                     const std::function<void(const std::string&)>& rows, render_summary& summary,
                     sequence_summary& song, std::string& error);

// A row text without its colour changes (byte 12 and three colour bytes).
std::string plain_row_text(const char* text);

std::string sequence_summary_text(const sequence_summary& s);

}  // namespace render
