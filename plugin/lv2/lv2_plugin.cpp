#include "plugin/lv2/lv2_plugin.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <lv2/atom/util.h>
#include <lv2/urid/urid.h>


namespace plugin::lv2 {

namespace {
// Set while this thread is inside run(): the instance's host calls made from
// there (controllers) must not reach the UI, which lives on another thread.
thread_local bool in_run = false;
}  // namespace

lv2_plugin* lv2_plugin::create(double rate, const LV2_Feature* const* features) {
  LV2_URID_Map* map = nullptr;
  for (int i = 0; features && features[i]; ++i) {
    if (std::strcmp(features[i]->URI, LV2_URID__map) == 0) map = static_cast<LV2_URID_Map*>(features[i]->data);
  }
  if (!map) return nullptr;
  lv2_plugin* self = new (std::nothrow) lv2_plugin();
  if (!self) return nullptr;
  self->ids_.map_all(map);
  self->rate_ = rate;
  self->instance_ = instance::create(self, true);
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
  if (!left_ || !right_) return;
  in_run = true;
  read_controls();
  // The block is cut at each time:Position, so the transport the instance
  // reads applies from its frame on; MIDI within each piece is queued at
  // its frame and split there by the instance.
  uint32_t begin = 0;
  if (events_) {
    LV2_ATOM_SEQUENCE_FOREACH(events_, ev) {
      const uint32_t at = ev->time.frames < 0 ? 0 : std::min(uint32_t(ev->time.frames), frames);
      if (ev->body.type == ids_.midi_event) {
        instance_->queue_midi(int32_t(at - std::min(at, begin)), reinterpret_cast<const uint8_t*>(ev + 1),
                              int32_t(ev->body.size));
      } else if (ev->body.type == ids_.atom_object || ev->body.type == ids_.atom_blank) {
        const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&ev->body);
        if (object->body.otype != ids_.time_position) continue;
        run_piece(begin, std::max(at, begin));
        begin = std::max(at, begin);
        transport_.read(object, ids_);
      }
    }
  }
  run_piece(begin, frames);
  in_run = false;
}

bool lv2_plugin::time(host_time& out) {
  if (!transport_.known()) return false;
  out = transport_.time();
  return true;
}

// The editor's changes go to the host through the UI's port writes; a
// controller's change on the audio thread has no way to the host in LV2
// (control input ports are the host's), and the editor shows it anyway.
void lv2_plugin::automate(int32_t index, float normalised) {
  if (ui_ && !in_run) ui_->write_parameter(index, normalised);
}

void lv2_plugin::begin_edit(int32_t index) {
  if (ui_ && !in_run) ui_->touch(index, true);
}

void lv2_plugin::end_edit(int32_t index) {
  if (ui_ && !in_run) ui_->touch(index, false);
}

bool lv2_plugin::resize_editor(int32_t width, int32_t height) { return ui_ && ui_->resize(width, height); }

}  // namespace plugin::lv2
