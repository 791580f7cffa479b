// A value that one thread writes and another reads without the engine lock.
// Relaxed order is the portable form of a plain 32-bit store: each read sees
// some whole value, never a torn one, and nothing else is ordered by it.
// Copying reads and writes the value, so records holding these stay copyable.
#pragma once

#include <atomic>

namespace platform {

template <typename T>
class relaxed {
 public:
  relaxed() : v_(T{}) {}
  relaxed(T v) : v_(v) {}  // NOLINT: implicit by design, reads like the plain value
  relaxed(const relaxed& o) : v_(o.load()) {}
  relaxed& operator=(const relaxed& o) {
    store(o.load());
    return *this;
  }
  relaxed& operator=(T v) {
    store(v);
    return *this;
  }
  operator T() const { return load(); }  // NOLINT
  T load() const { return v_.load(std::memory_order_relaxed); }
  void store(T v) { v_.store(v, std::memory_order_relaxed); }

 private:
  std::atomic<T> v_;
};

}  // namespace platform
