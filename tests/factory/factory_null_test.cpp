// Every factory sound through the fast voice engine and through the
// reference engine (the plain per-sample loop): the sounds were made and
// auditioned on the reference's samples, and the fast engine must keep them.
// Each sound is set up as a host gets it (its state when it has one, else
// the bank and the program), plays a chord, or its key in drum mode, with a
// release; what is left after subtracting the two renders stays 100 dB below
// the sound.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "files/instance_state.h"
#include "files/preset_files.h"
#include "synth/engine.h"
#include "tests/factory/audition.h"
#include "tools/analysis/signal.h"

namespace {

using factory_test::factory_sound;

constexpr float rate = 44100.f;
constexpr int piece = 256;
constexpr int held = 22050, released = 13230;  // frames: half a second, then 0.3 s of release

constexpr uint32_t word(int status, int d1, int d2) { return uint32_t(status) | uint32_t(d1) << 8 | uint32_t(d2) << 16; }

std::vector<float> play(const factory_sound& s, bool reference, std::vector<int> keys) {
  auto engine = std::make_unique<synth::synth>();
  engine->set_reference_engine(reference);
  engine->set_sample_rate(rate);
  if (!s.state.empty()) {
    EXPECT_EQ(files::load_state_file(factory_test::factory_dir() + "/" + s.state, *engine), "");
  } else {
    EXPECT_EQ(files::load_bank_file(factory_test::factory_bank(), engine->presets()), "");
  }
  engine->select_program(s.slot);
  engine->seed_lfos(0x5EED);  // both engines' LFOs start from the same random values
  if (factory_test::plays_in_drum_mode(s)) {
    engine->set_flag(synth::engine_flag::drum_mode, true);
    keys = {factory_test::drum_key(s)};
  }
  std::vector<float> l(size_t(held + released), 0.f), r(l.size(), 0.f);
  for (int k : keys) engine->midi(word(0x90, k, 100), k, 0);
  for (int done = 0; done < int(l.size()); done += piece) {
    if (done == held)
      for (int k : keys) engine->midi(word(0x80, k, 0), k, 0);
    engine->render(l.data() + done, r.data() + done, std::min(piece, int(l.size()) - done));
  }
  l.insert(l.end(), r.begin(), r.end());
  return l;
}

}  // namespace

TEST(factory_null, every_factory_sound_renders_alike_in_both_engines) {
  const std::vector<factory_sound> sounds = factory_test::read_sound_index();
  ASSERT_FALSE(sounds.empty());
  for (const factory_sound& s : sounds) {
    // A chord, and eight keys over five octaves (the benchmark's), where
    // the multi-ramp spreads wrap most often.
    for (const std::vector<int>& keys : {std::vector<int>{48, 55, 64}, std::vector<int>{36, 43, 50, 57, 64, 71, 78, 85}}) {
      if (keys.size() > 3 && factory_test::plays_in_drum_mode(s)) continue;  // a drum sounds on its one key
      SCOPED_TRACE(s.name + ", " + std::to_string(keys.size()) + " keys");
      const std::vector<float> slow = play(s, true, keys), fast = play(s, false, keys);
      double signal = 0, residual = 0;
      for (size_t i = 0; i < slow.size(); ++i) {
        signal += double(slow[i]) * slow[i];
        residual += double(slow[i] - fast[i]) * (slow[i] - fast[i]);
      }
      ASSERT_GT(signal, 0.0) << "the sound must sound";
      const double db = residual > 0 ? 10.0 * std::log10(residual / signal) : -300.0;
      EXPECT_LT(db, -100.0) << "residual " << db << " dB relative to the sound";
    }
  }
}
