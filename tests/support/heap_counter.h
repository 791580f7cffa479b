// Counts every heap call of the executable while `counting` is set on the
// calling thread: malloc and its kin are replaced by counting forwarders to
// the C library. Include in exactly one source file of a test executable.
// Under a sanitizer, whose runtime owns the allocator, nothing is replaced
// and VORN_COUNT_ALLOCATIONS stays undefined.
#pragma once

#include <atomic>
#include <cstddef>

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define VORN_COUNT_ALLOCATIONS 1
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace {
thread_local bool counting = false;
std::atomic<int> heap_calls{0};
void note() {
  if (counting) heap_calls.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

extern "C" {
void* malloc(size_t n) { note(); return __libc_malloc(n); }
void* calloc(size_t a, size_t b) { note(); return __libc_calloc(a, b); }
void* realloc(void* p, size_t n) { note(); return __libc_realloc(p, n); }
void free(void* p) { if (p) note(); __libc_free(p); }
void* aligned_alloc(size_t a, size_t n) { note(); return __libc_memalign(a, n); }
int posix_memalign(void** out, size_t a, size_t n) {
  note();
  *out = __libc_memalign(a, n);
  return *out ? 0 : 12;
}
}
#else
namespace {
bool counting = false;
std::atomic<int> heap_calls{0};
}  // namespace
#endif
