// What the song-file fuzz targets check of a loaded song, and the player
// they run it through: whatever a loader accepts must lie inside its bounds
// and play without reaching outside them.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "sequencer/player.h"
#include "sequencer/song_load.h"
#include "synth/engine.h"
#include "synth/param_table.h"

namespace fuzz_support {

inline void check_song(const sequencer::song_load& l) {
  const sequencer::song& s = l.tune;
  if (s.channels < 1 || s.channels > sequencer::max_channels || s.length() < 1) std::abort();
  if (s.rows_per_pattern < 1 || s.rows_per_pattern > 255) std::abort();
  if (s.cells.size() != size_t(s.pattern_count) * size_t(s.rows_per_pattern)) std::abort();
  if (s.instrument_count < 0 || s.instrument_count > sequencer::max_instruments) std::abort();
  if (s.format == sequencer::song_format::ahx && s.instruments.size() != size_t(s.instrument_count)) std::abort();
  if (s.restart < 0 || s.restart >= s.length()) std::abort();
  for (const sequencer::cell& c : s.cells) {
    if (c.note < sequencer::note_code::filter_trigger || c.note > 127) std::abort();
    if (c.parameter < 0 || c.parameter > 255) std::abort();
  }
  for (const auto& [slot, p] : l.presets) {
    if (slot < 0 || slot >= synth::bank_size) std::abort();
    if (p.name.size() > synth::preset_name_max || p.category.size() > synth::preset_name_max) std::abort();
    for (int i = 0; i < synth::preset_param_count; ++i) {
      const float v = p.get(i);
      const synth::param_info& row = synth::param_row(i);
      const bool waveform = i == synth::p::osc_a_waveform || i == synth::p::osc_b_waveform;
      if (!(v >= row.min) || (!waveform && v > row.max)) std::abort();
    }
  }
  for (const synth::pcm_record& r : l.pcms) {
    if (!r.filled() && r.length != 0) std::abort();
    if (r.loop && (r.loop_start < 0 || r.loop_end >= r.length || r.loop_start > r.loop_end)) std::abort();
  }
}

// One engine and player for the whole run; each accepted song is played for
// a few thousand frames from its start.
class song_runner {
 public:
  song_runner() { engine_->set_sample_rate(44100.f); }
  void play(sequencer::song_load& l, int frames) {
    for (auto& [slot, p] : l.presets) engine_->program(slot) = p;
    if (l.replaces_pcms) {
      engine_->pcms().clear();
      for (synth::pcm_record& r : l.pcms) engine_->pcms().add(std::move(r));
    }
    std::swap(song_, l.tune);
    player_.reset();
    player_.start();
    player_.set_loop_limit(0);
    std::vector<float> left(static_cast<size_t>(block)), right(static_cast<size_t>(block));
    for (int done = 0; done < frames; done += block) player_.tick(left.data(), right.data(), block);
  }

 private:
  static constexpr int block = 256;
  std::unique_ptr<synth::synth> engine_ = std::make_unique<synth::synth>();
  sequencer::song song_;
  sequencer::player player_{*engine_, song_};
};

// One format's parser, given every input whatever its first bytes (each
// parser reads from the start and ignores the magic), so mutations that
// break the magic still reach it.
using song_parser = int (*)(const uint8_t* data, size_t size, const sequencer::load_context& context,
                            sequencer::song_load& out);

inline int run_song_input(song_parser parse, const uint8_t* data, size_t size) {
  static song_runner runner;
  static const sequencer::load_context context = [] {
    sequencer::load_context c;
    synth::build_factory_init(c.init);
    c.pcm_count = 3;
    return c;
  }();
  sequencer::song_load l;
  const int result = parse(data, size, context, l);
  // A refusal is one of the loaders' own result codes, never anything else.
  if (result != sequencer::load_ok && result != sequencer::load_unknown && result != sequencer::load_cut_short)
    std::abort();
  if (result != sequencer::load_ok) return 0;
  check_song(l);
  runner.play(l, 2048);
  return 0;
}

}  // namespace fuzz_support
