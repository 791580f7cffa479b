#include "platform/last_resort.h"

#include <atomic>
#include <cstdio>

namespace platform {

namespace {

std::atomic<uint32_t> caught{0};

}  // namespace

void report_escaped(const char* entry, const char* what) noexcept {
  if (caught.fetch_add(1, std::memory_order_relaxed) != 0) return;
  std::fprintf(stderr, "vorn: an internal error was stopped at the %s (%s); later ones are not reported\n", entry,
               what ? what : "not a standard exception");
  std::fflush(stderr);
}

uint32_t escapes_caught() noexcept { return caught.load(std::memory_order_relaxed); }

}  // namespace platform
