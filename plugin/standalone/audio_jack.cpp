// The JACK backend: two audio outputs and one MIDI input on a client of the
// running server (the application never starts a server itself). MIDI events
// reach the instance at their frames within the block.
#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "plugin/standalone/audio_backend.h"

namespace standalone {

namespace {

// libjack reports a missing server (and more) on stderr; the application
// says it in its own words instead.
void quiet(const char*) {}

void silence_jack() {
  jack_set_error_function(quiet);
  jack_set_info_function(quiet);
}

std::string server_name() {
  const char* s = std::getenv("JACK_DEFAULT_SERVER");
  return s && *s ? s : "default";
}

// Connects every port of `names` (a jack_get_ports list) to `ours` (or the reverse).
void connect_all(jack_client_t* c, const char** names, const char* ours, bool from_them) {
  if (!names) return;
  for (const char** n = names; *n; ++n) {
    if (from_them) {
      jack_connect(c, *n, ours);
    } else {
      jack_connect(c, ours, *n);
    }
  }
  jack_free(names);
}

class jack_backend : public audio_backend {
 public:
  ~jack_backend() override {
    stop();
    if (client_) jack_client_close(client_);
  }

  bool open(const backend_request& request, std::string& error) {
    silence_jack();
    jack_status_t status{};
    client_ = jack_client_open(request.client_name.c_str(), JackNoStartServer, &status);
    if (!client_) {
      error = "no JACK server is running (" + server_name() + ")";
      return false;
    }
    out_[0] = jack_port_register(client_, "out_left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    out_[1] = jack_port_register(client_, "out_right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    midi_in_ = jack_port_register(client_, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (!out_[0] || !out_[1] || !midi_in_) {
      error = "the JACK server refused the ports";
      return false;
    }
    midi_port_ = request.midi_port;
    jack_set_process_callback(client_, on_process, this);
    jack_set_xrun_callback(client_, on_xrun, this);
    jack_on_shutdown(client_, on_shutdown, this);
    return true;
  }

  bool start(audio_client& client, std::string& error) override {
    target_ = &client;
    if (jack_activate(client_) != 0) {
      error = "the JACK server would not run the client";
      return false;
    }
    active_ = true;
    connect_outputs();
    connect_midi();
    return true;
  }

  void stop() override {
    if (active_) jack_deactivate(client_);
    active_ = false;
  }

  double sample_rate() const override { return double(jack_get_sample_rate(client_)); }
  int32_t block_frames() const override { return int32_t(jack_get_buffer_size(client_)); }
  std::string device_name() const override { return "JACK (" + server_name() + ")"; }
  std::string midi_input() const override { return jack_port_name(midi_in_); }
  bool midi_connected() const override { return jack_port_connected(midi_in_) > 0; }
  uint32_t xruns() const override { return xruns_.load(std::memory_order_relaxed); }
  bool alive() const override { return !gone_.load(std::memory_order_relaxed); }
  std::string notice() const override { return notice_; }

 private:
  static int on_process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<jack_backend*>(arg);
    void* midi = jack_port_get_buffer(self->midi_in_, frames);
    const uint32_t count = jack_midi_get_event_count(midi);
    for (uint32_t i = 0; i < count; ++i) {
      jack_midi_event_t ev;
      queued_midi q;
      if (jack_midi_event_get(&ev, midi, i) == 0 && translate_midi(ev.buffer, ev.size, ev.time, int32_t(frames), q))
        self->target_->queue_midi(q);
    }
    auto* left = static_cast<float*>(jack_port_get_buffer(self->out_[0], frames));
    auto* right = static_cast<float*>(jack_port_get_buffer(self->out_[1], frames));
    self->target_->render(left, right, int32_t(frames));
    return 0;
  }

  static int on_xrun(void* arg) {
    auto* self = static_cast<jack_backend*>(arg);
    self->xruns_.fetch_add(1, std::memory_order_relaxed);
    return 0;
  }

  static void on_shutdown(void* arg) { static_cast<jack_backend*>(arg)->gone_.store(true); }

  // The outputs go to the first two physical playback ports, as a player expects.
  void connect_outputs() {
    const char** sinks = jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsInput);
    if (!sinks) return;
    for (int ch = 0; ch < 2 && sinks[ch]; ++ch) jack_connect(client_, jack_port_name(out_[ch]), sinks[ch]);
    jack_free(sinks);
  }

  // --midi names the source; without it every physical MIDI source is heard.
  void connect_midi() {
    const char* ours = jack_port_name(midi_in_);
    if (!midi_port_.empty()) {
      if (jack_connect(client_, midi_port_.c_str(), ours) != 0 && jack_port_connected_to(midi_in_, midi_port_.c_str()) == 0)
        notice_ = "cannot connect the MIDI port " + midi_port_ + " (see --list-ports)";
      return;
    }
    connect_all(client_, jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsPhysical | JackPortIsOutput),
                ours, true);
  }

  jack_client_t* client_ = nullptr;
  jack_port_t* out_[2] = {};
  jack_port_t* midi_in_ = nullptr;
  audio_client* target_ = nullptr;
  std::string midi_port_;
  std::string notice_;
  bool active_ = false;
  std::atomic<uint32_t> xruns_{0};
  std::atomic<bool> gone_{false};
};

void print_ports(std::FILE* out, jack_client_t* c, const char* title, const char* type, unsigned long flags) {
  std::fprintf(out, "%s:\n", title);
  const char** names = jack_get_ports(c, nullptr, type, flags);
  if (!names || !names[0]) std::fprintf(out, "  (none)\n");
  for (const char** n = names; n && *n; ++n) std::fprintf(out, "  %s\n", *n);
  if (names) jack_free(names);
}

}  // namespace

std::unique_ptr<audio_backend> open_jack(const backend_request& request, std::string& error) {
  auto b = std::make_unique<jack_backend>();
  if (!b->open(request, error)) return nullptr;
  return b;
}

bool list_jack_ports(std::FILE* out) {
  silence_jack();
  jack_status_t status{};
  jack_client_t* c = jack_client_open("vorn-list", JackNoStartServer, &status);
  if (!c) return false;
  std::fprintf(out, "JACK server %s, %u Hz, %u frames\n", server_name().c_str(), unsigned(jack_get_sample_rate(c)),
               unsigned(jack_get_buffer_size(c)));
  print_ports(out, c, "JACK MIDI sources (--midi PORT)", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput);
  print_ports(out, c, "JACK audio outputs", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput);
  jack_client_close(c);
  return true;
}

}  // namespace standalone
