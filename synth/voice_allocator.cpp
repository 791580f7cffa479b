#include "synth/voice_allocator.h"

#include <algorithm>
#include <limits>

namespace synth {

namespace {

constexpr uint32_t status_note_off = 0x80;
constexpr uint32_t status_note_on = 0x90;
constexpr uint32_t status_poly_pressure = 0xa0;
constexpr uint32_t status_control_change = 0xb0;
constexpr uint32_t status_program_change = 0xc0;
constexpr uint32_t status_channel_pressure = 0xd0;
constexpr uint32_t status_pitch_bend = 0xe0;

constexpr float bend_step = 1.f / 8192.f;  // 14-bit bend, centre 0x2000 -> 0

}  // namespace

bool voice_allocator::note_list::contains(int note) const {
  return std::find(notes.begin(), notes.begin() + count, note) != notes.begin() + count;
}

void voice_allocator::note_list::push(int note) {
  if (count < note_count && !contains(note)) notes[count++] = static_cast<uint8_t>(note);
}

void voice_allocator::note_list::remove(int note) {
  auto end = notes.begin() + count;
  auto it = std::find(notes.begin(), end, note);
  if (it == end) return;
  std::copy(it + 1, end, it);
  --count;
}

voice_allocator::voice_allocator(allocator_client& client) : client_(client) {
  note_slot_.fill(-1);
}

void voice_allocator::midi(uint32_t word) {
  const uint32_t status = word & 0xf0;
  // Data bytes are 7-bit; masking keeps a malformed byte inside the note arrays.
  const int data1 = static_cast<int>(word >> 8 & 0x7f);
  const int data2 = static_cast<int>(word >> 16 & 0x7f);
  if ((word & 0xff) >= 0xf0) return;  // system messages
  switch (status) {
    case status_note_off: note_off(data1); break;
    case status_note_on:
      if (data2 == 0) note_off(data1);
      else note_on(data1, data2);
      break;
    case status_poly_pressure: client_.poly_pressure(data1, data2); break;
    case status_control_change:
      if (data1 == sustain_controller) set_sustain(data2 > 64);  // 64 is still "up"
      client_.control_change(data1, data2);
      break;
    case status_program_change: client_.program_change(data1); break;
    case status_channel_pressure: client_.channel_pressure(data1); break;
    case status_pitch_bend:
      client_.pitch_bend(static_cast<float>(data2 * 128 + data1) * bend_step - 1.f);
      break;
    default: break;
  }
}

void voice_allocator::set_sustain(bool down) {
  if (down == sustain_) return;
  sustain_ = down;
  if (down) return;
  // Replay the deferred note offs. Copy first: the list is ours to clear, and
  // with the pedal up the note offs never append to it.
  note_list pending = sustained_;
  sustained_.clear();
  for (int i = 0; i < pending.count; ++i) midi(midi_word(status_note_off, pending.notes[i], 0));
}

void voice_allocator::clear_notes() {
  sustain_ = false;
  stack_.clear();
  sustained_.clear();
}

void voice_allocator::all_notes_off() {
  clear_notes();
  client_.release_note(-1, 0);
}

void voice_allocator::all_sound_off() {
  clear_notes();
  client_.kill_voice(-1);
}

void voice_allocator::reset() {
  ages_.fill(0);
  note_slot_.fill(-1);
  held_.fill(0);
  last_slot_ = -1;
  all_sound_off();
}

void voice_allocator::configure(bool polyphonic, int slots, int priority) {
  slots = polyphonic ? std::clamp(slots, 1, max_slots) : 1;
  if (!polyphonic) priority_ = static_cast<mono_priority>(std::clamp(priority, 0, 3));
  if (slots != slots_ || polyphonic != polyphonic_) {
    stack_.clear();
    sustained_.clear();
    ages_.fill(0);
    note_slot_.fill(-1);
    last_slot_ = -1;
  }
  slots_ = slots;
  polyphonic_ = polyphonic;
}

void voice_allocator::add_age(int32_t frames) {
  if (frames <= 0) return;
  constexpr int32_t top = std::numeric_limits<int32_t>::max();
  for (int s = 0; s < slots_; ++s) ages_[s] = ages_[s] > top - frames ? top : ages_[s] + frames;
}

int voice_allocator::chosen_note() const {
  const auto first = stack_.notes.begin();
  const auto last = first + stack_.count;
  switch (priority_) {
    case mono_priority::lowest: return stack_.count ? *std::min_element(first, last) : 255;
    case mono_priority::highest: return stack_.count ? *std::max_element(first, last) : -1;
    case mono_priority::newest: return stack_.count ? stack_.notes[stack_.count - 1] : -1;
    case mono_priority::oldest: return stack_.count ? stack_.notes[0] : -1;
  }
  return -1;
}

void voice_allocator::note_on(int note, int velocity) {
  if (polyphonic_) poly_note_on(note, velocity);
  else mono_note_on(note, velocity);
}

void voice_allocator::note_off(int note) {
  if (polyphonic_) poly_note_off(note);
  else mono_note_off(note);
}

void voice_allocator::mono_note_on(int note, int velocity) {
  held_[note] = 1;
  if (stack_.contains(note)) {
    // Struck again while the pedal holds it: the key is down now, so lifting
    // the pedal must not release it.
    sustained_.remove(note);
    return;
  }
  const int prev = chosen_note();
  bool retrigger;
  if (sustain_) {
    const bool had_notes = stack_.count > 0 || sustained_.count > 0;
    for (int i = 0; i < sustained_.count; ++i) stack_.remove(sustained_.notes[i]);
    sustained_.clear();
    stack_.push(note);
    retrigger = mono_retrigger_ || (!had_notes && prev != chosen_note());
  } else {
    stack_.push(note);
    retrigger = stack_.count == 1 || (mono_retrigger_ && prev != chosen_note());
  }
  client_.start_note(0, chosen_note(), velocity, retrigger);
}

void voice_allocator::mono_note_off(int note) {
  held_[note] = 0;
  if (!stack_.contains(note)) return;
  const int prev = chosen_note();
  if (sustain_ && stack_.count <= 1) sustained_.push(note);  // last note rings on
  else stack_.remove(note);
  if (stack_.count == 0) {
    client_.release_note(0, 0);
    return;
  }
  const int next = chosen_note();
  client_.start_note(0, next, -1, mono_retrigger_ && prev != next);
}

void voice_allocator::poly_note_on(int note, int velocity) {
  held_[note] = 1;
  if (sustain_) sustained_.remove(note);
  take_slot(pick_slot(note), note, velocity);
}

int voice_allocator::pick_slot(int note) {
  if (note_slot_[note] >= 0) return note_slot_[note];  // re-strike
  for (int s = 0; s < slots_; ++s)
    if (!client_.is_active(s)) return s;
  return steal_slot();
}

// The released slot that has played longest; if every key is still down, the
// longest-playing slot of all. Strict comparison leaves ties to the lower index.
int voice_allocator::steal_slot() {
  int released = -1, any = 0;
  for (int s = 0; s < slots_; ++s) {
    if (ages_[s] > ages_[any]) any = s;
    if (!client_.is_gated(s) && (released < 0 || ages_[s] > ages_[released])) released = s;
  }
  return released >= 0 ? released : any;
}

void voice_allocator::take_slot(int slot, int note, int velocity) {
  ages_[slot] = 0;
  if (note_slot_[note] >= 0) {
    client_.release_note(note_slot_[note], 0);
    stack_.remove(note);
    note_slot_[note] = -1;
  }
  for (int n = 0; n < note_count; ++n) {
    if (note_slot_[n] != slot) continue;
    stack_.remove(n);
    note_slot_[n] = -1;
  }
  note_slot_[note] = static_cast<int8_t>(slot);
  stack_.push(note);
  if (!client_.is_active(slot)) client_.kill_voice(slot);
  client_.start_note(slot, note, velocity, true);
  last_slot_ = slot;
}

void voice_allocator::poly_note_off(int note) {
  held_[note] = 0;
  if (sustain_) {
    sustained_.push(note);  // the voice keeps sounding until the pedal lifts
    return;
  }
  const int slot = note_slot_[note];
  if (slot < 0) return;
  stack_.remove(note);
  client_.release_note(slot, 0);
  // With recycling the note keeps its slot, so striking it again re-strikes
  // the same (releasing) voice.
  if (!recycle_) note_slot_[note] = -1;
}

}  // namespace synth
