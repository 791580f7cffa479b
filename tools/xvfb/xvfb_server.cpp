#include "tools/xvfb/xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

extern char** environ;

namespace xvfb {

namespace {

constexpr int start_timeout_ms = 10000;

std::vector<char*> argv_of(const std::vector<std::string>& args) {
  std::vector<char*> v;
  for (const std::string& a : args) v.push_back(const_cast<char*>(a.c_str()));
  v.push_back(nullptr);
  return v;
}

}  // namespace

bool have_program(const char* name) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::string p = path;
  size_t start = 0;
  while (start <= p.size()) {
    const size_t colon = p.find(':', start);
    const std::string dir = p.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0) return true;
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return false;
}

server::server(int width, int height) {
  if (!have_program("Xvfb")) {
    failure_ = "Xvfb is not installed (Debian package xvfb)";
    return;
  }
  int fds[2];
  if (pipe(fds) != 0) {
    failure_ = "no pipe";
    return;
  }
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  const std::vector<std::string> args = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen,
                                         "-nolisten", "tcp", "-noreset"};
  std::vector<char*> argv = argv_of(args);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);  // its start-up chatter
  pid_t pid = -1;
  const int err = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (err != 0) {
    close(fds[0]);
    failure_ = std::string("cannot run Xvfb: ") + std::strerror(err);
    return;
  }
  // Xvfb writes its display number once it accepts connections.
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  while (poll(&p, 1, start_timeout_ms) > 0) {
    char c;
    if (read(fds[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  close(fds[0]);
  if (number.empty()) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    failure_ = "Xvfb did not start within 10 s";
    return;
  }
  pid_ = pid;
  display_ = ":" + number;
}

server::~server() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

int run(const std::string& display, const std::vector<std::string>& args, std::string* out) {
  std::vector<std::string> env_strings;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "DISPLAY=", 8) != 0) env_strings.push_back(*e);
  env_strings.push_back("DISPLAY=" + display);
  std::vector<char*> env = argv_of(env_strings);
  std::vector<char*> argv = argv_of(args);
  int fds[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (out && pipe(fds) == 0) {
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  }
  pid_t pid = -1;
  const int err = posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, argv.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  if (fds[1] >= 0) close(fds[1]);
  if (err != 0) {
    if (fds[0] >= 0) close(fds[0]);
    return -1;
  }
  if (fds[0] >= 0) {
    char buf[256];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) out->append(buf, size_t(n));
    close(fds[0]);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace xvfb
