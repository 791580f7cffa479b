#include "synth/voice_allocator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace synth {
namespace {

// Records every call as text and models slot state the way the engine does:
// a start gates and activates, a release ungates (the voice rings on), a kill
// deactivates. Tests end a release by clearing `active`.
class recording_client : public allocator_client {
 public:
  std::vector<std::string> log;
  bool active[voice_allocator::max_slots] = {};
  bool gated[voice_allocator::max_slots] = {};
  float bend = 99.f;

  void start_note(int slot, int note, int velocity, bool retrigger) override {
    log.push_back("start " + std::to_string(slot) + " " + std::to_string(note) + " " +
                  std::to_string(velocity) + (retrigger ? " retrig" : ""));
    active[slot] = gated[slot] = true;
  }
  void release_note(int slot, int velocity) override {
    log.push_back("release " + std::to_string(slot));
    for (int s = 0; s < voice_allocator::max_slots; ++s)
      if (slot < 0 || s == slot) gated[s] = false;
  }
  void kill_voice(int slot) override {
    log.push_back("kill " + std::to_string(slot));
    for (int s = 0; s < voice_allocator::max_slots; ++s)
      if (slot < 0 || s == slot) active[s] = gated[s] = false;
  }
  bool is_active(int slot) override { return active[slot]; }
  bool is_gated(int slot) override { return gated[slot]; }
  void poly_pressure(int note, int value) override { log.push_back("pressure " + std::to_string(note) + " " + std::to_string(value)); }
  void control_change(int number, int value) override { log.push_back("cc " + std::to_string(number) + " " + std::to_string(value)); }
  void program_change(int program) override { log.push_back("program " + std::to_string(program)); }
  void channel_pressure(int value) override { log.push_back("aftertouch " + std::to_string(value)); }
  void pitch_bend(float value) override { bend = value; }

  std::vector<std::string> take() { return std::exchange(log, {}); }
};

using lines = std::vector<std::string>;

struct allocator_fixture : ::testing::Test {
  recording_client client;
  voice_allocator alloc{client};

  void on(int note, int velocity = 100, int channel = 0) { alloc.midi(midi_word(0x90 | channel, note, velocity)); }
  void off(int note) { alloc.midi(midi_word(0x80, note, 0)); }
  void pedal(int value) { alloc.midi(midi_word(0xb0, 64, value)); }
  void poly(int slots) {
    alloc.configure(true, slots, 0);
    client.take();
  }
  void mono(int priority) { alloc.configure(false, 32, priority); }
};

// --- dispatch ---------------------------------------------------------------

TEST_F(allocator_fixture, note_on_with_velocity_zero_is_a_note_off) {
  for (bool polyphonic : {false, true}) {
    SCOPED_TRACE(polyphonic);
    alloc.configure(polyphonic, 4, 2);
    alloc.reset();
    client.take();
    on(60, 90);
    on(60, 0);
    lines expected{"start 0 60 90 retrig", "release 0"};
    if (polyphonic) expected.insert(expected.begin(), "kill 0");  // a silent slot is cleared first
    EXPECT_EQ(client.take(), expected);
    EXPECT_FALSE(alloc.held(60));
    EXPECT_EQ(alloc.stack_size(), 0);
  }
}

TEST_F(allocator_fixture, channel_messages_reach_the_engine_and_system_messages_do_not) {
  alloc.midi(midi_word(0xa3, 61, 70));
  alloc.midi(midi_word(0xb5, 7, 100));
  alloc.midi(midi_word(0xcf, 12, 0));
  alloc.midi(midi_word(0xd1, 33, 0));
  alloc.midi(midi_word(0xf8, 0, 0));  // clock
  alloc.midi(midi_word(0xf0, 0x90, 60));
  EXPECT_EQ(client.take(), (lines{"pressure 61 70", "cc 7 100", "program 12", "aftertouch 33"}));
  on(60, 100, 9);  // any channel plays
  EXPECT_EQ(client.take(), (lines{"start 0 60 100 retrig"}));
}

TEST_F(allocator_fixture, pitch_bend_maps_14_bits_to_minus_one_up_to_just_below_one) {
  alloc.midi(midi_word(0xe0, 0, 64));
  EXPECT_FLOAT_EQ(client.bend, 0.f);
  alloc.midi(midi_word(0xe0, 0, 0));
  EXPECT_FLOAT_EQ(client.bend, -1.f);
  alloc.midi(midi_word(0xe0, 127, 127));
  EXPECT_FLOAT_EQ(client.bend, 1.f - 1.f / 8192.f);
}

// --- sustain pedal ----------------------------------------------------------

TEST_F(allocator_fixture, pedal_value_64_is_up_65_is_down_and_only_a_change_acts) {
  poly(4);
  pedal(64);
  EXPECT_FALSE(alloc.sustain());
  pedal(65);
  EXPECT_TRUE(alloc.sustain());
  on(60);
  on(62);
  off(60);
  off(62);
  EXPECT_EQ(alloc.sustained_size(), 2);
  client.take();
  pedal(127);  // still down: nothing replays
  EXPECT_EQ(client.take(), (lines{"cc 64 127"}));
  pedal(64);  // up: note offs in the order the keys were released
  EXPECT_EQ(client.take(), (lines{"release 0", "release 1", "cc 64 64"}));
  EXPECT_EQ(alloc.sustained_size(), 0);
  pedal(0);
  EXPECT_EQ(client.take(), (lines{"cc 64 0"}));
}

TEST_F(allocator_fixture, poly_key_struck_again_under_the_pedal_is_not_released_by_pedal_up) {
  poly(4);
  pedal(100);
  on(60);
  off(60);
  on(60);  // re-strikes slot 0 and leaves the sustained list
  EXPECT_EQ(alloc.sustained_size(), 0);
  client.take();
  pedal(0);
  EXPECT_EQ(client.take(), (lines{"cc 64 0"}));
  EXPECT_TRUE(client.gated[0]);
}

// --- polyphonic slot choice --------------------------------------------------

TEST_F(allocator_fixture, recycling_restrikes_the_releasing_voice_of_the_same_note) {
  poly(4);
  on(60);
  off(60);
  on(60);
  EXPECT_EQ(client.take(), (lines{"kill 0", "start 0 60 100 retrig", "release 0", "release 0",
                                  "start 0 60 100 retrig"}));
  EXPECT_EQ(alloc.slot_of(60), 0);
}

TEST_F(allocator_fixture, without_recycling_a_released_note_takes_a_free_voice) {
  poly(4);
  alloc.set_recycle(false);
  on(60);
  off(60);
  EXPECT_EQ(alloc.slot_of(60), -1);
  client.take();
  on(60);  // slot 0 still rings: slot 1 is the first inactive one
  EXPECT_EQ(client.take(), (lines{"kill 1", "start 1 60 100 retrig"}));
  EXPECT_EQ(alloc.last_slot(), 1);
}

TEST_F(allocator_fixture, all_gated_steals_the_oldest_and_equal_ages_the_lower_slot) {
  poly(3);
  on(60);
  alloc.add_age(10);
  on(62);
  alloc.add_age(10);
  on(64);
  alloc.add_age(10);  // ages 30, 20, 10
  client.take();
  on(65);
  EXPECT_EQ(client.take(), (lines{"start 0 65 100 retrig"}));  // active: no kill
  EXPECT_EQ(alloc.slot_of(60), -1);                             // the stolen note lost its slot
  EXPECT_EQ(alloc.slot_of(65), 0);
  EXPECT_EQ(alloc.stack_size(), 3);

  poly(4);  // new slot count: ages all 0
  for (int n : {70, 71, 72, 73}) on(n);
  client.take();
  alloc.add_age(5);
  on(74);
  EXPECT_EQ(client.take(), (lines{"start 0 74 100 retrig"}));
}

TEST_F(allocator_fixture, stealing_prefers_the_oldest_released_voice_over_older_held_ones) {
  poly(3);
  on(60);
  alloc.add_age(30);
  on(62);
  alloc.add_age(10);
  on(64);
  alloc.add_age(10);  // ages 50, 20, 10
  off(64);
  off(62);  // slots 1 and 2 ring in release; slot 0 still held
  client.take();
  on(67);
  EXPECT_EQ(client.take(), (lines{"start 1 67 100 retrig"}));
  EXPECT_EQ(alloc.slot_of(62), -1);  // kept by recycling until its slot was taken
  EXPECT_EQ(alloc.slot_of(64), 2);

  alloc.reset();  // released slots of equal age: the lower one goes
  for (int n : {60, 62, 64}) on(n);
  alloc.add_age(9);
  off(64);
  off(62);
  client.take();
  on(67);
  EXPECT_EQ(client.take(), (lines{"start 1 67 100 retrig"}));
}

TEST_F(allocator_fixture, finished_voices_are_reused_in_slot_order) {
  poly(4);
  on(60);
  on(62);
  on(64);
  client.active[1] = false;  // slot 1's release ended
  client.take();
  on(66);
  EXPECT_EQ(client.take(), (lines{"kill 1", "start 1 66 100 retrig"}));
}

// --- monophonic -------------------------------------------------------------

TEST_F(allocator_fixture, mono_newest_returns_to_the_held_note_legato_unless_retrigger_is_on) {
  for (bool retrig : {false, true}) {
    SCOPED_TRACE(retrig);
    mono(2);
    alloc.reset();
    alloc.set_mono_retrigger(retrig);
    client.take();
    on(60, 80);
    on(64, 90);
    off(64);
    off(60);
    const std::string r = retrig ? " retrig" : "";
    EXPECT_EQ(client.take(), (lines{"start 0 60 80 retrig", "start 0 64 90" + r, "start 0 60 -1" + r, "release 0"}));
  }
}

TEST_F(allocator_fixture, mono_priorities_pick_lowest_highest_newest_oldest) {
  const int expected[4] = {55, 67, 60, 64};
  for (int priority = 0; priority < 4; ++priority) {
    SCOPED_TRACE(priority);
    mono(priority);
    alloc.reset();
    for (int n : {64, 67, 55, 60}) on(n);
    EXPECT_EQ(alloc.chosen_note(), expected[priority]);
    EXPECT_EQ(client.log.back(), "start 0 " + std::to_string(expected[priority]) + " 100");
  }
  alloc.reset();
  mono(0);
  EXPECT_EQ(alloc.chosen_note(), 255);
  mono(1);
  EXPECT_EQ(alloc.chosen_note(), -1);
}

TEST_F(allocator_fixture, mono_repeated_note_on_changes_nothing) {
  mono(2);
  on(60);
  on(60);
  EXPECT_EQ(client.take(), (lines{"start 0 60 100 retrig"}));
  EXPECT_EQ(alloc.stack_size(), 1);
}

TEST_F(allocator_fixture, mono_pedal_holds_the_last_note_and_a_new_phrase_starts_legato) {
  mono(2);
  pedal(127);
  on(60);
  off(60);  // last note: stays in the stack, sustained
  EXPECT_EQ(alloc.stack_size(), 1);
  EXPECT_EQ(alloc.sustained_size(), 1);
  on(62);  // sustained notes leave the stack; had notes, so no retrigger
  EXPECT_EQ(alloc.stack_size(), 1);
  EXPECT_EQ(alloc.sustained_size(), 0);
  on(64);
  off(64);  // another note still held: 64 leaves at once, back to 62
  EXPECT_EQ(client.take(), (lines{"cc 64 127", "start 0 60 100 retrig", "start 0 60 -1", "start 0 62 100",
                                  "start 0 64 100", "start 0 62 -1"}));
  off(62);
  pedal(0);
  EXPECT_EQ(client.take(), (lines{"start 0 62 -1", "release 0", "cc 64 0"}));
  EXPECT_EQ(alloc.stack_size(), 0);
}

TEST_F(allocator_fixture, mono_pedal_with_retrigger_always_retriggers_and_first_note_under_pedal_does) {
  mono(2);
  pedal(127);
  on(60);  // nothing before: retrigger as prev (-1) differs
  alloc.set_mono_retrigger(true);
  on(62);
  EXPECT_EQ(client.take(), (lines{"cc 64 127", "start 0 60 100 retrig", "start 0 62 100 retrig"}));
}

TEST_F(allocator_fixture, mono_key_struck_again_under_the_pedal_survives_pedal_up) {
  mono(2);
  pedal(127);
  on(60);
  off(60);
  on(60);
  client.take();
  pedal(0);
  EXPECT_EQ(client.take(), (lines{"cc 64 0"}));
  EXPECT_EQ(alloc.stack_size(), 1);
  off(60);
  EXPECT_EQ(client.take(), (lines{"release 0"}));
}

// --- all off, reset, configuration -------------------------------------------

TEST_F(allocator_fixture, all_notes_and_all_sound_off_clear_notes_and_pedal_but_keep_the_map) {
  poly(4);
  on(60);
  pedal(100);
  on(62);
  off(62);
  client.take();
  alloc.all_notes_off();
  EXPECT_EQ(client.take(), (lines{"release -1"}));
  EXPECT_FALSE(alloc.sustain());
  EXPECT_EQ(alloc.stack_size(), 0);
  EXPECT_EQ(alloc.sustained_size(), 0);
  EXPECT_EQ(alloc.slot_of(60), 0);
  alloc.all_sound_off();
  EXPECT_EQ(client.take(), (lines{"kill -1"}));
  EXPECT_EQ(alloc.slot_of(62), 1);

  alloc.add_age(100);
  alloc.reset();
  EXPECT_EQ(client.take(), (lines{"kill -1"}));
  EXPECT_EQ(alloc.slot_of(60), -1);
  EXPECT_EQ(alloc.last_slot(), -1);
  EXPECT_EQ(alloc.age(0), 0);
  EXPECT_FALSE(alloc.held(60));
}

TEST_F(allocator_fixture, configure_clears_on_a_new_slot_count_and_mono_uses_one_slot) {
  poly(8);
  on(60);
  alloc.add_age(7);
  alloc.configure(true, 8, 0);  // same count: bookkeeping kept
  EXPECT_EQ(alloc.slot_of(60), 0);
  EXPECT_EQ(alloc.age(0), 7);
  alloc.configure(true, 12, 0);
  EXPECT_EQ(alloc.slot_of(60), -1);
  EXPECT_EQ(alloc.stack_size(), 0);
  EXPECT_EQ(alloc.age(0), 0);
  EXPECT_EQ(alloc.last_slot(), -1);
  alloc.configure(true, 99, 0);
  EXPECT_EQ(alloc.slot_count(), 32);
  alloc.configure(false, 16, 1);
  EXPECT_EQ(alloc.slot_count(), 1);
  EXPECT_EQ(alloc.priority(), 1);
  alloc.configure(true, 16, 3);  // priority only taken in mono
  EXPECT_EQ(alloc.priority(), 1);
}

TEST_F(allocator_fixture, ages_saturate_instead_of_wrapping) {
  poly(2);
  for (int i = 0; i < 3; ++i) alloc.add_age(0x7fffffff / 2);
  EXPECT_EQ(alloc.age(1), 0x7fffffff);
}

TEST_F(allocator_fixture, stack_never_exceeds_128_notes_with_stray_data) {
  mono(2);
  for (int n = 0; n < 300; ++n) on(n);  // note bytes above 127 wrap to 7 bits
  EXPECT_EQ(alloc.stack_size(), 128);
  for (int n = 0; n < 128; ++n) off(n);
  EXPECT_EQ(alloc.stack_size(), 0);
  EXPECT_EQ(client.log.back(), "release 0");
}

}  // namespace
}  // namespace synth
