// What an open editor costs while nothing happens: the widget gallery in an
// X11 window (a private Xvfb) whose host calls effEditIdle 30 times a second,
// for three seconds; the process's CPU time over wall time. Then the same with
// the level meters moving on the window's 30 Hz timer, as the editor's
// display refresh does while a song plays. Prints the two percentages.
#include <sys/resource.h>

#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "guilib/archive/gui_archive.h"
#include "guilib/platform/idle_pump.h"
#include "guilib/platform/x11/x11.h"
#include "tools/gui-demo/gallery.h"
#include "tools/xvfb/xvfb_server.h"

namespace {

double cpu_seconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// Calls idle 30 times a second for the given time; the share of one core used.
double idle_share(wnd::idle_pump& idle, double seconds) {
  const double cpu0 = cpu_seconds();
  const auto t0 = std::chrono::steady_clock::now();
  auto next = t0;
  while (std::chrono::steady_clock::now() - t0 < std::chrono::duration<double>(seconds)) {
    next += std::chrono::milliseconds(33);
    idle.host_idle();
    std::this_thread::sleep_until(next);
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  return (cpu_seconds() - cpu0) / wall * 100.0;
}

}  // namespace

int main() {
  xvfb::server server;
  if (!server.running()) {
    std::printf("gui_idle skipped: %s\n", server.failure().c_str());
    return 0;
  }
  gui::mount_builtin();
  Display* host = XOpenDisplay(server.display().c_str());
  const Window parent = XCreateSimpleWindow(host, DefaultRootWindow(host), 0, 0, 800, 560, 0, 0, 0);
  XMapWindow(host, parent);
  XSync(host, False);
  wnd::x11 be;
  be.open_display(server.display().c_str());
  wnd::window w;
  be.create(w, {parent, 0, 0, demo::base_width, demo::base_height, false, false, "Vorn GUI"});
  double quiet = 0, meters = 0;
  {
    demo::gallery g;
    gui::root_container root({0, 0, demo::base_width, demo::base_height});
    root.attach(w);
    demo::build_gallery(root, gui::style_for_scale(1.f), g);
    be.show(w, true);
    wnd::idle_pump idle(be);
    idle.opened();
    idle_share(idle, 0.5);  // the first paint and the strips, not measured
    quiet = idle_share(idle, 3.0);
    int tick = 0;
    root.on_timer = [&] { demo::animate_gallery(g, ++tick); };
    be.set_timer(w, 33);
    meters = idle_share(idle, 3.0);
  }
  be.destroy(w);
  XCloseDisplay(host);
  std::printf("editor window idle (host idle at 30 Hz, nothing changes): %.2f %% of one core\n", quiet);
  std::printf("with the level meters moving at 30 Hz:                    %.2f %% of one core (%s)\n", meters,
              be.shared_memory() ? "XShmPutImage" : "XPutImage");
  return 0;
}
