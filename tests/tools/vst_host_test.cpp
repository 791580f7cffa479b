#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/tools/fake_plugin.h"
#include "tools/analysis/signal.h"
#include "tools/vsthost/host_callback.h"
#include "tools/vsthost/plugin_instance.h"
#include "tools/vsthost/plugin_library.h"

using vsthost::plugin_instance;
using vsthost::plugin_library;

namespace {

// --- against an in-process plug-in whose every received call is recorded ---

TEST(vst_host, entry_call_sees_version_2400_and_reaches_the_instance_being_created) {
  plugin_instance host;
  std::string error;
  ASSERT_TRUE(host.create(&fake::entry, error)) << error;
  fake::plugin* p = fake::from(host.effect());
  EXPECT_EQ(p->version_during_entry, 2400);  // asked with a null effect
  EXPECT_EQ(p->wants_midi_answer, 1);        // asked with an effect not yet returned
  EXPECT_TRUE(host.requests().wants_midi);
  EXPECT_EQ(p->open_calls, 1);
  EXPECT_EQ(vsthost::host_callback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.f), 2400);
}

TEST(vst_host, create_refuses_null_effects_and_wrong_magic_with_a_reason) {
  plugin_instance host;
  std::string error;
  EXPECT_FALSE(host.create(&fake::null_entry, error));
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_FALSE(host.create(&fake::bad_magic_entry, error));
  EXPECT_NE(error.find("magic"), std::string::npos);
  EXPECT_EQ(host.effect(), nullptr);
  EXPECT_FALSE(host.process(nullptr, nullptr, 16));  // usable, does nothing
}

TEST(vst_host, destruction_closes_the_effect_and_resume_toggles_mains) {
  const int32_t before = fake::closed_count();
  {
    plugin_instance host;
    std::string error;
    ASSERT_TRUE(host.create(&fake::entry, error));
    host.resume();
    EXPECT_EQ(fake::from(host.effect())->mains_on, 1);
    host.suspend();
    EXPECT_EQ(fake::from(host.effect())->mains_on, 0);
  }
  EXPECT_EQ(fake::closed_count(), before + 1);
}

TEST(vst_host, events_arrive_sorted_by_offset_stable_on_ties_and_clamped_into_the_block) {
  plugin_instance host;
  std::string error;
  ASSERT_TRUE(host.create(&fake::entry, error));
  host.set_block_size(64);
  ASSERT_TRUE(host.queue_midi(40, 0x90, 60, 100));
  ASSERT_TRUE(host.queue_midi(5, 0x90, 61, 100));
  ASSERT_TRUE(host.queue_midi(5, 0x80, 61, 0));
  ASSERT_TRUE(host.queue_midi(0, 0xb0, 1, 7));
  ASSERT_TRUE(host.queue_midi(500, 0x80, 60, 0));  // past the block: lands on its last frame
  EXPECT_FALSE(host.queue_midi(-1, 0x90, 1, 1));
  std::vector<float> l(64), r(64);
  ASSERT_TRUE(host.process(l.data(), r.data(), 48));
  const auto& ev = fake::from(host.effect())->events;
  ASSERT_EQ(ev.size(), 5u);
  const int32_t deltas[] = {0, 5, 5, 40, 47};
  const uint8_t keys[] = {1, 61, 61, 60, 60};
  for (size_t i = 0; i < ev.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ev[i].delta_frames, deltas[i]);
    EXPECT_EQ(ev[i].bytes[1], keys[i]);
  }
  EXPECT_EQ(ev[1].bytes[0], 0x90);  // the note-on queued first stays first
  EXPECT_EQ(ev[2].bytes[0], 0x80);
  // Sent once: the next block carries no events.
  ASSERT_TRUE(host.process(l.data(), r.data(), 48));
  EXPECT_EQ(ev.size(), 5u);
}

TEST(vst_host, event_queue_holds_its_capacity_and_refuses_more) {
  plugin_instance host;
  std::string error;
  ASSERT_TRUE(host.create(&fake::entry, error));
  const int32_t capacity = host.midi_capacity();
  for (int32_t i = 0; i < capacity; ++i) ASSERT_TRUE(host.queue_midi(i % 500, 0x90, uint8_t(i & 127), 1));
  EXPECT_FALSE(host.queue_midi(0, 0x90, 1, 1));
  std::vector<float> l(512), r(512);
  ASSERT_TRUE(host.process(l.data(), r.data(), 512));
  EXPECT_EQ(int32_t(fake::from(host.effect())->events.size()), capacity);
}

TEST(vst_host, replacing_overwrites_accumulating_adds_and_oversized_blocks_are_refused) {
  plugin_instance host;
  std::string error;
  ASSERT_TRUE(host.create(&fake::entry, error));
  host.set_block_size(32);
  std::vector<float> l(32, 1.f), r(32, 1.f);
  ASSERT_TRUE(host.process(l.data(), r.data(), 32));
  EXPECT_FLOAT_EQ(l[31], 0.25f);
  ASSERT_TRUE(host.process_accumulating(l.data(), r.data(), 32));
  EXPECT_FLOAT_EQ(l[0], 0.5f);
  EXPECT_FLOAT_EQ(r[31], 0.5f);
  EXPECT_FALSE(host.process(l.data(), r.data(), 33));
  EXPECT_TRUE(host.process(nullptr, r.data(), 32));  // left goes to scratch space
}

TEST(vst_host, time_info_follows_tempo_and_processed_frames) {
  plugin_instance host;
  std::string error;
  ASSERT_TRUE(host.create(&fake::entry, error));
  host.set_sample_rate(48000.0);
  host.set_block_size(480);
  host.set_tempo(90.0);
  std::vector<float> l(480), r(480);
  for (int i = 0; i < 250; ++i) ASSERT_TRUE(host.process(l.data(), r.data(), 480));  // 2.5 s
  const auto* t = reinterpret_cast<const VstTimeInfo*>(
      vsthost::host_callback(host.effect(), audioMasterGetTime, 0, 0, nullptr, 0.f));
  ASSERT_NE(t, nullptr);
  EXPECT_DOUBLE_EQ(t->samplePos, 120000.0);
  EXPECT_DOUBLE_EQ(t->sampleRate, 48000.0);
  EXPECT_DOUBLE_EQ(t->tempo, 90.0);
  EXPECT_NEAR(t->ppqPos, 2.5 * 1.5, 1e-9);  // 1.5 quarter notes per second
  EXPECT_DOUBLE_EQ(t->barStartPos, 0.0);
  EXPECT_EQ(t->timeSigNumerator, 4);
  EXPECT_EQ(t->timeSigDenominator, 4);
  const int32_t needed = kVstTempoValid | kVstPpqPosValid | kVstTransportPlaying | kVstTimeSigValid;
  EXPECT_EQ(t->flags & needed, needed);
  EXPECT_EQ(host.effect_name(), "Fake");
}

TEST(vst_host, can_do_answers_only_the_capabilities_we_have) {
  auto ask = [](const char* what) {
    return vsthost::host_callback(nullptr, audioMasterCanDo, 0, 0, const_cast<char*>(what), 0.f);
  };
  for (const char* yes : {"sizeWindow", "sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo",
                          "receiveVstEvents", "receiveVstMidiEvent", "supplyIdle"}) {
    SCOPED_TRACE(yes);
    EXPECT_EQ(ask(yes), 1);
  }
  for (const char* no : {"offline", "sizeWindowX", "size", "openFileSelector", ""}) {
    SCOPED_TRACE(no);
    EXPECT_EQ(ask(no), 0);
  }
  char vendor[64];
  EXPECT_EQ(vsthost::host_callback(nullptr, audioMasterGetVendorString, 0, 0, vendor, 0.f), 1);
  EXPECT_STREQ(vendor, "Vorn");
  EXPECT_EQ(vsthost::host_callback(nullptr, audioMasterGetAutomationState, 0, 0, nullptr, 0.f), 0);
}

TEST(vst_host, two_instances_each_record_their_own_automation_and_requests) {
  plugin_instance a, b;
  std::string error;
  ASSERT_TRUE(a.create(&fake::entry, error));
  ASSERT_TRUE(b.create(&fake::entry, error));
  a.set_parameter(1, 0.75f);
  b.set_parameter(3, 0.125f);
  b.set_parameter(2, 0.5f);
  a.set_parameter(7, 0.5f);  // outside numParams: never reaches the plug-in
  ASSERT_EQ(a.requests().automation.size(), 1u);
  EXPECT_EQ(a.requests().automation[0].index, 1);
  EXPECT_FLOAT_EQ(a.requests().automation[0].value, 0.75f);
  ASSERT_EQ(b.requests().automation.size(), 2u);
  EXPECT_EQ(b.requests().automation[1].index, 2);
  EXPECT_FLOAT_EQ(b.get_parameter(3), 0.125f);
  EXPECT_EQ(b.find_param("Cutoff"), 2);
  EXPECT_EQ(b.find_param("Missing"), -1);
  vsthost::host_callback(a.effect(), audioMasterSizeWindow, 640, 480, nullptr, 0.f);
  vsthost::host_callback(a.effect(), audioMasterUpdateDisplay, 0, 0, nullptr, 0.f);
  EXPECT_EQ(a.requests().window_width, 640);
  EXPECT_EQ(a.requests().window_height, 480);
  EXPECT_EQ(a.requests().display_updates, 1);
  EXPECT_EQ(b.requests().display_updates, 0);

  // Cleared, everything is forgotten but the logs' storage, so that a host
  // clearing them regularly allocates nothing when the plug-in calls back
  // from its process call.
  a.clear_requests();
  EXPECT_TRUE(a.requests().automation.empty());
  EXPECT_TRUE(a.requests().edits.empty());
  EXPECT_GE(a.requests().automation.capacity(), 1u);
  EXPECT_EQ(a.requests().window_width, 0);
  EXPECT_EQ(a.requests().display_updates, 0);
  a.set_parameter(2, 0.25f);
  ASSERT_EQ(a.requests().automation.size(), 1u);
  EXPECT_EQ(a.requests().automation[0].index, 2);
}

TEST(vst_library, reports_missing_files_and_libraries_without_an_entry) {
  plugin_library lib;
  std::string error;
  EXPECT_FALSE(lib.open("/nonexistent/plugin.so", error));
  EXPECT_NE(error.find("/nonexistent/plugin.so"), std::string::npos);
  error.clear();
  EXPECT_FALSE(lib.open("libm.so.6", error));  // loads, but exports no entry
  EXPECT_NE(error.find("VSTPluginMain"), std::string::npos);
  EXPECT_FALSE(lib.is_open());
}

// --- against a real third-party plug-in, loaded as a black box ---

class amsynth : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(library_.open(AMSYNTH_PLUGIN_PATH, error)) << error;
    ASSERT_TRUE(plugin_.create(library_, error)) << error;
    plugin_.set_sample_rate(rate);
    plugin_.set_block_size(block);
    plugin_.resume();
  }

  // Renders blocks into one channel pair, sending each note event at its frame.
  void render(std::vector<float>& l, std::vector<float>& r, int32_t blocks) {
    const size_t at = l.size();
    l.resize(at + size_t(blocks) * block);
    r.resize(l.size());
    for (int32_t i = 0; i < blocks; ++i)
      ASSERT_TRUE(plugin_.process(&l[at + size_t(i) * block], &r[at + size_t(i) * block], block));
  }

  static constexpr int32_t rate = 44100;
  static constexpr int32_t block = 256;
  plugin_library library_;  // declared first: outlives the instance
  plugin_instance plugin_;
};

TEST_F(amsynth, identity_shows_an_instrument_that_takes_midi) {
  const AEffect* e = plugin_.effect();
  EXPECT_EQ(e->magic, kEffectMagic);
  EXPECT_GT(e->numPrograms, 0);
  EXPECT_GT(e->numParams, 0);
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_TRUE(plugin_.can_do("receiveVstMidiEvent") == 1 || (e->flags & effFlagsIsSynth));
  EXPECT_FALSE(plugin_.effect_name().empty());
  EXPECT_EQ(plugin_.vst_version(), 2400);
  for (int32_t i = 0; i < e->numParams; ++i) {
    SCOPED_TRACE(i);
    EXPECT_FALSE(plugin_.param_name(i).empty());
    const float v = plugin_.get_parameter(i);
    EXPECT_TRUE(v >= 0.f && v <= 1.f);
  }
}

TEST_F(amsynth, a_note_sounds_while_held_and_is_finite) {
  std::vector<float> l, r;
  render(l, r, 4);
  EXPECT_LT(analysis::peak(l.data(), l.size()), 1e-6);  // silent before any note
  ASSERT_TRUE(plugin_.queue_midi(17, 0x90, 57, 100));    // A3
  render(l, r, 100);
  ASSERT_TRUE(plugin_.queue_midi(0, 0x80, 57, 0));
  render(l, r, 700);  // about 4 s of release
  ASSERT_TRUE(analysis::all_finite(l.data(), l.size()));
  ASSERT_TRUE(analysis::all_finite(r.data(), r.size()));
  const size_t held = 4 * block, held_end = 104 * block;
  EXPECT_GT(analysis::rms(&l[held], held_end - held), 0.01);
  EXPECT_GT(analysis::rms(&r[held], held_end - held), 0.01);
  // The note starts at its event frame, not at the start of its block.
  EXPECT_GE(analysis::first_above(l.data(), l.size(), 1e-4), held + 17);
  EXPECT_LT(analysis::rms(&l[l.size() - block], block), analysis::rms(&l[held], held_end - held) * 0.1);
}

}  // namespace
