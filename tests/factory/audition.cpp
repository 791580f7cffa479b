#include "tests/factory/audition.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>

#include "tools/render/render_job.h"
#include "tools/render/sound_files.h"
#include "tools/vsthost/plugin_instance.h"
#include "tools/vsthost/plugin_library.h"

namespace factory_test {

namespace {

constexpr int32_t rate_hz = 44100;
constexpr int32_t block_frames = 512;
constexpr double settle_seconds = 0.5;  // silence that ends a render
// Loudness gating after ITU-R BS.1770-4: 400 ms blocks overlapping by 75 %,
// those more than 10 dB below the ungated level (or below -70 dB) left out.
constexpr int32_t gate_step_frames = rate_hz / 10;
constexpr int gate_block_steps = 1;
constexpr double relative_gate = 0.1;
constexpr double absolute_gate = 1e-7;

const vsthost::plugin_library* shared_library(std::string& error) {
  static vsthost::plugin_library library;
  static bool opened = library.open(VORN_PLUGIN_PATH, error);
  return opened ? &library : nullptr;
}

bool load_sound(vsthost::plugin_instance& plugin, const audition_request& r, std::string& error) {
  if (!r.state.empty()) {
    if (!render::apply_state_file(plugin, r.state, error)) return false;
  } else if (!r.bank.empty()) {
    if (!render::apply_bank_file(plugin, r.bank, error)) return false;
  }
  plugin.set_program(r.program);
  return true;
}

// Block-by-block figures, with the end of the tail found as the render goes.
class meter {
 public:
  meter(audition_result& out, double notes_end) : out_(out), notes_end_(notes_end) {}

  // False once the tail has been silent long enough.
  bool add(const float* l, const float* r, int32_t n) {
    double block_peak = 0.0;
    for (int32_t i = 0; i < n; ++i) {
      const double a = l[i], b = r[i];
      if (!std::isfinite(a) || !std::isfinite(b)) {
        out_.finite = false;
        continue;
      }
      block_peak = std::max({block_peak, std::fabs(a), std::fabs(b)});
      sum_[0] += a, sum_[1] += b;
      if (frames_ + i < notes_frames()) add_square(a * a + b * b);
    }
    out_.peak = std::max(out_.peak, block_peak);
    frames_ += n;
    const double t = double(frames_) / rate_hz;
    if (block_peak > silence || !out_.finite) last_loud_ = t;
    return t < notes_end_ || t - last_loud_ < settle_seconds;
  }

  void finish() {
    if (frames_ == 0) return;
    out_.dc[0] = sum_[0] / double(frames_);
    out_.dc[1] = sum_[1] / double(frames_);
    out_.notes_rms = std::sqrt(squares_ / (2.0 * double(std::min(frames_, notes_frames()))));
    out_.gated_rms = gated();
    const double end = double(frames_) / rate_hz;
    out_.tail_seconds = end - last_loud_ >= settle_seconds ? std::max(last_loud_ - notes_end_, 0.0) : -1.0;
  }

 private:
  int64_t notes_frames() const { return int64_t(notes_end_ * rate_hz); }

  void add_square(double s) {
    squares_ += s;
    step_sum_ += s;
    if (++step_frames_ == gate_step_frames) {
      steps_.push_back(step_sum_ / (2.0 * gate_step_frames));
      step_sum_ = 0.0;
      step_frames_ = 0;
    }
  }

  double gated() const {
    std::vector<double> blocks;
    for (size_t i = 0; i + gate_block_steps <= steps_.size(); ++i) {
      double z = 0.0;
      for (int k = 0; k < gate_block_steps; ++k) z += steps_[i + size_t(k)];
      blocks.push_back(z / gate_block_steps);
    }
    double sum = 0.0, count = 0.0;
    for (double z : blocks)
      if (z > absolute_gate) sum += z, count += 1.0;
    if (count == 0.0) return 0.0;
    const double gate = relative_gate * sum / count;
    sum = count = 0.0;
    for (double z : blocks)
      if (z > absolute_gate && z > gate) sum += z, count += 1.0;
    return std::sqrt(sum / count);
  }

  audition_result& out_;
  double notes_end_;
  int64_t frames_ = 0;
  double sum_[2] = {0.0, 0.0};
  double squares_ = 0.0;
  double step_sum_ = 0.0;
  int32_t step_frames_ = 0;
  std::vector<double> steps_;  // mean squares of the 100 ms steps
  double last_loud_ = 0.0;
};

}  // namespace

std::string factory_dir() { return VORN_FACTORY_DIR; }

std::string factory_bank() { return factory_dir() + "/Vorn Factory.vornbank"; }

std::vector<factory_sound> read_sound_index() { return factory::read_sound_index(factory_dir() + "/sounds.tsv"); }

audition_request request_for(const factory_sound& s) {
  audition_request r;
  if (!s.state.empty()) r.state = factory_dir() + "/" + s.state;
  else r.bank = factory_bank();
  r.program = s.slot;
  return r;
}

bool plays_in_drum_mode(const factory_sound& s) { return s.category == "Drums"; }

int drum_key(const factory_sound& s) { return s.slot + 24; }

std::vector<midi::timed_message> on_one_key(const std::vector<midi::timed_message>& messages, int key) {
  std::vector<midi::timed_message> out;
  for (midi::timed_message m : messages) {
    const uint8_t kind = m.bytes[0] & 0xF0;
    if (kind == 0x80 || kind == 0x90) {
      m.bytes[1] = uint8_t(key);
      const bool repeat = !out.empty() && out.back().seconds == m.seconds && (out.back().bytes[0] & 0xF0) == kind;
      if (repeat) continue;
    }
    out.push_back(m);
  }
  return out;
}

audition_result audition(const audition_request& request) {
  audition_result out;
  const vsthost::plugin_library* library = shared_library(out.error);
  auto plugin = std::make_unique<vsthost::plugin_instance>();
  if (!library || !plugin->create(*library, out.error)) return out;
  plugin->set_sample_rate(rate_hz);
  plugin->set_block_size(block_frames);
  if (!load_sound(*plugin, request, out.error)) return out;
  plugin->resume();
  render::render_settings settings;
  settings.sample_rate = rate_hz;
  settings.block_size = block_frames;
  settings.end_seconds = request.notes_end;
  settings.tail_seconds = request.max_tail;
  meter m(out, request.notes_end);
  bool settled = false;
  const render::block_sink sink = [&](const float* l, const float* r, int32_t n, std::string&) {
    settled = !m.add(l, r, n);
    return !settled;
  };
  render::render_summary summary;
  std::string error;
  if (!render::render_messages(*plugin, request.messages, settings, sink, nullptr, summary, error) && !settled)
    out.error = error;
  m.finish();
  return out;
}

}  // namespace factory_test
