#include "fx/form.h"

#include <atomic>

namespace fx {

namespace {

std::atomic<int> chosen{int(form::fast)};
// -1 until first asked; the detection is idempotent, so a race only repeats it.
std::atomic<int> chosen_kernel{-1};

}  // namespace

form active_form() { return form(chosen.load(std::memory_order_relaxed)); }

void force_form(form f) { chosen.store(int(f), std::memory_order_relaxed); }

bool avx2_available() {
#if defined(VORN_AVX2_KERNEL) && (defined(__x86_64__) || defined(__i386__))
  // Checks the OS's saving of the YMM registers (XGETBV) as well.
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

kernel active_kernel() {
  int k = chosen_kernel.load(std::memory_order_relaxed);
  if (k < 0) {
    k = int(avx2_available() ? kernel::avx2 : kernel::sse2);
    chosen_kernel.store(k, std::memory_order_relaxed);
  }
  return kernel(k);
}

void force_kernel(kernel k) {
  if (k == kernel::avx2 && !avx2_available()) return;
  chosen_kernel.store(int(k), std::memory_order_relaxed);
}

}  // namespace fx
