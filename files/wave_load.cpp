#include "files/wave_load.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "riff/bytes.h"
#include "riff/file_buffer.h"
#include "synth/dsp/exp2.h"
#include "synth/dsp/oscillator.h"

namespace synth {

namespace {

// A sample without a sampler chunk plays at its recorded pitch on middle C
// (MIDI note 60, 440 * 2^(-9/12) Hz), the note a sampler's unity note
// defaults to.
constexpr double tuning_reference_hz = 261.6255653005986;
constexpr const char* add_error_text =
    "Error in synth::loadwave()\nPCM array encountered an error while adding RIFF data";
constexpr float float_sample_top = 0.99999f;  // the single 0x3F7FFF58: keeps 1.0 off +32768

std::string file_title(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return name;
}

int16_t sample_of(const riff::wave_reader& w, const uint8_t* p) {
  if (w.format_tag == riff::format_ieee_float) {
    float x = riff::read_f32(p);
    if (std::isnan(x)) x = 0.f;
    x = x < -1.f ? -1.f : (x > float_sample_top ? float_sample_top : x);
    return int16_t(x * 32768.f);  // truncated toward zero
  }
  if (w.bits_per_sample == 8) return int16_t((int(p[0]) - 128) * 256);
  return int16_t(riff::read_u16(p));
}

bool ends_with(const std::string& s, const char* tail) {
  const std::string t(tail);
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

}  // namespace

float frames_per_cycle(double rate, double unity_offset) {
  // A sample whose unity note lies above middle C must advance more slowly to
  // sound that note on its key: one cycle spans 2^(offset/12) times the frames.
  // The power of two comes from the engine's 128-steps-per-octave table.
  const double offset = std::isfinite(unity_offset) ? std::fmax(-1200.0, std::fmin(1200.0, unity_offset)) : 0.0;
  return float(double(exp2_fast(float(-offset / 12.0))) * rate / tuning_reference_hz);
}

int convert_wave(const riff::wave_reader& w, pcm_record& r) {
  r = pcm_record{};
  r.name = w.name;
  r.source_bits = w.bits_per_sample;
  const bool integer_ok = w.format_tag == riff::format_integer_pcm && (w.bits_per_sample == 8 || w.bits_per_sample == 16);
  const bool float_ok = w.format_tag == riff::format_ieee_float && w.bits_per_sample == 32;
  if (!integer_ok && !float_ok) return w.format_tag == riff::format_integer_pcm ? -1 : -2;
  const size_t sample_bytes = w.bits_per_sample / 8;
  const size_t frame_bytes = sample_bytes * w.channels;
  const size_t frames = frame_bytes ? std::min<size_t>(w.frame_count, w.samples.size() / frame_bytes) : 0;
  if (frames > size_t(INT32_MAX) - 2 * pcm_record::guard_frames) return -1;
  std::vector<int16_t> mono(frames);
  for (size_t i = 0; i < frames; ++i) mono[i] = sample_of(w, w.samples.data() + i * frame_bytes);
  r.assign(mono.data(), int32_t(frames));
  r.frames_per_cycle = frames_per_cycle(double(w.sample_rate), w.unity_offset);
  if (w.loop_mode != 0 && frames > 0) {
    const uint32_t last = uint32_t(frames - 1);
    r.set_loop(int32_t(std::min(w.loop_start, last)), int32_t(std::min(w.loop_end, last)),
               float(double(w.loop_fraction) * (1.0 / 2147483648.0)));
  }
  if (!r.loop) r.loop_fraction = 0.f;
  r.set_end_guards();
  return 0;
}

int add_wave(synth& engine, const riff::wave_reader& wave) {
  pcm_record r;
  const int result = convert_wave(wave, r);
  platform::scoped_lock hold(engine.engine_lock());
  if (engine.pcms().add(std::move(r)) < 0) return -2;
  return result;
}

std::string read_wave_record(const std::string& path, pcm_record& r, int* add_result) {
  riff::wave_reader wave;
  r = pcm_record{};
  if (add_result) *add_result = 0;
  if (wave.load(path)) return std::string("Error in riff::load\n") + riff::wave_error_text(wave.error);
  if (wave.name.empty()) wave.name = file_title(path);
  if (wave.format_tag == riff::format_integer_pcm && wave.bits_per_sample != 8 && wave.bits_per_sample != 16)
    return "Error in synth::load_wave()\nSample data is PCM but not 8-bit or 16-bit";
  if (wave.format_tag == riff::format_ieee_float && wave.bits_per_sample != 32)
    return "Error in synth::load_wave()\nSample data is float but not 32-bit";
  if (wave.format_tag != riff::format_integer_pcm && wave.format_tag != riff::format_ieee_float)
    return "Error in synth::load_wave()\nSample data is in an unsupported format (not PCM or float)";
  const int converted = convert_wave(wave, r);
  if (add_result) *add_result = converted;
  if (converted != 0) return add_error_text;
  return "Loaded wave\n" + path;
}

// One WAVE file, never a list: a list that named itself (or another list
// naming it back) would otherwise recurse without end.
static std::string load_single_wave(synth& engine, const std::string& path) {
  pcm_record r;
  int converted = 0;
  std::string result = read_wave_record(path, r, &converted);
  if (converted == 0 && result.compare(0, 12, "Loaded wave\n") != 0) return result;
  platform::scoped_lock hold(engine.engine_lock());
  if (engine.pcms().add(std::move(r)) < 0) return add_error_text;
  return result;
}

std::string replace_wave(synth& engine, int index, const std::string& path) {
  if (index < 0 || index >= engine.pcms().count()) return "Error in synth::replace_wave()\nNo such PCM wave";
  auto r = std::make_unique<pcm_record>();
  int converted = 0;
  const std::string result = read_wave_record(path, *r, &converted);
  if (converted == 0 && result.compare(0, 12, "Loaded wave\n") != 0) return result;
  std::unique_ptr<pcm_record> old;
  {
    platform::scoped_lock hold(engine.engine_lock());
    old = engine.pcms().replace(index, std::move(r));
  }
  return result;  // the old record is freed here, outside the lock
}

// The oscillators that played the removed wave fall silent (waveform 0);
// those that named a later wave follow it down one place. Renumbered under
// the same lock as the removal, so no block plays a neighbour's wave.
void remove_wave(synth& engine, int index) {
  std::unique_ptr<pcm_record> old;
  {
    platform::scoped_lock hold(engine.engine_lock());
    old = engine.pcms().remove(index);
    if (!old) return;
    const float removed = float(waveform::count + index);
    for (int program = 0; program < bank_size; ++program)
      for (int param : {int(p::osc_a_waveform), int(p::osc_b_waveform)}) {
        const float v = engine.get_param(param, program);
        if (v == removed) engine.set_param(param, program, 0.f);
        if (v > removed) engine.set_param(param, program, v - 1.f);
      }
  }
  // The old record is freed here, outside the lock.
}

std::string load_wave(synth& engine, const std::string& path) {
  if (ends_with(path, "wavs")) return load_wave_list(engine, path);
  return load_single_wave(engine, path);
}

// The files are read without the engine lock (disk reads must not hold up
// the audio thread); the list is then cleared and the records added under it.
// A list of which no line loads (a file that is no list) replaces nothing.
std::string load_wave_list(synth& engine, const std::string& path) {
  riff::file_buffer list;
  if (!list.load(path)) return "Couldn't access file!\n" + path;
  if (list.size() == 0) return "File is empty!\n" + path;
  // Lines name files beside the list; either separator ends the folder.
  const size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return "Error in path.\n...\n" + path;
  const std::string folder = path.substr(0, slash + 1);
  const std::string text(list.text(), list.size());
  std::vector<pcm_record> records;  // in line order, with the empty records of unconvertible files
  int loaded = 0, failed = 0;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    if (line.empty()) continue;
    pcm_record r;
    int converted = 0;
    const std::string result = ends_with(line, "wavs") ? std::string("nested list")
                                                       : read_wave_record(folder + line, r, &converted);
    const bool ok = converted == 0 && result.compare(0, 12, "Loaded wave\n") == 0;
    if (ok) {
      ++loaded;
    } else {
      ++failed;
    }
    if (ok || converted != 0) records.push_back(std::move(r));
  }
  if (loaded > 0 || failed == 0) {
    platform::scoped_lock hold(engine.engine_lock());
    engine.pcms().clear();
    for (pcm_record& r : records)
      if (engine.pcms().add(std::move(r)) < 0) ++failed;
  }
  char text_out[4200];
  if (failed) {
    std::snprintf(text_out, sizeof text_out, "Failed to load all files from .wavs list!\nFailed on %i lines", failed);
  } else {
    std::snprintf(text_out, sizeof text_out, "Successfully loaded %.4000s\nLoaded %i files", path.c_str(), loaded);
  }
  return text_out;
}

}  // namespace synth
