// The processing call must never touch the heap. Every allocation in this
// executable (and in the instance it drives) passes the counters of
// heap_counter.h; counting is switched on only around processReplacing.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include "tests/support/direct_plugin.h"
#include "tests/support/heap_counter.h"

TEST(realtime, processing_never_allocates_across_notes_programs_routes_and_controllers) {
#ifndef VORN_COUNT_ALLOCATIONS
  GTEST_SKIP() << "the sanitizer runtime owns the allocator in this build";
#else
  test_support::direct_plugin d;
  test_support::midi_block midi;
  synth::synth& engine = d.p->engine();
  engine.set_flag(synth::engine_flag::use_program_change, true);
  engine.set_flag(synth::engine_flag::immediate_program, true);
  d.e->setParameter(d.e, synth::p::unison_voices, 0.2f);  // a few unison layers
  d.process(nullptr);                                     // warm-up outside the count

  int total = 0;
  auto counted = [&](test_support::midi_block* m) {
    counting = true;
    d.process(m);
    counting = false;
    total += heap_calls.exchange(0);
  };
  for (int round = 0; round < 40; ++round) {
    midi.clear();
    midi.add(0, 0x90, uint8_t(48 + round % 24), 100);
    midi.add(100, 0x90, uint8_t(60 + round % 12), 90);
    midi.add(200, 0xB0, 1, uint8_t(round * 3));         // a route source
    midi.add(300, 0xE0, 0, uint8_t(round * 3));         // bend
    if (round % 7 == 0) midi.add(400, 0xC0, uint8_t(round % 5), 0);  // program change
    midi.add(500, 0x80, uint8_t(48 + (round + 20) % 24), 0);
    counted(&midi);
    // Between blocks, as a host or the editor would.
    d.e->setParameter(d.e, round % 89, float(round % 10) / 10.f);
    synth::route r;
    r.source_class = synth::route_source::controller;
    r.source_index = 1;
    r.dest_class = synth::route_dest_parameter;
    r.dest_index = synth::p::filter_frequency;
    r.mode = synth::route_mode::add;
    r.depth = float(round % 3) * 0.25f;
    engine.set_route(round % 16, r);
    engine.controller_map().arm_learn(synth::p::shaper_depth);
    counted(nullptr);
  }
  EXPECT_EQ(total, 0);
#endif
}

TEST(realtime, processing_never_allocates_with_four_effects_and_their_changes) {
#ifndef VORN_COUNT_ALLOCATIONS
  GTEST_SKIP() << "the sanitizer runtime owns the allocator in this build";
#else
  test_support::direct_plugin d;
  test_support::midi_block midi;
  fx::chain& chain = d.p->engine().effects();
  const char* names[4] = {"Reverb", "mDelay", "Limiter", "Follower"};
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(chain.set_effect(i, names[i]));
  d.process(nullptr);  // warm-up outside the count
  int total = 0;
  for (int round = 0; round < 40; ++round) {
    midi.clear();
    midi.add(0, 0x90, uint8_t(48 + round % 24), 100);
    midi.add(300, 0x80, uint8_t(48 + (round + 20) % 24), 0);
    counting = true;
    d.process(&midi);
    counting = false;
    total += heap_calls.exchange(0);
    // Between blocks, as the editor would: values of every slot (a delay
    // time, the reverb's decay; the allocation a structural value needs
    // happens here, outside the processing call).
    chain.slot(1)->set_value(0, float(round % 10) / 10.f);
    chain.slot(0)->set_value(16, float(round % 7) / 7.f);
    chain.slot(2)->set_value(6, float(round % 3) / 3.f);
    if (round % 9 == 0) chain.slot(0)->set_value(15, float(round % 4) / 4.f);
  }
  EXPECT_EQ(total, 0);
#endif
}
