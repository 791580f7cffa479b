#include "files/state_controls.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "riff/bytes.h"

namespace files {

namespace {

namespace p = synth::p;

constexpr uint32_t route_record_size = 24;
constexpr uint32_t routes_fixed = riff::header_size + 8;  // version, count
constexpr int32_t octave_semitones = 12;


// The older layout drove one parameter from the bender and one from velocity
// through a route number, a scale and an offset (0.5 = none). Both become
// rows of the route matrix.
int add_old_source_routes(synth::synth& engine, const float* g, int source_index, int number_at, int row) {
  const float number = g[number_at - p::voices];
  if (!(number > 0.f)) return row;
  const int32_t dest = int32_t(number - 1.f);
  const float scale = g[number_at + 1 - p::voices];
  const float offset = g[number_at + 2 - p::voices];
  if (scale != 0.5f) {
    engine.set_route(row++, make_route(synth::route_source::note, source_index, synth::route_dest_parameter, dest,
                                       synth::route_mode::add, scale * 2.f - 1.f));
    if (offset != 0.5f)
      engine.set_route(row++, make_route(synth::route_source::constant, synth::route_constant_one,
                                         synth::route_dest_parameter, dest, synth::route_mode::add,
                                         offset * 2.f - 1.f));
  }
  return row;
}

// A global from a file, limited like a preset value: within its range, a
// whole number for integer parameters, NaN replaced by the default. The
// engine turns several globals into counts (voices, layers, modes).
float limited_global(int index, float v) {
  const synth::param_info& r = synth::param_row(index);
  if (std::isnan(v)) return r.def;
  v = std::clamp(v, r.min, r.max);
  return r.is_integer ? std::floor(v) : v;
}

}  // namespace

synth::route make_route(int32_t source_class, int32_t source_index, int32_t dest_class, int32_t dest_index,
                        int32_t mode, float depth) {
  synth::route r;
  r.source_class = source_class;
  r.source_index = source_index;
  r.dest_class = dest_class;
  r.dest_index = dest_index;
  r.mode = mode;
  r.depth = depth;
  return r;
}

uint32_t write_ctrl_chunk(uint8_t* dest, const synth::synth& engine) {
  float g[synth::global_param_count];
  engine.copy_globals(g);
  riff::chunk_writer w(dest);
  w.id("ctrl");
  w.u32(ctrl_chunk_size);
  w.u32(1);
  for (float v : g) w.f32(v);
  return w.size();
}

void read_ctrl_chunk(riff::chunk_view c, bool routes_follow, synth::synth& engine) {
  if (!c.has(riff::header_size, 4 + 4 * synth::global_param_count)) return;
  uint32_t version = riff::read_u32(c.payload());
  if (version == 0 && routes_follow) version = 1;
  if (version > 1) return;
  float g[synth::global_param_count];
  for (int i = 0; i < synth::global_param_count; ++i)
    g[i] = limited_global(p::voices + i, riff::read_f32(c.payload() + 4 + 4 * i));
  for (int i = 0; i < synth::global_param_count; ++i) engine.set_param(p::voices + i, 0, g[i]);
  if (version == 1) return;
  engine.set_param(p::coarse_tune, 0, limited_global(p::coarse_tune, g[p::coarse_tune - p::voices] + float(octave_semitones)));
  for (int r = 0; r < synth::route_count; ++r) engine.set_route(r, synth::route{});
  int row = add_old_source_routes(engine, g, synth::note_source::bender, p::bender_route, 0);
  add_old_source_routes(engine, g, synth::note_source::velocity, p::velocity_route, row);
}

uint32_t write_flag_chunk(uint8_t* dest, const synth::synth& engine) {
  riff::chunk_writer w(dest);
  w.id("flag");
  w.u32(flag_chunk_size);
  w.u32(1);
  for (int i = 0; i < synth::engine_flag_count; ++i) w.u32(engine.flag(synth::engine_flag(i)) ? 1 : 0);
  return w.size();
}

void read_flag_chunk(riff::chunk_view c, synth::synth& engine) {
  if (!c.has(riff::header_size, 4 + 4 * synth::engine_flag_count)) return;
  const uint32_t version = riff::read_u32(c.payload());
  for (int i = 0; i < synth::engine_flag_count; ++i) {
    const auto f = synth::engine_flag(i);
    // "Recycle" joined the switches with version 1; older files leave it.
    if (f == synth::engine_flag::recycle_voices && version == 0) continue;
    engine.set_flag(f, riff::read_u32(c.payload() + 4 + 4 * i) != 0);
  }
}

uint32_t write_routes_chunk(uint8_t* dest, synth::synth& engine) {
  std::vector<synth::route> used;
  for (int r = 0; r < synth::route_count; ++r) {
    const synth::route row = engine.routes().get_route(r);
    if (row.in_use()) used.push_back(row);
  }
  riff::chunk_writer w(dest);
  w.id("p_rt");
  w.u32(routes_fixed + route_record_size * uint32_t(used.size()));
  w.u32(0);
  w.u32(uint32_t(used.size()));
  for (const synth::route& r : used) {
    w.i32(r.source_class);
    w.i32(r.source_index);
    w.i32(r.dest_class);
    w.i32(r.dest_index);
    w.i32(r.mode);
    w.f32(r.depth);
  }
  return w.size();
}

void read_routes_chunk(riff::chunk_view c, synth::synth& engine) {
  if (!c.has(riff::header_size, 8) || riff::read_u32(c.payload()) != 0) return;
  uint32_t n = riff::read_u32(c.payload() + 4);
  n = std::min<uint32_t>({n, uint32_t(synth::route_count), (c.size - routes_fixed) / route_record_size});
  for (uint32_t r = 0; r < uint32_t(synth::route_count); ++r) {
    if (r >= n) {
      engine.set_route(int(r), synth::route{});
      continue;
    }
    const uint8_t* f = c.data + routes_fixed + route_record_size * r;
    const float depth = riff::read_f32(f + 20);
    // A depth that is no finite number never acts: the row is dropped.
    if (!std::isfinite(depth)) {
      engine.set_route(int(r), synth::route{});
      continue;
    }
    engine.set_route(int(r), make_route(riff::read_i32(f), riff::read_i32(f + 4), riff::read_i32(f + 8),
                                        riff::read_i32(f + 12), riff::read_i32(f + 16), depth));
  }
}

uint32_t write_cc_map_chunk(uint8_t* dest, const synth::cc_map& map) {
  uint32_t mapped = 0;
  for (int c = 0; c < synth::cc_map::controller_count; ++c) mapped += map.entry(c) != synth::cc_map::unmapped;
  riff::chunk_writer w(dest);
  w.id("mdcc");
  w.u32(12 + 8 * mapped);
  w.u32(mapped);
  for (int c = 0; c < synth::cc_map::controller_count; ++c) {
    if (map.entry(c) == synth::cc_map::unmapped) continue;
    w.u32(uint32_t(c));
    w.i32(map.entry(c));
  }
  return w.size();
}

void read_cc_map_chunk(const uint8_t* data, size_t available, synth::cc_map& map) {
  if (!data || available < 12) {
    map.clear();
    return;
  }
  // Bounded by the chunk's own size and by the bytes that exist.
  const size_t size = std::min<size_t>(riff::read_u32(data + 4), available);
  const size_t room = size < 12 ? 0 : (size - 12) / 8;
  const size_t n = std::min<size_t>(riff::read_u32(data + 8), room);
  std::vector<synth::cc_pair> pairs(n);
  for (size_t i = 0; i < n; ++i)
    pairs[i] = {riff::read_i32(data + 12 + 8 * i), riff::read_i32(data + 16 + 8 * i)};
  map.load(pairs.data(), int(n));
}

uint32_t write_saws_chunk(uint8_t* dest, const synth::synth& engine) {
  riff::chunk_writer w(dest);
  w.id("saws");
  w.u32(saws_chunk_size);
  w.u32(uint32_t(engine.saw_count()));
  w.u32(0);
  w.u32(0);
  w.u32(0);
  return w.size();
}

}  // namespace files
