// The engine lock: held by the audio thread for a whole processing call and by
// the editor's structural commands. Recursive, because host callbacks made
// under it (display updates) may call back into the instance on the same thread.
#pragma once

#include <mutex>

namespace platform {

class lock {
 public:
  void acquire() { m_.lock(); }
  void release() { m_.unlock(); }

 private:
  std::recursive_mutex m_;
};

class scoped_lock {
 public:
  explicit scoped_lock(lock& l) : l_(l) { l_.acquire(); }
  ~scoped_lock() { l_.release(); }
  scoped_lock(const scoped_lock&) = delete;
  scoped_lock& operator=(const scoped_lock&) = delete;

 private:
  lock& l_;
};

}  // namespace platform
