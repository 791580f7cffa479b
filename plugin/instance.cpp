#include "plugin/instance.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "files/engine_presets.h"
#include "plugin/instance_parts.h"
#include "plugin/synth_command.h"

namespace plugin {

namespace {

constexpr size_t parts_alignment = 65536;

constexpr size_t round_up_pow2(size_t n) {
  size_t p = 1;
  while (p < n) p <<= 1;
  return p;
}

size_t parts_block_size() {
  const size_t size = round_up_pow2(sizeof(instance::parts));
  return size < parts_alignment ? parts_alignment : size;
}

bool host_index(int32_t index) { return index >= 0 && index < instance::param_count; }

}  // namespace

instance* instance::create(host_shell* host, editor_factory make_editor) {
  // The aligned operator new rather than std::aligned_alloc, which the Windows
  // C runtime lacks.
  void* block = ::operator new(parts_block_size(), std::align_val_t(parts_alignment), std::nothrow);
  if (!block) return nullptr;
  instance* it = new (std::nothrow) instance;
  if (!it) {
    ::operator delete(block, std::align_val_t(parts_alignment));
    return nullptr;
  }
  std::memset(block, 0, parts_block_size());
  it->parts_ = new (block) parts(it);
  it->host_ = host;
  synth::synth& engine = it->parts_->engine;
  engine.set_host(&it->parts_->link);
  // VORN_ENGINE=reference: this instance plays through the reference engine
  // (the plain per-sample voice loop), for comparisons and benchmarks.
  const char* engine_choice = std::getenv("VORN_ENGINE");
  engine.set_reference_engine(engine_choice && std::strcmp(engine_choice, "reference") == 0);
  if (!host) return it;  // no host: only the base values, no start-up files, no editor
  if (editor_object* ed = make_editor ? make_editor(it->editor_connection()) : nullptr) {
    it->parts_->editor = ed;
    // The state's "edtr" chunk is the editor's from now on.
    engine.kept().editor_client = ed;
  }
  files::load_start_up_files(engine);
  engine.select_program(0);
  return it;
}

void instance::destroy(instance* it) {
  if (!it) return;
  if (parts* p = it->parts_) {
    // The editor first: it holds the engine's command channel.
    p->engine.kept().editor_client = nullptr;
    delete p->editor;
    p->editor = nullptr;
    p->~parts();
    ::operator delete(static_cast<void*>(p), std::align_val_t(parts_alignment));
  }
  delete it;
}

void instance::set_sample_rate(double rate) { parts_->engine.set_sample_rate(float(rate)); }

void instance::set_active(bool on) {
  parts& p = *parts_;
  if (!on && p.active) p.reset_pending = 1;
  p.active = on;
  p.engine.set_running(on);
}

bool instance::reset_pending() const { return parts_->reset_pending != 0; }
int64_t instance::dropped_events() const { return parts_->events.dropped(); }

bool instance::queue_midi(int32_t frame, const uint8_t* bytes, int32_t size) {
  if (!bytes || size <= 0 || size > 3) return false;
  uint32_t word = 0;
  for (int32_t i = 0; i < size; ++i) word |= uint32_t(bytes[i]) << (8 * i);
  return parts_->events.push_midi(frame, word);
}

bool instance::queue_parameter(int32_t frame, int32_t index, float normalised) {
  if (!host_index(index) || std::isnan(normalised)) return false;
  return parts_->events.push_parameter(frame, index, std::clamp(normalised, 0.f, 1.f));
}

bool instance::queue_note_expression(int32_t frame, int32_t key, note_detail what, float value) {
  if (key < 0 || key > 127 || !std::isfinite(value)) return false;
  if (what != note_detail::bend_semitones && what != note_detail::pressure && what != note_detail::slide) return false;
  return parts_->events.push_note_expression(frame, key, uint32_t(what), value);
}

void instance::set_parameter(int32_t index, float normalised) {
  // The host addresses 0..88; the editor the globals too. Both come here.
  // A host's value is a point of 0..1 whatever it sends: beyond it the
  // conversion would leave the parameter's table (3.0 is a fourth waveform
  // that does not exist), and NaN means nothing, so it changes nothing.
  if (!synth::param_valid(index) || std::isnan(normalised)) return;
  parts_->engine.set_param_normalised(index, std::clamp(normalised, 0.f, 1.f));
}

float instance::get_parameter(int32_t index) const { return parts_->engine.get_param_normalised(index); }

int32_t instance::program() const { return parts_->engine.current_program(); }

void instance::set_program(int32_t index) {
  if (index < 0 || index >= program_count) return;
  parts_->engine.select_program(index);
}

const char* instance::program_name(int32_t index) const {
  if (index < 0) index = program();
  if (index >= synth::bank_size) return nullptr;
  return parts_->engine.program(index).name.c_str();
}

const char* instance::program_category(int32_t index) const {
  if (index < 0) index = program();
  if (index >= synth::bank_size) return nullptr;
  return parts_->engine.program(index).category.c_str();
}

void instance::set_program_name(const char* text) {
  if (text) parts_->engine.set_program_name(program(), text);
}

editor_object* instance::editor() { return parts_->editor; }
synth::synth& instance::engine() { return parts_->engine; }
sequencer::player& instance::player() { return parts_->player; }
const sequencer::song& instance::song() const { return parts_->song; }
synth::host_interface& instance::host_link() { return parts_->link; }

editor_link instance::editor_connection() {
  editor_link link;
  link.command = synth_command;
  link.context = this;
  link.host = &parts_->link;
  link.presets = &parts_->presets;
  return link;
}

}  // namespace plugin
