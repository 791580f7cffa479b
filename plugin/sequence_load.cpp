// Command 56: a song file into the instance and playing.
#include <memory>

#include "files/engine_presets.h"
#include "files/outcome.h"
#include "files/preset_chunk.h"
#include "files/preset_files.h"
#include "plugin/synth_command.h"
#include "plugin/instance_parts.h"
#include "riff/file_buffer.h"
#include "sequencer/song_load.h"

namespace plugin {

namespace {

// The bank, the PCM list and the song from a parsed file; under the engine lock.
void apply_song(synth::synth& engine, sequencer::song_load& loaded, sequencer::song& song) {
  if (loaded.fills_bank) {
    synth::preset init;
    synth::build_factory_init(init);
    for (int i = 0; i < synth::bank_size; ++i) files::apply_preset(engine, i, init);
  }
  for (const auto& [slot, preset] : loaded.presets) files::apply_preset(engine, slot, preset);
  if (loaded.replaces_pcms) {
    engine.pcms().clear();
    for (synth::pcm_record& r : loaded.pcms) engine.pcms().add(std::move(r));
  }
  std::swap(song, loaded.tune);  // the old song is freed with `loaded`, after the lock
  engine.presets().name = files::stored_name(song.name);
}

}  // namespace

int instance::load_sequence(const char* path, std::string& result) {
  synth::synth& engine = parts_->engine;
  sequencer::player& player = parts_->player;
  sequencer::song& song = parts_->song;
  std::string& sequence_path = parts_->sequence_path;
  engine.raise_display_refresh();
  result.clear();
  if (!path || !*path) {
    result = "no file name";
    return sequence_load_result::no_path;
  }
  if (!sequence_path.empty() && sequence_path == path) {
    result = "sequence already loaded";
    return sequence_load_result::already_loaded;
  }
  riff::file_buffer file;
  if (!file.load(path)) {
    result = files::outcome::cannot_open;
    return sequence_load_result::unreadable;
  }
  // Reading, parsing and building presets happen before the lock: the audio
  // thread waits only for the exchange.
  sequencer::load_context context;
  context.init = files::user_init_preset();
  {
    platform::scoped_lock hold(engine.engine_lock());
    context.pcm_count = engine.pcms().count();
  }
  auto loaded = std::make_unique<sequencer::song_load>();
  const int parsed = sequencer::parse_song(file.data(), file.size(), context, *loaded);
  platform::scoped_lock hold(engine.engine_lock());
  player.stop();
  if (parsed != sequencer::load_ok) {
    player.reset();
    result = parsed == sequencer::load_cut_short ? "damaged AHX module (cut short?)"
                                                 : "not a sequence (.kvxs) or AHX module (.ahx)";
    return sequence_load_result::not_a_sequence;
  }
  apply_song(engine, *loaded, song);
  sequence_path = path;
  player.reset();
  player.start();
  return sequence_load_result::loaded;
}

}  // namespace plugin
