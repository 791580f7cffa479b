#include "tools/lv2host/plugin_host.h"

#include <cstring>

#include <lv2/atom/forge.h>
#include <lv2/midi/midi.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>
#include <lv2/atom/util.h>

namespace lv2host {

namespace {

// The plug-in's controls as lilv asks for them when saving a state.
struct port_reader {
  const LilvPlugin* plugin;
  const std::vector<float>* controls;
  const std::vector<uint8_t>* flags;
  LV2_URID float_type;
};

const void* port_value(const char* symbol, void* user, uint32_t* size, uint32_t* type) {
  auto* r = static_cast<port_reader*>(user);
  for (uint32_t i = 0; i < r->controls->size(); ++i) {
    if (!(*r->flags)[i]) continue;
    const LilvPort* port = lilv_plugin_get_port_by_index(r->plugin, i);
    if (std::strcmp(lilv_node_as_string(lilv_port_get_symbol(r->plugin, port)), symbol) == 0) {
      *size = sizeof(float);
      *type = r->float_type;
      return &(*r->controls)[i];
    }
  }
  *size = 0;
  *type = 0;
  return nullptr;
}

struct port_writer {
  plugin_host* host;
  LV2_URID float_type;
};

void set_port_value(const char* symbol, void* user, const void* value, uint32_t size, uint32_t type) {
  auto* w = static_cast<port_writer*>(user);
  if (type != w->float_type || size != sizeof(float)) return;
  const int32_t index = w->host->port_index(symbol);
  if (index >= 0) w->host->set_control(index, *static_cast<const float*>(value));
}

struct captured_value {
  LV2_URID key;
  std::vector<uint8_t>* out;
};

LV2_State_Status capture(LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t, uint32_t) {
  auto* c = static_cast<captured_value*>(handle);
  if (key == c->key) c->out->assign(static_cast<const uint8_t*>(value), static_cast<const uint8_t*>(value) + size);
  return LV2_STATE_SUCCESS;
}

struct offered_value {
  LV2_URID key;
  LV2_URID type;
  const std::vector<uint8_t>* bytes;
};

const void* offer(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags) {
  auto* o = static_cast<offered_value*>(handle);
  if (key != o->key) return nullptr;
  *size = o->bytes->size();
  *type = o->type;
  *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
  return o->bytes->data();
}

}  // namespace


plugin_host::plugin_host() { world_ = lilv_world_new(); }

plugin_host::~plugin_host() {
  if (instance_) {
    lilv_instance_deactivate(instance_);
    lilv_instance_free(instance_);
  }
  if (world_) lilv_world_free(world_);
}

bool plugin_host::load(const std::string& bundle, const std::string& uri, double rate, int32_t block_size,
                       std::string& error) {
  std::string folder = bundle;
  if (folder.empty() || folder.back() != '/') folder += '/';
  LilvNode* bundle_node = lilv_new_file_uri(world_, nullptr, folder.c_str());
  lilv_world_load_specifications(world_);
  lilv_world_load_plugin_classes(world_);
  lilv_world_load_bundle(world_, bundle_node);
  lilv_node_free(bundle_node);
  LilvNode* uri_node = lilv_new_uri(world_, uri.c_str());
  plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uri_node);
  lilv_node_free(uri_node);
  if (!plugin_) {
    error = "no plug-in " + uri + " in " + bundle;
    return false;
  }
  block_size_ = block_size;
  requests_.assign(worker_ring_bytes / sizeof(uint64_t), 0);
  responses_.assign(worker_ring_bytes / sizeof(uint64_t), 0);
  schedule_ = {this, schedule};
  schedule_feature_ = {LV2_WORKER__schedule, &schedule_};
  const LV2_Feature* features[] = {urids_.map_feature(), urids_.unmap_feature(),
                                   offer_worker_ ? &schedule_feature_ : nullptr, nullptr};
  instance_ = lilv_plugin_instantiate(plugin_, rate, features);
  if (!instance_) {
    error = "the plug-in did not instantiate";
    return false;
  }
  const uint32_t ports = lilv_plugin_get_num_ports(plugin_);
  controls_.assign(ports, 0.f);
  control_flags_.assign(ports, 0);
  std::vector<float> mins(ports), maxs(ports), defaults(ports);
  lilv_plugin_get_port_ranges_float(plugin_, mins.data(), maxs.data(), defaults.data());
  LilvNode* input = lilv_new_uri(world_, LILV_URI_INPUT_PORT);
  LilvNode* control = lilv_new_uri(world_, LILV_URI_CONTROL_PORT);
  LilvNode* audio = lilv_new_uri(world_, LILV_URI_AUDIO_PORT);
  LilvNode* atom = lilv_new_uri(world_, LV2_ATOM__AtomPort);
  events_.assign(event_capacity / sizeof(uint64_t), 0);
  notify_.assign(event_capacity / sizeof(uint64_t), 0);
  scratch_.assign(size_t(block_size), 0.f);
  for (uint32_t i = 0; i < ports; ++i) {
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin_, i);
    if (lilv_port_is_a(plugin_, port, control) && lilv_port_is_a(plugin_, port, input)) {
      control_flags_[i] = 1;
      controls_[i] = defaults[i];
      lilv_instance_connect_port(instance_, i, &controls_[i]);
    } else if (lilv_port_is_a(plugin_, port, atom) && lilv_port_is_a(plugin_, port, input)) {
      events_port_ = int32_t(i);
      lilv_instance_connect_port(instance_, i, events_.data());
    } else if (lilv_port_is_a(plugin_, port, atom)) {
      notify_port_ = int32_t(i);
      lilv_instance_connect_port(instance_, i, notify_.data());
    } else if (lilv_port_is_a(plugin_, port, audio)) {
      (left_port_ < 0 ? left_port_ : right_port_) = int32_t(i);
      lilv_instance_connect_port(instance_, i, scratch_.data());
    } else {
      lilv_instance_connect_port(instance_, i, nullptr);
    }
  }
  lilv_node_free(input);
  lilv_node_free(control);
  lilv_node_free(audio);
  lilv_node_free(atom);
  if (events_port_ < 0 || left_port_ < 0 || right_port_ < 0) {
    error = "the plug-in lacks an event input or two audio outputs";
    return false;
  }
  // An empty sequence until the first event.
  auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(events_.data());
  seq->atom.type = urids_.map(LV2_ATOM__Sequence);
  chunk_type_ = urids_.map(LV2_ATOM__Chunk);
  sequence_type_ = seq->atom.type;
  seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
  seq->body.unit = 0;
  seq->body.pad = 0;
  worker_ = static_cast<const LV2_Worker_Interface*>(
      lilv_instance_get_extension_data(instance_, LV2_WORKER__interface));
  lilv_instance_activate(instance_);
  return true;
}

bool plugin_host::push_record(std::vector<uint64_t>& ring, size_t& used, uint32_t size, const void* data) {
  const size_t need = sizeof(uint64_t) + (size + 7u) / 8u * 8u;
  if (used + need > ring.size() * sizeof(uint64_t)) return false;
  auto* at = reinterpret_cast<uint8_t*>(ring.data()) + used;
  const uint64_t n = size;
  std::memcpy(at, &n, sizeof n);
  std::memcpy(at + sizeof n, data, size);
  used += need;
  return true;
}

LV2_Worker_Status plugin_host::schedule(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data) {
  auto* self = static_cast<plugin_host*>(handle);
  return push_record(self->requests_, self->requests_used_, size, data) ? LV2_WORKER_SUCCESS
                                                                        : LV2_WORKER_ERR_NO_SPACE;
}

LV2_Worker_Status plugin_host::respond(LV2_Worker_Respond_Handle handle, uint32_t size, const void* data) {
  auto* self = static_cast<plugin_host*>(handle);
  return push_record(self->responses_, self->responses_used_, size, data) ? LV2_WORKER_SUCCESS
                                                                          : LV2_WORKER_ERR_NO_SPACE;
}

int32_t plugin_host::run_worker() {
  if (!worker_ || !worker_->work) return 0;
  // Copied out first: the plug-in may schedule again while working.
  std::vector<uint64_t> taken(requests_.begin(), requests_.begin() + long(requests_used_ / sizeof(uint64_t)));
  requests_used_ = 0;
  int32_t count = 0;
  const auto* at = reinterpret_cast<const uint8_t*>(taken.data());
  const auto* end = at + taken.size() * sizeof(uint64_t);
  while (at < end) {
    uint64_t size = 0;
    std::memcpy(&size, at, sizeof size);
    worker_->work(lilv_instance_get_handle(instance_), respond, this, uint32_t(size), at + sizeof size);
    at += sizeof(uint64_t) + (size + 7u) / 8u * 8u;
    ++count;
  }
  return count;
}

void plugin_host::for_each_notification(const std::function<void(const LV2_Atom*)>& use) const {
  if (notify_port_ < 0) return;
  const auto* seq = reinterpret_cast<const LV2_Atom_Sequence*>(notify_.data());
  if (seq->atom.type != sequence_type_) return;
  LV2_ATOM_SEQUENCE_FOREACH(seq, ev) use(&ev->body);
}

bool plugin_host::queue_atom(int32_t frame, const LV2_Atom* atom) {
  return append_event(frame, atom->type, atom + 1, atom->size);
}

void plugin_host::add_bundle(const std::string& bundle) {
  std::string folder = bundle;
  if (folder.empty() || folder.back() != '/') folder += '/';
  LilvNode* node = lilv_new_file_uri(world_, nullptr, folder.c_str());
  lilv_world_load_bundle(world_, node);
  lilv_node_free(node);
}

bool plugin_host::apply_preset(const std::string& label) {
  if (!plugin_) return false;
  LilvNode* preset_class = lilv_new_uri(world_, LV2_PRESETS__Preset);
  LilvNode* label_uri = lilv_new_uri(world_, LILV_NS_RDFS "label");
  LilvNodes* presets = lilv_plugin_get_related(plugin_, preset_class);
  LilvState* found = nullptr;
  LILV_FOREACH (nodes, i, presets) {
    const LilvNode* preset = lilv_nodes_get(presets, i);
    lilv_world_load_resource(world_, preset);
    LilvNode* name = lilv_world_get(world_, preset, label_uri, nullptr);
    const bool match = name && label == lilv_node_as_string(name);
    lilv_node_free(name);
    if (match) {
      found = lilv_state_new_from_world(world_, urids_.map_data(), preset);
      break;
    }
  }
  lilv_nodes_free(presets);
  lilv_node_free(label_uri);
  lilv_node_free(preset_class);
  if (!found) return false;
  restore_state(found);
  lilv_state_free(found);
  return true;
}

int32_t plugin_host::port_count() const { return int32_t(controls_.size()); }

int32_t plugin_host::port_index(const char* symbol) const {
  LilvNode* name = lilv_new_string(world_, symbol);
  const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin_, name);
  lilv_node_free(name);
  return port ? int32_t(lilv_port_get_index(plugin_, port)) : -1;
}

void plugin_host::set_control(int32_t port, float value) {
  if (port >= 0 && port < port_count() && control_flags_[size_t(port)]) controls_[size_t(port)] = value;
}

float plugin_host::control(int32_t port) const {
  return port >= 0 && port < port_count() ? controls_[size_t(port)] : 0.f;
}

bool plugin_host::append_event(int32_t frame, LV2_URID type, const void* body, uint32_t size) {
  auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(events_.data());
  const uint32_t used = sizeof(LV2_Atom) + seq->atom.size;
  const uint32_t need = lv2_atom_pad_size(sizeof(LV2_Atom_Event) + size);
  if (used + need > event_capacity) return false;
  auto* ev = reinterpret_cast<LV2_Atom_Event*>(reinterpret_cast<uint8_t*>(events_.data()) + used);
  ev->time.frames = frame;
  ev->body.type = type;
  ev->body.size = size;
  std::memcpy(ev + 1, body, size);
  seq->atom.size += need;
  return true;
}

bool plugin_host::queue_midi(int32_t frame, uint8_t b0, uint8_t b1, uint8_t b2) {
  const uint8_t bytes[3] = {b0, b1, b2};
  return append_event(frame, urids_.map(LV2_MIDI__MidiEvent), bytes, 3);
}

bool plugin_host::queue_position(int32_t frame, double bpm, bool rolling, int64_t bar, double bar_beat) {
  uint8_t body[512];
  LV2_Atom_Forge forge;
  lv2_atom_forge_init(&forge, urids_.map_data());
  lv2_atom_forge_set_buffer(&forge, body, sizeof body);
  LV2_Atom_Forge_Frame object;
  lv2_atom_forge_object(&forge, &object, 0, urids_.map(LV2_TIME__Position));
  lv2_atom_forge_key(&forge, urids_.map(LV2_TIME__beatsPerMinute));
  lv2_atom_forge_float(&forge, float(bpm));
  lv2_atom_forge_key(&forge, urids_.map(LV2_TIME__speed));
  lv2_atom_forge_float(&forge, rolling ? 1.f : 0.f);
  lv2_atom_forge_key(&forge, urids_.map(LV2_TIME__bar));
  lv2_atom_forge_long(&forge, bar);
  lv2_atom_forge_key(&forge, urids_.map(LV2_TIME__barBeat));
  lv2_atom_forge_float(&forge, float(bar_beat));
  lv2_atom_forge_key(&forge, urids_.map(LV2_TIME__beatsPerBar));
  lv2_atom_forge_float(&forge, 4.f);
  lv2_atom_forge_key(&forge, urids_.map(LV2_TIME__beatUnit));
  lv2_atom_forge_int(&forge, 4);
  lv2_atom_forge_pop(&forge, &object);
  const auto* atom = reinterpret_cast<const LV2_Atom*>(body);
  return append_event(frame, atom->type, atom + 1, atom->size);
}

bool plugin_host::process(float* left, float* right, int32_t frames) {
  if (!instance_ || frames > block_size_ || frames < 0) return false;
  lilv_instance_connect_port(instance_, uint32_t(left_port_), left);
  lilv_instance_connect_port(instance_, uint32_t(right_port_), right);
  if (notify_port_ >= 0) {
    // An output sequence: the host gives its capacity as a Chunk's size.
    auto* out = reinterpret_cast<LV2_Atom*>(notify_.data());
    out->type = chunk_type_;
    out->size = uint32_t(notify_.size() * sizeof(uint64_t) - sizeof(LV2_Atom));
  }
  lilv_instance_run(instance_, uint32_t(frames));
  // The worker's answers, after the run as jalv gives them.
  if (worker_ && worker_->work_response && responses_used_ > 0) {
    const auto* at = reinterpret_cast<const uint8_t*>(responses_.data());
    const auto* end = at + responses_used_;
    while (at < end) {
      uint64_t size = 0;
      std::memcpy(&size, at, sizeof size);
      worker_->work_response(lilv_instance_get_handle(instance_), uint32_t(size), at + sizeof size);
      at += sizeof(uint64_t) + (size + 7u) / 8u * 8u;
    }
    responses_used_ = 0;
  }
  auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(events_.data());
  seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
  return true;
}

LilvState* plugin_host::save_state() {
  port_reader reader{plugin_, &controls_, &control_flags_, urids_.map(LV2_ATOM__Float)};
  const LV2_Feature* features[] = {urids_.map_feature(), urids_.unmap_feature(), nullptr};
  return lilv_state_new_from_instance(plugin_, instance_, urids_.map_data(), nullptr, nullptr, nullptr, nullptr,
                                      port_value, &reader, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features);
}

bool plugin_host::restore_state(const LilvState* state) {
  if (!state) return false;
  port_writer writer{this, urids_.map(LV2_ATOM__Float)};
  const LV2_Feature* features[] = {urids_.map_feature(), urids_.unmap_feature(), nullptr};
  lilv_state_restore(state, instance_, set_port_value, &writer, 0, features);
  return true;
}

std::vector<uint8_t> plugin_host::state_value(const char* key_uri) {
  std::vector<uint8_t> out;
  const auto* iface =
      static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance_, LV2_STATE__interface));
  if (!iface) return out;
  captured_value c{urids_.map(key_uri), &out};
  iface->save(lilv_instance_get_handle(instance_), capture, &c, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, nullptr);
  return out;
}

bool plugin_host::set_state_value(const char* key_uri, const char* type_uri, const std::vector<uint8_t>& bytes) {
  const auto* iface =
      static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance_, LV2_STATE__interface));
  if (!iface) return false;
  offered_value o{urids_.map(key_uri), urids_.map(type_uri), &bytes};
  return iface->restore(lilv_instance_get_handle(instance_), offer, &o, 0, nullptr) == LV2_STATE_SUCCESS;
}

}  // namespace lv2host
