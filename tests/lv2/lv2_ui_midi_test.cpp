// The MIDI the LV2 plug-in receives reaches the UI's mirror: a learn armed
// in the mirror's editor completes on a controller sent to the plug-in, and
// the new mapping then lives in the plug-in too.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "plugin/synth_command.h"
#include "synth/engine.h"
#include "synth/param_table.h"
#include "tests/lv2/ui_bench.h"

namespace {

using lv2_test::ui_bench;

constexpr int32_t controller = 20;
constexpr int32_t target = synth::p::filter_frequency;

bool opened(ui_bench& b) {
  if (!b.start()) return false;
  b.ui->request_state();
  return b.cycle_until([&] { return b.ui->received_count() == 1; });
}

// A fresh instance holding these state bytes (the plug-in's state read back).
struct loaded {
  plugin::instance* it = plugin::instance::create(nullptr, plugin::editor_factory(nullptr));
  explicit loaded(const std::vector<uint8_t>& bytes) {
    if (it) it->load_state(bytes.data(), bytes.size());
  }
  ~loaded() {
    if (it) plugin::instance::destroy(it);
  }
};

TEST(lv2_ui_midi, a_learn_armed_in_the_mirror_completes_on_the_plugins_midi_and_reaches_the_plugin) {
  ui_bench b;
  ASSERT_TRUE(opened(b));
  plugin::command_args a;
  a.index = target;
  plugin::synth_command(&a, &b.ui->mirror(), plugin::command::arm_learn);
  ASSERT_EQ(b.ui->mirror().engine().controller_map().learn_target(), target);

  b.dsp.queue_midi(0, 0xB0, controller, 64);
  ASSERT_TRUE(b.cycle_until([&] { return b.ui->mirror().engine().controller_map().entry(controller) == target; }, 50));
  EXPECT_EQ(b.ui->mirror().engine().controller_map().learn_target(), synth::cc_map::unmapped);
  ASSERT_TRUE(b.cycle_until([&] { return b.ui->loaded_count() >= 1 && !b.ui->sending(); }));
  const std::vector<uint8_t> saved = b.dsp_state();
  EXPECT_EQ(saved, b.mirror_state());
  {
    loaded back(saved);
    ASSERT_NE(back.it, nullptr);
    EXPECT_EQ(back.it->engine().controller_map().entry(controller), target);
    EXPECT_NEAR(back.it->get_parameter(target), 64.f / 128.f, 1e-3f);  // the learning controller set it
  }

  // With the UI gone, the controller moves the parameter on the plug-in's side alone.
  b.ui.reset();
  b.dsp.queue_midi(0, 0xB0, controller, 100);
  b.dsp.process(b.left.data(), b.right.data(), ui_bench::block);
  loaded after(b.dsp_state());
  ASSERT_NE(after.it, nullptr);
  EXPECT_NEAR(after.it->get_parameter(target), 100.f / 128.f, 1e-3f);
}

TEST(lv2_ui_midi, controller_moves_reach_the_ports_and_notes_light_the_mirrors_activity) {
  ui_bench b;
  ASSERT_TRUE(opened(b));
  b.ui->mirror().engine().controller_map().load(nullptr, 0);
  synth::cc_pair pair{controller, target};
  b.ui->mirror().engine().controller_map().load(&pair, 1);
  b.ui->mirror().engine().midi_activity();  // cleared
  b.dsp.queue_midi(3, 0x90, 60, 100);
  b.dsp.queue_midi(9, 0xB0, controller, 32);
  b.dsp.queue_midi(12, 0x80, 60, 0);
  ASSERT_TRUE(b.cycle_until([&] { return b.ui->midi_count() == 3; }, 10));
  b.cycle();  // the idle that takes them
  EXPECT_TRUE(b.ui->mirror().engine().midi_activity());
  EXPECT_NEAR(b.ui->mirror().get_parameter(target), 32.f / 128.f, 1e-3f);
  // The mirror's move went to the port: the host's control holds it.
  EXPECT_NEAR(b.dsp.control(plugin::lv2::first_param_port + target), 32.f / 128.f, 1e-3f);
  // Notes make no voice that would never end in a mirror that never renders.
  for (int v = 0; v < b.ui->mirror().engine().pool_size(); ++v)
    EXPECT_FALSE(b.ui->mirror().engine().voice_at(v).active());
}

}  // namespace
