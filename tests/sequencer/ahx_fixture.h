// An engine playing an AHX module built in memory (tools/ahx), through the
// loader and the player as a loaded file plays: the bank takes the module's
// presets (through the engine's edit queue), the player its song.
#pragma once

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "files/engine_presets.h"
#include "sequencer/song_load.h"
#include "synth/preset.h"
#include "tests/sequencer/song_fixture.h"
#include "tools/ahx/module.h"

namespace test_support {

struct ahx_player : song_fixture {
  ahx_player() : song_fixture(1, 1, 1) {}
  void load(const ahx::module& m) {
    const std::vector<uint8_t> bytes = ahx::write_module(m);
    sequencer::load_context context;
    synth::build_factory_init(context.init);
    sequencer::song_load out;
    ASSERT_EQ(sequencer::parse_song(bytes.data(), bytes.size(), context, out), sequencer::load_ok);
    tune = std::move(out.tune);
    // As a loaded file does: the presets reach the engine as edits the
    // voices take up with the engine's next changes.
    for (auto& [slot, preset] : out.presets) files::apply_preset(*engine, slot, preset);
  }
  // Loads m and starts it for 1 + further_passes passes.
  void play(const ahx::module& m, int32_t further_passes) {
    load(m);
    start();
    player.set_loop_limit(further_passes);
  }
  // Frames rendered until the player stops (a frame at a time, so exact).
  int64_t frames_until_stopped(int64_t limit) {
    std::vector<float> l(1), r(1);
    int64_t frames = 0;
    while (player.mode() == sequencer::player::playing && frames < limit) {
      player.tick(l.data(), r.data(), 1);
      ++frames;
    }
    return frames;
  }
};

}  // namespace test_support
