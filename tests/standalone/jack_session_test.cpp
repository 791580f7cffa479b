// vorn-standalone on a JACK server of the test's own (the dummy driver at
// 48 kHz and 64-frame blocks): this program is the other JACK client, sending
// notes to the application's MIDI input and listening to its outputs.
// VORN_STANDALONE_SECONDS sets how long the application runs (5 s here by
// default; 30 s for the figures). VORN_STANDALONE_STRICT_XRUNS=1 also fails
// on any xrun the server reports, which a loaded machine without real-time
// scheduling cannot promise.
#include <jack/jack.h>
#include <jack/midiport.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/app_data_dir.h"
#include "plugin/standalone/audio_backend.h"
#include "tests/support/scratch.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using clock_type = std::chrono::steady_clock;

double run_seconds() {
  const char* s = std::getenv("VORN_STANDALONE_SECONDS");
  const double v = s ? std::atof(s) : 0.0;
  return v >= 3 && v <= 600 ? v : 5.0;  // the note takes the first 1.3 s
}

bool strict_xruns() {
  const char* s = std::getenv("VORN_STANDALONE_STRICT_XRUNS");
  return s && std::string(s) == "1";
}

// A child process with its output in a file; killed if still running at the end.
class child {
 public:
  child(const std::vector<std::string>& args, const fs::path& log) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~child() { stop(); }

  bool started() const { return pid_ > 0; }
  bool running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
    pid_ = -1;
    status_ = status;
    return false;
  }
  // Waits up to `limit` for the end; false (and killed) when it did not come.
  bool wait(std::chrono::milliseconds limit) {
    const auto end = clock_type::now() + limit;
    while (running()) {
      if (clock_type::now() > end) {
        stop();
        return false;
      }
      std::this_thread::sleep_for(20ms);
    }
    return true;
  }
  // SIGTERM, then SIGKILL after two seconds.
  void stop() {
    if (!running()) return;
    kill(pid_, SIGTERM);
    const auto end = clock_type::now() + 2s;
    while (running() && clock_type::now() < end) std::this_thread::sleep_for(20ms);
    if (running()) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status_, 0);
      pid_ = -1;
    }
  }
  int exit_code() const { return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1; }

 private:
  pid_t pid_ = -1;
  int status_ = 0;
};

std::string read_text(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The test's own JACK client: a MIDI output that plays notes when told,
// and two audio inputs whose peaks it keeps, before the notes and while they play.
struct probe {
  jack_client_t* client = nullptr;
  jack_port_t* midi_out = nullptr;
  jack_port_t* in[2] = {};
  std::atomic<int> note_request{0};  // 1: start playing, 2: stop (the process callback clears it)
  std::atomic<int> phase{0};         // 0 before the notes, 1 while playing, 2 after
  std::atomic<float> peak_before{0.f}, peak_during{0.f};
  std::atomic<uint32_t> xruns{0};

  ~probe() {
    if (client) jack_client_close(client);
  }

  bool open() {
    jack_status_t status{};
    client = jack_client_open("vorn-probe", JackNoStartServer, &status);
    if (!client) return false;
    midi_out = jack_port_register(client, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    in[0] = jack_port_register(client, "in_left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    in[1] = jack_port_register(client, "in_right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client, on_process, this);
    jack_set_xrun_callback(client, on_xrun, this);
    return midi_out && in[0] && in[1] && jack_activate(client) == 0;
  }

  static int on_xrun(void* arg) {
    static_cast<probe*>(arg)->xruns.fetch_add(1);
    return 0;
  }

  static void raise(std::atomic<float>& peak, float v) {
    if (v > peak.load(std::memory_order_relaxed)) peak.store(v, std::memory_order_relaxed);
  }

  // While playing: a held C3 under a run of C4 E4 G4 C5, a step every
  // quarter second, so MIDI flows for the whole run.
  static constexpr jack_nframes_t step_frames = 12000;
  static constexpr uint8_t held_note = 48;
  static constexpr uint8_t run_notes[4] = {60, 64, 67, 72};
  jack_nframes_t frames_to_step = 0;
  int step = 0;

  static void note(void* midi, jack_nframes_t at, bool on, uint8_t key) {
    const uint8_t msg[3] = {uint8_t(on ? 0x90 : 0x80), key, uint8_t(on ? 100 : 0)};
    jack_midi_event_write(midi, at, msg, 3);
  }

  // The MIDI of one block; false when this block changes phase (its sound is
  // then neither before nor during).
  bool play(void* midi, jack_nframes_t frames) {
    const int request = note_request.exchange(0);
    if (request == 1) {
      note(midi, 0, true, held_note);
      note(midi, 0, true, run_notes[0]);
      frames_to_step = step_frames;
      step = 0;
      phase.store(1);
      return false;
    }
    if (request == 2) {
      note(midi, 0, false, held_note);
      note(midi, 0, false, run_notes[step % 4]);
      phase.store(2);
      return false;
    }
    if (phase.load() != 1) return true;
    if (frames_to_step <= frames) {
      note(midi, frames_to_step - 1, false, run_notes[step % 4]);
      ++step;
      note(midi, frames_to_step - 1, true, run_notes[step % 4]);
      frames_to_step += step_frames;
    }
    frames_to_step -= frames;
    return true;
  }

  static int on_process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<probe*>(arg);
    void* midi = jack_port_get_buffer(self->midi_out, frames);
    jack_midi_clear_buffer(midi);
    if (!self->play(midi, frames)) return 0;
    float peak = 0.f;
    for (jack_port_t* p : self->in) {
      const auto* s = static_cast<const float*>(jack_port_get_buffer(p, frames));
      for (jack_nframes_t i = 0; i < frames; ++i) peak = std::max(peak, std::fabs(s[i]));
    }
    const int phase = self->phase.load();
    if (phase < 2) raise(phase == 0 ? self->peak_before : self->peak_during, peak);
    return 0;
  }
};

// Waits up to `limit` for `ready`.
template <typename F>
bool wait_for(F&& ready, std::chrono::milliseconds limit) {
  const auto end = clock_type::now() + limit;
  while (!ready()) {
    if (clock_type::now() > end) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

TEST(StandaloneJack, PlaysNotesFromAJackMidiPortAtSixtyFourFrames) {
  if (system("command -v jackd > /dev/null 2>&1") != 0) GTEST_SKIP() << "jackd (jackd2) is not installed";
  const fs::path dir = test_support::make_scratch_dir("vorn-standalone-jack");
  const std::string server = "vorn-test-" + std::to_string(getpid());
  test_support::set_environment("JACK_DEFAULT_SERVER", server);
  test_support::set_environment("JACK_NO_START_SERVER", "1");
  const double seconds = run_seconds();

  child jackd({"jackd", "-n", server, "-d", "dummy", "-r", "48000", "-p", "64"}, dir / "jackd.log");
  ASSERT_TRUE(jackd.started());
  jack_set_error_function([](const char*) {});
  jack_set_info_function([](const char*) {});
  probe p;
  ASSERT_TRUE(wait_for([&] { return !jackd.running() || p.open(); }, 10s) && jackd.running())
      << "the JACK server did not start:\n" << read_text(dir / "jackd.log");

  // --list-ports names the probe's MIDI output and the server's playback ports.
  char* listed = nullptr;
  size_t listed_size = 0;
  std::FILE* out = open_memstream(&listed, &listed_size);
  ASSERT_TRUE(standalone::list_jack_ports(out));
  std::fclose(out);
  const std::string listing(listed, listed_size);
  std::free(listed);
  EXPECT_NE(listing.find("JACK MIDI sources (--midi PORT):\n  vorn-probe:midi_out\n"), std::string::npos) << listing;
  EXPECT_NE(listing.find("  system:playback_1\n"), std::string::npos) << listing;

  const std::string app = std::string(VORN_BUILD_DIR) + "/vorn-standalone";
  char run_for[32];
  std::snprintf(run_for, sizeof run_for, "%.3f", seconds);
  // --midi connects the application to the probe's MIDI output itself.
  child vorn({app, "--no-gui", "--run-for", run_for, "--midi", "vorn-probe:midi_out"}, dir / "vorn.log");
  ASSERT_TRUE(vorn.started());
  // Running once its outputs reach the server's playback ports and --midi
  // took the probe's output (it connects both after activating).
  const auto playing = [&] {
    jack_port_t* out = jack_port_by_name(p.client, "vorn:out_left");
    return out && jack_port_connected_to(out, "system:playback_1") &&
           jack_port_connected_to(p.midi_out, "vorn:midi_in");
  };
  ASSERT_TRUE(wait_for([&] { return !vorn.running() || playing(); }, 20s) && vorn.running())
      << read_text(dir / "vorn.log");
  const auto app_start = clock_type::now();
  const uint32_t probe_xruns_at_start = p.xruns.load();
  ASSERT_EQ(jack_connect(p.client, "vorn:out_left", jack_port_name(p.in[0])), 0);
  ASSERT_EQ(jack_connect(p.client, "vorn:out_right", jack_port_name(p.in[1])), 0);

  // Silence first, then notes until a second and a half before the end.
  std::this_thread::sleep_for(300ms);
  p.note_request.store(1);
  std::this_thread::sleep_until(app_start + std::chrono::milliseconds(int64_t(seconds * 1000) - 1500));
  p.note_request.store(2);
  // The server's xruns while both clients run: counted up to shortly before the application's end.
  std::this_thread::sleep_until(app_start + std::chrono::milliseconds(int64_t(seconds * 1000) - 500));
  const uint32_t probe_xruns = p.xruns.load() - probe_xruns_at_start;

  const auto limit = std::chrono::milliseconds(int64_t(seconds * 1000)) + 30s;
  ASSERT_TRUE(vorn.wait(limit)) << "the application did not end after --run-for";
  const double ran = std::chrono::duration<double>(clock_type::now() - app_start).count();
  jack_client_close(p.client);
  p.client = nullptr;
  jackd.stop();

  const std::string log = read_text(dir / "vorn.log");
  std::printf("%s", log.c_str());
  EXPECT_EQ(vorn.exit_code(), 0) << log;
  EXPECT_NE(log.find("playing on JACK (" + server + "), 48000 Hz, 64 frames"), std::string::npos) << log;
  EXPECT_GT(ran, seconds * 0.8) << "it ran for its --run-for time";
  EXPECT_LT(p.peak_before.load(), 1e-4f) << "silence before the note";
  EXPECT_GT(p.peak_during.load(), 0.01f) << "the notes are heard at the outputs";

  double average = -1, peak = -1;
  unsigned xruns = 999999;
  const size_t at = log.find("CPU load ");
  ASSERT_NE(at, std::string::npos) << log;
  ASSERT_EQ(std::sscanf(log.c_str() + at, "CPU load %lf %% average, %lf %% peak; xruns %u", &average, &peak, &xruns), 3)
      << log;
  std::printf("figures: %.1f s at 64 frames, CPU load %.1f %% average, %.1f %% peak, xruns %u (server xruns seen by "
              "the test client: %u)\n",
              ran, average, peak, xruns, probe_xruns);
  EXPECT_GT(average, 0.0);
  EXPECT_LT(average, 100.0) << "the synth keeps up with real time";
  EXPECT_GE(xruns, probe_xruns) << "the application counts the xruns its server reports";
  if (strict_xruns()) {
    EXPECT_EQ(xruns, 0u);
  }

  // The session was saved on quit.
  std::vector<char> head(4);
  std::ifstream saved(platform::app_data_dir() + "standalone.vornstate", std::ios::binary);
  ASSERT_TRUE(saved.read(head.data(), 4)) << "no session saved";
  EXPECT_EQ(std::string(head.data(), 4), "vorn");
  test_support::set_environment("JACK_DEFAULT_SERVER", "");
  fs::remove_all(dir);
}

TEST(StandaloneApp, WithoutJackAndSoundDevicesItSaysSoInOneLineAndFails) {
  const fs::path dir = test_support::make_scratch_dir("vorn-standalone-nosound");
  // A JACK server nobody runs, and an ALSA configuration that defines no device.
  test_support::set_environment("JACK_DEFAULT_SERVER", "vorn-test-none-" + std::to_string(getpid()));
  test_support::set_environment("JACK_NO_START_SERVER", "1");
  std::ofstream(dir / "alsa.conf").close();
  test_support::set_environment("ALSA_CONFIG_PATH", (dir / "alsa.conf").string());
  child vorn({std::string(VORN_BUILD_DIR) + "/vorn-standalone", "--no-gui"}, dir / "vorn.log");
  const bool ended = vorn.wait(20s);
  test_support::set_environment("JACK_DEFAULT_SERVER", "");
  test_support::set_environment("ALSA_CONFIG_PATH", "");
  ASSERT_TRUE(ended) << "it kept running without sound";
  const std::string log = read_text(dir / "vorn.log");
  EXPECT_EQ(vorn.exit_code(), 1);
  EXPECT_EQ(log.rfind("vorn-standalone: no JACK server is running (vorn-test-none-", 0), 0u) << log;
  EXPECT_NE(log.find(" and no ALSA sound device could be opened (default: "), std::string::npos) << log;
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
  fs::remove_all(dir);
}

TEST(StandaloneApp, AnUnknownOptionIsRefusedBeforeAnySoundStarts) {
  const fs::path dir = test_support::make_scratch_dir("vorn-standalone-options");
  child vorn({std::string(VORN_BUILD_DIR) + "/vorn-standalone", "--no-such-option"}, dir / "vorn.log");
  ASSERT_TRUE(vorn.wait(20s));
  EXPECT_EQ(vorn.exit_code(), 2);
  EXPECT_EQ(read_text(dir / "vorn.log"), "vorn-standalone: unknown option --no-such-option (see --help)\n");
  fs::remove_all(dir);
}

}  // namespace
