// A file written under a temporary name beside its target and moved over the
// target in one step once it is complete. Until then the target keeps what it
// held: a failed, interrupted or abandoned write leaves it as it was, and the
// temporary is removed (by discard() or when the object goes away).
#pragma once

#include <cstdio>
#include <string>

namespace riff {

class staged_file {
 public:
  explicit staged_file(const std::string& target_utf8);
  ~staged_file();
  staged_file(const staged_file&) = delete;
  staged_file& operator=(const staged_file&) = delete;

  const std::string& target() const { return target_; }
  // Where the bytes go until commit(), for writers that open files by name.
  const std::string& temporary() const { return temporary_; }

  // The temporary opened for writing ("wb"); null when it cannot be created.
  std::FILE* open();
  // Flushes the complete temporary to the device and renames it over the
  // target. `written` is the stream from open(), closed here; null when the
  // writer opened and closed the temporary itself. False on any failure, and
  // then the temporary is gone and the target untouched.
  bool commit(std::FILE* written = nullptr);
  // Removes the temporary; the target stays as it was.
  void discard();

  // Whether a file can be created beside `target` (a temporary is created and
  // removed at once); the target itself is not touched.
  static bool can_create(const std::string& target_utf8);

 private:
  std::string target_;
  std::string temporary_;
  bool committed_ = false;  // the temporary has become the target
};

}  // namespace riff
