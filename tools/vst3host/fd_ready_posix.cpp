#include <poll.h>

#include "tools/vst3host/fd_ready.h"

namespace vst3host {

bool fd_ready(int fd) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

}  // namespace vst3host
