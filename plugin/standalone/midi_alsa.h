// MIDI through the ALSA sequencer, for when no JACK server runs: a port
// others connect to ("Vorn:MIDI in"), read by a thread of its own that hands
// each message to the audio thread through a lock-free ring.
#pragma once

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "plugin/standalone/midi_fifo.h"

typedef struct _snd_seq snd_seq_t;
typedef struct snd_midi_event snd_midi_event_t;

namespace standalone {

class alsa_midi_input {
 public:
  alsa_midi_input() = default;
  alsa_midi_input(const alsa_midi_input&) = delete;
  alsa_midi_input& operator=(const alsa_midi_input&) = delete;
  ~alsa_midi_input();

  // Opens the sequencer and makes the port; connects `source` ("client:port"
  // or a client name) when given. False with `error` set when there is no
  // sequencer; a source that cannot be connected only sets notice().
  bool open(const std::string& client_name, const std::string& source, std::string& error);
  // The reading thread: messages go into `into` until stop.
  void start(midi_fifo& into);
  void stop();

  std::string port_name() const;  // "128:0"
  bool connected() const { return subscribers_.load(std::memory_order_relaxed) > 0; }
  const std::string& notice() const { return notice_; }

 private:
  void run(midi_fifo& into);
  void read_pending(midi_fifo& into);
  void count_subscribers();

  snd_seq_t* seq_ = nullptr;
  snd_midi_event_t* decoder_ = nullptr;
  int port_ = -1;
  std::string notice_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::atomic<int> subscribers_{0};
};

// The sequencer's MIDI sources (readable, subscribable ports of other
// clients). False when there is no sequencer.
bool list_alsa_midi_sources(std::FILE* out);

}  // namespace standalone
