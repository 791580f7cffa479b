// The LV2 build played through lilv as a host plays it: a note in tune, the
// same samples as the VST 2 build for the same state, MIDI and blocks, the
// state carried between instances and between the two formats, and control
// ports that act only when they move.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <lv2/atom/atom.h>

#include "plugin/lv2/uris.h"
#include "synth/param_table.h"
#include "tests/support/private_home.h"
#include "tests/support/synth_host.h"
#include "tools/analysis/signal.h"
#include "tools/analysis/spectrum.h"
#include "tools/lv2host/plugin_host.h"
#include "tools/render/sound_files.h"

namespace {

test_support::private_home home("vorn-lv2-tests");

constexpr double rate = 44100.0;
constexpr int32_t block = 512;
constexpr int32_t param_port = plugin::lv2::first_param_port;

std::unique_ptr<lv2host::plugin_host> make_lv2() {
  auto host = std::make_unique<lv2host::plugin_host>();
  std::string error;
  if (!host->load(VORN_LV2_BUNDLE, plugin::lv2::plugin_uri, rate, block, error)) {
    ADD_FAILURE() << error;
    return nullptr;
  }
  return host;
}

// Stepped value k of a parameter with `values` steps, as the ports give it.
float step(int k, int values) { return float(k) / float(values - 1); }

struct take {
  std::vector<float> left, right;
};

// A phrase: a chord in block 1 at frame 100, a note off mid-block 6, a
// second note at frame 7 of block 9, 16 blocks in all.
template <typename Host, typename Midi, typename Run>
take play_phrase(Host& host, Midi midi, Run run) {
  take out;
  std::vector<float> l(block), r(block);
  for (int b = 0; b < 16; ++b) {
    if (b == 1) {
      midi(host, 100, 0x90, 60, 100);
      midi(host, 100, 0x90, 64, 90);
    }
    if (b == 6) midi(host, 300, 0x80, 60, 0);
    if (b == 9) midi(host, 7, 0x90, 67, 110);
    run(host, l.data(), r.data());
    out.left.insert(out.left.end(), l.begin(), l.end());
    out.right.insert(out.right.end(), r.begin(), r.end());
  }
  return out;
}

take play_lv2(lv2host::plugin_host& host) {
  return play_phrase(
      host, [](lv2host::plugin_host& h, int f, int a, int b, int c) { h.queue_midi(f, uint8_t(a), uint8_t(b), uint8_t(c)); },
      [](lv2host::plugin_host& h, float* l, float* r) { h.process(l, r, block); });
}

take play_vst(vsthost::plugin_instance& host) {
  return play_phrase(
      host, [](vsthost::plugin_instance& h, int f, int a, int b, int c) { h.queue_midi(f, uint8_t(a), uint8_t(b), uint8_t(c)); },
      [](vsthost::plugin_instance& h, float* l, float* r) { h.process(l, r, block); });
}

// The first sample where two takes differ, or -1.
long first_difference(const take& a, const take& b) {
  if (a.left.size() != b.left.size()) return 0;
  for (size_t i = 0; i < a.left.size(); ++i)
    if (a.left[i] != b.left[i] || a.right[i] != b.right[i]) return long(i);
  return -1;
}

std::vector<uint8_t> vst_chunk(vsthost::plugin_instance& host) {
  void* data = nullptr;
  const intptr_t size = host.dispatch(effGetChunk, 0, 0, &data);
  if (size <= 0 || !data) return {};
  const auto* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

// effSetChunk answers 0 whatever happened; the tests read the result back.
void load_vst_chunk(vsthost::plugin_instance& host, const std::vector<uint8_t>& bytes) {
  host.dispatch(effSetChunk, 0, intptr_t(bytes.size()), const_cast<uint8_t*>(bytes.data()));
}

std::vector<uint8_t> lv2_state(lv2host::plugin_host& host) { return host.state_value(plugin::lv2::state_key_uri); }

bool load_lv2_state(lv2host::plugin_host& host, const std::vector<uint8_t>& bytes) {
  return host.set_state_value(plugin::lv2::state_key_uri, LV2_ATOM__Chunk, bytes);
}

// A sound away from the base values: a filter sweep, detuned second
// oscillator, an LFO on the filter.
void shape_vst(vsthost::plugin_instance& v) {
  v.set_parameter(synth::p::filter_frequency, 0.42f);
  v.set_parameter(synth::p::filter_resonance, 0.55f);
  v.set_parameter(synth::p::filter_mod_a, 0.7f);
  v.set_parameter(synth::p::mod_a_rate, 0.6f);
}

TEST(lv2_plays, a_note_is_in_tune_and_both_channels_sound) {
  auto host = make_lv2();
  ASSERT_TRUE(host);
  std::vector<float> l(block), r(block);
  // Set before the first run, as a host restoring its ports does.
  host->set_control(param_port + 16, step(4, 6));  // Osc A Waveform: sine
  host->set_control(param_port + 35, 0.f);         // Osc B Level
  host->set_control(param_port + 1, step(0, 3));   // volume envelope: gate
  host->queue_midi(0, 0x90, 69, 100);
  std::vector<float> left;
  double right_energy = 0.0;
  for (int b = 0; b < 40; ++b) {
    host->process(l.data(), r.data(), block);
    left.insert(left.end(), l.begin(), l.end());
    right_energy += analysis::rms(r.data(), r.size());
  }
  const size_t from = 8192;
  const double hz = analysis::fundamental_hz(left.data() + from, 8192, rate, 440.0);
  EXPECT_NEAR(analysis::cents(hz, 440.0), 0.0, 2.0) << hz << " Hz";
  EXPECT_GT(analysis::rms(left.data() + from, 8192), 0.01);
  EXPECT_GT(right_energy, 0.1);
}

TEST(lv2_plays, the_same_samples_as_the_vst_build_for_the_same_state) {
  auto vst = test_support::make_host(rate);
  ASSERT_TRUE(vst);
  shape_vst(vst->instance);
  const std::vector<uint8_t> chunk = vst_chunk(vst->instance);
  ASSERT_FALSE(chunk.empty());

  // Both fresh, both given the same state.
  auto vst_b = test_support::make_host(rate);
  ASSERT_TRUE(vst_b);
  load_vst_chunk(vst_b->instance, chunk);
  auto lv2 = make_lv2();
  ASSERT_TRUE(lv2);
  ASSERT_TRUE(load_lv2_state(*lv2, chunk));

  const take from_vst = play_vst(vst_b->instance);
  const take from_lv2 = play_lv2(*lv2);
  EXPECT_GT(analysis::rms(from_lv2.left.data(), from_lv2.left.size()), 0.01);
  EXPECT_EQ(first_difference(from_vst, from_lv2), -1);
  // And the LV2 state of the VST chunk is the VST chunk.
  EXPECT_EQ(lv2_state(*lv2), chunk);
}

// A vibrato from LFO A in its tempo range (a note value), on a sine.
void tempo_vibrato(vsthost::plugin_instance& v) {
  v.set_parameter(synth::p::osc_a_waveform, step(4, 6));
  v.set_parameter(synth::p::osc_b_level, 0.f);
  v.set_parameter(synth::p::mod_a_range, 1.f);  // tempo
  v.set_parameter(synth::p::mod_a_rate, 0.6f);
  v.set_parameter(synth::p::pitch_mod_a, 0.8f);
}

take play_lv2_at(lv2host::plugin_host& host, double bpm) {
  host.queue_position(0, bpm, true, 0, 0.0);
  return play_lv2(host);
}

TEST(lv2_plays, the_hosts_tempo_reaches_a_synced_lfo_as_through_the_vst_build) {
  auto shaped = test_support::make_host(rate);
  ASSERT_TRUE(shaped);
  tempo_vibrato(shaped->instance);
  const std::vector<uint8_t> chunk = vst_chunk(shaped->instance);

  auto vst = test_support::make_host(rate);
  ASSERT_TRUE(vst);
  load_vst_chunk(vst->instance, chunk);
  vst->instance.set_tempo(100.0);
  const take from_vst = play_vst(vst->instance);

  auto slow = make_lv2();
  auto fast = make_lv2();
  ASSERT_TRUE(slow && fast);
  ASSERT_TRUE(load_lv2_state(*slow, chunk) && load_lv2_state(*fast, chunk));
  const take at_100 = play_lv2_at(*slow, 100.0);
  const take at_140 = play_lv2_at(*fast, 140.0);
  EXPECT_EQ(first_difference(from_vst, at_100), -1);
  EXPECT_NE(first_difference(at_100, at_140), -1);
}

// A factory preset chosen in the host's preset menu plays as the factory
// sound does through the VST build: its state file (or the factory bank
// alone) loaded and its program chosen.
TEST(lv2_presets, a_factory_preset_plays_as_its_sound_through_the_vst_build) {
  const std::string factory = VORN_FACTORY_DIR;
  struct sound {
    const char* name;
    int32_t slot;
    std::string state;  // empty: the bank alone
  };
  const sound sounds[] = {{"Acid Crawler", 1, "/states/001 Acid Crawler.vornstate"}, {"Velvet Sub", 0, ""}};
  for (const sound& s : sounds) {
    SCOPED_TRACE(s.name);
    auto vst = test_support::make_host(rate);
    ASSERT_TRUE(vst);
    std::string error;
    const bool loaded = s.state.empty()
                            ? render::apply_bank_file(vst->instance, factory + "/Vorn Factory.vornbank", error)
                            : render::apply_state_file(vst->instance, factory + s.state, error);
    ASSERT_TRUE(loaded) << error;
    vst->instance.set_program(s.slot);
    // Played from the state it makes, as the preset's state was made.
    auto player = test_support::make_host(rate);
    ASSERT_TRUE(player);
    load_vst_chunk(player->instance, vst_chunk(vst->instance));
    auto lv2 = make_lv2();
    ASSERT_TRUE(lv2);
    lv2->add_bundle(VORN_LV2_PRESETS);
    ASSERT_TRUE(lv2->apply_preset(s.name));
    const take from_vst = play_vst(player->instance);
    const take from_lv2 = play_lv2(*lv2);
    EXPECT_GT(analysis::rms(from_lv2.left.data(), from_lv2.left.size()), 0.001);
    EXPECT_EQ(first_difference(from_vst, from_lv2), -1);
  }
  auto lv2 = make_lv2();
  ASSERT_TRUE(lv2);
  lv2->add_bundle(VORN_LV2_PRESETS);
  EXPECT_FALSE(lv2->apply_preset("No Such Sound"));
}

TEST(lv2_state, saved_in_one_instance_restores_in_a_fresh_one) {
  auto a = make_lv2();
  ASSERT_TRUE(a);
  std::vector<float> l(block), r(block);
  a->process(l.data(), r.data(), block);
  a->set_control(param_port + synth::p::filter_frequency, 0.3f);
  a->set_control(param_port + synth::p::filter_resonance, 0.7f);
  a->set_control(param_port + 16, step(1, 6));
  a->process(l.data(), r.data(), block);  // the moved ports apply here
  LilvState* saved = a->save_state();
  ASSERT_NE(saved, nullptr);
  const take first = play_lv2(*a);

  auto b = make_lv2();
  ASSERT_TRUE(b);
  ASSERT_TRUE(b->restore_state(saved));
  lilv_state_free(saved);
  b->process(l.data(), r.data(), block);
  b->process(l.data(), r.data(), block);
  const take second = play_lv2(*b);
  EXPECT_GT(analysis::rms(first.left.data(), first.left.size()), 0.01);
  EXPECT_EQ(first_difference(first, second), -1);
  EXPECT_EQ(lv2_state(*b), lv2_state(*a));
}

TEST(lv2_state, an_lv2_state_loads_in_the_vst_build_and_a_vst_chunk_in_the_lv2_build) {
  auto lv2 = make_lv2();
  ASSERT_TRUE(lv2);
  std::vector<float> l(block), r(block);
  lv2->process(l.data(), r.data(), block);
  lv2->set_control(param_port + synth::p::filter_frequency, 0.25f);
  lv2->process(l.data(), r.data(), block);
  const std::vector<uint8_t> from_lv2 = lv2_state(*lv2);
  ASSERT_FALSE(from_lv2.empty());

  auto vst = test_support::make_host(rate);
  ASSERT_TRUE(vst);
  load_vst_chunk(vst->instance, from_lv2);
  EXPECT_FLOAT_EQ(vst->instance.get_parameter(synth::p::filter_frequency), 0.25f);
  EXPECT_EQ(vst_chunk(vst->instance), from_lv2);

  vst->instance.set_parameter(synth::p::filter_frequency, 0.8f);
  const std::vector<uint8_t> from_vst = vst_chunk(vst->instance);
  auto fresh = make_lv2();
  ASSERT_TRUE(fresh);
  ASSERT_TRUE(load_lv2_state(*fresh, from_vst));
  EXPECT_EQ(lv2_state(*fresh), from_vst);
  // Bytes that are not a state change nothing and say so.
  EXPECT_FALSE(load_lv2_state(*fresh, std::vector<uint8_t>{'n', 'o', 'p', 'e', 0, 0, 0, 0}));
  EXPECT_EQ(lv2_state(*fresh), from_vst);
}

TEST(lv2_ports, ports_at_their_declared_defaults_leave_a_restored_sound_alone) {
  // A host restores a state before the first run, with its ports at the
  // defaults the bundle declares. A declared default that differs from the
  // one the plug-in expects would be taken for a moved port and overwrite
  // the restored value.
  auto vst = test_support::make_host(rate);
  ASSERT_TRUE(vst);
  for (int32_t i = 0; i < 89; ++i) vst->instance.set_parameter(i, float((i * 37) % 100) / 99.f);
  const std::vector<uint8_t> chunk = vst_chunk(vst->instance);
  auto lv2 = make_lv2();
  ASSERT_TRUE(lv2);
  ASSERT_TRUE(load_lv2_state(*lv2, chunk));
  std::vector<float> l(block), r(block);
  for (int b = 0; b < 3; ++b) lv2->process(l.data(), r.data(), block);
  EXPECT_EQ(lv2_state(*lv2), chunk);
}

TEST(lv2_ports, only_a_port_that_moved_changes_its_parameter) {
  auto host = make_lv2();
  ASSERT_TRUE(host);
  std::vector<float> l(block), r(block);
  host->process(l.data(), r.data(), block);
  const int32_t freq = param_port + synth::p::filter_frequency;
  const int32_t res = param_port + synth::p::filter_resonance;
  // A state sets the resonance; the host's unchanged resonance port must not
  // undo it, while the frequency port it moves must apply.
  auto other = make_lv2();
  ASSERT_TRUE(other);
  other->process(l.data(), r.data(), block);
  other->set_control(res, 0.9f);
  other->process(l.data(), r.data(), block);
  ASSERT_TRUE(load_lv2_state(*host, lv2_state(*other)));
  host->process(l.data(), r.data(), block);
  host->set_control(freq, 0.2f);
  host->process(l.data(), r.data(), block);
  // Read the values back through a VST instance given the same state.
  auto vst = test_support::make_host(rate);
  ASSERT_TRUE(vst);
  const std::vector<uint8_t> bytes = lv2_state(*host);
  load_vst_chunk(vst->instance, bytes);
  EXPECT_FLOAT_EQ(vst->instance.get_parameter(synth::p::filter_resonance), 0.9f);
  EXPECT_FLOAT_EQ(vst->instance.get_parameter(synth::p::filter_frequency), 0.2f);
}

// A host sets its saved ports and restores the state beside them (Ardour
// reopening a session; a preset); ports it never updated after a state
// change hold stale values. The restored state is the sound until a port
// moves again.
TEST(lv2_ports, a_restored_state_wins_over_the_ports_until_one_moves) {
  auto source = make_lv2();
  auto host = make_lv2();
  ASSERT_TRUE(source && host);
  std::vector<float> l(block), r(block);
  const int32_t freq = param_port + synth::p::filter_frequency;
  source->process(l.data(), r.data(), block);
  source->set_control(freq, 0.8f);
  source->process(l.data(), r.data(), block);
  const std::vector<uint8_t> state = lv2_state(*source);

  host->set_control(freq, 0.1f);  // stale: moved before the state came
  host->process(l.data(), r.data(), block);
  ASSERT_TRUE(load_lv2_state(*host, state));
  host->process(l.data(), r.data(), block);
  EXPECT_EQ(lv2_state(*host), state);
  host->set_control(freq, 0.3f);
  host->process(l.data(), r.data(), block);
  auto vst = test_support::make_host(rate);
  ASSERT_TRUE(vst);
  load_vst_chunk(vst->instance, lv2_state(*host));
  EXPECT_FLOAT_EQ(vst->instance.get_parameter(synth::p::filter_frequency), 0.3f);
}

}  // namespace
