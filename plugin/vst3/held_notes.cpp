#include "plugin/vst3/held_notes.h"

namespace vst3_shell {

void held_notes::remove_at(int32_t i) {
  for (int32_t k = i + 1; k < count_; ++k) notes_[k - 1] = notes_[k];
  --count_;
}

void held_notes::start(int32_t id, int16_t channel, int16_t pitch, float start_semitones) {
  if (id == -1) return;
  for (int32_t i = count_ - 1; i >= 0; --i)
    if (notes_[i].id == id) remove_at(i);
  if (count_ == capacity) remove_at(0);
  notes_[count_++] = held_note{id, channel, pitch, start_semitones, 0.f};
}

void held_notes::end(int32_t id, int16_t channel, int16_t pitch) {
  for (int32_t i = count_ - 1; i >= 0; --i) {
    const held_note& n = notes_[i];
    if (id != -1 ? n.id == id : (n.channel == channel && n.pitch == pitch)) remove_at(i);
  }
}

held_note* held_notes::find(int32_t id) {
  if (id == -1) return nullptr;
  for (int32_t i = count_ - 1; i >= 0; --i)
    if (notes_[i].id == id) return &notes_[i];
  return nullptr;
}

}  // namespace vst3_shell
