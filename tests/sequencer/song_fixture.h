// An engine, a song built in memory and its player, for the player tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sequencer/player.h"
#include "sequencer/song.h"
#include "synth/engine.h"

namespace test_support {

struct song_fixture {
  std::unique_ptr<synth::synth> engine = std::make_unique<synth::synth>();
  sequencer::song tune;
  sequencer::player player{*engine, tune};
  std::vector<float> left, right;

  song_fixture(int channels, int positions, int rows) {
    tune.channels = channels;
    tune.rows_per_pattern = rows;
    tune.positions.assign(size_t(positions), sequencer::position{});
    for (int p = 0; p < positions; ++p)
      for (int j = 0; j < channels; ++j) tune.positions[size_t(p)][size_t(j)].pattern = p * channels + j;
    tune.make_patterns(positions * channels);
    tune.instrument_count = 2;
  }
  sequencer::cell& cell(int position, int channel, int row) {
    return tune.pattern_cell(position * tune.channels + channel, row);
  }
  void start() {
    player.reset();
    player.start();
  }
  void render(int frames) {
    std::vector<float> l(static_cast<size_t>(frames)), r(static_cast<size_t>(frames));
    player.tick(l.data(), r.data(), frames);
    left.insert(left.end(), l.begin(), l.end());
    right.insert(right.end(), r.begin(), r.end());
  }
  std::string plain_text(uint64_t row) const {
    char raw[sequencer::player::row_text_capacity];
    if (!player.row_text_of(row, raw, sizeof raw)) return "(gone)";
    std::string out;
    for (const char* c = raw; *c; ++c) {
      if (*c == sequencer::player::colour_code) c += 3;
      else out += *c;
    }
    return out;
  }
};

}  // namespace test_support
