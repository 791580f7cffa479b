// Per-note expression through the instance's MIDI input: MPE member channels
// bend, press and slide their own notes, the manager channel moves them all,
// and polyphonic aftertouch presses one note of a chord. Outside MPE every
// channel still acts on every note.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "files/state_controls.h"
#include "plugin/instance.h"
#include "synth/param_table.h"
#include "synth/routes.h"
#include "tests/support/direct_plugin.h"
#include "tools/analysis/signal.h"
#include "tools/analysis/spectrum.h"

namespace {

constexpr double rate = 44100.0;
constexpr int block = 512;

float int_norm(int v, int min, int max) { return (float(v - min) + 0.5f) / (float(max - min) + 0.999f); }

struct rig {
  test_support::direct_plugin d;
  test_support::midi_block pending;
  std::vector<float> out;

  rig() {
    d.e->setParameter(d.e, synth::p::osc_a_waveform, int_norm(4, 0, 5));  // sine
    d.e->setParameter(d.e, synth::p::osc_b_level, 0.f);
    d.e->setParameter(d.e, synth::p::volume_env, int_norm(0, 0, 2));       // gate
  }
  void send(int b0, int b1, int b2) { pending.add(0, uint8_t(b0), uint8_t(b1), uint8_t(b2)); }
  void bend(int channel, int value14) { send(0xE0 | channel, value14 & 0x7F, value14 >> 7); }
  // Registered parameter `number` of a channel set to `value` (coarse).
  void rpn(int channel, int number, int value) {
    send(0xB0 | channel, 101, 0);
    send(0xB0 | channel, 100, number);
    send(0xB0 | channel, 6, value);
  }
  // Renders seconds; `out` holds only them.
  void render(double seconds) {
    out.clear();
    for (int done = 0; done < int(seconds * rate); done += block) {
      d.process(&pending, block);
      pending.clear();
      out.insert(out.end(), d.left.begin(), d.left.end());
    }
  }
  // Routes a per-note source to "Volume", multiplied: volume x (0.5 + 0.5 x source).
  void route_to_volume(int32_t note_source) {
    d.p->engine().set_route(0, files::make_route(synth::route_source::note, note_source, synth::route_dest_parameter,
                                                 synth::p::volume, synth::route_mode::multiply, 0.5f));
  }
  double hz(double approx) { return analysis::fundamental_hz(out.data(), out.size(), rate, approx); }
  double level(double hz) { return analysis::tone_amplitude(out.data(), out.size(), rate, hz); }
};

double cents_off(double hz, double want) { return 1200.0 * std::log2(hz / want); }
double note_hz(double semitones) { return 440.0 * std::exp2((semitones - 69.0) / 12.0); }

TEST(mpe, member_channels_bend_their_own_notes_and_the_manager_moves_both) {
  rig r;
  r.rpn(0, 6, 15);  // the Configuration Message: lower zone, 15 members; MPE turns on
  r.rpn(1, 0, 16);  // bend range 16 semitones on channels 2 and 3: +2 and -5 are exact
  r.rpn(2, 0, 16);
  r.render(0.05);
  EXPECT_TRUE(r.d.p->engine().mpe());
  r.send(0x91, 60, 100);
  r.send(0x92, 72, 100);
  r.bend(1, 8192 + 1024);      // +2 semitones
  r.bend(2, 8192 - 5 * 512);   // -5 semitones
  r.render(0.1);
  r.render(1.0);
  EXPECT_NEAR(cents_off(r.hz(note_hz(62)), note_hz(62)), 0.0, 0.1);
  EXPECT_NEAR(cents_off(r.hz(note_hz(67)), note_hz(67)), 0.0, 0.1);

  // The manager's bend (range "Bender Range", 2) moves both by a semitone.
  r.bend(0, 8192 + 4096);
  r.render(0.1);
  r.render(1.0);
  EXPECT_NEAR(cents_off(r.hz(note_hz(63)), note_hz(63)), 0.0, 0.1);
  EXPECT_NEAR(cents_off(r.hz(note_hz(68)), note_hz(68)), 0.0, 0.1);

  // A member's bend is its own: channel 3 back to the centre leaves channel 2.
  r.bend(2, 8192);
  r.render(0.1);
  r.render(1.0);
  EXPECT_NEAR(cents_off(r.hz(note_hz(63)), note_hz(63)), 0.0, 0.1);
  EXPECT_NEAR(cents_off(r.hz(note_hz(73)), note_hz(73)), 0.0, 0.1);
}

TEST(mpe, pressure_on_a_member_channel_changes_only_its_note) {
  rig r;
  r.d.p->engine().set_mpe(true);  // the switch: a lower zone of 15 members
  r.route_to_volume(synth::note_source::note_pressure);
  r.send(0x91, 60, 100);
  r.send(0x92, 67, 100);
  r.render(0.2);
  r.render(0.5);
  const double a0 = r.level(note_hz(60)), b0 = r.level(note_hz(67));
  ASSERT_GT(a0, 0.01);
  EXPECT_NEAR(b0 / a0, 1.0, 0.02);
  r.send(0xD2, 127, 0);  // channel 3 pressed fully
  r.render(0.2);
  r.render(0.5);
  EXPECT_NEAR(r.level(note_hz(60)) / a0, 1.0, 0.01);
  EXPECT_GT(r.level(note_hz(67)) / b0, 1.5);

  // Slide (controller 74) is per note too, and is no longer the channel-wide controller.
  r.route_to_volume(synth::note_source::note_slide);
  r.render(0.4);  // the volumes glide to their new values
  r.render(0.5);
  const double a1 = r.level(note_hz(60)), b1 = r.level(note_hz(67));
  r.send(0xB1, 74, 127);
  r.render(0.2);
  r.render(0.5);
  EXPECT_GT(r.level(note_hz(60)) / a1, 1.5);
  EXPECT_NEAR(r.level(note_hz(67)) / b1, 1.0, 0.01);
}

TEST(poly_aftertouch, one_key_of_a_chord_is_pressed_alone_and_channels_still_act_alike) {
  rig r;
  ASSERT_FALSE(r.d.p->engine().mpe());
  r.route_to_volume(synth::note_source::note_pressure);
  for (int key : {60, 64, 67}) r.send(0x90, key, 100);
  r.render(0.2);
  r.render(0.5);
  double before[3], after[3];
  const int keys[3] = {60, 64, 67};
  for (int i = 0; i < 3; ++i) before[i] = r.level(note_hz(keys[i]));
  r.send(0xA0, 64, 127);
  r.render(0.2);
  r.render(0.5);
  for (int i = 0; i < 3; ++i) after[i] = r.level(note_hz(keys[i]));
  EXPECT_NEAR(after[0] / before[0], 1.0, 0.01);
  EXPECT_GT(after[1] / before[1], 1.5);
  EXPECT_NEAR(after[2] / before[2], 1.0, 0.01);

  // Without MPE a bend on any channel bends every note, as it always did.
  r.bend(5, 8192 + 4096);
  r.render(0.1);
  r.render(1.0);
  EXPECT_NEAR(cents_off(r.hz(note_hz(61)), note_hz(61)), 0.0, 0.1);
  EXPECT_NEAR(cents_off(r.hz(note_hz(68)), note_hz(68)), 0.0, 0.1);
}

// The instance's entry for hosts that name single notes: one key of a chord
// bends and slides alone, outside MPE; keys and values out of range are
// refused.
TEST(key_expression, one_key_of_a_chord_takes_it_alone) {
  rig r;
  plugin::instance& it = r.d.p->instance();
  using detail = plugin::instance::note_detail;
  r.send(0x90, 60, 100);
  r.send(0x90, 67, 100);
  r.render(0.1);
  ASSERT_TRUE(it.queue_note_expression(0, 67, detail::bend_semitones, -2.5f));
  r.render(0.1);
  r.render(1.0);
  EXPECT_NEAR(cents_off(r.hz(note_hz(60)), note_hz(60)), 0.0, 0.1);
  EXPECT_NEAR(cents_off(r.hz(note_hz(64.5)), note_hz(64.5)), 0.0, 0.1);

  r.route_to_volume(synth::note_source::note_slide);
  r.render(0.4);
  r.render(0.5);
  const double a = r.level(note_hz(60)), b = r.level(note_hz(64.5));
  ASSERT_TRUE(it.queue_note_expression(0, 60, detail::slide, 1.f));
  r.render(0.2);
  r.render(0.5);
  EXPECT_GT(r.level(note_hz(60)) / a, 1.5);
  EXPECT_NEAR(r.level(note_hz(64.5)) / b, 1.0, 0.01);

  EXPECT_FALSE(it.queue_note_expression(0, 128, detail::slide, 0.f));
  EXPECT_FALSE(it.queue_note_expression(0, -1, detail::slide, 0.f));
  EXPECT_FALSE(it.queue_note_expression(0, 60, detail::bend_semitones, std::nanf("")));
  EXPECT_FALSE(it.queue_note_expression(0, 60, detail::pressure, INFINITY));
  EXPECT_FALSE(it.queue_note_expression(0, 60, detail(7), 0.f));
}

}  // namespace
