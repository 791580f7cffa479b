// The instance's state bytes and the current program's preset chunk.
#include <cstring>

#include "files/engine_presets.h"
#include "files/instance_state.h"
#include "files/preset_chunk.h"
#include "plugin/instance_parts.h"

namespace plugin {

namespace {

// The buffer handed out stays valid until the next save of the same kind; it
// is reallocated only when the size changes. Held across measuring and
// writing: MIDI learn on the audio thread may map a controller in between,
// and the state would outgrow its buffer.
template <class Write>
const uint8_t* save_into(synth::synth& engine, std::vector<uint8_t>& buffer, size_t& size, Write write) {
  platform::scoped_lock hold(engine.engine_lock());
  const uint32_t n = write(nullptr);
  if (buffer.size() != n) buffer.resize(n);
  write(buffer.data());
  size = n;
  return buffer.data();
}

}  // namespace

const uint8_t* instance::save_state(size_t& size) {
  synth::synth& engine = parts_->engine;
  return save_into(engine, parts_->state_bytes, size,
                   [&](uint8_t* dest) { return files::write_state(dest, engine); });
}

bool instance::load_state(const uint8_t* bytes, size_t size) {
  if (!bytes || size == 0) return false;
  return files::read_state(bytes, size, parts_->engine);
}

const uint8_t* instance::save_program(size_t& size) {
  synth::synth& engine = parts_->engine;
  const synth::preset& current = engine.program(program());
  return save_into(engine, parts_->program_bytes, size,
                   [&](uint8_t* dest) { return files::write_preset_chunk(dest, current); });
}

// Anything that is not a whole preset chunk changes nothing.
bool instance::load_program(const uint8_t* bytes, size_t size) {
  if (!bytes || size == 0) return false;
  synth::synth& engine = parts_->engine;
  const riff::chunk_view c = riff::chunk_at(bytes, size);
  synth::preset p = engine.program(program());
  if (!files::read_preset_chunk(c, p)) return false;
  files::apply_preset(engine, program(), p);
  engine.raise_program_changed();
  engine.raise_display_refresh();
  return true;
}

}  // namespace plugin
