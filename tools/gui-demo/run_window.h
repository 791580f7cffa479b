// The gallery in a window of the platform's backend, until it is closed.
#pragma once

namespace demo {

// Exit status: 0 after the window closed, 1 when no window could be opened.
int run_window(float scale);

}  // namespace demo
