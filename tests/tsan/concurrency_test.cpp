// The audio thread processes while the user-interface thread writes
// parameters, switches programs, edits routes and resizes the pool. Under
// ThreadSanitizer any unsynchronised access fails the run.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/support/direct_plugin.h"

TEST(concurrency, editor_and_host_writes_race_nothing_with_the_audio_thread) {
  test_support::direct_plugin d;
  synth::synth& engine = d.p->engine();
  std::atomic<bool> stop{false};

  std::thread audio([&] {
    test_support::midi_block midi;
    for (int block = 0; block < 400; ++block) {
      midi.clear();
      midi.add(0, 0x90, uint8_t(40 + block % 40), 100);
      midi.add(64, 0xB0, 7, uint8_t(block % 128));
      midi.add(128, 0x80, uint8_t(40 + (block + 30) % 40), 0);
      d.process(&midi, 256);
    }
    stop = true;
  });

  int i = 0;
  char text[64];
  while (!stop) {
    d.e->setParameter(d.e, i % 89, float(i % 17) / 16.f);
    d.e->getParameter(d.e, (i * 7) % 89);
    d.e->dispatcher(d.e, effGetParamDisplay, (i * 3) % 89, 0, text, 0.f);
    if (i % 50 == 0) d.e->dispatcher(d.e, effSetProgram, 0, i % 128, nullptr, 0.f);
    if (i % 97 == 0) d.e->setParameter(d.e, synth::p::voices, float(i % 3) * 0.3f + 0.1f);
    if (i % 31 == 0) d.e->setParameter(d.e, synth::p::coarse_tune, float(i % 5) * 0.2f);
    if (i % 13 == 0) {
      synth::route r;
      r.source_class = synth::route_source::note;
      r.source_index = synth::note_source::velocity;
      r.dest_class = synth::route_dest_parameter;
      r.dest_index = i % 89;
      r.mode = synth::route_mode::add;
      r.depth = float(i % 4) * 0.1f;
      engine.set_route(i % 16, r);
    }
    if (i % 41 == 0) engine.set_flag(synth::engine_flag::immediate_program, (i / 41) % 2 == 0);
    ++i;
  }
  audio.join();
  EXPECT_GT(i, 0);
}
