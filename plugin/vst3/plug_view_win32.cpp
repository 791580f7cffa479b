// Windows: the editor's window is a child of the host's HWND and runs its
// own window timers, so the view needs no run loop.
#include "plugin/vst3/plug_view.h"

namespace vst3_shell {

const char* plug_view::platform_type() { return "HWND"; }
void plug_view::start_timer() {}
void plug_view::stop_timer() {}

}  // namespace vst3_shell
