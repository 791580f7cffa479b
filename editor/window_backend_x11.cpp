// The editor's window layer on Linux: X11, on a display connection of the
// editor's own (the display the host's window is on: $DISPLAY).
#include "editor/synth_editor.h"
#include "guilib/platform/x11/x11.h"

namespace gui {

std::unique_ptr<wnd::backend> make_platform_backend() {
  auto b = std::make_unique<wnd::x11>();
  if (!b->open_display()) return nullptr;
  return b;
}

}  // namespace gui
