#include "files/preset_files.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files/legacy_files.h"
#include "files/outcome.h"
#include "files/preset_chunk.h"
#include "platform/app_data_dir.h"
#include "riff/file_buffer.h"

namespace files {

namespace {

constexpr const char* preset_extension = ".vornpreset";
constexpr const char* bank_extension = ".vornbank";

bool starts_with(const uint8_t* data, size_t size, const char* id4) {
  return size >= 4 && std::memcmp(data, id4, 4) == 0;
}

// Measure, allocate once, write, store.
template <typename Writer>
std::string store_chunk(const std::string& path, Writer&& write, const char* size_error) {
  riff::file_buffer out;
  if (!out.allocate(write(nullptr))) return size_error;
  write(out.data());
  return out.store(path) ? std::string() : std::string(outcome::cannot_write);
}

}  // namespace

std::string load_preset_data(const uint8_t* data, size_t size, const synth::preset& init,
                             synth::preset& target) {
  if (starts_with(data, size, "KVXi")) return convert_legacy_record(data, size, init, target);
  if (!starts_with(data, size, "kvxi")) return "invalid preset chunk id";
  // A chunk whose size runs past the file is damaged: nothing is read from it.
  const riff::chunk_view c = riff::chunk_at(data, size);
  if (!c) return "damaged preset chunk (file cut short?)";
  read_preset_chunk(c, target);
  return "loaded preset ?";
}

std::string load_preset_file(const std::string& path, synth::preset& target) {
  riff::file_buffer in;
  if (!in.load(path)) return outcome::cannot_open;
  return load_preset_data(in.data(), in.size(), user_init_preset(), target);
}

std::string save_preset_file(const std::string& path, const synth::preset& p) {
  const std::string result =
      store_chunk(path, [&](uint8_t* d) { return write_preset_chunk(d, p); }, "error identifying preset size");
  return result.empty() ? "saved preset" : result;
}

std::string load_bank_file(const std::string& path, synth::bank& b, std::string* message) {
  riff::file_buffer in;
  if (!in.load(path) || in.size() == 0) return outcome::cannot_open;
  return load_bank_data(in.data(), in.size(), user_init_preset(), b, message);
}

std::string load_bank_data(const uint8_t* data, size_t size, const synth::preset& init, synth::bank& b,
                           std::string* message) {
  if (starts_with(data, size, "KVXb")) {
    const std::string result = load_legacy_bank(data, size, init, b);
    if (result.empty() && message) *message = "loaded KVXb ?";
    return result;
  }
  if (!starts_with(data, size, "kvxb")) return "invalid bank chunk id";
  const riff::chunk_view c = riff::chunk_at(data, size);
  if (!c) return "damaged bank chunk (file cut short?)";
  read_bank_chunk(c, b);
  if (message) {
    char text[1024];
    std::snprintf(text, sizeof text, "loaded bank \"%s\"", b.name.c_str());
    *message = text;
  }
  return {};
}

std::string save_bank_file(const std::string& path, const synth::bank& b) {
  return store_chunk(path, [&](uint8_t* d) { return write_bank_chunk(d, b); }, "error identifying bank size");
}

bool load_init_bank(synth::bank& b) {
  const std::string path = platform::app_data_file("init", bank_extension);
  if (path.empty()) return false;
  riff::file_buffer in;
  if (!in.load(path)) return false;
  if (in.size() > 0) load_bank_data(in.data(), in.size(), user_init_preset(), b);
  return true;
}

std::string save_init_bank(const synth::bank& b) {
  const std::string path = platform::app_data_file("init", bank_extension);
  if (path.empty()) return outcome::cannot_write;
  return save_bank_file(path, b);
}

bool load_user_preset(const char* base, synth::preset& p) {
  const std::string path = platform::app_data_file(base, preset_extension);
  riff::file_buffer in;
  if (path.empty() || !in.load(path)) return false;
  read_preset_chunk(riff::chunk_at(in.data(), in.size()), p);
  return true;
}

std::string save_user_preset(const char* base, const synth::preset& p) {
  const std::string path = platform::app_data_file(base, preset_extension);
  if (path.empty()) return outcome::cannot_write;
  const std::string result = save_preset_file(path, p);
  return result == "saved preset" ? std::string() : result;
}

synth::preset user_init_preset() {
  synth::preset init;
  synth::build_factory_init(init);
  load_user_preset("init", init);
  return init;
}

void randomise_preset(synth::preset& p) {
  for (int i = 0; i < synth::preset_param_count; ++i) {
    if (i == synth::p::volume || i == synth::p::panning) continue;
    const synth::param_info& r = synth::param_row(i);
    const float x = r.min + float(std::rand() & 0x7fff) / 32767.f * (r.max - r.min);
    p.set(i, r.is_integer ? std::floor(x + 0.5f) : x);
  }
}

}  // namespace files
