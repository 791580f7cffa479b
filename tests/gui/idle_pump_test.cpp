// Idle pumping: always from effEditIdle; from other host calls only on the
// editor's thread, only while idle is silent, and not too often.
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "guilib/platform/headless/headless.h"
#include "guilib/platform/idle_pump.h"

namespace wnd {
namespace {

using namespace std::chrono_literals;

struct counting : headless {
  int pumped = 0;
  void pump() override { ++pumped; }
};

TEST(idle_pump, other_host_calls_pump_only_on_the_editor_thread_while_idle_is_silent) {
  counting be;
  idle_pump p(be);
  p.opened();
  const idle_pump::clock::time_point t0 = idle_pump::clock::now();
  p.host_call(t0);
  EXPECT_EQ(be.pumped, 1) << "a host that never idles";
  p.host_call(t0 + 5ms);
  EXPECT_EQ(be.pumped, 1) << "not more often than every 10 ms";
  p.host_call(t0 + 15ms);
  EXPECT_EQ(be.pumped, 2);
  p.host_idle(t0 + 20ms);
  p.host_idle(t0 + 21ms);
  EXPECT_EQ(be.pumped, 4) << "every idle call pumps";
  p.host_call(t0 + 60ms);
  EXPECT_EQ(be.pumped, 4) << "idle serves the window";
  EXPECT_TRUE(p.host_idles(t0 + 60ms));
  p.host_call(t0 + 200ms);
  EXPECT_EQ(be.pumped, 5) << "idle fell silent";
  std::thread other([&] { p.host_call(t0 + 400ms); });
  other.join();
  EXPECT_EQ(be.pumped, 5) << "never from another thread";
}

struct faulty : headless {
  int pumped = 0;
  void pump() override {
    ++pumped;
    throw std::out_of_range("basic_string::replace");
  }
};

TEST(idle_pump, a_fault_in_the_editors_events_ends_that_pump_not_the_host_call) {
  // The pump runs the window's events inside the host's idle call: an
  // exception from an event handler stops there, and the next idle pumps again.
  faulty be;
  idle_pump p(be);
  p.opened();
  const idle_pump::clock::time_point t0 = idle_pump::clock::now();
  EXPECT_NO_THROW(p.host_idle(t0));
  EXPECT_NO_THROW(p.host_call(t0 + 200ms));
  EXPECT_NO_THROW(p.host_idle(t0 + 300ms));
  EXPECT_EQ(be.pumped, 3);
}

}  // namespace
}  // namespace wnd
