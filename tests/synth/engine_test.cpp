// The engine driven directly: MIDI in, voices and their state out. These
// check what the allocator, routes and controller map do once wired to real
// voices, where the plug-in tests can only listen.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "synth/engine.h"
#include "tools/analysis/signal.h"

namespace {

constexpr uint32_t word(int status, int d1, int d2) { return uint32_t(status) | uint32_t(d1) << 8 | uint32_t(d2) << 16; }

struct engine_fixture : ::testing::Test {
  std::unique_ptr<synth::synth> s = std::make_unique<synth::synth>();
  std::vector<float> l, r;

  void send(int status, int d1, int d2) { s->midi(word(status, d1, d2), d1, 0); }
  void render(int frames) {
    l.assign(size_t(frames), 0.f);
    r.assign(size_t(frames), 0.f);
    for (int done = 0; done < frames; done += 256) s->render(l.data() + done, r.data() + done, std::min(256, frames - done));
  }
  void set_global(int index, float v) { s->set_param(index, 0, v); }
  void route_note_source(int source, int dest, int mode, float depth) {
    synth::route r;
    r.source_class = synth::route_source::note;
    r.source_index = source;
    r.dest_class = synth::route_dest_parameter;
    r.dest_index = dest;
    r.mode = mode;
    r.depth = depth;
    s->set_route(0, r);
  }
};

}  // namespace

TEST_F(engine_fixture, three_unison_layers_detune_as_the_spread_table_says) {
  set_global(synth::p::unison_voices, 2.f);  // three layers
  set_global(synth::p::unison_detune, 1.f);
  send(0x90, 60, 100);
  render(64);
  const int slots = s->voice_slots();
  const float want[3] = {-0.1138f, 0.0096f, 0.1042f};
  float got[3];
  for (int layer = 0; layer < 3; ++layer) got[layer] = s->voice_at(layer * slots).pitch_offset();
  std::sort(got, got + 3);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], want[k], 5e-4f) << k;
}

TEST_F(engine_fixture, drum_mode_plays_preset_note_minus_24_at_middle_c) {
  s->set_flag(synth::engine_flag::drum_mode, true);
  send(0x90, 60, 100);
  send(0x90, 10, 100);
  render(64);
  int seen = 0;
  for (int v = 0; v < s->pool_size(); ++v) {
    const synth::voice& vo = s->voice_at(v);
    if (!vo.active()) continue;
    EXPECT_EQ(vo.note(), 60);
    EXPECT_TRUE(vo.program() == 36 || vo.program() == 114) << vo.program();
    ++seen;
  }
  EXPECT_EQ(seen, 2);
}

TEST_F(engine_fixture, all_gated_slots_lose_the_oldest_and_recycling_restrikes) {
  set_global(synth::p::voices, 5.f);  // Poly 2
  ASSERT_EQ(s->voice_slots(), 2);
  send(0x90, 60, 100);
  s->add_slot_ages(100);
  send(0x90, 62, 100);
  s->add_slot_ages(100);
  send(0x90, 64, 100);  // both gated: the oldest (60's slot 0) is stolen
  EXPECT_EQ(s->allocator().slot_of(64), 0);
  EXPECT_EQ(s->voice_at(0).note(), 64);
  send(0x80, 62, 0);
  send(0x90, 62, 100);  // recycling: 62 comes back to its own releasing slot
  EXPECT_EQ(s->allocator().slot_of(62), 1);
}

TEST_F(engine_fixture, velocity_route_raises_the_cutoff_by_its_depth) {
  // Velocity -> filter "Frequency", add, depth 0.5: the routed value reaches
  // the voice; measure it through the display-free path, the routed value.
  route_note_source(synth::note_source::velocity, synth::p::filter_frequency, synth::route_mode::add, 0.5f);
  const float base = s->get_param(synth::p::filter_frequency, 0);
  synth::voice_sources loud{60, 1.f, 0.f}, soft{60, 64.f / 127.f, 0.f};
  EXPECT_NEAR(s->routes().routed_value(synth::p::filter_frequency, 0, loud), base + 0.5f, 1e-6f);
  EXPECT_NEAR(s->routes().routed_value(synth::p::filter_frequency, 0, soft), base + 0.252f, 1e-3f);
  EXPECT_TRUE(s->routes().is_routed(synth::p::filter_frequency));
}

TEST_F(engine_fixture, bender_to_volume_multiply_is_heard) {
  route_note_source(synth::note_source::bender, synth::p::volume, synth::route_mode::multiply, 1.f);
  send(0xE0, 0, 64);  // centre: bend 0 -> "Volume" 0, which is -36 dB
  send(0x90, 60, 100);
  render(20000);
  const double centre = analysis::rms(l.data() + 16000, 4000);
  send(0xE0, 127, 127);  // top: the preset's 0.75, 0 dB, after the smoothing time
  render(20000);
  const double top = analysis::rms(l.data() + 16000, 4000);
  EXPECT_NEAR(20 * std::log10(centre / top), -36.0, 0.5);
}

TEST_F(engine_fixture, learned_controller_moves_its_parameter) {
  s->controller_map().arm_learn(synth::p::filter_resonance);
  send(0xB0, 20, 127);
  EXPECT_EQ(s->controller_map().entry(20), synth::p::filter_resonance);
  EXPECT_FLOAT_EQ(s->get_param_normalised(synth::p::filter_resonance), 0.9921875f);
  send(0xB0, 20, 0);
  EXPECT_FLOAT_EQ(s->get_param(synth::p::filter_resonance, 0), 0.f);
  // The sustain controller can be learned and still holds notes.
  s->controller_map().arm_learn(synth::p::osc_a_invert);
  send(0xB0, 64, 127);
  EXPECT_TRUE(s->allocator().sustain());
  EXPECT_EQ(s->get_param(synth::p::osc_a_invert, 0), 1.f);
}

TEST_F(engine_fixture, meter_runs_while_sounding_and_stops_after_the_tail) {
  send(0x90, 60, 100);
  render(4096);
  s->run_level_meter(l.data(), r.data(), 4096);
  EXPECT_TRUE(s->meter_active());
  send(0x80, 60, 0);
  for (int i = 0; i < 200 && s->meter_active(); ++i) {
    render(512);
    s->run_level_meter(l.data(), r.data(), 512);
  }
  EXPECT_FALSE(s->meter_active());
  EXPECT_EQ(s->voices_rendered(), 0);
}

TEST_F(engine_fixture, voices_global_rebuilds_the_pool_and_mono_uses_one_slot) {
  set_global(synth::p::voices, 35.f);
  EXPECT_EQ(s->voice_slots(), 32);
  EXPECT_TRUE(s->polyphonic());
  set_global(synth::p::voices, 0.f);
  EXPECT_FALSE(s->polyphonic());
  EXPECT_EQ(s->voice_slots(), 1);
  EXPECT_EQ(s->mono_priority(), 0);
  send(0x90, 60, 100);
  send(0x90, 55, 100);  // lowest priority: 55 sounds
  EXPECT_EQ(s->voice_at(0).note(), 55);
  send(0x90, 67, 100);
  EXPECT_EQ(s->voice_at(0).note(), 55);
}

TEST_F(engine_fixture, host_tempo_change_retimes_tempo_synced_lfos_at_the_next_block) {
  s->set_param(synth::p::mod_a_range, 0, 2.f);  // "Tempo"
  s->set_param(synth::p::mod_a_rate, 0, 0.5f);
  s->set_param(synth::p::mod_b_range, 0, 0.f);  // "Low": tempo-free
  s->set_param(synth::p::mod_b_rate, 0, 0.5f);
  send(0x90, 60, 100);
  render(256);
  const float tempo_120 = s->voice_at(0).mod(0).rate_hz();
  const float low_before = s->voice_at(0).mod(1).rate_hz();
  ASSERT_GT(tempo_120, 0.f);
  s->follow_host_tempo(125.f);
  render(1);
  EXPECT_NEAR(s->voice_at(0).mod(0).rate_hz() / tempo_120, 125.0 / 120.0, 1e-4);
  EXPECT_FLOAT_EQ(s->voice_at(0).mod(1).rate_hz(), low_before);
  EXPECT_FLOAT_EQ(s->tempo(), 125.f);
}

TEST_F(engine_fixture, allocator_switches_follow_the_engine_flags) {
  set_global(synth::p::voices, 7.f);  // Poly 4
  EXPECT_TRUE(s->flag(synth::engine_flag::recycle_voices));
  s->set_flag(synth::engine_flag::recycle_voices, false);
  EXPECT_FALSE(s->allocator().recycle());
  send(0x90, 60, 100);
  render(64);
  send(0x80, 60, 0);
  send(0x90, 60, 100);  // without recycling the releasing voice is not re-struck
  EXPECT_EQ(s->allocator().slot_of(60), 1);
  s->set_flag(synth::engine_flag::mono_retrigger, true);
  EXPECT_TRUE(s->allocator().mono_retrigger());
  EXPECT_TRUE(s->flag(synth::engine_flag::mono_retrigger));
}

TEST_F(engine_fixture, a_voice_ends_when_its_envelope_decays_into_sustain_zero) {
  s->set_param(synth::p::env_a_sustain, 0, 0.f);
  s->set_param(synth::p::env_a_decay, 0, 0.1f);  // 4 ms
  send(0x90, 60, 100);
  render(64);
  EXPECT_TRUE(s->voice_at(0).active());  // the attack has begun
  render(44100);                          // key still held
  EXPECT_FALSE(s->voice_at(0).active());
  EXPECT_TRUE(s->voice_at(0).gated());
}
