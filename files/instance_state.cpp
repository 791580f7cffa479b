#include "files/instance_state.h"

#include <memory>

#include "files/editor_chunk.h"
#include "files/effects_chunk.h"
#include "files/engine_presets.h"
#include "files/outcome.h"
#include "files/pcm_chunk.h"
#include "files/preset_chunk.h"
#include "files/state_controls.h"
#include "files/tuning_chunk.h"
#include "fx/chain.h"
#include "platform/app_data_dir.h"
#include "riff/bytes.h"
#include "riff/file_buffer.h"

namespace files {

namespace {

// The editor's look: from the editor when there is one; otherwise a kept
// "edtr" goes back as it came, or no background choice and unit scale.
uint32_t write_editor_part(uint8_t* dest, synth::kept_chunks& kept) {
  if (kept.editor_client) return kept.editor_client->write_editor_chunk(dest);
  if (!kept.editor.empty()) {
    riff::chunk_writer w(dest);
    w.bytes(kept.editor.data(), kept.editor.size());
    return w.size();
  }
  return write_editor_chunk(dest, editor_look{});
}

void keep(riff::chunk_view c, std::vector<uint8_t>& into) {
  if (c) into.assign(c.data, c.data + c.size);
}

// Measured and written under the engine lock (the size cannot change in
// between); stored after it is released, so the audio thread never waits for
// the disk.
template <typename Writer>
std::string store_chunk(const std::string& path, synth::synth& engine, Writer&& write) {
  riff::file_buffer out;
  {
    platform::scoped_lock hold(engine.engine_lock());
    if (!out.allocate(write(nullptr))) return outcome::cannot_write;
    write(out.data());
  }
  return out.store(path) ? std::string() : std::string(outcome::cannot_write);
}

std::string read_file(const std::string& path, riff::file_buffer& in) {
  if (!in.load(path)) return "Can't read file (doesn't exist?)";
  if (in.size() == 0) return "Error reading file";
  return {};
}

}  // namespace

uint32_t write_state(uint8_t* dest, synth::synth& engine) {
  platform::scoped_lock hold(engine.engine_lock());
  synth::kept_chunks& kept = engine.kept();
  uint32_t size = riff::header_size;
  size += write_bank_chunk(nullptr, engine.presets()) + ctrl_chunk_size + flag_chunk_size;
  size += write_routes_chunk(nullptr, engine) + write_pcms_chunk(nullptr, engine.pcms());
  size += write_effects_chunk(nullptr, engine.effects()) + write_cc_map_chunk(nullptr, engine.controller_map());
  size += write_editor_part(nullptr, kept) + write_tuning_chunk(nullptr, engine) + write_mpe_chunk(nullptr, engine);
  size += saws_chunk_size;
  riff::chunk_writer w(dest);
  w.id("vorn");
  w.u32(size);
  w.child([&](uint8_t* d) { return write_bank_chunk(d, engine.presets()); });
  w.child([&](uint8_t* d) { return write_ctrl_chunk(d, engine); });
  w.child([&](uint8_t* d) { return write_flag_chunk(d, engine); });
  w.child([&](uint8_t* d) { return write_routes_chunk(d, engine); });
  w.child([&](uint8_t* d) { return write_pcms_chunk(d, engine.pcms()); });
  w.child([&](uint8_t* d) { return write_effects_chunk(d, engine.effects()); });
  w.child([&](uint8_t* d) { return write_cc_map_chunk(d, engine.controller_map()); });
  w.child([&](uint8_t* d) { return write_editor_part(d, kept); });
  // Newer chunks go before "saws", which stays the last 24 bytes.
  w.child([&](uint8_t* d) { return write_tuning_chunk(d, engine); });
  w.child([&](uint8_t* d) { return write_mpe_chunk(d, engine); });
  w.child([&](uint8_t* d) { return write_saws_chunk(d, engine); });
  return w.size();
}

bool read_state(const uint8_t* data, size_t available, synth::synth& engine) {
  const riff::chunk_view vorn = riff::chunk_at(data, available);
  if (!vorn.is("vorn")) return false;
  if (const riff::chunk_view kvxb = riff::find_chunk(vorn, "kvxb")) {
    auto b = std::make_unique<synth::bank>(engine.presets());
    read_bank_chunk(kvxb, *b);
    apply_bank(engine, *b);
  }
  const riff::chunk_view routes = riff::find_chunk(vorn, "p_rt");
  read_ctrl_chunk(riff::find_chunk(vorn, "ctrl"), bool(routes), engine);
  read_flag_chunk(riff::find_chunk(vorn, "flag"), engine);
  read_routes_chunk(routes, engine);
  read_tuning_chunk(riff::find_chunk(vorn, "tune"), engine);
  read_mpe_chunk(riff::find_chunk(vorn, "mpe "), engine);
  {
    platform::scoped_lock hold(engine.engine_lock());
    read_pcms_chunk(riff::find_chunk(vorn, "pcms"), engine.pcms());
    const riff::chunk_view mdcc = riff::find_chunk(vorn, "mdcc");
    if (mdcc) {
      read_cc_map_chunk(mdcc.data, mdcc.size, engine.controller_map());
    } else {
      engine.controller_map().clear();
    }
    // The editor gets the bytes that remain from the chunk's start.
    const riff::chunk_view edtr = riff::find_chunk(vorn, "edtr");
    synth::kept_chunks& kept = engine.kept();
    if (edtr && kept.editor_client) {
      kept.editor_client->read_editor_chunk(edtr.data, size_t(vorn.data + vorn.size - edtr.data));
    } else {
      keep(edtr, kept.editor);
    }
  }
  // Effects are built outside the engine lock; the chain swaps them in under it.
  if (const riff::chunk_view vfxl = riff::find_chunk(vorn, "vfxl")) read_effects_chunk(vfxl, engine.effects());
  engine.raise_display_refresh();
  const riff::chunk_view saws = riff::find_chunk(vorn, "saws");
  if (saws && saws.size == saws_chunk_size && saws.data + saws.size == vorn.data + vorn.size)
    engine.set_saw_count(int(riff::read_u32(saws.payload())));
  return true;
}

std::string save_state_file(const std::string& path, synth::synth& engine) {
  return store_chunk(path, engine, [&](uint8_t* d) { return write_state(d, engine); });
}

std::string load_state_file(const std::string& path, synth::synth& engine) {
  riff::file_buffer in;
  const std::string result = read_file(path, in);
  if (!result.empty()) return result;
  // Anything but a whole "vorn" chunk is refused before a field is applied.
  return read_state(in.data(), in.size(), engine) ? std::string() : std::string("invalid state chunk id");
}

std::string save_init_state(synth::synth& engine) {
  const std::string path = platform::app_data_file("init", ".vornstate");
  return path.empty() ? std::string(outcome::cannot_write) : save_state_file(path, engine);
}

bool load_init_state(synth::synth& engine) {
  const std::string path = platform::app_data_file("init", ".vornstate");
  return !path.empty() && load_state_file(path, engine).empty();
}

std::string save_cc_map_file(const std::string& path, synth::synth& engine) {
  return store_chunk(path, engine, [&](uint8_t* d) { return write_cc_map_chunk(d, engine.controller_map()); });
}

std::string load_cc_map_file(const std::string& path, synth::synth& engine) {
  riff::file_buffer in;
  const std::string result = read_file(path, in);
  if (!result.empty()) return result;
  // The map is replaced only by a whole "mdcc" chunk: a file of any other
  // kind would clear the user's map.
  const riff::chunk_view mdcc = riff::chunk_at(in.data(), in.size());
  if (!mdcc.is("mdcc") || !mdcc.has(riff::header_size, 4)) return "invalid MIDI CC map chunk id";
  platform::scoped_lock hold(engine.engine_lock());
  read_cc_map_chunk(mdcc.data, mdcc.size, engine.controller_map());
  return {};
}

}  // namespace files
