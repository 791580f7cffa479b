#include "tools/render/sequence_job.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "plugin/synth_command.h"
#include "plugin/vst2/tool_request.h"

namespace render {

namespace {

constexpr char colour_code = 12;
constexpr int colour_bytes = 3;

plugin::sequence_status_request status(vsthost::plugin_instance& plugin, uint64_t row) {
  plugin::sequence_status_request r;
  r.row_wanted = row;
  plugin.dispatch(effVendorSpecific, plugin::tool_request_index, plugin::sequence_status_value, &r);
  return r;
}

// Hands every row played since `next` to `rows`; rows that scrolled out of
// the player's history are counted instead.
void pass_rows(vsthost::plugin_instance& plugin, uint64_t& next, uint64_t played,
               const std::function<void(const std::string&)>& rows) {
  for (; next < played; ++next) {
    const plugin::sequence_status_request r = status(plugin, next);
    rows(r.has_text ? plain_row_text(r.text) : "(row " + std::to_string(next) + " not kept)");
  }
}

}  // namespace

plugin::command_request send_command(vsthost::plugin_instance& plugin, int32_t number, const char* text,
                                     int32_t value) {
  plugin::command_request r;
  r.command = number;
  r.text = text;
  r.number = value;
  plugin.dispatch(effVendorSpecific, plugin::tool_request_index, plugin::command_request_value, &r);
  return r;
}

std::string plain_row_text(const char* text) {
  std::string out;
  for (const char* c = text; *c; ++c) {
    if (*c == colour_code) {
      for (int k = 0; k < colour_bytes && c[1]; ++k) ++c;
      continue;
    }
    out += *c;
  }
  return out;
}

bool start_sequence(vsthost::plugin_instance& plugin, const std::string& path, int32_t loops, int32_t separation,
                    std::string& error) {
  const plugin::command_request load = send_command(plugin, plugin::command::load_sequence, path.c_str(), 0);
  if (load.returned != plugin::sequence_load_result::loaded) {
    error = "cannot play " + path + ": " + (load.result[0] ? load.result : "load failed") + " (command 56 returned " +
            std::to_string(load.returned) + ")";
    return false;
  }
  send_command(plugin, plugin::command::sequence_loop, nullptr, loops - 1);
  if (separation >= 0) send_command(plugin, plugin::command::ahx_separation, nullptr, separation);
  return true;
}

bool render_sequence(vsthost::plugin_instance& plugin, const sequence_settings& settings, const block_sink& sink,
                     const std::function<void(const std::string&)>& rows, render_summary& summary,
                     sequence_summary& song, std::string& error) {
  const int32_t rate = summary.sample_rate;
  const int32_t block = plugin.block_size();
  const int64_t limit = int64_t(settings.max_seconds * rate);
  const int64_t tail = int64_t(settings.tail_seconds * rate);
  song.song_name = send_command(plugin, plugin::command::bank_name, nullptr, 0).text_out;
  std::vector<float> left(static_cast<size_t>(block)), right(static_cast<size_t>(block));
  int64_t ended_at = -1;
  uint64_t next_row = 0;
  int32_t passes = 1;
  for (int64_t frame = 0; frame < limit && (ended_at < 0 || frame < ended_at + tail);) {
    const int32_t n = int32_t(std::min<int64_t>(block, limit - frame));
    if (!render_block(plugin, left.data(), right.data(), n, sink, summary, error)) return false;
    frame += n;
    const plugin::sequence_status_request s = status(plugin, 0);
    if (settings.row_text && rows) pass_rows(plugin, next_row, s.rows_played, rows);
    song.rows = int64_t(s.rows_played);
    passes = std::max(passes, s.loop_count);
    if (ended_at < 0 && s.mode == 0) ended_at = frame;
  }
  song.ended = ended_at >= 0;
  song.song_seconds = double(song.ended ? ended_at : summary.frames) / rate;
  song.passes = song.ended ? passes - 1 : passes;
  return true;
}

std::string sequence_summary_text(const sequence_summary& s) {
  char buf[256];
  std::snprintf(buf, sizeof buf, "song \"%s\": %d pass%s, %lld rows, %.3f s until the player %s\n", s.song_name.c_str(),
                int(s.passes), s.passes == 1 ? "" : "es", static_cast<long long>(s.rows), s.song_seconds,
                s.ended ? "stopped" : "was cut off");
  return buf;
}

}  // namespace render
