// Note bookkeeping: turns MIDI words into voice starts, releases and kills.
// Monophonic operation plays one slot and keeps a stack of held notes chosen
// by a priority; polyphonic operation gives each note a slot of its own and
// steals the oldest one when all are busy. The sustain pedal defers note offs.
//
// Runs on the audio thread inside the engine lock: fixed arrays only, nothing
// is allocated. The two engine switches ("mono retrig", "recycle vcs") may be
// flipped from the editor thread, hence their relaxed cells.
#pragma once

#include <array>
#include <cstdint>

#include "platform/relaxed.h"

namespace synth {

// What the allocator asks of the engine. A slot's voice is its layer-0 voice;
// the engine fans each call out to the slot's unison layers.
class allocator_client {
 public:
  virtual ~allocator_client() = default;
  // velocity 1..127, or -1 to keep the voice's present velocity (mono legato).
  virtual void start_note(int slot, int note, int velocity, bool retrigger) = 0;
  virtual void release_note(int slot, int velocity) = 0;  // slot -1: every voice
  virtual void kill_voice(int slot) = 0;                  // slot -1: every voice
  virtual bool is_active(int slot) = 0;                   // still sounding
  virtual bool is_gated(int slot) = 0;                    // key still down
  virtual void poly_pressure(int note, int value) = 0;
  virtual void control_change(int number, int value) = 0;
  virtual void program_change(int program) = 0;
  virtual void channel_pressure(int value) = 0;
  virtual void pitch_bend(float value) = 0;               // -1 .. just below +1
};

enum class mono_priority : int32_t { lowest = 0, highest = 1, newest = 2, oldest = 3 };

// MIDI word: status in bits 0..7, data1 in 8..15, data2 in 16..23.
constexpr uint32_t midi_word(uint32_t status, uint32_t data1, uint32_t data2) {
  return status | data1 << 8 | data2 << 16;
}

class voice_allocator {
 public:
  static constexpr int max_slots = 32;
  static constexpr int note_count = 128;
  static constexpr int sustain_controller = 64;

  explicit voice_allocator(allocator_client& client);

  // One MIDI word, dispatched by the status's upper nibble; the channel is
  // ignored. Controllers 120 and 123 are not acted on here: the engine's MIDI
  // entry calls all_sound_off / all_notes_off for them.
  void midi(uint32_t word);

  void all_notes_off();  // release every voice, forget held and sustained notes
  void all_sound_off();  // silence every voice at once, same bookkeeping
  // Forget everything (ages, note map, held flags, last slot), then all sound off.
  void reset();

  // Applies "Voices": mode, slot count (1..32; always 1 in mono) and, in mono,
  // the priority. A new slot count or mode clears stack, sustained list, ages
  // and map, since slot numbers and stack meaning no longer hold.
  void configure(bool polyphonic, int slots, int priority);

  // Frames elapsed since the previous event; ages saturate instead of wrapping.
  void add_age(int32_t frames);

  void set_mono_retrigger(bool on) { mono_retrigger_ = on; }
  void set_recycle(bool on) { recycle_ = on; }
  bool mono_retrigger() const { return mono_retrigger_; }
  bool recycle() const { return recycle_; }

  bool polyphonic() const { return polyphonic_; }
  int slot_count() const { return slots_; }
  int priority() const { return static_cast<int>(priority_); }
  int last_slot() const { return last_slot_; }
  bool sustain() const { return sustain_; }
  int32_t age(int slot) const { return ages_[slot]; }
  int slot_of(int note) const { return note_slot_[note & 0x7f]; }
  bool held(int note) const { return held_[note & 0x7f] != 0; }
  const uint8_t* held_flags() const { return held_.data(); }  // 128 bytes

  int stack_size() const { return stack_.count; }
  int stack_note(int i) const { return stack_.notes[i]; }
  int sustained_size() const { return sustained_.count; }
  int sustained_note(int i) const { return sustained_.notes[i]; }

  // The note the mono priority picks from the stack; empty stack: 255 for
  // lowest, -1 otherwise.
  int chosen_note() const;

 private:
  // Ordered set of note numbers (each at most once), arrival order.
  struct note_list {
    std::array<uint8_t, note_count> notes{};
    int count = 0;
    bool contains(int note) const;
    void push(int note);    // no-op when present or full
    void remove(int note);  // keeps the order of the rest
    void clear() { count = 0; }
  };

  void note_on(int note, int velocity);
  void note_off(int note);
  void mono_note_on(int note, int velocity);
  void mono_note_off(int note);
  void poly_note_on(int note, int velocity);
  void poly_note_off(int note);
  int pick_slot(int note);
  int steal_slot();
  void take_slot(int slot, int note, int velocity);
  void set_sustain(bool down);
  void clear_notes();

  allocator_client& client_;
  int slots_ = 1;
  mono_priority priority_ = mono_priority::newest;
  int last_slot_ = -1;
  bool polyphonic_ = false;
  bool sustain_ = false;
  platform::relaxed<bool> mono_retrigger_{false};
  platform::relaxed<bool> recycle_{true};
  std::array<int32_t, max_slots> ages_{};
  std::array<int8_t, note_count> note_slot_{};
  std::array<uint8_t, note_count> held_{};
  note_list stack_;
  note_list sustained_;
};

}  // namespace synth
