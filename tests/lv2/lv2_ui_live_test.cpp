// The plug-in's live readings reach the UI's mirror, which never renders:
// its meters, voice count and voice lights read what the plug-in plays,
// and fall back to nothing when the notes have ended.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include <lv2/atom/forge.h>

#include "plugin/synth_command.h"
#include "tests/lv2/ui_bench.h"

namespace {

using lv2_test::ui_bench;

struct reading {
  int32_t voices = 0;
  bool running = false;
  bool meter = false;
  float levels[2] = {0.f, 0.f};
  int32_t lit = 0;  // voice lights with a level
  int32_t fresh = 0;  // of them, started within the last 4096 samples
};

reading mirror_reading(ui_bench& b) {
  plugin::instance& m = b.ui->mirror();
  auto send = [&](int number, plugin::command_args& a) { return plugin::synth_command(&a, &m, number); };
  reading r;
  plugin::command_args a;
  r.voices = send(plugin::command::voices_rendered, a);
  r.running = send(plugin::command::engine_running, a) != 0;
  r.meter = send(plugin::command::meter_active, a) != 0;
  a.pointer = r.levels;
  send(plugin::command::output_levels, a);
  a.pointer = nullptr;
  for (int32_t i = 0; i < 32; ++i) {
    a.index = i;
    send(plugin::command::voice_activity, a);
    if (a.value > 0.f) {
      ++r.lit;
      a.index = i;
      if (send(plugin::command::voice_age, a) < 4096) ++r.fresh;
    }
  }
  return r;
}

// Runs a cycle and keeps the largest output sample since the mirror's last reading.
struct follower {
  ui_bench& b;
  float peak[2] = {0.f, 0.f};
  float peak_at_reading[2] = {0.f, 0.f};
  void cycle() {
    const int32_t before = b.ui->live_count();
    b.cycle();
    for (int32_t i = 0; i < ui_bench::block; ++i) {
      peak[0] = std::max(peak[0], std::fabs(b.left[size_t(i)]));
      peak[1] = std::max(peak[1], std::fabs(b.right[size_t(i)]));
    }
    if (b.ui->live_count() != before) {
      std::copy(peak, peak + 2, peak_at_reading);
      peak[0] = peak[1] = 0.f;
    }
  }
};

TEST(lv2_ui_live, a_chord_lights_the_mirrors_meters_and_voices_and_they_fall_back_after_the_tail) {
  ui_bench b;
  ASSERT_TRUE(b.start());
  b.ui->request_state();
  ASSERT_TRUE(b.cycle_until([&] { return b.ui->received_count() == 1; }));
  follower f{b};
  for (int i = 0; i < 20; ++i) f.cycle();
  EXPECT_EQ(mirror_reading(b).voices, 0);

  const uint8_t chord[3] = {60, 64, 67};
  for (uint8_t key : chord) b.dsp.queue_midi(0, 0x90, key, 100);
  // About 1/30 s between readings: a few blocks.
  bool seen = false;
  for (int i = 0; i < 20 && !seen; ++i) {
    f.cycle();
    seen = mirror_reading(b).voices == 3;
  }
  ASSERT_TRUE(seen) << "the mirror never read the plug-in's voices";
  const reading on = mirror_reading(b);
  EXPECT_TRUE(on.running);
  EXPECT_TRUE(on.meter);
  EXPECT_EQ(on.lit, 3);
  EXPECT_EQ(on.fresh, 3);
  for (int c = 0; c < 2; ++c) {
    // The plug-in's peak meter over the frames since its last reading: near
    // the largest sample it wrote in them.
    EXPECT_GT(on.levels[c], 0.f);
    EXPECT_GT(on.levels[c], 0.5f * f.peak_at_reading[c]) << c;
    EXPECT_LE(on.levels[c], 1.01f * f.peak_at_reading[c]) << c;
  }
  // Held on: the lights stay, no longer fresh.
  for (int i = 0; i < 40; ++i) f.cycle();
  const reading held = mirror_reading(b);
  EXPECT_EQ(held.voices, 3);
  EXPECT_EQ(held.lit, 3);
  EXPECT_EQ(held.fresh, 0);

  for (uint8_t key : chord) b.dsp.queue_midi(0, 0x80, key, 0);
  bool quiet = false;
  for (int i = 0; i < 2000 && !quiet; ++i) {
    f.cycle();
    const reading r = mirror_reading(b);
    quiet = r.voices == 0 && r.lit == 0 && r.levels[0] == 0.f && r.levels[1] == 0.f;
  }
  EXPECT_TRUE(quiet) << "the mirror's readings never fell back after the tail";
  // Nothing changes in silence: the plug-in sends no more.
  const int32_t count = b.ui->live_count();
  for (int i = 0; i < 40; ++i) f.cycle();
  EXPECT_EQ(b.ui->live_count(), count);
}

// A live message of the wrong shape (another size of vector) is not taken.
TEST(lv2_ui_live, a_live_message_of_the_wrong_shape_is_ignored) {
  ui_bench b;
  ASSERT_TRUE(b.start());
  std::vector<uint64_t> buffer(128);
  LV2_Atom_Forge forge;
  lv2_atom_forge_init(&forge, b.dsp.urids().map_data());
  lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(buffer.data()), buffer.size() * 8);
  LV2_Atom_Forge_Frame frame;
  const float values[4] = {1.f, 1.f, 1.f, 1.f};
  lv2_atom_forge_object(&forge, &frame, 0, b.dsp.urids().map(plugin::lv2::live_uri));
  lv2_atom_forge_key(&forge, b.dsp.urids().map(plugin::lv2::readings_uri));
  lv2_atom_forge_vector(&forge, sizeof(float), b.dsp.urids().map(LV2_ATOM__Float), 4, values);
  lv2_atom_forge_pop(&forge, &frame);
  const auto* atom = reinterpret_cast<const LV2_Atom*>(buffer.data());
  b.ui->port_event(uint32_t(plugin::lv2::notify_port), uint32_t(sizeof(LV2_Atom) + atom->size),
                   b.dsp.urids().map(LV2_ATOM__eventTransfer), atom);
  EXPECT_EQ(b.ui->live_count(), 0);
  plugin::command_args a;
  EXPECT_EQ(plugin::synth_command(&a, &b.ui->mirror(), plugin::command::meter_active), 0);
}

}  // namespace
