// The LV2 run() on the audio thread: notes, transport and moved ports
// within blocks cost no heap call (the plug-in's own allocator calls reach
// the C library's malloc, which this program counts).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <lv2/midi/midi.h>

#include "plugin/lv2/uris.h"
#include "plugin/synth_command.h"
#include "synth/param_table.h"
#include "tests/lv2/ui_bench.h"
#include "tests/support/heap_counter.h"
#include "tools/lv2host/plugin_host.h"

namespace {

constexpr int32_t block = 256;

TEST(lv2_realtime, run_makes_no_heap_calls_with_notes_transport_and_ports) {
#ifndef VORN_COUNT_ALLOCATIONS
  GTEST_SKIP() << "the sanitizer owns the allocator";
#endif
  lv2host::plugin_host host;
  std::string error;
  ASSERT_TRUE(host.load(VORN_LV2_BUNDLE, plugin::lv2::plugin_uri, 48000.0, block, error)) << error;
  std::vector<float> l(block), r(block);
  // Warm up: the first blocks may set up what the engine keeps.
  for (int b = 0; b < 4; ++b) host.process(l.data(), r.data(), block);
  const int32_t freq = plugin::lv2::first_param_port + synth::p::filter_frequency;
  int calls = 0;
  for (int b = 0; b < 64; ++b) {
    host.queue_position(0, 120.0 + b, true, b / 4, double(b % 4));
    host.queue_midi(b % block, 0x90, uint8_t(48 + b % 24), 100);
    host.queue_position(block / 2, 121.0 + b, true, b / 4, double(b % 4) + 0.5);
    host.queue_midi(block - 1 - b % 7, 0x80, uint8_t(48 + (b + 12) % 24), 0);
    host.set_control(freq, float(b % 16) / 16.f);
    counting = true;
    host.process(l.data(), r.data(), block);
    counting = false;
    calls += heap_calls.exchange(0);
  }
  EXPECT_EQ(calls, 0);
}

// The UI's state pieces into the inbox and on to the worker, the acks, the
// worker's answers and the plug-in's own state in pieces to the UI: all in
// run() (and work_response) without a heap call.
TEST(lv2_realtime, run_makes_no_heap_calls_for_the_uis_state_messages) {
#ifndef VORN_COUNT_ALLOCATIONS
  GTEST_SKIP() << "the sanitizer owns the allocator";
#endif
  lv2_test::ui_bench b;
  ASSERT_TRUE(b.start());
  int calls = 0;
  auto cycle = [&] {
    b.ui->idle(b.clock);
    counting = true;
    b.dsp.process(b.left.data(), b.right.data(), lv2_test::ui_bench::block);
    counting = false;
    calls += heap_calls.exchange(0);
    b.dsp.run_worker();
    b.deliver();
    b.clock += lv2_test::ui_bench::block / lv2_test::ui_bench::rate;
  };
  for (int i = 0; i < 4; ++i) cycle();  // warm up
  calls = 0;
  b.ui->request_state();
  for (int i = 0; i < 400 && b.ui->received_count() == 0; ++i) cycle();
  ASSERT_EQ(b.ui->received_count(), 1);
  plugin::command_args a;
  a.index = 0;
  a.text = "Reverb";
  plugin::synth_command(&a, &b.ui->mirror(), plugin::command::set_effect_slot);
  for (int i = 0; i < 400 && b.ui->loaded_count() == 0; ++i) cycle();
  ASSERT_EQ(b.ui->loaded_count(), 1);
  EXPECT_EQ(calls, 0);
}

// A flood of controllers in one run: the plug-in plays them all, forwards
// at most its share to the UI, and makes no heap call doing so.
TEST(lv2_realtime, a_midi_flood_is_forwarded_to_the_ui_bounded_and_without_heap_calls) {
#ifndef VORN_COUNT_ALLOCATIONS
  GTEST_SKIP() << "the sanitizer owns the allocator";
#endif
  lv2_test::ui_bench b;
  ASSERT_TRUE(b.start());
  for (int i = 0; i < 4; ++i) b.cycle();  // warm up
  const LV2_URID midi = b.dsp.urids().map(LV2_MIDI__MidiEvent);
  int calls = 0;
  int forwarded = 0;
  for (int run = 0; run < 3; ++run) {
    for (int i = 0; i < 1000; ++i)
      ASSERT_TRUE(b.dsp.queue_midi(i * block / 1000, 0xB0, uint8_t(i % 120), uint8_t(i % 128)));
    counting = true;
    b.dsp.process(b.left.data(), b.right.data(), block);
    counting = false;
    calls += heap_calls.exchange(0);
    int here = 0;
    b.dsp.for_each_notification([&](const LV2_Atom* atom) { here += atom->type == midi ? 1 : 0; });
    EXPECT_EQ(here, 64);
    forwarded += here;
  }
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(forwarded, 3 * 64);
}

// The live readings for the UI (read under the engine lock, packed and
// forged onto notify) while a chord plays and ends: no heap call.
TEST(lv2_realtime, run_makes_no_heap_calls_sending_the_live_readings) {
#ifndef VORN_COUNT_ALLOCATIONS
  GTEST_SKIP() << "the sanitizer owns the allocator";
#endif
  lv2_test::ui_bench b;
  ASSERT_TRUE(b.start());
  for (int i = 0; i < 4; ++i) b.cycle();  // warm up
  int calls = 0;
  for (int i = 0; i < 200; ++i) {
    if (i == 0 || i == 100)
      for (uint8_t key : {60, 64, 67}) b.dsp.queue_midi(0, i == 0 ? 0x90 : 0x80, key, 100);
    b.ui->idle(b.clock);
    counting = true;
    b.dsp.process(b.left.data(), b.right.data(), block);
    counting = false;
    calls += heap_calls.exchange(0);
    b.dsp.run_worker();
    b.deliver();
    b.clock += block / lv2_test::ui_bench::rate;
  }
  EXPECT_GE(b.ui->live_count(), 15);  // every ~1600 frames while the chord is held (100 blocks) at least
  EXPECT_EQ(calls, 0);
}

}  // namespace
