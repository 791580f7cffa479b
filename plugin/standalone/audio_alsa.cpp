// The ALSA backend: playback on a PCM device (interleaved stereo, float where
// the device or ALSA's plug layer takes it, else 16-bit) from a thread of our
// own, MIDI from the sequencer (midi_alsa.cpp).
#include <alsa/asoundlib.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "plugin/standalone/audio_backend.h"
#include "plugin/standalone/midi_alsa.h"

namespace standalone {

namespace {

constexpr unsigned sample_rate_hz = 48000;
constexpr unsigned latency_us = 10000;  // ALSA picks the period from it (a few ms)
constexpr int audio_thread_priority = 70;  // SCHED_FIFO, when the system grants it

// ALSA reports failures on stderr by default; we report them ourselves.
void quiet(const char*, int, const char*, int, const char*, ...) {}

int16_t to_s16(float x) {
  const float c = std::clamp(x, -1.f, 1.f);
  return int16_t(c * 32767.f);
}

class alsa_backend : public audio_backend {
 public:
  ~alsa_backend() override {
    stop();
    if (pcm_) snd_pcm_close(pcm_);
  }

  bool open(const backend_request& request, std::string& error) {
    snd_lib_error_set_handler(quiet);
    device_ = request.alsa_device;
    int r = snd_pcm_open(&pcm_, device_.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
    if (r < 0) {
      pcm_ = nullptr;
      error = "no ALSA sound device could be opened (" + device_ + ": " + snd_strerror(r) + ")";
      return false;
    }
    float_ = snd_pcm_set_params(pcm_, SND_PCM_FORMAT_FLOAT, SND_PCM_ACCESS_RW_INTERLEAVED, 2, sample_rate_hz, 1,
                                latency_us) == 0;
    if (!float_ && (r = snd_pcm_set_params(pcm_, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 2,
                                           sample_rate_hz, 1, latency_us)) < 0) {
      error = "the ALSA device " + device_ + " takes no stereo stream (" + snd_strerror(r) + ")";
      return false;
    }
    snd_pcm_uframes_t buffer = 0, period = 0;
    snd_pcm_get_params(pcm_, &buffer, &period);
    period_ = int32_t(std::max<snd_pcm_uframes_t>(period, 16));
    left_.assign(size_t(period_), 0.f);
    right_.assign(size_t(period_), 0.f);
    interleaved_float_.assign(size_t(period_) * 2, 0.f);
    interleaved_s16_.assign(size_t(period_) * 2, 0);
    std::string midi_error;
    if (!midi_.open(request.client_name, request.midi_port, midi_error)) midi_problem_ = midi_error;
    return true;
  }

  bool start(audio_client& client, std::string& error) override {
    target_ = &client;
    running_.store(true);
    thread_ = std::thread([this] { run(); });
    midi_.start(midi_fifo_);
    return true;
  }

  void stop() override {
    midi_.stop();
    running_.store(false);
    if (thread_.joinable()) thread_.join();
  }

  double sample_rate() const override { return sample_rate_hz; }
  int32_t block_frames() const override { return period_; }
  std::string device_name() const override { return "ALSA " + device_; }
  std::string midi_input() const override {
    return midi_problem_.empty() ? "ALSA " + midi_.port_name() : midi_problem_;
  }
  bool midi_connected() const override { return midi_.connected(); }
  uint32_t xruns() const override { return xruns_.load(std::memory_order_relaxed); }
  bool alive() const override { return !failed_.load(std::memory_order_relaxed); }
  std::string notice() const override { return midi_.notice(); }

 private:
  void run() {
    sched_param sp{};
    sp.sched_priority = audio_thread_priority;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &sp);  // plain priority when refused
    while (running_.load(std::memory_order_relaxed)) {
      midi_message m;
      while (midi_fifo_.pop(m)) target_->queue_midi(queued_midi{0, m});
      target_->render(left_.data(), right_.data(), period_);
      if (!write_period()) {
        failed_.store(true);
        return;
      }
    }
  }

  // False when the device failed for good (unplugged).
  bool write_period() {
    const void* data;
    if (float_) {
      for (int32_t i = 0; i < period_; ++i) {
        interleaved_float_[size_t(i) * 2] = left_[size_t(i)];
        interleaved_float_[size_t(i) * 2 + 1] = right_[size_t(i)];
      }
      data = interleaved_float_.data();
    } else {
      for (int32_t i = 0; i < period_; ++i) {
        interleaved_s16_[size_t(i) * 2] = to_s16(left_[size_t(i)]);
        interleaved_s16_[size_t(i) * 2 + 1] = to_s16(right_[size_t(i)]);
      }
      data = interleaved_s16_.data();
    }
    const snd_pcm_sframes_t n = snd_pcm_writei(pcm_, data, snd_pcm_uframes_t(period_));
    if (n >= 0) return true;
    if (n == -EPIPE) xruns_.fetch_add(1, std::memory_order_relaxed);
    return snd_pcm_recover(pcm_, int(n), 1) == 0;
  }

  snd_pcm_t* pcm_ = nullptr;
  std::string device_;
  bool float_ = true;
  int32_t period_ = 256;
  std::vector<float> left_, right_, interleaved_float_;
  std::vector<int16_t> interleaved_s16_;
  alsa_midi_input midi_;
  std::string midi_problem_;
  midi_fifo midi_fifo_;
  audio_client* target_ = nullptr;
  std::thread thread_;
  std::atomic<bool> running_{false}, failed_{false};
  std::atomic<uint32_t> xruns_{0};
};

}  // namespace

std::unique_ptr<audio_backend> open_alsa(const backend_request& request, std::string& error) {
  auto b = std::make_unique<alsa_backend>();
  if (!b->open(request, error)) return nullptr;
  return b;
}

bool list_alsa_ports(std::FILE* out) {
  snd_lib_error_set_handler(quiet);
  int card = -1;
  int cards = 0;
  std::fprintf(out, "ALSA sound cards:\n");
  while (snd_card_next(&card) == 0 && card >= 0) {
    char* name = nullptr;
    if (snd_card_get_name(card, &name) == 0) {
      std::fprintf(out, "  hw:%d  %s\n", card, name);
      free(name);
    }
    ++cards;
  }
  if (cards == 0) std::fprintf(out, "  (none)\n");
  if (!list_alsa_midi_sources(out)) std::fprintf(out, "ALSA sequencer: not available\n");
  return cards > 0;
}

}  // namespace standalone
