// machine_stalls: what this machine does to a call that always does the same
// work. A fixed loop (made to take --ms milliseconds, 0.4 by default, about
// a heavy soak block) runs once per 64-frame block at 44.1 kHz for
// --seconds (30), timed like the soak's process calls by the thread's CPU
// clock, and the spread is printed with the count over half the block (the
// soak's bound). Whatever is over the bound here is the machine's: the work
// never changes.
//
//   machine_stalls [--seconds S] [--ms M] [--pace sleep|spin|free]
//
// sleep waits for the next block as a host's audio thread does (the soak),
// spin waits on the clock without giving up the CPU, free runs back to back.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double block_seconds = 64.0 / 44100.0;
constexpr double bound_seconds = block_seconds * 0.5;
constexpr int work_floats = 16384;  // 64 KB: a voice pool's state, more or less

double now(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// `rounds` passes of a dependent multiply-add over the buffer: the same
// instructions and the same memory every call.
float fixed_work(std::vector<float>& buffer, int rounds) {
  float acc = 0.f;
  for (int r = 0; r < rounds; ++r)
    for (int i = 0; i < work_floats; i += 4) {
      buffer[size_t(i)] = buffer[size_t(i)] * 0.999f + acc * 1e-6f;
      acc += buffer[size_t(i)] * buffer[size_t((i + 17) % work_floats)];
    }
  return acc;
}

// The rounds whose median CPU time comes nearest `target` seconds.
int calibrate(std::vector<float>& buffer, double target, volatile float& sink) {
  std::vector<double> times(64);
  for (auto& t : times) {
    const double c0 = now(CLOCK_THREAD_CPUTIME_ID);
    sink = sink + fixed_work(buffer, 1);
    t = now(CLOCK_THREAD_CPUTIME_ID) - c0;
  }
  std::nth_element(times.begin(), times.begin() + 32, times.end());
  return std::max(1, int(target / times[32] + 0.5));
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 30.0, ms = 0.4;
  std::string pace = "sleep";
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--seconds")) seconds = std::atof(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--ms")) ms = std::atof(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--pace")) pace = argv[i + 1];
  }
  if (seconds <= 0.0 || ms <= 0.0 || (pace != "sleep" && pace != "spin" && pace != "free")) {
    std::fprintf(stderr, "usage: machine_stalls [--seconds S] [--ms M] [--pace sleep|spin|free]\n");
    return 2;
  }
  std::vector<float> buffer(work_floats);
  for (int i = 0; i < work_floats; ++i) buffer[size_t(i)] = float(i % 97) * 0.01f;
  volatile float sink = 0.f;
  const int rounds = calibrate(buffer, ms * 1e-3, sink);

  const int64_t blocks = int64_t(seconds / block_seconds);
  std::vector<float> times(static_cast<size_t>(blocks));
  double deadline = now(CLOCK_MONOTONIC);
  for (int64_t b = 0; b < blocks; ++b) {
    const double c0 = now(CLOCK_THREAD_CPUTIME_ID);
    sink = sink + fixed_work(buffer, rounds);
    times[size_t(b)] = float(now(CLOCK_THREAD_CPUTIME_ID) - c0);
    deadline += block_seconds;
    const double t = now(CLOCK_MONOTONIC);
    if (pace == "free" || t >= deadline) deadline = t;
    else if (pace == "sleep") std::this_thread::sleep_for(std::chrono::duration<double>(deadline - t));
    else while (now(CLOCK_MONOTONIC) < deadline) {}
  }
  const int64_t over = std::count_if(times.begin(), times.end(), [](float t) { return t > bound_seconds; });
  std::sort(times.begin(), times.end());
  const auto at = [&](double q) { return 1e3 * double(times[size_t(q * double(times.size() - 1))]); };
  std::printf("fixed work of %.3f ms, %lld blocks, pace %s: median %.3f, p99 %.3f, p99.9 %.3f, p99.99 %.3f, "
              "worst %.3f ms; over %.3f ms (half the block): %lld\n",
              ms, static_cast<long long>(blocks), pace.c_str(), at(0.5), at(0.99), at(0.999), at(0.9999), at(1.0),
              bound_seconds * 1e3, static_cast<long long>(over));
  return 0;
}
