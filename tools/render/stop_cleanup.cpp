#include "tools/render/stop_cleanup.h"

#include <csignal>
#include <cstdio>
#include <cstring>

namespace render {

namespace {

// Set before the handler may read it: `armed` is cleared while the path
// changes, so a signal in between removes nothing.
constexpr size_t path_capacity = 4096;
char stop_path[path_capacity];
volatile std::sig_atomic_t armed = 0;

extern "C" void on_stop(int sig) {
  // remove() is unlink() on the systems we run on, safe in a handler.
  if (armed) std::remove(stop_path);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

}  // namespace

void remove_on_stop(const std::string& path) {
  static const bool installed = [] {
    std::signal(SIGINT, on_stop);
    std::signal(SIGTERM, on_stop);
    return true;
  }();
  (void)installed;
  armed = 0;
  if (path.empty() || path.size() >= path_capacity) return;
  std::memcpy(stop_path, path.c_str(), path.size() + 1);
  armed = 1;
}

}  // namespace render
