#include "tools/render/sound_files.h"

#include <cstring>
#include <memory>
#include <vector>

#include "files/pcm_chunk.h"
#include "files/preset_chunk.h"
#include "files/preset_files.h"
#include "files/wave_load.h"
#include "riff/bytes.h"
#include "riff/chunk.h"
#include "riff/file_buffer.h"

namespace render {

namespace {

using bytes = std::vector<uint8_t>;

bytes get_chunk(vsthost::plugin_instance& plugin, bool preset) {
  void* data = nullptr;
  const intptr_t size = plugin.dispatch(effGetChunk, preset ? 1 : 0, 0, &data);
  if (!data || size <= 0) return {};
  const auto* p = static_cast<const uint8_t*>(data);
  return bytes(p, p + size);
}

void set_chunk(vsthost::plugin_instance& plugin, bool preset, bytes& chunk) {
  plugin.dispatch(effSetChunk, preset ? 1 : 0, intptr_t(chunk.size()), chunk.data());
}

template <typename Writer>
bytes written(Writer&& write) {
  bytes out(write(nullptr));
  write(out.data());
  return out;
}

// The state with its child `id` replaced by `child`; empty when the state
// holds no such child.
bytes replace_child(const bytes& state, const char* id, const bytes& child) {
  const riff::chunk_view vorn = riff::chunk_at(state.data(), state.size());
  const riff::chunk_view old = riff::find_chunk(vorn, id);
  if (!old) return {};
  const size_t before = size_t(old.data - state.data());
  bytes out(state.begin(), state.begin() + long(before));
  out.insert(out.end(), child.begin(), child.end());
  out.insert(out.end(), state.begin() + long(before + old.size), state.begin() + long(vorn.size));
  riff::put_u32(out.data() + 4, uint32_t(out.size()));
  return out;
}

bool load_file(const std::string& path, riff::file_buffer& in, std::string& error) {
  if (in.load(path)) return true;
  error = "cannot read " + path;
  return false;
}

bool store(const bytes& data, const std::string& path, std::string& error) {
  riff::file_buffer out;
  out.assign(data.data(), data.size());
  if (!data.empty() && out.store(path)) return true;
  error = "cannot save " + path;
  return false;
}

bool apply_child(vsthost::plugin_instance& plugin, const char* id, const bytes& child, std::string& error) {
  bytes state = replace_child(get_chunk(plugin, false), id, child);
  if (state.empty()) {
    error = std::string("the plug-in's state has no \"") + id + "\" chunk";
    return false;
  }
  set_chunk(plugin, false, state);
  return true;
}

}  // namespace

bool apply_state_file(vsthost::plugin_instance& plugin, const std::string& path, std::string& error) {
  riff::file_buffer in;
  if (!load_file(path, in, error)) return false;
  if (!riff::chunk_at(in.data(), in.size()).is("vorn")) {
    error = path + ": not a state file";
    return false;
  }
  bytes state(in.data(), in.data() + in.size());
  set_chunk(plugin, false, state);
  return true;
}

bool apply_bank_file(vsthost::plugin_instance& plugin, const std::string& path, std::string& error) {
  const bytes state = get_chunk(plugin, false);
  auto bank = std::make_unique<synth::bank>();
  files::read_bank_chunk(riff::find_chunk(riff::chunk_at(state.data(), state.size()), "kvxb"), *bank);
  const std::string result = files::load_bank_file(path, *bank);
  if (!result.empty()) {
    error = path + ": " + result;
    return false;
  }
  return apply_child(plugin, "kvxb", written([&](uint8_t* d) { return files::write_bank_chunk(d, *bank); }),
                     error);
}

bool apply_preset_file(vsthost::plugin_instance& plugin, const std::string& path, std::string& error) {
  const bytes current = get_chunk(plugin, true);
  synth::preset p;
  files::read_preset_chunk(riff::chunk_at(current.data(), current.size()), p);
  const std::string result = files::load_preset_file(path, p);
  if (!result.empty() && result != "loaded preset ?") {
    error = path + ": " + result;
    return false;
  }
  bytes chunk = written([&](uint8_t* d) { return files::write_preset_chunk(d, p); });
  set_chunk(plugin, true, chunk);
  return true;
}

bool add_wave_file(vsthost::plugin_instance& plugin, const std::string& path, std::string& error) {
  const bytes state = get_chunk(plugin, false);
  synth::pcm_list list;
  files::read_pcms_chunk(riff::find_chunk(riff::chunk_at(state.data(), state.size()), "pcms"), list);
  synth::pcm_record r;
  const std::string result = synth::read_wave_record(path, r);
  if (result.compare(0, 12, "Loaded wave\n") != 0) {
    error = path + ": " + result;
    return false;
  }
  list.add(std::move(r));
  return apply_child(plugin, "pcms", written([&](uint8_t* d) { return files::write_pcms_chunk(d, list); }),
                     error);
}

bool save_state_file(vsthost::plugin_instance& plugin, const std::string& path, std::string& error) {
  return store(get_chunk(plugin, false), path, error);
}

bool save_preset_file(vsthost::plugin_instance& plugin, const std::string& path, std::string& error) {
  return store(get_chunk(plugin, true), path, error);
}

}  // namespace render
