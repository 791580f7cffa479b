#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/file_io.h"

namespace platform {

bool sync_file(std::FILE* f) {
  if (std::fflush(f) != 0) return false;
  return ::fsync(::fileno(f)) == 0;
}

namespace {

constexpr const char* temporary_infix = ".saving-";

// The folder part of a path ("." for a bare name).
std::string folder_of(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes a rename in `folder` last through a power cut: the folder's entry is
// pushed to the device as the file's bytes were before it. Best effort: the
// rename itself has happened whatever this says.
void sync_folder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool process_gone(long pid) { return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH; }

}  // namespace

bool replace_file(const std::string& from_utf8, const std::string& to_utf8) {
  if (std::rename(from_utf8.c_str(), to_utf8.c_str()) != 0) return false;  // atomic on one file system
  sync_folder(folder_of(to_utf8));
  return true;
}

void remove_stale_temporaries(const std::string& path_utf8) {
  const std::string folder = folder_of(path_utf8);
  const size_t slash = path_utf8.find_last_of('/');
  const std::string prefix = (slash == std::string::npos ? path_utf8 : path_utf8.substr(slash + 1)) + temporary_infix;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* e = ::readdir(dir)) {
    if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) != 0) continue;
    // "<name>.saving-<pid>-<count>"
    char* end = nullptr;
    const long pid = std::strtol(e->d_name + prefix.size(), &end, 10);
    if (end == e->d_name + prefix.size() || *end != '-' || pid == long(::getpid()) || !process_gone(pid)) continue;
    ::unlink((folder + "/" + e->d_name).c_str());
  }
  ::closedir(dir);
}

bool remove_file(const std::string& path_utf8) { return std::remove(path_utf8.c_str()) == 0; }

std::string temporary_name_for(const std::string& path_utf8) {
  static std::atomic<unsigned> counter{0};
  return path_utf8 + temporary_infix + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

}  // namespace platform
