// The LV2 UI without instance access: the editor's mirror and the plug-in
// kept in step through ports and state messages, with the plug-in's worker
// doing the parse.
#include <gtest/gtest.h>

#include <cstring>

#include "plugin/lv2/state_messages.h"
#include "plugin/synth_command.h"
#include "synth/host_interface.h"
#include "synth/param_table.h"
#include "tests/lv2/ui_bench.h"
#include "tools/analysis/signal.h"

namespace {

using lv2_test::ui_bench;
using plugin::lv2::state_assembly;
using plugin::lv2::state_piece;

// The bench started, the mirror holding the plug-in's state.
bool opened(ui_bench& b, bool worker = true) {
  if (!b.start(worker)) return false;
  b.ui->request_state();
  return b.cycle_until([&] { return b.ui->received_count() == 1; });
}

void set_effect(plugin::instance& mirror, int32_t slot, const char* name) {
  plugin::command_args a;
  a.index = slot;
  a.text = name;
  plugin::synth_command(&a, &mirror, plugin::command::set_effect_slot);
}

TEST(lv2_ui_mirror, opening_takes_the_plugin_state_into_the_mirror) {
  ui_bench b;
  ASSERT_TRUE(opened(b));
  EXPECT_EQ(b.mirror_state(), b.dsp_state());
  // Nothing goes back: the state came from the plug-in.
  for (int i = 0; i < 50; ++i) b.cycle();
  EXPECT_EQ(b.ui->loaded_count(), 0);
  EXPECT_FALSE(b.ui->sending());
}

TEST(lv2_ui_mirror, an_effect_slot_set_in_the_mirror_reaches_the_plugin_and_is_heard) {
  ui_bench b;
  ASSERT_TRUE(opened(b));
  const std::vector<uint8_t> before = b.dsp_state();
  set_effect(b.ui->mirror(), 0, "Reverb");
  set_effect(b.ui->mirror(), 1, "Clipper");
  ASSERT_TRUE(b.cycle_until([&] { return b.ui->loaded_count() >= 1 && !b.ui->sending(); }));
  const std::vector<uint8_t> after = b.dsp_state();
  EXPECT_NE(after, before);
  EXPECT_EQ(after, b.mirror_state());
  // The reverb's tail: a short note is still heard well after it ended.
  b.dsp.queue_midi(0, 0x90, 60, 110);
  b.cycle();
  b.dsp.queue_midi(0, 0x80, 60, 0);
  for (int i = 0; i < 40; ++i) b.cycle();  // about 0.2 s
  double tail = 0.0;
  for (int i = 0; i < 4; ++i) {
    b.cycle();
    tail += analysis::rms(b.left.data(), b.left.size());
  }
  EXPECT_GT(tail, 1e-4);
}

TEST(lv2_ui_mirror, a_program_chosen_in_the_editor_reaches_the_plugin) {
  ui_bench b;
  ASSERT_TRUE(opened(b));
  // As the editor's program list does it: through the host link.
  b.ui->mirror().host_link().set_program(7);
  ASSERT_TRUE(b.cycle_until([&] { return b.ui->loaded_count() >= 1 && !b.ui->sending(); }));
  EXPECT_EQ(b.dsp_state(), b.mirror_state());
  // The state bytes hold no current program: ask the plug-in for its own,
  // with the mirror moved away quietly (as a host's set_program would).
  b.ui->mirror().set_program(0);
  b.ui->request_state();
  ASSERT_TRUE(b.cycle_until([&] { return b.ui->received_count() == 2; }));
  EXPECT_EQ(b.ui->mirror().program(), 7);
}

TEST(lv2_ui_mirror, parameters_go_as_port_writes_and_port_events_not_as_state) {
  ui_bench b;
  ASSERT_TRUE(opened(b));
  const int32_t freq = synth::p::filter_frequency;
  const int32_t port = plugin::lv2::first_param_port + freq;
  b.ui->mirror().host_link().set_parameter_automated(freq, 0.3f);
  EXPECT_FLOAT_EQ(b.dsp.control(port), 0.3f);
  const int32_t sent = b.messages_to_dsp;
  for (int i = 0; i < 10; ++i) b.cycle();
  EXPECT_EQ(b.messages_to_dsp, sent);
  // The host moves the port: the mirror follows without sending anything.
  const float value = 0.65f;
  b.ui->port_event(uint32_t(port), sizeof value, 0, &value);
  EXPECT_FLOAT_EQ(b.ui->mirror().get_parameter(freq), value);
  for (int i = 0; i < 10; ++i) b.cycle();
  EXPECT_EQ(b.messages_to_dsp, sent);
}

TEST(lv2_ui_mirror, a_host_state_restore_reaches_the_mirror_and_is_not_echoed) {
  ui_bench source;
  ASSERT_TRUE(source.start());
  source.dsp.set_control(plugin::lv2::first_param_port + synth::p::filter_resonance, 0.9f);
  source.cycle();
  const std::vector<uint8_t> restored = source.dsp_state();

  ui_bench b;
  ASSERT_TRUE(opened(b));
  ASSERT_NE(b.mirror_state(), restored);
  ASSERT_TRUE(b.dsp.set_state_value(plugin::lv2::state_key_uri, LV2_ATOM__Chunk, restored));
  ASSERT_TRUE(b.cycle_until([&] { return b.ui->received_count() == 2; }));
  EXPECT_EQ(b.mirror_state(), restored);
  EXPECT_FLOAT_EQ(b.ui->mirror().get_parameter(synth::p::filter_resonance), 0.9f);
  const int32_t sent = b.messages_to_dsp;
  for (int i = 0; i < 50; ++i) b.cycle();
  EXPECT_EQ(b.messages_to_dsp, sent);
  EXPECT_EQ(b.dsp_state(), restored);
}

TEST(lv2_ui_mirror, the_worker_loads_the_state_and_run_only_passes_it_on) {
  ui_bench b;
  ASSERT_TRUE(opened(b));
  const std::vector<uint8_t> before = b.dsp_state();
  set_effect(b.ui->mirror(), 2, "Reverb");
  // Blocks without the worker: the pieces wait in its ring and the
  // plug-in's inbox, the sound stays as it was.
  for (int i = 0; i < 20; ++i) {
    b.ui->idle(b.clock);
    b.dsp.process(b.left.data(), b.right.data(), ui_bench::block);
    b.deliver();
  }
  EXPECT_GT(b.dsp.pending_work(), 0u);
  EXPECT_EQ(b.dsp_state(), before);
  ASSERT_TRUE(b.cycle_until([&] { return b.ui->loaded_count() == 1; }));
  EXPECT_EQ(b.dsp_state(), b.mirror_state());
}

TEST(lv2_ui_mirror, without_a_worker_the_plugin_plays_and_the_ui_gives_up_on_its_state) {
  ui_bench b;
  ASSERT_TRUE(b.start(false));
  b.ui->request_state();
  const std::vector<uint8_t> before = b.dsp_state();
  set_effect(b.ui->mirror(), 0, "Reverb");
  ASSERT_TRUE(b.cycle_until([&] { return b.clock > 1.0 && !b.ui->sending(); }));
  EXPECT_EQ(b.ui->received_count(), 0);
  EXPECT_EQ(b.ui->loaded_count(), 0);
  EXPECT_EQ(b.dsp_state(), before);
  b.dsp.queue_midi(0, 0x90, 60, 110);
  double sum = 0.0;
  for (int i = 0; i < 8; ++i) {
    b.cycle();
    sum += analysis::rms(b.left.data(), b.left.size());
  }
  EXPECT_GT(sum, 0.01);
}

TEST(lv2_state_messages, pieces_join_in_order_and_a_gap_a_stranger_or_an_oversize_is_refused) {
  std::vector<uint8_t> bytes(5000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7);
  auto piece = [&](int32_t serial, uint32_t offset, uint32_t size, uint32_t total) {
    state_piece p;
    p.serial = serial;
    p.offset = offset;
    p.total = total;
    p.bytes = bytes.data() + offset;
    p.size = size;
    return p;
  };
  state_assembly a;
  EXPECT_EQ(a.take(piece(1, 0, 2048, 5000)), state_assembly::step::partial);
  EXPECT_EQ(a.take(piece(1, 2048, 2048, 5000)), state_assembly::step::partial);
  EXPECT_EQ(a.take(piece(1, 4096, 904, 5000)), state_assembly::step::complete);
  EXPECT_EQ(a.bytes(), bytes);
  // A gap ends the transfer; its later pieces are refused too.
  EXPECT_EQ(a.take(piece(2, 0, 2048, 5000)), state_assembly::step::partial);
  EXPECT_EQ(a.take(piece(2, 4096, 904, 5000)), state_assembly::step::refused);
  EXPECT_EQ(a.take(piece(2, 2048, 2048, 5000)), state_assembly::step::refused);
  // Another serial mid-way, and a piece beyond the total.
  EXPECT_EQ(a.take(piece(3, 0, 2048, 5000)), state_assembly::step::partial);
  EXPECT_EQ(a.take(piece(4, 2048, 2048, 5000)), state_assembly::step::refused);
  EXPECT_EQ(a.take(piece(5, 0, 2048, 5000)), state_assembly::step::partial);
  EXPECT_EQ(a.take(piece(5, 2048, 2048, 4000)), state_assembly::step::refused);
  // A total beyond the bound is refused before anything is allocated.
  EXPECT_EQ(a.take(piece(6, 0, 16, plugin::lv2::max_state_bytes + 1)), state_assembly::step::refused);
  // A whole transfer afresh still works.
  EXPECT_EQ(a.take(piece(7, 0, 2048, 2048)), state_assembly::step::complete);
}

}  // namespace
