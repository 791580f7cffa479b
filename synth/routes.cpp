#include "synth/routes.h"

#include <algorithm>
#include <cmath>

#include "synth/param_table.h"

namespace synth {

namespace {

constexpr float inv_127 = 0.007874016f;  // MIDI 7-bit value to 0..1
constexpr int midi_note_middle_c = 60;

float note_class_value(int32_t index, const voice_sources& voice, const midi_state& midi) {
  switch (index) {
    case note_source::key: return static_cast<float>(voice.note - midi_note_middle_c) * inv_127;
    case note_source::velocity: return voice.velocity;
    case note_source::pressure: return static_cast<float>(midi.poly_pressure[voice.note & 0x7f]) * inv_127;
    case note_source::release: return voice.release_velocity;
    case note_source::program: return static_cast<float>(midi.program) * inv_127;
    case note_source::aftertouch: return static_cast<float>(midi.channel_pressure) * inv_127;
    case note_source::bender: return midi.bend;
    case note_source::note_bend: return voice.note_bend;
    case note_source::note_pressure: return voice.note_pressure;
    case note_source::note_slide: return voice.note_slide;
    default: return 0.f;
  }
}

bool playing(int program) { return program >= 0; }

}  // namespace

float route_source_value(int32_t source_class, int32_t source_index, const voice_sources& voice,
                         const midi_state& midi) {
  switch (source_class) {
    case route_source::constant: return source_index == route_constant_one ? 1.f : 0.f;
    case route_source::note: return note_class_value(source_index, voice, midi);
    case route_source::controller:
      if (source_index < 0 || source_index >= static_cast<int32_t>(midi.controller.size())) return 0.f;
      return static_cast<float>(midi.controller[source_index]) * inv_127;
    default: return 0.f;
  }
}

bool route_table::targets_parameter(const route& r) {
  return r.in_use() && r.dest_class == route_dest_parameter && r.dest_index >= 0 &&
         r.dest_index < preset_param_count;
}

void route_table::set_route(int row, const route& r) {
  if (row < 0 || row >= route_count) return;
  rows_[row] = r;
  rebuild_routes();
  if (targets_parameter(rows_[row])) route_parameter_all(rows_[row].dest_index);
}

route route_table::get_route(int row) const {
  if (row < 0 || row >= route_count) return route{};
  return rows_[row];
}

void route_table::clear_route(int row) { set_route(row, route{}); }

void route_table::rebuild_routes() {
  std::array<int32_t, route_count> old_dests{};
  const int old_count = std::min<int32_t>(dest_count_, route_count);
  for (int i = 0; i < old_count; ++i) old_dests[i] = dests_[i];

  int sources = 0, dests = 0;
  for (const route& r : rows_) {
    if (!r.in_use()) continue;
    const int32_t cls = r.source_class, index = r.source_index;
    const bool seen = std::any_of(sources_.begin(), sources_.begin() + sources,
                                  [&](const source_key& k) { return k.cls == cls && k.index == index; });
    if (!seen) {
      sources_[sources].cls = cls;
      sources_[sources].index = index;
      ++sources;
    }
    if (!targets_parameter(r)) continue;
    const int32_t p = r.dest_index;
    if (std::find(dests_.begin(), dests_.begin() + dests, p) == dests_.begin() + dests) dests_[dests++] = p;
  }
  source_count_ = sources;
  dest_count_ = dests;

  for (int i = 0; i < old_count; ++i)
    if (!is_routed(old_dests[i])) route_parameter_all(old_dests[i]);
}

bool route_table::is_routed(int parameter) const {
  const int n = std::min<int32_t>(dest_count_, route_count);
  for (int i = 0; i < n; ++i)
    if (dests_[i] == parameter) return true;
  return false;
}

bool route_table::is_active_source(int32_t cls, int32_t index) const {
  const int n = std::min<int32_t>(source_count_, route_count);
  for (int i = 0; i < n; ++i)
    if (sources_[i].cls == cls && sources_[i].index == index) return true;
  return false;
}

void route_table::source_changed(int32_t source_class, int32_t source_index) {
  if (!is_active_source(source_class, source_index)) return;
  std::array<int32_t, route_count> done{};
  int done_count = 0;
  for (const route& r : rows_) {
    if (r.source_class != source_class || r.source_index != source_index || !targets_parameter(r)) continue;
    const int32_t p = r.dest_index;
    if (std::find(done.begin(), done.begin() + done_count, p) != done.begin() + done_count) continue;
    done[done_count++] = p;
    route_parameter_all(p);
  }
}

void route_table::route_voice(int voice) {
  const int n = std::min<int32_t>(dest_count_, route_count);
  for (int i = 0; i < n; ++i) route_parameter(voice, dests_[i]);
}

void route_table::routed_set(int parameter) {
  if (parameter < 0 || parameter >= preset_param_count) return;
  route_parameter_all(parameter);
}

void route_table::route_parameter_all(int parameter) {
  const int voices = client_.voice_count();
  for (int v = 0; v < voices; ++v) route_parameter(v, parameter);
}

void route_table::route_parameter(int voice, int parameter) {
  const int program = client_.voice_program(voice);
  if (!playing(program)) return;
  client_.apply_to_voice(voice, parameter, routed_value(parameter, program, client_.voice_source(voice)));
}

float route_table::routed_value(int parameter, int program, const voice_sources& voice) const {
  if (parameter < 0 || parameter >= preset_param_count) return 0.f;
  const param_info& info = param_row(parameter);
  const midi_state& midi = client_.midi();
  float x = client_.preset_value(program, parameter);
  for (const route& r : rows_) {
    if (!targets_parameter(r) || r.dest_index != parameter) continue;
    const float s = route_source_value(r.source_class, r.source_index, voice, midi);
    const float depth = r.depth;
    if (r.mode == route_mode::add) x += (info.max - info.min) * s * depth;
    else if (r.mode == route_mode::multiply) x *= (s - 1.f) * depth + 1.f;
    // Rows added later are not scaled by an earlier multiply: row order matters.
  }
  if (info.is_integer) x = std::floor(std::clamp(x, info.min, info.max));
  return x;
}

}  // namespace synth
