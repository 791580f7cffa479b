// The editor's window layer on Windows: USER32 and GDI32 (wnd::ms32), its
// messages served by the host's own message loop.
#include "editor/synth_editor.h"
#include "guilib/platform/win32/ms32_win32.h"

namespace gui {

std::unique_ptr<wnd::backend> make_platform_backend() { return std::make_unique<wnd::ms32>(); }

}  // namespace gui
