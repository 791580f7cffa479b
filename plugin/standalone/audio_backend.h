// The sound system behind the application: JACK (audio_jack.cpp) when a
// server runs, else ALSA playback and the ALSA sequencer (audio_alsa.cpp,
// midi_alsa.cpp). A backend owns the audio thread and calls its client from
// it; everything else here runs on the main thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "plugin/standalone/midi_bytes.h"

namespace standalone {

// What the audio thread drives (the player). Neither call may allocate,
// lock or wait.
class audio_client {
 public:
  virtual ~audio_client() = default;
  // A MIDI message for the block about to be rendered.
  virtual void queue_midi(const queued_midi& m) = 0;
  // Renders `frames` samples into both outputs (replacing what is there).
  virtual void render(float* left, float* right, int32_t frames) = 0;
};

struct backend_request {
  std::string client_name = "vorn";  // JACK client / ALSA sequencer client name
  std::string midi_port;             // listen to this source ("" : the physical ones under JACK)
  std::string alsa_device = "default";
};

class audio_backend {
 public:
  virtual ~audio_backend() = default;
  // Starts the audio thread; false with `error` set when it cannot run.
  virtual bool start(audio_client& client, std::string& error) = 0;
  // Ends the audio thread: the client is not called after this returns.
  virtual void stop() = 0;

  virtual double sample_rate() const = 0;
  virtual int32_t block_frames() const = 0;
  virtual std::string device_name() const = 0;  // "JACK (default)", "ALSA default"
  virtual std::string midi_input() const = 0;   // the port others connect to, or why there is none
  // Some MIDI source is connected to the input (the typing keyboard rests then).
  virtual bool midi_connected() const = 0;
  virtual uint32_t xruns() const = 0;
  // False once the sound system went away (the JACK server ended).
  virtual bool alive() const = 0;
  // A problem worth a line after start (the --midi port could not be
  // connected); empty when none.
  virtual std::string notice() const { return {}; }
};

// Each returns null with `error` set (one line, no trailing full stop) when
// its system is not there; neither prints anything itself.
std::unique_ptr<audio_backend> open_jack(const backend_request& request, std::string& error);
std::unique_ptr<audio_backend> open_alsa(const backend_request& request, std::string& error);

// --list-ports: the MIDI sources and audio outputs each system offers. False
// when the system is not there (nothing printed then).
bool list_jack_ports(std::FILE* out);
bool list_alsa_ports(std::FILE* out);

}  // namespace standalone
