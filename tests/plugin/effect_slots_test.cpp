// The effect chain inside the instance: after the master stage, in the
// engine's render pieces, filled through the tools' vendor request, rebuilt
// off the audio path when the host changes the rate.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "plugin/vst2/tool_request.h"
#include "tests/support/direct_plugin.h"
#include "tools/analysis/signal.h"

namespace {

using test_support::direct_plugin;
using test_support::midi_block;

// A note for 0.25 s, then its release tail; the whole output of the left channel.
std::vector<float> play(direct_plugin& d, int blocks = 120, int frames = 256) {
  std::vector<float> out;
  midi_block midi;
  for (int b = 0; b < blocks; ++b) {
    midi.clear();
    if (b == 0) midi.add(0, 0x90, 57, 110);
    if (b == 43) midi.add(0, 0x80, 57, 0);
    d.process(&midi, frames);
    out.insert(out.end(), d.left.begin(), d.left.begin() + frames);
  }
  return out;
}

intptr_t request(direct_plugin& d, plugin::fx_slot_request& r) {
  return d.e->dispatcher(d.e, effVendorSpecific, plugin::tool_request_index, plugin::fx_slot_request_value, &r, 0.f);
}

TEST(effect_slots, an_emptied_chain_is_skipped_and_sounds_like_none) {
  direct_plugin plain, emptied;
  fx::chain& chain = emptied.p->engine().effects();
  ASSERT_TRUE(chain.set_effect(0, "Reverb"));
  ASSERT_TRUE(chain.set_effect(3, "Phaser"));
  EXPECT_TRUE(chain.any());
  chain.set_effect(0, "-");
  chain.set_effect(3, "-");
  EXPECT_FALSE(chain.any());
  EXPECT_EQ(play(plain), play(emptied));
}

TEST(effect_slots, a_reverb_after_the_master_stage_keeps_sounding_after_the_voices) {
  direct_plugin dry, wet;
  ASSERT_TRUE(wet.p->engine().effects().set_effect(0, "Reverb"));
  wet.p->engine().effects().slot(0)->set_value(0, 0.5f);  // Mix
  const std::vector<float> a = play(dry, 200), b = play(wet, 200);
  // Half a second after the voice has gone quiet.
  const size_t from = 150 * 256;
  EXPECT_LT(analysis::rms(a.data() + from, a.size() - from), 1e-6);
  EXPECT_GT(analysis::rms(b.data() + from, b.size() - from), 1e-4);
}

TEST(effect_slots, every_effect_sees_each_render_piece_as_its_block) {
  direct_plugin d;
  fx::chain& chain = d.p->engine().effects();
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(chain.set_effect(i, i % 2 ? "mDelay" : "Limiter"));
  d.process(nullptr, 512);  // rendered in pieces of at most 256
  for (int i = 0; i < 4; ++i) EXPECT_EQ(chain.slot(i)->rates().divider, 256);
  d.process(nullptr, 100);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(chain.slot(i)->rates().divider, 100);
}

TEST(effect_slots, a_new_host_rate_rebuilds_storage_before_the_audio_thread_sees_it) {
  direct_plugin d;
  fx::chain& chain = d.p->engine().effects();
  ASSERT_TRUE(chain.set_effect(1, "mDelay"));
  d.process(nullptr, 256);
  EXPECT_EQ(chain.slot(1)->storage_bytes(), size_t(131072) * 2 * sizeof(float));
  d.e->dispatcher(d.e, effMainsChanged, 0, 0, nullptr, 0.f);
  d.e->dispatcher(d.e, effSetSampleRate, 0, 0, nullptr, 96000.f);
  EXPECT_EQ(chain.slot(1)->storage_bytes(), size_t(262144) * 2 * sizeof(float));  // built already
  d.e->dispatcher(d.e, effMainsChanged, 0, 1, nullptr, 0.f);
  d.process(nullptr, 256);
  EXPECT_FLOAT_EQ(chain.slot(1)->rates().rate, 96000.f);
}

TEST(effect_slots, the_tool_request_fills_slots_and_sets_parameters) {
  direct_plugin d;
  plugin::fx_slot_request r;
  r.slot = 2;
  r.name = "Reverb";
  EXPECT_EQ(request(d, r), 1);
  EXPECT_STREQ(r.display, "Reverb");
  plugin::fx_slot_request p;
  p.slot = 2;
  p.parameter = 14;
  p.value = 9.f;
  EXPECT_EQ(request(d, p), 1);
  EXPECT_STREQ(p.display, "Density = 9");
  EXPECT_EQ(d.p->engine().effects().slot(2)->value(14), 9.f);
  p.parameter = 24;  // no such parameter
  EXPECT_EQ(request(d, p), 0);
  r.name = "Nothing";
  EXPECT_EQ(request(d, r), 0);
  EXPECT_EQ(d.p->engine().effects().slot(2), nullptr);
  r.slot = 4;
  r.name = "Gate";
  EXPECT_EQ(request(d, r), 0);
  // Other vendor requests are not ours.
  EXPECT_EQ(d.e->dispatcher(d.e, effVendorSpecific, plugin::tool_request_index, 0, &r, 0.f), 0);
}

// What the instance state keeps of each slot (name, layout version, values)
// rebuilds the same sound in a fresh instance.
TEST(effect_slots, saved_slots_restored_in_a_new_instance_render_identical_audio) {
  direct_plugin a, b;
  fx::chain& from = a.p->engine().effects();
  const char* names[4] = {"Reverb", "mDelay", "Phaser", "Limiter"};
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(from.set_effect(i, names[i]));
  from.slot(0)->set_value(15, 0.7f);  // structural: a new tail
  from.slot(0)->set_value(0, 0.4f);
  from.slot(1)->set_value(5, 2.f);
  from.slot(1)->set_value(0, 0.2f);
  from.slot(2)->set_value(6, 7.f);
  from.slot(3)->set_value(3, 0.8f);
  fx::chain& to = b.p->engine().effects();
  for (int i = 0; i < 4; ++i) {
    fx::slot_state st;
    ASSERT_TRUE(from.save_slot(i, st));
    const fx::param_record rec{st.version, st.count, st.values};
    ASSERT_TRUE(to.restore_slot(i, st.name, &rec));
  }
  const std::vector<float> x = play(a, 200), y = play(b, 200);
  EXPECT_EQ(x, y);
  EXPECT_GT(analysis::rms(x.data() + 150 * 256, 50 * 256), 1e-4);  // the tail is there to compare
}

// An effect put into a slot while a note sounds fades in over a few
// milliseconds instead of cutting: no step in the output larger than twice
// the largest step of the note before the change.
TEST(effect_slots, an_effect_inserted_mid_note_fades_in) {
  for (const char* name : {"mDelay", "Tremolo", "Rectifier"}) {
    SCOPED_TRACE(name);
    direct_plugin d;
    // A plain sine (Osc A sine at full level, Osc B silent): its steps are small,
    // so a cut would stand out.
    synth::synth& engine = d.p->engine();
    engine.set_param(16, 0, 4.f);
    engine.set_param(33, 0, 1.f);
    engine.set_param(23, 0, 0.f);
    engine.set_param(35, 0, 0.f);
    std::vector<float> out;
    midi_block midi;
    constexpr int frames = 256, change = 60;
    for (int b = 0; b < 100; ++b) {
      midi.clear();
      if (b == 0) midi.add(0, 0x90, 57, 110);
      if (b == change) ASSERT_TRUE(d.p->engine().effects().set_effect(0, name));
      d.process(&midi, frames);
      out.insert(out.end(), d.left.begin(), d.left.begin() + frames);
    }
    const size_t at = size_t(change) * frames;
    const double steady = analysis::max_step(out.data() + at - 20 * frames, 20 * frames);
    const double changed = analysis::max_step(out.data() + at - 1, 20 * frames + 1);
    EXPECT_GT(steady, 1e-3);
    std::fprintf(stderr, "%s inserted mid-note: largest step %.2fx the note's\n", name, changed / steady);
    EXPECT_LE(changed, 2.0 * steady);
  }
}

}  // namespace
