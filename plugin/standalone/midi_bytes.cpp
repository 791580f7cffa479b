#include "plugin/standalone/midi_bytes.h"

namespace standalone {

namespace {

constexpr uint8_t cc_all_sound_off = 120, cc_all_notes_off = 123;

}  // namespace

int32_t midi_message_length(uint8_t status) {
  if (status < 0x80) return 0;
  if (status < 0xF0) {
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
  }
  switch (status) {
    case 0xF1: case 0xF3: return 2;  // time code quarter frame, song select
    case 0xF2: return 3;             // song position
    case 0xF6: return 1;             // tune request
    case 0xF8: case 0xFA: case 0xFB: case 0xFC: case 0xFF: return 1;  // real time
    default: return 0;               // F0 / F7 (exclusive), undefined, active sensing
  }
}

bool translate_midi(const uint8_t* bytes, size_t size, uint32_t time, int32_t frames, queued_midi& out) {
  if (!bytes || size == 0 || frames <= 0) return false;
  const int32_t length = midi_message_length(bytes[0]);
  if (length == 0 || size < size_t(length)) return false;
  for (int32_t i = 1; i < length; ++i) {
    if (bytes[i] & 0x80) return false;  // a status where data belongs: a broken message
  }
  out.frame = time < uint32_t(frames) ? int32_t(time) : frames - 1;
  out.message = midi_message{};
  for (int32_t i = 0; i < length; ++i) out.message.bytes[i] = bytes[i];
  out.message.size = uint8_t(length);
  return true;
}

void panic_messages(midi_message (&out)[panic_message_count]) {
  for (int32_t ch = 0; ch < 16; ++ch) {
    for (int32_t k = 0; k < 2; ++k) {
      midi_message& m = out[ch * 2 + k];
      m.bytes[0] = uint8_t(0xB0 | ch);
      m.bytes[1] = k == 0 ? cc_all_sound_off : cc_all_notes_off;
      m.bytes[2] = 0;
      m.size = 3;
    }
  }
}

}  // namespace standalone
