// The gallery in an X11 window of its own (a top-level window: the demo is
// its own host). The loop waits on the display connection and pumps, as a
// host's idle calls would.
#include <poll.h>

#include <cstdio>
#include <memory>

#include "guilib/platform/x11/x11.h"
#include "tools/gui-demo/gallery.h"
#include "tools/gui-demo/run_window.h"

namespace demo {

int run_window(float scale) {
  wnd::x11 be;
  if (!be.open_display()) {
    std::fprintf(stderr, "vorn-gui-demo: no X display ($DISPLAY is not set or not reachable); try --headless --shot F.png\n");
    return 1;
  }
  const int32_t w = int32_t(float(base_width) * scale), h = int32_t(float(base_height) * scale);
  wnd::window win;
  if (!be.create(win, {0, 0, 0, w, h, false, false, "Vorn widget gallery"})) {
    std::fprintf(stderr, "vorn-gui-demo: the X server refused the window\n");
    return 1;
  }
  bool running = true;
  {
    gallery g;
    gui::root_container root({0, 0, w, h});
    root.attach(win);
    build_gallery(root, gui::style_for_scale(scale), g);
    int tick = 0;
    root.on_timer = [&] { animate_gallery(g, ++tick); };
    root.on_close = [&] { running = false; };
    be.set_timer(win, 33);
    be.show(win, true);
    std::printf("vorn-gui-demo: the gallery is open (%d x %d, scale %.2f%s); close its window to end\n", w, h,
                double(scale), be.shared_memory() ? ", shared memory" : "");
    while (running) {
      pollfd p{be.connection_fd(), POLLIN, 0};
      poll(&p, 1, 10);
      be.pump();
    }
  }
  be.destroy(win);
  return 0;
}

}  // namespace demo
