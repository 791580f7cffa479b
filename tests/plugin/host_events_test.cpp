// MIDI as hosts deliver it: several effProcessEvents calls before one
// processing call, lists out of order with each other, more events than fit,
// and a zero-frame call in between. vorn.so is driven through its entry; the
// overflow counter is read from an instance built in-process.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/direct_plugin.h"
#include "tests/support/synth_host.h"
#include "tools/analysis/signal.h"

namespace {

using test_support::block;
using test_support::make_host;
using test_support::synth_host;

double level_db(const std::vector<float>& x, size_t from, size_t n) {
  return analysis::amplitude_db(analysis::rms(x.data() + from, n));
}

}  // namespace

TEST(host_events, lists_sent_before_one_block_all_play_in_frame_order) {
  // Two lists, the second earlier in the block than the first: the same
  // sound as one list holding both events in frame order.
  auto split = make_host(), whole = make_host(), second_only = make_host();
  ASSERT_TRUE(split && whole && second_only);
  test_support::midi_block a, b, both, just_b;
  a.add(300, 0x90, 60, 100);
  b.add(100, 0x90, 67, 100);
  both.add(100, 0x90, 67, 100);
  both.add(300, 0x90, 60, 100);
  just_b.add(100, 0x90, 67, 100);
  split->send(a.events());
  split->send(b.events());
  whole->send(both.events());
  second_only->send(just_b.events());
  for (synth_host* h : {split.get(), whole.get(), second_only.get()}) h->render_blocks(40);
  ASSERT_EQ(split->left.size(), whole->left.size());
  for (size_t i = 0; i < split->left.size(); ++i) ASSERT_EQ(split->left[i], whole->left[i]) << i;
  // The first list's note is really there: without it the sound differs.
  double diff = 0;
  for (size_t i = 0; i < split->left.size(); ++i) diff += std::fabs(split->left[i] - second_only->left[i]);
  EXPECT_GT(diff, 1.0);
}

TEST(host_events, note_off_in_an_earlier_list_ends_the_note) {
  auto h = make_host();
  ASSERT_TRUE(h);
  test_support::midi_block on, off, controller;
  on.add(0, 0x90, 60, 100);
  h->send(on.events());
  h->render_blocks(20);
  ASSERT_GT(level_db(h->left, 5 * block, 10 * block), -40.0);
  off.add(0, 0x80, 60, 0);
  controller.add(10, 0xB0, 1, 20);  // the host's second list of the block
  h->send(off.events());
  h->send(controller.events());
  h->render(2.0);
  EXPECT_LT(level_db(h->left, h->left.size() - 10 * block, 10 * block), -120.0);
}

TEST(host_events, events_wait_through_a_zero_frame_call) {
  auto h = make_host();
  ASSERT_TRUE(h);
  test_support::midi_block on;
  on.add(0, 0x90, 60, 100);
  h->send(on.events());
  float l[1], r[1];
  ASSERT_TRUE(h->instance.process(l, r, 0));
  h->render_blocks(10);
  EXPECT_GT(level_db(h->left, 2 * block, 8 * block), -40.0);
}

TEST(host_events, a_flood_of_events_is_cut_at_the_queue_and_counted) {
  test_support::direct_plugin d;
  const int capacity = plugin::synth_plugin::event_capacity;
  // Lists of 64 controller events until the queue is over-full; the note-on
  // at the very start must survive, the surplus is dropped and counted.
  test_support::midi_block first;
  first.add(0, 0x90, 60, 100);
  d.e->dispatcher(d.e, effProcessEvents, 0, 0, first.events(), 0.f);
  int sent = 1;
  test_support::midi_block cc;
  for (int i = 0; i < 64; ++i) cc.add(i, 0xB0, 1, uint8_t(i));
  while (sent < capacity + 100) {
    d.e->dispatcher(d.e, effProcessEvents, 0, 0, cc.events(), 0.f);
    sent += 64;
  }
  EXPECT_EQ(d.p->dropped_events(), sent - capacity);
  d.process(nullptr);
  EXPECT_GT(analysis::rms(d.left.data(), d.left.size()), 1e-3);
  // A block later the queue is empty and takes events again.
  test_support::midi_block off;
  off.add(0, 0x80, 60, 0);
  d.process(&off);
  for (int i = 0; i < 100; ++i) d.process(nullptr);
  EXPECT_LT(analysis::peak(d.left.data(), d.left.size()), 1e-6);
}
