#include "synth/cc_map.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "synth/param_table.h"

namespace synth {
namespace {

// Stores values like the engine would; `store_scale` lets a test make the
// stored value differ from the written one, to see which one is notified.
class recording_client : public cc_client {
 public:
  float values[param_count] = {};
  float store_scale = 1.f;
  int sets = 0;
  std::vector<std::pair<int, float>> notified;
  std::vector<std::pair<std::string, int>> messages;

  void set_param(int index, float internal) override {
    values[index] = internal * store_scale;
    ++sets;
  }
  float get_param(int index) override { return values[index]; }
  void notify_parameter(int index, float normalised) override { notified.emplace_back(index, normalised); }
  void notify_message(const char* text, int number) override { messages.emplace_back(text, number); }
};

struct cc_map_fixture : ::testing::Test {
  recording_client client;
  cc_map map;
  void bind(int controller, int parameter) {
    const cc_pair pair{controller, parameter};
    map.load(&pair, 1);
  }
};

TEST_F(cc_map_fixture, starts_unmapped_and_disarmed) {
  EXPECT_EQ(map.learn_target(), -1);
  for (int c = 0; c < cc_map::controller_count; ++c) EXPECT_EQ(map.entry(c), -1);
  map.control_change(7, 100, client);
  EXPECT_EQ(client.sets, 0);
}

TEST_F(cc_map_fixture, value_127_gives_just_below_one_on_a_continuous_parameter) {
  bind(74, p::filter_frequency);
  map.control_change(74, 127, client);
  EXPECT_FLOAT_EQ(client.values[p::filter_frequency], 0.9921875f);
  ASSERT_EQ(client.notified.size(), 1u);
  EXPECT_EQ(client.notified[0].first, p::filter_frequency);
  EXPECT_FLOAT_EQ(client.notified[0].second, 0.9921875f);
  map.control_change(74, 0, client);
  EXPECT_EQ(client.values[p::filter_frequency], 0.f);
}

TEST_F(cc_map_fixture, integer_parameters_share_the_128_values_evenly) {
  bind(20, p::osc_a_invert);
  for (int v = 0; v < 128; ++v) {
    map.control_change(20, v, client);
    EXPECT_EQ(client.values[p::osc_a_invert], v <= 64 ? 0.f : 1.f) << v;
  }
  bind(21, p::voices);
  map.control_change(21, 127, client);
  EXPECT_EQ(client.values[p::voices], 35.f);
  map.control_change(21, 0, client);
  EXPECT_EQ(client.values[p::voices], 0.f);
  map.control_change(21, 200, client);  // a bad data byte is clamped to the top
  EXPECT_EQ(client.values[p::voices], 35.f);
}

TEST_F(cc_map_fixture, notification_reports_the_stored_value) {
  bind(1, p::volume);
  client.store_scale = 0.5f;
  map.control_change(1, 64, client);
  EXPECT_FLOAT_EQ(client.notified.back().second, 0.25f);
}

TEST_F(cc_map_fixture, learn_binds_the_next_controller_and_applies_it_at_once) {
  map.arm_learn(p::filter_resonance);
  map.arm_learn(p::shaper_depth);  // re-arming replaces the target
  map.control_change(64, 127, client);
  EXPECT_EQ(map.entry(64), p::shaper_depth);
  EXPECT_EQ(map.learn_target(), -1);
  ASSERT_EQ(client.messages.size(), 1u);
  EXPECT_EQ(client.messages[0].first, "mapped");
  EXPECT_EQ(client.messages[0].second, p::shaper_depth);
  EXPECT_FLOAT_EQ(client.values[p::shaper_depth], 0.9921875f);
  map.control_change(65, 127, client);  // learn is spent
  EXPECT_EQ(map.entry(65), -1);
  EXPECT_EQ(client.messages.size(), 1u);
}

TEST_F(cc_map_fixture, several_controllers_may_drive_one_parameter_until_unmapped_or_cleared) {
  map.arm_learn(p::volume);
  map.control_change(10, 0, client);
  map.arm_learn(p::volume);
  map.control_change(11, 0, client);
  map.control_change(10, 64, client);
  EXPECT_FLOAT_EQ(client.values[p::volume], 0.5f);
  map.unmap(10);
  map.unmap(500);  // out of range: ignored
  EXPECT_EQ(map.entry(10), -1);
  EXPECT_EQ(map.entry(11), p::volume);
  map.clear();
  const int before = client.sets;
  for (int c = 0; c < cc_map::controller_count; ++c) map.control_change(c, 100, client);
  EXPECT_EQ(client.sets, before);
}

TEST_F(cc_map_fixture, load_replaces_the_map_and_skips_bad_pairs) {
  bind(3, p::volume);
  const cc_pair pairs[] = {{7, p::master_volume}, {128, 1}, {-1, 1}, {8, 106}, {9, -1}, {1, p::parameter_filter}};
  map.load(pairs, 6);
  EXPECT_EQ(map.entry(3), -1);
  EXPECT_EQ(map.entry(7), p::master_volume);
  EXPECT_EQ(map.entry(8), -1);
  EXPECT_EQ(map.entry(9), -1);
  EXPECT_EQ(map.entry(1), p::parameter_filter);
  map.arm_learn(106);
  EXPECT_EQ(map.learn_target(), -1);
}

}  // namespace
}  // namespace synth
