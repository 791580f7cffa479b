// A private X server for tests and benchmarks: Xvfb on a display number it
// picks itself (-displayfd), started by this process and stopped with it.
// Nothing is left running: the destructor ends the server it started, by
// its process id.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace xvfb {

class server {
 public:
  explicit server(int width = 1280, int height = 1024);
  ~server();
  server(const server&) = delete;
  server& operator=(const server&) = delete;

  bool running() const { return pid_ > 0; }
  // ":N" of the running server.
  const std::string& display() const { return display_; }
  // Why it did not start (empty when it runs).
  const std::string& failure() const { return failure_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
  std::string failure_;
};

// Whether a program is on $PATH.
bool have_program(const char* name);

// Runs a program with DISPLAY set to display; its exit status, or -1 when it
// could not run. Standard output goes to out when given.
int run(const std::string& display, const std::vector<std::string>& args, std::string* out = nullptr);

}  // namespace xvfb
