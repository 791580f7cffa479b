// Whether a file descriptor has data to read now (never waits). Windows has
// no run loop of this kind: there the answer is always false.
#pragma once

namespace vst3host {

bool fd_ready(int fd);

}  // namespace vst3host
