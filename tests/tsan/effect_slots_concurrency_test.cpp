// The editor fills and empties effect slots, turns knobs (structural ones
// included, which rebuild storage) and reads meters and displays while the
// audio thread processes and the host changes the rate. Under
// ThreadSanitizer any unsynchronised access fails the run.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "fx/chain.h"
#include "tests/support/direct_plugin.h"

TEST(concurrency, effect_slots_and_values_change_safely_under_a_running_chain) {
  test_support::direct_plugin d;
  fx::chain& chain = d.p->engine().effects();
  chain.set_effect(0, "Reverb");
  chain.set_effect(1, "mDelay");
  std::atomic<bool> stop{false};

  std::thread audio([&] {
    test_support::midi_block midi;
    for (int block = 0; block < 300; ++block) {
      midi.clear();
      midi.add(0, 0x90, uint8_t(40 + block % 40), 100);
      midi.add(128, 0x80, uint8_t(40 + (block + 30) % 40), 0);
      d.process(&midi, 256);
    }
    stop = true;
  });

  const char* names[] = {"Reverb", "mDelay", "Limiter", "Follower", "Clipper", "-", "Phaser", "Gate"};
  int i = 0;
  char text[64];
  while (!stop) {
    if (i % 40 == 0) chain.set_effect(2 + (i / 40) % 2, names[(i / 40) % 8]);
    for (int s = 0; s < 4; ++s) {
      fx::effect* e = chain.slot(s);
      if (!e) continue;
      const int p = i % e->param_count();
      e->set_value(p, e->desc(p).min + (e->desc(p).max - e->desc(p).min) * float(i % 5) / 4.f);
      e->format_value(p, text, sizeof text);
      e->meter(0);
    }
    if (i == 200) d.e->dispatcher(d.e, effSetSampleRate, 0, 0, nullptr, 48000.f);
    ++i;
  }
  audio.join();
  EXPECT_GT(i, 0);
}
