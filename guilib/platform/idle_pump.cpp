#include "guilib/platform/idle_pump.h"

#include "platform/last_resort.h"

namespace wnd {

void idle_pump::pump(clock::time_point now) {
  last_pump_ = now;
  ++pumps_;
  // The editor's events run from here, inside a host call: a fault in one
  // event's handling ends that event, not the host (see last_resort.h).
  platform::last_resort_done("editor's event pump", [this] { backend_.pump(); });
}

void idle_pump::host_idle(clock::time_point now) {
  idled_ = true;
  last_idle_ = now;
  pump(now);
}

bool idle_pump::host_idles(clock::time_point now) const { return idled_ && now - last_idle_ < silent_idle; }

void idle_pump::host_call(clock::time_point now) {
  if (std::this_thread::get_id() != thread_ || host_idles(now)) return;
  if (pumps_ > 0 && now - last_pump_ < min_interval) return;
  pump(now);
}

}  // namespace wnd
