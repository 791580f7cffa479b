#include "tools/vst3host/midi_render.h"

#include <algorithm>
#include <cmath>

#include "tools/render/audio_writer.h"

namespace vst3host {

bool render_song(plugin3& plugin, const midi::song& song, double sample_rate, double tail_seconds,
                 stereo_audio& out, std::string& error) {
  const int64_t total = int64_t(std::ceil((song.length_seconds + tail_seconds) * sample_rate));
  out.left.assign(size_t(total), 0.f);
  out.right.assign(size_t(total), 0.f);
  size_t next = 0;
  for (int64_t done = 0; done < total;) {
    const int32_t frames = int32_t(std::min<int64_t>(plugin.block_size(), total - done));
    for (; next < song.messages.size(); ++next) {
      const midi::timed_message& m = song.messages[next];
      const int64_t at = int64_t(std::floor(m.seconds * sample_rate));
      if (at >= done + frames) break;
      plugin.queue_midi(int32_t(std::max<int64_t>(at - done, 0)), m.bytes, m.size);
    }
    if (!plugin.process(out.left.data() + done, out.right.data() + done, frames)) {
      error = "the plug-in refused process";
      return false;
    }
    done += frames;
  }
  return true;
}

bool write_wav(const std::string& path, const stereo_audio& audio, int32_t sample_rate, std::string& error) {
  render::audio_writer writer;
  if (!writer.open(path, sample_rate, error)) return false;
  if (!writer.write(audio.left.data(), audio.right.data(), int32_t(audio.left.size()), error)) return false;
  return writer.close(error);
}

}  // namespace vst3host
