#include "plugin/lv2/ui_mirror.h"

#include <cstring>
#include <new>

#include <lv2/atom/forge.h>

#include "plugin/lv2/live_message.h"
#include "plugin/lv2/uris.h"
#include "synth/cc_map.h"
#include "synth/engine.h"

namespace plugin::lv2 {

ui_mirror* ui_mirror::create(LV2_URID_Map* map, write_fn write, editor_factory make_editor) {
  if (!map || !write) return nullptr;
  auto* self = new (std::nothrow) ui_mirror();
  if (!self) return nullptr;
  self->map_ = map;
  self->ids_.map_all(map);
  self->write_ = std::move(write);
  self->scratch_.assign((piece_message_bytes + 64) / sizeof(uint64_t), 0);
  self->instance_ = instance::create(self, make_editor);
  if (!self->instance_) {
    delete self;
    return nullptr;
  }
  // The host's ports start at the defaults the bundle declares, until it
  // tells otherwise.
  for (int32_t i = 0; i < instance::param_count; ++i) {
    parameter_shape shape;
    if (self->instance_->parameter_info(i, shape)) self->ports_[size_t(i)] = shape.default_normalised;
  }
  return self;
}

ui_mirror::~ui_mirror() {
  if (instance_) instance::destroy(instance_);
}

void ui_mirror::send_message(const LV2_Atom* atom) {
  write_(uint32_t(events_port), uint32_t(sizeof(LV2_Atom) + atom->size), ids_.atom_event_transfer, atom);
}

void ui_mirror::request_state() {
  LV2_Atom_Forge forge;
  lv2_atom_forge_init(&forge, map_);
  lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(scratch_.data()), scratch_.size() * sizeof(uint64_t));
  LV2_Atom_Forge_Frame frame;
  lv2_atom_forge_object(&forge, &frame, 0, ids_.state_request);
  lv2_atom_forge_pop(&forge, &frame);
  send_message(reinterpret_cast<const LV2_Atom*>(scratch_.data()));
}

// --- from the host ----------------------------------------------------------------------------

void ui_mirror::port_event(uint32_t port, uint32_t size, uint32_t protocol, const void* buffer) {
  if (!buffer) return;
  if (protocol == 0 && size == sizeof(float) && port >= uint32_t(first_param_port) &&
      port < uint32_t(first_param_port + instance::param_count)) {
    const int32_t index = int32_t(port) - first_param_port;
    float value = 0.f;
    std::memcpy(&value, buffer, sizeof value);
    ports_[size_t(index)] = value;
    // Not automation: the host already has it.
    if (instance_->get_parameter(index) != value) instance_->set_parameter(index, value);
    return;
  }
  if (protocol == ids_.atom_event_transfer && size >= sizeof(LV2_Atom)) {
    const auto* atom = static_cast<const LV2_Atom*>(buffer);
    if (atom->size > size - sizeof(LV2_Atom)) return;
    if (atom->type == ids_.midi_event) {
      // Taken at the next idle, all of them under one engine lock.
      if (instance_->queue_midi(0, reinterpret_cast<const uint8_t*>(atom + 1), int32_t(atom->size))) {
        midi_queued_ = true;
        ++midi_taken_;
      }
      return;
    }
    take_message(atom);
  }
}

void ui_mirror::take_message(const LV2_Atom* atom) {
  live_values values;
  if (read_live_message(atom, ids_, values)) {
    unpack_live(values, live_);
    instance_->set_live_readings(&live_);
    ++live_taken_;
    return;
  }
  const LV2_URID type = message_type(atom, ids_);
  int32_t serial = 0;
  uint32_t offset = 0;
  if ((type == ids_.state_ack || type == ids_.state_loaded) && read_signal(atom, ids_, serial, offset)) {
    if (total_ == 0 || serial != serial_) return;  // an old transfer's
    if (type == ids_.state_ack) {
      if (offset > acked_ && offset <= sent_) acked_ = offset;
      last_progress_ = -1.0;  // the next idle restarts the clock
      return;
    }
    if (offset) {
      synced_ = outgoing_;
      synced_program_ = outgoing_program_;
      ++loaded_;
    }
    total_ = 0;  // done, or refused by the plug-in (sending it again would not help)
    return;
  }
  state_piece piece;
  if (type != ids_.state_piece || !read_piece(atom, ids_, piece)) return;
  if (incoming_.take(piece) != state_assembly::step::complete) return;
  // The plug-in's state (asked for, or a host's restore): it wins over an
  // edit still on its way.
  const std::vector<uint8_t>& bytes = incoming_.bytes();
  if (instance_->load_state(bytes.data(), bytes.size())) {
    const int32_t program = incoming_.program();
    if (program >= 0 && program < instance::program_count) instance_->set_program(program);
    size_t size = 0;
    const uint8_t* now = instance_->save_state(size);
    synced_.assign(now, now + size);
    synced_program_ = instance_->program();
    ++received_;
    total_ = 0;
    due_ = false;
  }
}

// --- to the host ------------------------------------------------------------------------------

void ui_mirror::automate(int32_t index, float normalised) {
  if (index < 0 || index >= instance::param_count) {
    due_ = true;  // a global: it travels in the state
    return;
  }
  ports_[size_t(index)] = normalised;
  write_(uint32_t(first_param_port + index), sizeof(float), 0, &normalised);
}

void ui_mirror::begin_edit(int32_t index) {
  if (touch_ && index >= 0 && index < instance::param_count) touch_(uint32_t(first_param_port + index), true);
}

void ui_mirror::end_edit(int32_t index) {
  if (touch_ && index >= 0 && index < instance::param_count) touch_(uint32_t(first_param_port + index), false);
}

void ui_mirror::write_moved_ports() {
  for (int32_t i = 0; i < instance::param_count; ++i) {
    const float value = instance_->get_parameter(i);
    if (value == ports_[size_t(i)]) continue;
    ports_[size_t(i)] = value;
    write_(uint32_t(first_param_port + i), sizeof(float), 0, &value);
  }
}

void ui_mirror::start_transfer(double now) {
  size_t size = 0;
  const uint8_t* bytes = instance_->save_state(size);
  if (!bytes || size == 0 || size > max_state_bytes) return;
  const int32_t program = instance_->program();
  if (program == synced_program_ && size == synced_.size() && std::memcmp(bytes, synced_.data(), size) == 0)
    return;  // nothing new
  outgoing_.assign(bytes, bytes + size);
  outgoing_program_ = program;
  ++serial_;
  total_ = uint32_t(size);
  sent_ = acked_ = 0;
  tries_ = 0;
  last_progress_ = now;
  write_moved_ports();
}

void ui_mirror::send_pieces(double now) {
  if (last_progress_ < 0.0) last_progress_ = now;
  if (now - last_progress_ > resend_seconds) {
    // Lost on the way (a full ring, a plug-in without a worker): again from
    // the start under a new serial, a few times.
    if (++tries_ >= attempts) {
      total_ = 0;
      return;
    }
    ++serial_;
    sent_ = acked_ = 0;
    last_progress_ = now;
  }
  LV2_Atom_Forge forge;
  lv2_atom_forge_init(&forge, map_);
  while (sent_ < total_ && sent_ - acked_ < window_bytes) {
    const state_piece piece = piece_at(serial_, outgoing_.data(), sent_, total_, outgoing_program_);
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(scratch_.data()), scratch_.size() * sizeof(uint64_t));
    if (!forge_piece(forge, ids_, piece)) return;
    send_message(reinterpret_cast<const LV2_Atom*>(scratch_.data()));
    sent_ += piece.size;
  }
}

void ui_mirror::take_midi() {
  midi_queued_ = false;
  const synth::cc_map& map = instance_->engine().controller_map();
  std::array<int32_t, synth::cc_map::controller_count> before{};
  for (int c = 0; c < synth::cc_map::controller_count; ++c) before[size_t(c)] = map.entry(c);
  instance_->take_events();
  for (int c = 0; c < synth::cc_map::controller_count; ++c)
    if (map.entry(c) != before[size_t(c)]) due_ = true;  // learnt here only: the plug-in needs the map
  write_moved_ports();
}

void ui_mirror::idle(double now) {
  if (midi_queued_) take_midi();
  if (due_ && total_ == 0) {
    due_ = false;
    start_transfer(now);
  }
  if (total_ > 0) send_pieces(now);
}

}  // namespace plugin::lv2
