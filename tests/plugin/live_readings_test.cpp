// An instance given another's live readings answers the display commands
// from them (after the trip through the float vector), and from its own
// engine again once they are taken away.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "plugin/instance.h"
#include "plugin/live_readings.h"
#include "plugin/synth_command.h"

namespace {

struct idle_instance {
  plugin::instance* it = plugin::instance::create(nullptr, plugin::editor_factory(nullptr));
  ~idle_instance() {
    if (it) plugin::instance::destroy(it);
  }
};

TEST(live_readings, a_mirror_answers_the_display_commands_from_the_readings_it_was_given) {
  idle_instance m;
  ASSERT_NE(m.it, nullptr);
  plugin::live_readings sent;
  sent.meter_active = true;
  sent.levels = {0.25f, 0.5f};
  sent.engine_running = true;
  sent.voices_rendered = 5;
  sent.slot_count = 16;
  sent.displayed_voice_state = 2 | 8 | 16 | (64 << 8);
  sent.envelope_stage = {1, 2};
  sent.envelope_level = {0.75f, 0.125f};
  sent.lfo_flags = {3, 1};
  sent.lfo_output = {-0.5f, 0.5f};
  sent.displayed_slot = 7;
  sent.voice_level[31] = 0.9f;
  sent.voice_stage[31] = 1;
  sent.voice_age[31] = 123456;
  plugin::live_values wire;
  plugin::pack_live(sent, wire);
  plugin::live_readings live;
  plugin::unpack_live(wire, live);
  m.it->set_live_readings(&live);

  auto send = [&](int number, plugin::command_args& a) { return plugin::synth_command(&a, m.it, number); };
  plugin::command_args a;
  EXPECT_EQ(send(plugin::command::meter_active, a), 1);
  EXPECT_EQ(send(plugin::command::engine_running, a), 1);
  EXPECT_EQ(send(plugin::command::voices_rendered, a), 5);
  EXPECT_EQ(send(plugin::command::slot_count, a), 16);
  EXPECT_EQ(send(plugin::command::displayed_voice_state, a), sent.displayed_voice_state);
  float levels[2] = {};
  a.pointer = levels;
  send(plugin::command::output_levels, a);
  EXPECT_EQ(levels[0], 0.25f);
  EXPECT_EQ(levels[1], 0.5f);
  a.pointer = nullptr;
  a.index = 1;
  EXPECT_EQ(send(plugin::command::envelope_state, a), 2);
  EXPECT_EQ(a.value, 0.125f);
  a.index = 0;
  EXPECT_EQ(send(plugin::command::lfo_state, a), 7);
  EXPECT_EQ(a.number, 3);
  EXPECT_EQ(a.value, -0.5f);
  a.index = 31;
  EXPECT_EQ(send(plugin::command::voice_activity, a), 1);
  EXPECT_EQ(a.value, 0.9f);
  EXPECT_EQ(send(plugin::command::voice_age, a), 123456);
  a.index = 32;  // beyond the lights
  EXPECT_EQ(send(plugin::command::voice_activity, a), -1);
  EXPECT_EQ(a.value, 0.f);

  m.it->set_live_readings(nullptr);
  EXPECT_EQ(send(plugin::command::voices_rendered, a), 0);
  EXPECT_EQ(send(plugin::command::meter_active, a), 0);
}

// Readings come from another process: what is not finite reads as nothing.
TEST(live_readings, values_that_are_not_finite_unpack_as_nothing) {
  plugin::live_values wire;
  wire.fill(std::numeric_limits<float>::quiet_NaN());
  wire[4] = std::numeric_limits<float>::infinity();
  plugin::live_readings live;
  live.voices_rendered = 9;
  plugin::unpack_live(wire, live);
  EXPECT_EQ(live.voices_rendered, 0);
  EXPECT_FALSE(live.meter_active);
  EXPECT_EQ(live.levels[0], 0.f);
  EXPECT_EQ(live.voice_age[0], 0);
}

}  // namespace
