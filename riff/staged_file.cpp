#include "riff/staged_file.h"

#include "platform/file_io.h"
#include "platform/file_open.h"

namespace riff {

staged_file::staged_file(const std::string& target_utf8)
    : target_(target_utf8), temporary_(platform::temporary_name_for(target_utf8)) {}

staged_file::~staged_file() { discard(); }

// A save killed before its rename left its temporary; this save beside the
// same target clears it, so they cannot pile up.
std::FILE* staged_file::open() {
  platform::remove_stale_temporaries(target_);
  return platform::open_file(temporary_, "wb");
}

bool staged_file::commit(std::FILE* written) {
  // A writer that closed its own stream: reopened (never created) only to push
  // its bytes to the device before the rename makes them the target.
  std::FILE* f = written ? written : platform::open_file(temporary_, "r+b");
  if (!f) {
    discard();
    return false;
  }
  bool ok = platform::sync_file(f);
  ok = std::fclose(f) == 0 && ok;
  ok = ok && platform::replace_file(temporary_, target_);
  committed_ = ok;
  if (!ok) discard();
  return ok;
}

// The temporary's name is this process's own, so removing it when it was
// never created harms nothing.
void staged_file::discard() {
  if (!committed_) platform::remove_file(temporary_);
}

bool staged_file::can_create(const std::string& target_utf8) {
  staged_file probe(target_utf8);
  std::FILE* f = probe.open();
  if (!f) return false;
  std::fclose(f);
  return true;  // the probe removes its temporary
}

}  // namespace riff
