#include "tools/soak/soak_replay.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

extern char** environ;

namespace soak {

over_bound_calls::over_bound_calls() {
  kept.resize(capacity);  // value-initialised: every page written now
  kept.clear();           // the storage stays
}

void over_bound_calls::add(const timed_block& b) {
  if (kept.size() < capacity)
    kept.push_back(b);
  else
    ++not_kept;
}

uint64_t block_hash(const float* left, const float* right, int32_t frames) {
  constexpr uint64_t fnv_offset = 14695981039346656037ull, fnv_prime = 1099511628211ull;
  uint64_t h = fnv_offset;
  for (const float* channel : {left, right})
    for (int32_t i = 0; i < frames; ++i) {
      uint32_t bits = 0;
      std::memcpy(&bits, &channel[i], sizeof bits);
      for (int byte = 0; byte < 4; ++byte) {
        h ^= (bits >> (8 * byte)) & 0xFFu;
        h *= fnv_prime;
      }
    }
  return h;
}

bool write_timed_blocks(const std::string& path, const std::vector<timed_block>& blocks) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return false;
  for (const timed_block& b : blocks)
    std::fprintf(f, "%" PRId64 " %.9f %" PRIu64 "\n", b.block, b.cpu_seconds, b.hash);
  return std::fclose(f) == 0;
}

bool read_timed_blocks(const std::string& path, std::vector<timed_block>& blocks) {
  std::FILE* f = std::fopen(path.c_str(), "r");
  if (!f) return false;
  blocks.clear();
  timed_block b;
  while (std::fscanf(f, "%" SCNd64 " %lf %" SCNu64, &b.block, &b.cpu_seconds, &b.hash) == 3) blocks.push_back(b);
  const bool whole = std::feof(f) != 0;
  std::fclose(f);
  return whole;
}

confirmation confirm(const std::vector<timed_block>& run, const std::vector<timed_block>& replay,
                     double bound_seconds) {
  std::map<int64_t, const timed_block*> again;
  for (const timed_block& b : replay) again[b.block] = &b;
  confirmation c;
  for (const timed_block& b : run) {
    const auto found = again.find(b.block);
    double judged = b.cpu_seconds;
    timed_block replayed{b.block, 0.0, 0};
    if (found == again.end() || found->second->hash != b.hash) {
      ++c.different;
    } else {
      replayed = *found->second;
      judged = std::min(b.cpu_seconds, found->second->cpu_seconds);
      if (judged <= bound_seconds) {
        ++c.not_again;
        continue;
      }
      ++c.again;
    }
    if (c.run_times.size() < confirmation::kept_blocks) {
      c.run_times.push_back(b);
      c.replay_times.push_back(replayed);
    }
    if (judged > c.worst_seconds) {
      c.worst_seconds = judged;
      c.worst_block = b.block;
    }
  }
  return c;
}

namespace {

// Runs `argv` with this process's environment and waits; its standard
// output goes to `log_path`.
bool run_child(const std::vector<std::string>& args, const std::string& log_path, std::string& error) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  if (spawned != 0) {
    error = std::string("cannot start the replay: ") + std::strerror(spawned);
    return false;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) {
      error = "lost the replay's process";
      return false;
    }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    error = "the replay ended with status " + std::to_string(status) + " (its output: " + log_path + ")";
    return false;
  }
  return true;
}

}  // namespace

bool replay_blocks(const replay_request& request, const std::vector<timed_block>& run,
                   std::vector<timed_block>& replay, std::string& error) {
  std::string folder_pattern = (std::filesystem::temp_directory_path() / "vorn-soak-replay-XXXXXX").string();
  if (!mkdtemp(folder_pattern.data())) {
    error = "no temporary folder for the replay";
    return false;
  }
  const std::filesystem::path folder = folder_pattern;
  const std::string in = (folder / "run.txt").string(), out = (folder / "replay.txt").string();
  if (!write_timed_blocks(in, run)) {
    error = "cannot write " + in;
    return false;
  }
  // The child reads the run's settings from the environment, as the run did.
  setenv("SOAK_SEED", std::to_string(request.seed).c_str(), 1);
  char minutes[32];
  std::snprintf(minutes, sizeof minutes, "%.17g", request.minutes);
  setenv("SOAK_MINUTES", minutes, 1);
  setenv("SOAK_FREE_RUN", request.paced ? "0" : "1", 1);
  setenv("SOAK_REPLAY_IN", in.c_str(), 1);
  setenv("SOAK_REPLAY_OUT", out.c_str(), 1);
  unsetenv("SOAK_SLOW_STATES");
  unsetenv("SOAK_TRACE");
  const bool ran = run_child({request.self, request.plugin_path}, (folder / "replay.log").string(), error);
  unsetenv("SOAK_REPLAY_IN");
  unsetenv("SOAK_REPLAY_OUT");
  if (ran && !read_timed_blocks(out, replay)) {
    error = "cannot read the replay's " + out;
    return false;
  }
  if (ran) {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  return ran;
}

bool replay_wanted(std::vector<timed_block>& blocks, std::string& out_path) {
  const char* in = std::getenv("SOAK_REPLAY_IN");
  const char* out = std::getenv("SOAK_REPLAY_OUT");
  if (!in || !*in || !out || !*out) return false;
  out_path = out;
  if (!read_timed_blocks(in, blocks)) blocks.clear();
  std::sort(blocks.begin(), blocks.end(), [](const timed_block& a, const timed_block& b) { return a.block < b.block; });
  return true;
}

}  // namespace soak
