// Where an editor window's events get handled when the platform does not
// deliver them by itself (X11; Win32 windows are served by the host's own
// message loop). The editor calls pump() from the host's effEditIdle; hosts
// differ in how often:
//   Ardour runs its plug-in GUIs in an event-loop thread of its own and calls
//     effEditIdle there about every 30-40 ms (all editor calls come from that
//     thread, not from its main GUI thread);
//   Reaper and Carla call effEditIdle from their UI thread timer, 20-60 times
//     a second; Bitwig's plug-in host process does the same.
// A host that never calls idle still makes other calls on the thread that
// opened the editor (parameter and program queries, effEditGetRect): those
// pump too when idle has been silent for a while, at most every 10 ms. No
// thread or timer of our own touches the toolkit, which takes no locks.
#pragma once

#include <chrono>
#include <thread>

#include "guilib/platform/backend.h"

namespace wnd {

class idle_pump {
 public:
  using clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds silent_idle{100};  // idle counts as absent after this
  static constexpr std::chrono::milliseconds min_interval{10};   // between pumps from other calls

  explicit idle_pump(backend& b) : backend_(b) {}

  // effEditOpen: its thread is the editor's.
  void opened() { thread_ = std::this_thread::get_id(); }
  // effEditIdle.
  void host_idle(clock::time_point now = clock::now());
  // Any other host call while the editor is open.
  void host_call(clock::time_point now = clock::now());
  // Whether the host has called idle lately.
  bool host_idles(clock::time_point now = clock::now()) const;
  int pumps() const { return pumps_; }

 private:
  void pump(clock::time_point now);

  backend& backend_;
  std::thread::id thread_;
  clock::time_point last_idle_{}, last_pump_{};
  bool idled_ = false;
  int pumps_ = 0;
};

}  // namespace wnd
