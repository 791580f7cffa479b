#include "plugin/lv2/lv2_plugin.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <lv2/atom/util.h>
#include <lv2/worker/worker.h>
#include <lv2/urid/urid.h>

#include "plugin/lv2/live_message.h"


namespace plugin::lv2 {

static_assert(notify_port == first_param_port + instance::param_count);

lv2_plugin* lv2_plugin::create(double rate, const LV2_Feature* const* features) {
  LV2_URID_Map* map = nullptr;
  const LV2_Worker_Schedule* worker = nullptr;
  for (int i = 0; features && features[i]; ++i) {
    if (std::strcmp(features[i]->URI, LV2_URID__map) == 0) map = static_cast<LV2_URID_Map*>(features[i]->data);
    if (std::strcmp(features[i]->URI, LV2_WORKER__schedule) == 0)
      worker = static_cast<const LV2_Worker_Schedule*>(features[i]->data);
  }
  if (!map) return nullptr;
  lv2_plugin* self = new (std::nothrow) lv2_plugin();
  if (!self) return nullptr;
  self->ids_.map_all(map);
  self->rate_ = rate;
  self->live_interval_ = std::max(1, int32_t(rate / live_rate_hz));
  self->worker_ = worker;
  lv2_atom_forge_init(&self->forge_, map);
  LV2_Atom_Forge request;
  lv2_atom_forge_init(&request, map);
  lv2_atom_forge_set_buffer(&request, reinterpret_cast<uint8_t*>(self->request_.data()), sizeof self->request_);
  LV2_Atom_Forge_Frame frame;
  lv2_atom_forge_object(&request, &frame, 0, self->ids_.state_request);
  lv2_atom_forge_pop(&request, &frame);
  // No editor here: the UI shows one of its own on a mirror instance.
  self->instance_ = instance::create(self, editor_factory(nullptr));
  if (!self->instance_) {
    delete self;
    return nullptr;
  }
  self->instance_->set_sample_rate(rate);
  // Ports start at the defaults the bundle declares: a port still there on
  // the first run leaves the instance's own sound (its start-up bank, a
  // restored state) alone, one the host set beforehand applies.
  for (int32_t i = 0; i < instance::param_count; ++i) {
    parameter_shape shape;
    if (self->instance_->parameter_info(i, shape)) self->seen_[size_t(i)] = shape.default_normalised;
  }
  return self;
}

lv2_plugin::~lv2_plugin() {
  if (instance_) instance::destroy(instance_);
}

void lv2_plugin::connect(uint32_t port, void* data) {
  if (port == events_port) {
    events_ = static_cast<const LV2_Atom_Sequence*>(data);
  } else if (port == left_port) {
    left_ = static_cast<float*>(data);
  } else if (port == right_port) {
    right_ = static_cast<float*>(data);
  } else if (port >= first_param_port && port < uint32_t(first_param_port + instance::param_count)) {
    controls_[port - first_param_port] = static_cast<const float*>(data);
  } else if (port == notify_port) {
    notify_ = static_cast<LV2_Atom_Sequence*>(data);
  }
}

void lv2_plugin::activate() { instance_->set_active(true); }
void lv2_plugin::deactivate() { instance_->set_active(false); }

void lv2_plugin::read_controls() {
  // After a state restore the ports may hold anything: the values a host
  // saved beside the state (rounded through normalised values), a preset's,
  // or stale ones, since a plug-in cannot move its input ports. The state
  // is the sound; ports count again from what they hold now.
  const bool adopt = adopt_ports_.exchange(false, std::memory_order_acq_rel);
  for (int32_t i = 0; i < instance::param_count; ++i) {
    if (!controls_[size_t(i)]) continue;
    const float value = *controls_[size_t(i)];
    if (!adopt && value != seen_[size_t(i)]) instance_->queue_parameter(0, i, value);
    seen_[size_t(i)] = value;
  }
}

void lv2_plugin::run_piece(uint32_t begin, uint32_t end) {
  if (end > begin) instance_->process(left_ + begin, right_ + begin, int32_t(end - begin));
  transport_.advance(int32_t(end - begin), rate_);
}

void lv2_plugin::run(uint32_t frames) {
  begin_notify();
  forward_count_ = 0;
  if (!left_ || !right_) return;
  read_controls();
  // The block is cut at each time:Position, so the transport the instance
  // reads applies from its frame on; MIDI within each piece is queued at
  // its frame and split there by the instance.
  uint32_t begin = 0;
  if (events_) {
    LV2_ATOM_SEQUENCE_FOREACH(events_, ev) {
      const uint32_t at = ev->time.frames < 0 ? 0 : std::min(uint32_t(ev->time.frames), frames);
      if (ev->body.type == ids_.midi_event) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(ev + 1);
        instance_->queue_midi(int32_t(at - std::min(at, begin)), bytes, int32_t(ev->body.size));
        keep_for_ui(at, bytes, ev->body.size);
      } else if (ev->body.type == ids_.atom_object || ev->body.type == ids_.atom_blank) {
        const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&ev->body);
        if (const LV2_URID ours = message_type(&ev->body, ids_)) {
          take_message(&ev->body, ours);
          continue;
        }
        if (object->body.otype != ids_.time_position) continue;
        run_piece(begin, std::max(at, begin));
        begin = std::max(at, begin);
        transport_.read(object, ids_);
      }
    }
  }
  run_piece(begin, frames);
  sample_live(frames);
  feed_worker();
  if (post_state_.exchange(false, std::memory_order_acq_rel)) want_snapshot_ = true;
  const auto* request = reinterpret_cast<const LV2_Atom*>(request_.data());
  if (want_snapshot_ && worker_ && !snapshot_busy_ && !sending_ &&
      worker_->schedule_work(worker_->handle, uint32_t(sizeof(LV2_Atom)) + request->size, request) ==
          LV2_WORKER_SUCCESS) {
    want_snapshot_ = false;
    snapshot_busy_ = true;
  }
  write_notifications(frames);
}

// --- the UI's messages ------------------------------------------------------------------

void lv2_plugin::take_message(const LV2_Atom* atom, LV2_URID type) {
  if (type == ids_.state_request) {
    want_snapshot_ = true;
    live_sent_.fill(-1.f);  // a UI that has just opened has no readings yet
    return;
  }
  if (type != ids_.state_piece || !worker_) return;
  // Copied whole into the inbox; one that does not fit is dropped (the UI
  // sends again when no ack comes).
  const uint32_t size = lv2_atom_pad_size(uint32_t(sizeof(LV2_Atom)) + atom->size);
  if (inbox_used_ + size > inbox_bytes && inbox_read_ > 0) {
    // What the worker took is at the front: the rest moves down.
    auto* base = reinterpret_cast<uint8_t*>(inbox_.data());
    std::memmove(base, base + inbox_read_, inbox_used_ - inbox_read_);
    inbox_used_ -= inbox_read_;
    inbox_read_ = 0;
  }
  if (inbox_used_ + size > inbox_bytes) return;
  std::memcpy(reinterpret_cast<uint8_t*>(inbox_.data()) + inbox_used_, atom, sizeof(LV2_Atom) + atom->size);
  inbox_used_ += size;
}

void lv2_plugin::feed_worker() {
  auto* base = reinterpret_cast<const uint8_t*>(inbox_.data());
  while (inbox_read_ < inbox_used_) {
    const auto* atom = reinterpret_cast<const LV2_Atom*>(base + inbox_read_);
    const uint32_t whole = uint32_t(sizeof(LV2_Atom)) + atom->size;
    if (worker_->schedule_work(worker_->handle, whole, atom) != LV2_WORKER_SUCCESS) break;
    state_piece piece;
    if (read_piece(atom, ids_, piece)) {
      ack_serial_ = piece.serial;
      ack_offset_ = piece.offset + piece.size;
      ack_due_ = true;
    }
    inbox_read_ += lv2_atom_pad_size(whole);
  }
  if (inbox_read_ == inbox_used_) inbox_read_ = inbox_used_ = 0;
}

// --- the notify port -------------------------------------------------------------------------

void lv2_plugin::begin_notify() {
  notify_open_ = false;
  if (!notify_) return;
  // The host gives the buffer's capacity as the sequence's size.
  const uint32_t capacity = notify_->atom.size;
  lv2_atom_forge_set_buffer(&forge_, reinterpret_cast<uint8_t*>(notify_), sizeof(LV2_Atom) + capacity);
  notify_open_ = lv2_atom_forge_sequence_head(&forge_, &notify_frame_, 0) != 0;
  if (!notify_open_) {
    notify_->atom.type = ids_.atom_sequence;
    notify_->atom.size = 0;
  }
}

void lv2_plugin::write_notifications(uint32_t frames) {
  if (!notify_open_) return;
  if (ack_due_ && lv2_atom_forge_frame_time(&forge_, 0) &&
      forge_signal(forge_, ids_, ids_.state_ack, ack_serial_, ack_offset_))
    ack_due_ = false;
  if (loaded_due_ && lv2_atom_forge_frame_time(&forge_, 0) &&
      forge_signal(forge_, ids_, ids_.state_loaded, loaded_.serial, loaded_.value))
    loaded_due_ = false;
  frames_since_piece_ += int32_t(frames);
  if (sending_ && frames_since_piece_ >= frames_per_piece) {
    const state_piece piece = piece_at(out_serial_, outgoing_.data(), out_offset_, out_total_, out_program_);
    if (lv2_atom_forge_frame_time(&forge_, 0) && forge_piece(forge_, ids_, piece)) {
      out_offset_ += piece.size;
      frames_since_piece_ = 0;
      if (out_offset_ >= out_total_) sending_ = false;
    }
  }
  write_forwarded();
  write_live(frames);
  lv2_atom_forge_pop(&forge_, &notify_frame_);
}

void lv2_plugin::keep_for_ui(uint32_t frame, const uint8_t* bytes, uint32_t size) {
  if (!notify_open_ || size < 1 || size > 3) return;
  // Notes, controllers, pressure and bend: what learn and the activity
  // displays need. Program changes come as the state that follows them.
  const uint8_t status = bytes[0] & 0xF0;
  if (status != 0x80 && status != 0x90 && status != 0xB0 && status != 0xD0 && status != 0xE0) return;
  if (forward_count_ >= forward_capacity) {
    ++forward_dropped_;
    return;
  }
  forwarded& f = forward_[size_t(forward_count_++)];
  f.frame = frame;
  f.size = uint8_t(size);
  std::memcpy(f.bytes.data(), bytes, size);
}

// After the state messages, in what room the notify buffer has left.
void lv2_plugin::write_forwarded() {
  for (int32_t i = 0; i < forward_count_; ++i) {
    const forwarded& f = forward_[size_t(i)];
    // Room for the whole event first: a time without its event would spoil the sequence.
    const uint32_t need = uint32_t(sizeof(LV2_Atom_Event)) + lv2_atom_pad_size(f.size);
    if (forge_.size - forge_.offset < need || !lv2_atom_forge_frame_time(&forge_, f.frame) ||
        !lv2_atom_forge_atom(&forge_, f.size, ids_.midi_event) ||
        !lv2_atom_forge_write(&forge_, f.bytes.data(), f.size)) {
      forward_dropped_ += forward_count_ - i;
      break;
    }
  }
  forward_count_ = 0;
}

void lv2_plugin::sample_live(uint32_t frames) {
  if (!notify_open_) return;
  frames_since_live_ += int32_t(frames);
  if (frames_since_live_ < live_interval_) return;
  frames_since_live_ = 0;
  read_live(*instance_, live_now_);
  pack_live(live_now_, live_next_);
  if (live_next_ != live_sent_) live_due_ = true;
}

void lv2_plugin::write_live(uint32_t frames) {
  if (!live_due_ || forge_.size - forge_.offset < live_event_bytes) return;
  // At the block's last frame: after every forwarded event.
  if (lv2_atom_forge_frame_time(&forge_, frames > 0 ? frames - 1 : 0) && forge_live(forge_, ids_, live_next_)) {
    live_sent_ = live_next_;
    live_due_ = false;
  }
}

// --- the worker ------------------------------------------------------------------------------

LV2_Worker_Status lv2_plugin::work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                                   uint32_t size, const void* data) {
  const auto* atom = static_cast<const LV2_Atom*>(data);
  if (size < sizeof(LV2_Atom) || atom->size > size - sizeof(LV2_Atom)) return LV2_WORKER_ERR_UNKNOWN;
  const LV2_URID type = message_type(atom, ids_);
  response answer;
  state_piece piece;
  if (type == ids_.state_request) {
    with_saved_state([&](const uint8_t* bytes, size_t n) {
      if (bytes && n <= max_state_bytes) outgoing_.assign(bytes, bytes + n);
      else outgoing_.clear();
    });
    answer.kind = ids_.state_request;
    answer.serial = instance_->program();  // a snapshot's answer carries the program here
    answer.value = uint32_t(outgoing_.size());
  } else if (type == ids_.state_piece && read_piece(atom, ids_, piece)) {
    // A gap or an unknown serial drops the transfer; the UI sends it again.
    if (incoming_.take(piece) != state_assembly::step::complete) return LV2_WORKER_SUCCESS;
    const std::vector<uint8_t>& bytes = incoming_.bytes();
    answer.kind = ids_.state_loaded;
    answer.serial = piece.serial;
    answer.value = instance_->load_state(bytes.data(), bytes.size()) ? 1 : 0;
    const int32_t program = incoming_.program();
    if (answer.value && program >= 0 && program < instance::program_count && program != instance_->program())
      instance_->set_program(program);
  } else {
    return LV2_WORKER_ERR_UNKNOWN;
  }
  return respond(handle, sizeof answer, &answer);
}

LV2_Worker_Status lv2_plugin::work_response(uint32_t size, const void* body) {
  if (size != sizeof(response)) return LV2_WORKER_ERR_UNKNOWN;
  response r;
  std::memcpy(&r, body, sizeof r);
  if (r.kind == ids_.state_request) {
    snapshot_busy_ = false;
    if (r.value > 0) {
      sending_ = true;
      ++out_serial_;
      out_offset_ = 0;
      out_total_ = r.value;
      out_program_ = r.serial;
    }
  } else if (r.kind == ids_.state_loaded) {
    // The ports still hold the values from before the load: the state is
    // the sound until one moves.
    if (r.value) adopt_ports_.store(true, std::memory_order_release);
    loaded_ = r;
    loaded_due_ = true;
  }
  return LV2_WORKER_SUCCESS;
}

void lv2_plugin::state_restored() {
  adopt_ports_.store(true, std::memory_order_release);
  post_state_.store(true, std::memory_order_release);
}

// A MIDI program change (audio thread): the UI's mirror follows.
void lv2_plugin::program_changed(int32_t) { post_state_.store(true, std::memory_order_release); }

bool lv2_plugin::time(host_time& out) {
  if (!transport_.known()) return false;
  out = transport_.time();
  return true;
}

}  // namespace plugin::lv2
