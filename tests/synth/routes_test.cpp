#include "synth/routes.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "synth/param_table.h"

namespace synth {
namespace {

// Two voices playing programs 0 and 1 (both with the same preset values), the
// applied values recorded per (voice, parameter).
class recording_client : public route_client {
 public:
  static constexpr int voices = 2;
  int program[voices] = {0, 0};
  voice_sources source[voices];
  midi_state state;
  float preset[preset_param_count] = {};
  std::map<std::pair<int, int>, float> applied;
  int apply_count = 0;

  recording_client() {
    for (int p = 0; p < preset_param_count; ++p) preset[p] = param_row(p).def;
  }
  int voice_count() override { return voices; }
  int voice_program(int v) override { return program[v]; }
  float preset_value(int, int parameter) override { return preset[parameter]; }
  voice_sources voice_source(int v) override { return source[v]; }
  const midi_state& midi() override { return state; }
  void apply_to_voice(int v, int parameter, float value) override {
    applied[{v, parameter}] = value;
    ++apply_count;
  }
  float at(int v, int parameter) const {
    auto it = applied.find({v, parameter});
    return it == applied.end() ? -999.f : it->second;
  }
};

route make(int32_t sc, int32_t si, int32_t p, int32_t mode, float depth) {
  return route{sc, si, route_dest_parameter, p, mode, depth};
}

const route velocity_to_cutoff = make(route_source::note, note_source::velocity, p::filter_frequency, route_mode::add, 0.5f);

struct routes_fixture : ::testing::Test {
  recording_client client;
  route_table routes{client};
};

TEST(route_source, values_follow_the_source_table) {
  midi_state m;
  m.poly_pressure[72] = 127;
  m.controller[1] = 1;
  m.controller[127] = 127;
  m.program = 127;
  m.channel_pressure = 64;
  m.bend = -0.25f;
  voice_sources v{72, 0.5f, 0.25f};
  EXPECT_FLOAT_EQ(route_source_value(2, 0, v, m), 12 * 0.007874016f);
  EXPECT_FLOAT_EQ(route_source_value(2, 1, v, m), 0.5f);
  EXPECT_FLOAT_EQ(route_source_value(2, 2, v, m), 127 * 0.007874016f);
  EXPECT_FLOAT_EQ(route_source_value(2, 3, v, m), 0.25f);
  EXPECT_FLOAT_EQ(route_source_value(2, 4, v, m), 127 * 0.007874016f);
  EXPECT_FLOAT_EQ(route_source_value(2, 5, v, m), 64 * 0.007874016f);
  EXPECT_FLOAT_EQ(route_source_value(2, 6, v, m), -0.25f);
  EXPECT_FLOAT_EQ(route_source_value(3, 1, v, m), 0.007874016f);
  EXPECT_FLOAT_EQ(route_source_value(1, 1, v, m), 1.f);
  v.note = 60;
  EXPECT_EQ(route_source_value(2, 0, v, m), 0.f);
  for (auto [c, i] : {std::pair{0, 0}, {1, 0}, {1, 2}, {2, 7}, {2, -1}, {3, 128}, {3, -1}, {4, 0}})
    EXPECT_EQ(route_source_value(c, i, v, m), 0.f) << c << " " << i;
}

TEST_F(routes_fixture, velocity_route_adds_at_note_start) {
  client.preset[p::filter_frequency] = 0.3f;
  routes.set_route(0, velocity_to_cutoff);
  client.source[0].velocity = 127 * 0.007874016f;
  client.source[1].velocity = 64 * 0.007874016f;
  routes.route_voice(0);
  routes.route_voice(1);
  EXPECT_NEAR(client.at(0, p::filter_frequency), 0.8f, 1e-6f);
  EXPECT_NEAR(client.at(1, p::filter_frequency), 0.3f + 0.252f, 1e-3f);
}

TEST_F(routes_fixture, bender_multiplies_volume_by_depth) {
  client.preset[p::volume] = 0.8f;
  routes.set_route(3, make(route_source::note, note_source::bender, p::volume, route_mode::multiply, 1.f));
  client.state.bend = -0.5f;
  routes.source_changed(route_source::note, note_source::bender);
  EXPECT_FLOAT_EQ(client.at(0, p::volume), -0.4f);  // negative below the centre
  EXPECT_FLOAT_EQ(client.at(1, p::volume), -0.4f);
  routes.set_route(3, make(route_source::note, note_source::bender, p::volume, route_mode::multiply, 0.5f));
  EXPECT_FLOAT_EQ(client.at(0, p::volume), 0.8f * (0.5f + 0.5f * -0.5f));
  client.state.bend = 0.5f;
  routes.source_changed(route_source::note, note_source::bender);
  routes.source_changed(route_source::note, note_source::bender);  // no accumulation
  EXPECT_FLOAT_EQ(client.at(1, p::volume), 0.8f * 0.75f);
}

TEST_F(routes_fixture, a_multiply_scales_earlier_adds_but_not_later_ones) {
  client.preset[p::filter_frequency] = 0.2f;
  client.state.controller[7] = 64;
  const float s = 64 * 0.007874016f;
  const route add = make(route_source::constant, route_constant_one, p::filter_frequency, route_mode::add, 0.25f);
  const route mul = make(route_source::controller, 7, p::filter_frequency, route_mode::multiply, 1.f);
  routes.set_route(0, add);
  routes.set_route(1, mul);
  EXPECT_NEAR(client.at(0, p::filter_frequency), (0.2f + 0.25f) * s, 1e-6f);
  routes.set_route(0, mul);
  routes.set_route(1, add);
  EXPECT_NEAR(client.at(0, p::filter_frequency), 0.2f * s + 0.25f, 1e-6f);
}

TEST_F(routes_fixture, integer_destinations_are_clamped_and_floored) {
  client.preset[p::osc_a_waveform] = 2.f;
  const struct {
    float depth, expected;
  } cases[] = {{1.f, 5.f}, {0.3f, 3.f}, {-1.f, 0.f}, {0.19f, 2.f}};
  for (auto c : cases) {
    SCOPED_TRACE(c.depth);
    routes.set_route(5, make(route_source::constant, route_constant_one, p::osc_a_waveform, route_mode::add, c.depth));
    EXPECT_EQ(client.at(1, p::osc_a_waveform), c.expected);
  }
}

TEST_F(routes_fixture, depth_zero_unroutes_and_restores_the_preset_value) {
  client.preset[p::filter_frequency] = 0.3f;
  routes.set_route(2, make(route_source::constant, route_constant_one, p::filter_frequency, route_mode::add, 0.5f));
  EXPECT_TRUE(routes.is_routed(p::filter_frequency));
  EXPECT_FLOAT_EQ(client.at(0, p::filter_frequency), 0.8f);
  route r = routes.get_route(2);
  r.depth = 0.f;
  routes.set_route(2, r);
  EXPECT_FALSE(routes.is_routed(p::filter_frequency));
  EXPECT_EQ(routes.dest_list_size(), 0);
  EXPECT_EQ(routes.source_list_size(), 0);
  EXPECT_FLOAT_EQ(client.at(0, p::filter_frequency), 0.3f);
  EXPECT_FLOAT_EQ(client.at(1, p::filter_frequency), 0.3f);
}

TEST_F(routes_fixture, only_active_sources_reevaluate_and_only_their_destinations) {
  routes.set_route(0, make(route_source::controller, 1, p::filter_resonance, route_mode::add, 1.f));
  routes.set_route(1, make(route_source::controller, 2, p::volume, route_mode::add, 1.f));
  routes.set_route(2, make(route_source::controller, 1, p::shaper_depth, route_mode::add, 1.f));
  client.applied.clear();
  client.apply_count = 0;
  routes.source_changed(route_source::controller, 3);
  EXPECT_EQ(client.apply_count, 0);
  client.state.controller[1] = 127;
  routes.source_changed(route_source::controller, 1);
  EXPECT_EQ(client.apply_count, 4);  // two destinations x two voices
  EXPECT_FLOAT_EQ(client.at(0, p::shaper_depth), 127 * 0.007874016f);
  EXPECT_EQ(client.at(0, p::volume), -999.f);
}

TEST_F(routes_fixture, key_route_is_per_voice_and_silent_voices_are_skipped) {
  routes.set_route(0, make(route_source::note, note_source::key, p::panning, route_mode::add, 0.5f));
  client.applied.clear();
  client.source[0].note = 72;
  client.source[1].note = 48;
  client.program[1] = -1;
  routes.route_voice(0);
  routes.route_voice(1);
  routes.routed_set(p::panning);
  EXPECT_NEAR(client.at(0, p::panning), 2.f * 12 * 0.007874016f * 0.5f, 1e-6f);
  EXPECT_EQ(client.at(1, p::panning), -999.f);
}

TEST_F(routes_fixture, rows_out_of_use_or_with_unknown_mode_do_nothing) {
  client.preset[p::volume] = 0.6f;
  routes.set_route(0, make(route_source::none, 0, p::volume, route_mode::multiply, 1.f));  // no source
  routes.set_route(1, make(route_source::constant, route_constant_one, p::volume, 7, 1.f));  // unknown mode
  routes.set_route(2, make(route_source::constant, route_constant_one, 200, route_mode::add, 1.f));  // no such parameter
  routes.set_route(99, make(route_source::constant, route_constant_one, p::volume, route_mode::add, 1.f));
  EXPECT_EQ(routes.dest_list_size(), 1);  // row 1: in use, acts as nothing
  EXPECT_FLOAT_EQ(routes.routed_value(p::volume, 0, voice_sources{}), 0.6f);
  EXPECT_EQ(routes.source_list_size(), 1);
  EXPECT_EQ(routes.get_route(99).mode, -1);
}

TEST_F(routes_fixture, active_lists_hold_distinct_pairs) {
  routes.set_route(0, make(route_source::controller, 4, p::volume, route_mode::add, 0.1f));
  routes.set_route(1, make(route_source::controller, 4, p::volume, route_mode::multiply, 0.1f));
  routes.set_route(2, make(route_source::controller, 5, p::volume, route_mode::add, 0.1f));
  routes.set_route(3, make(route_source::controller, 4, p::panning, route_mode::add, 0.1f));
  EXPECT_EQ(routes.source_list_size(), 2);
  EXPECT_EQ(routes.dest_list_size(), 2);
  EXPECT_EQ(routes.dest_list_entry(0), p::volume);
  EXPECT_EQ(routes.dest_list_entry(1), p::panning);
  routes.clear_route(3);
  EXPECT_FALSE(routes.is_routed(p::panning));
  EXPECT_TRUE(routes.is_routed(p::volume));
}

}  // namespace
}  // namespace synth
