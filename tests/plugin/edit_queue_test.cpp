// The queue that carries the editor's edit messages to the processing call:
// order kept per parameter, begin and end always paired, and with a full ring
// the latest value standing for the ones before it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "plugin/edit_queue.h"

namespace {

using plugin::edit_message;
using plugin::edit_queue;

std::vector<edit_message> drained(edit_queue& q) {
  std::vector<edit_message> out;
  q.drain([&](const edit_message& m) { out.push_back(m); });
  return out;
}

std::string text(const std::vector<edit_message>& log) {
  std::string s;
  for (const edit_message& m : log) {
    s += m.kind == edit_message::begin ? " B" : m.kind == edit_message::end ? " E" : " A";
    s += std::to_string(m.index);
    if (m.kind == edit_message::automate) s += "=" + std::to_string(int(m.value));
  }
  return s;
}

// Per parameter: begins and ends alternate, starting with a begin, and all
// are closed at the end.
::testing::AssertionResult balanced(const std::vector<edit_message>& log) {
  std::array<bool, edit_queue::parameters> open{};
  for (const edit_message& m : log) {
    bool& o = open[size_t(m.index)];
    if (m.kind == edit_message::begin && o) return ::testing::AssertionFailure() << "second begin:" << text(log);
    if (m.kind == edit_message::end && !o) return ::testing::AssertionFailure() << "end without begin:" << text(log);
    if (m.kind != edit_message::automate) o = !o;
  }
  for (size_t i = 0; i < open.size(); ++i)
    if (open[i]) return ::testing::AssertionFailure() << "left open: " << i << ":" << text(log);
  return ::testing::AssertionSuccess();
}

void gesture(edit_queue& q, int32_t index, std::initializer_list<float> values) {
  q.push(edit_message::begin, index);
  for (float v : values) q.push(edit_message::automate, index, v);
  q.push(edit_message::end, index);
}

TEST(edit_queue, messages_come_out_as_made_across_many_turns_of_the_ring) {
  edit_queue q;
  std::string made, sent;
  for (int round = 0; round < 40; ++round) {
    // Two gestures interleaved, as a wheel burst ending during a drag does.
    q.push(edit_message::begin, 41);
    q.push(edit_message::begin, 7);
    for (int k = 0; k < 30; ++k) q.push(edit_message::automate, k % 2 ? 41 : 7, float(round * 100 + k));
    q.push(edit_message::end, 7);
    q.push(edit_message::end, 41);
    made += " B41 B7";
    for (int k = 0; k < 30; ++k) made += " A" + std::to_string(k % 2 ? 41 : 7) + "=" + std::to_string(round * 100 + k);
    made += " E7 E41";
    sent += text(drained(q));
  }
  EXPECT_EQ(sent, made);
  EXPECT_TRUE(q.empty());
}

TEST(edit_queue, stray_ends_and_repeated_begins_are_ignored) {
  edit_queue q;
  q.push(edit_message::end, 3);
  q.push(edit_message::begin, 3);
  q.push(edit_message::begin, 3);
  q.push(edit_message::automate, 3, 1.f);
  q.push(edit_message::end, 3);
  q.push(edit_message::end, 3);
  q.push(edit_message::begin, -1);
  q.push(edit_message::automate, edit_queue::parameters, 1.f);
  EXPECT_EQ(text(drained(q)), " B3 A3=1 E3");
}

// Processing stopped while the user kept dragging: the ring fills, the rest
// waits coalesced, and once processing drains the ring the waiting part
// follows, in order, balanced, ending on the latest values.
TEST(edit_queue, a_full_ring_keeps_the_latest_value_and_every_begin_its_end) {
  edit_queue q;
  const int32_t cutoff = 41, resonance = 42, mode = 39;
  q.push(edit_message::begin, cutoff);
  for (int k = 1; k <= 600; ++k) q.push(edit_message::automate, cutoff, float(k));
  q.push(edit_message::end, cutoff);
  // Released and grabbed again while nothing is processed: one touch.
  gesture(q, cutoff, {700.f, 701.f});
  q.push(edit_message::begin, cutoff);
  q.push(edit_message::automate, cutoff, 800.f);
  // Two short gestures on another parameter, and a value outside any.
  gesture(q, resonance, {5.f});
  gesture(q, resonance, {6.f, 7.f});
  q.push(edit_message::automate, mode, 3.f);
  q.push(edit_message::automate, mode, 4.f);
  EXPECT_EQ(q.held(), 5) << "cutoff: its latest value; resonance: begin, value, end; mode: its value";

  std::vector<edit_message> log = drained(q);
  ASSERT_EQ(log.size(), size_t(edit_queue::capacity));
  EXPECT_EQ(log.front().kind, edit_message::begin);
  for (size_t k = 1; k < log.size(); ++k) EXPECT_EQ(log[k].value, float(k)) << "the first values in order";

  q.flush();  // the editor's next idle
  EXPECT_EQ(q.held(), 0);
  const std::vector<edit_message> rest = drained(q);
  EXPECT_EQ(text(rest), " A39=4 A41=800 B42 A42=7 E42");
  q.push(edit_message::automate, cutoff, 801.f);
  q.push(edit_message::end, cutoff);
  const std::vector<edit_message> last = drained(q);
  EXPECT_EQ(text(last), " A41=801 E41");
  log.insert(log.end(), rest.begin(), rest.end());
  log.insert(log.end(), last.begin(), last.end());
  EXPECT_TRUE(balanced(log));
}

// A gesture that waits whole, and one that waits after its begin went out:
// each coalesced form comes out balanced.
TEST(edit_queue, every_coalesced_form_comes_out_balanced) {
  edit_queue q;
  for (uint32_t k = 0; k < edit_queue::capacity; ++k) q.push(edit_message::automate, 0, float(k));
  q.push(edit_message::automate, 5, 1.f);  // value, begin, value, end, value
  gesture(q, 5, {2.f, 3.f});
  q.push(edit_message::automate, 5, 4.f);
  gesture(q, 6, {});  // a click that changed nothing
  EXPECT_EQ(q.held(), 7);
  std::vector<edit_message> log = drained(q);
  q.flush();
  const std::vector<edit_message> rest = drained(q);
  EXPECT_EQ(text(rest), " A5=1 B5 A5=3 E5 A5=4 B6 E6");
  log.insert(log.end(), rest.begin(), rest.end());
  EXPECT_TRUE(balanced(log));
}

// The editor's thread and the audio thread at once: every message of each
// parameter arrives in order (values rise per parameter), the touches are
// balanced, and each parameter's last value is the one made last.
TEST(edit_queue, a_producer_and_a_consumer_thread_keep_order_and_balance) {
  edit_queue q;
  constexpr int32_t params = 8, gestures = 3000;
  std::atomic<bool> done{false};
  std::vector<edit_message> log;
  std::thread audio([&] {
    while (true) {
      const bool last = done.load(std::memory_order_acquire);
      q.drain([&](const edit_message& m) { log.push_back(m); });
      if (last) break;
      std::this_thread::sleep_for(std::chrono::microseconds(50));  // a block's time: the ring fills now and then
    }
  });
  std::array<float, params> made{};
  int32_t most_held = 0;
  uint32_t seed = 12345;
  auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  for (int g = 0; g < gestures; ++g) {
    const int32_t p = int32_t(next() % params);
    q.push(edit_message::begin, p);
    const uint32_t moves = next() % 40;
    for (uint32_t k = 0; k < moves; ++k) q.push(edit_message::automate, p, made[size_t(p)] += 1.f);
    q.push(edit_message::end, p);
    if (next() % 64 == 0) q.flush();
    most_held = std::max(most_held, q.held());
  }
  while (q.held() > 0) {
    q.flush();
    std::this_thread::yield();
  }
  done.store(true, std::memory_order_release);
  audio.join();

  EXPECT_TRUE(balanced(log));
  std::array<float, params> seen{};
  for (const edit_message& m : log) {
    if (m.kind != edit_message::automate) continue;
    EXPECT_GT(m.value, seen[size_t(m.index)]) << "parameter " << m.index;
    seen[size_t(m.index)] = m.value;
  }
  EXPECT_EQ(seen, made);
  EXPECT_GT(most_held, 0) << "the ring never filled: the coalescing went untried";
}

}  // namespace
