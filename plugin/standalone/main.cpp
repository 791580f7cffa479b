// vorn-standalone: the synthesizer as an application, on JACK or ALSA, with
// its editor in a window of its own (or none, --no-gui).
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "plugin/instance.h"
#include "plugin/standalone/app_window.h"
#include "plugin/standalone/options.h"
#include "plugin/standalone/player.h"
#include "plugin/standalone/session.h"
#include "plugin/standalone/sound_system.h"
#include "plugin/standalone/typing_keyboard.h"

namespace {

using namespace standalone;

constexpr int32_t window_wait_ms = 10;     // the editor's idle rate while nothing happens
constexpr int32_t headless_wait_ms = 50;
constexpr double status_interval_s = 0.5;  // header refresh

volatile std::sig_atomic_t quit_signal = 0;
void on_signal(int) { quit_signal = 1; }

void say(const std::string& line) { std::fprintf(stderr, "vorn-standalone: %s\n", line.c_str()); }

class app_shell : public plugin::host_shell {
 public:
  app_window* window = nullptr;
  bool resize_editor(int32_t width, int32_t height) override { return window && window->resize_editor(width, height); }
};

struct app {
  const options& opts;
  audio_backend& sound;
  plugin::instance& instance;
  player& play;
  typing_keyboard keys;
  bool closed = false;

  std::string midi_text() const {
    std::string s = sound.midi_input();
    if (!sound.midi_connected()) s += " (typing keys, octave " + std::to_string(keys.octave_shift()) + ")";
    return s;
  }

  void key(int32_t code, bool down) {
    midi_message m;
    // A connected keyboard takes over; releases still end what the keys started.
    if (down && !sound.midi_connected() && keys.key_down(code, m)) play.window_input().push(m);
    if (!down && keys.key_up(code, m)) play.window_input().push(m);
  }

  void release_keys() {
    midi_message offs[64];
    const int32_t n = keys.release_all(offs, 64);
    for (int32_t i = 0; i < n; ++i) play.window_input().push(offs[i]);
  }

  header_status status(load_totals& last) const {
    const load_totals now = play.meter().totals();
    header_status s{sound.device_name(), sound.sample_rate(), sound.block_frames(), midi_text(),
                    now.percent_since(last), sound.xruns()};
    last = now;
    return s;
  }

  bool should_end(std::chrono::steady_clock::time_point start) const {
    if (quit_signal || closed || !sound.alive()) return true;
    return opts.run_seconds > 0 &&
           std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >= opts.run_seconds;
  }

  void run(app_window* window) {
    const auto start = std::chrono::steady_clock::now();
    auto next_status = start;
    load_totals last;
    while (!should_end(start)) {
      if (!window) {
        std::this_thread::sleep_for(std::chrono::milliseconds(headless_wait_ms));
        continue;
      }
      window->pump(window_wait_ms);
      if (std::chrono::steady_clock::now() >= next_status) {
        window->show_status(status(last));
        next_status += std::chrono::milliseconds(int(status_interval_s * 1000));
      }
    }
  }
};

std::unique_ptr<app_window> open_window(app& a, app_shell& shell) {
  plugin::editor_object* editor = a.instance.editor();
  if (!editor) {
    say("no editor on this display; playing without a window (Ctrl+C ends)");
    return nullptr;
  }
  auto w = make_app_window();
  w->on_key = [&a](int32_t key, bool down) { a.key(key, down); };
  w->on_focus_lost = [&a] { a.release_keys(); };
  w->on_panic = [&a] { a.play.panic(); };
  w->on_close = [&a] { a.closed = true; };
  std::string error;
  if (!w->open(*editor, error)) {
    say(error + "; playing without a window (Ctrl+C ends)");
    return nullptr;
  }
  shell.window = w.get();
  return w;
}

int play(const options& opts) {
  std::string error;
  backend_request request;
  request.midi_port = opts.midi_port;
  std::unique_ptr<audio_backend> sound = open_sound(request, error);
  if (!sound) {
    say(error);
    return 1;
  }
  app_shell shell;
  plugin::instance* it = plugin::instance::create(&shell, !opts.no_gui);
  if (!it) {
    say("the synthesizer could not be made");
    return 1;
  }
  const std::string restored = restore_session(*it, opts.state_file);
  if (!restored.empty()) say(restored);
  it->set_sample_rate(sound->sample_rate());
  it->set_active(true);
  player p(*it);
  p.init(sound->sample_rate());
  std::signal(SIGINT, on_signal);
  std::signal(SIGTERM, on_signal);
  int result = 0;
  if (!sound->start(p, error)) {
    say(error);
    result = 1;
  } else {
    if (!sound->notice().empty()) say(sound->notice());
    app a{opts, *sound, *it, p, {}};
    std::unique_ptr<app_window> window = opts.no_gui ? nullptr : open_window(a, shell);
    std::fprintf(stderr, "vorn-standalone: playing on %s, %.0f Hz, %d frames; MIDI in: %s\n",
                 sound->device_name().c_str(), sound->sample_rate(), sound->block_frames(), a.midi_text().c_str());
    a.run(window.get());
    const bool lost = !sound->alive();
    sound->stop();
    it->set_active(false);
    const std::string saved = save_session(*it);
    if (!saved.empty()) say("the session was not saved: " + saved);
    if (lost) say("the sound system went away");
    const load_totals load = p.meter().totals();
    std::fprintf(stderr, "vorn-standalone: CPU load %.1f %% average, %.1f %% peak; xruns %u\n",
                 load.percent_since(load_totals{}), double(load.peak_permille) / 10.0, sound->xruns());
    if (window) window->close();
    shell.window = nullptr;
    result = lost ? 1 : 0;
  }
  plugin::instance::destroy(it);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  options opts;
  std::string error;
  if (!parse_options(argc, argv, opts, error)) {
    say(error);
    return 2;
  }
  if (opts.help) {
    std::fputs(usage_text(), stdout);
    return 0;
  }
  if (opts.list_ports) {
    if (list_ports(stdout)) return 0;
    say("no JACK server is running and no ALSA sound card is there");
    return 1;
  }
  return play(opts);
}
