#include "tools/vst3host/fd_ready.h"

namespace vst3host {

bool fd_ready(int) { return false; }

}  // namespace vst3host
