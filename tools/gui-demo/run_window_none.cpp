// Builds without a window backend: only screenshots.
#include <cstdio>

#include "tools/gui-demo/run_window.h"

namespace demo {

int run_window(float) {
  std::fprintf(stderr, "vorn-gui-demo: this build has no window backend; use --headless --shot F.png\n");
  return 1;
}

}  // namespace demo
