// MIDI bytes from a port (a JACK event, a decoded ALSA sequencer event) made
// into what the instance queues: one checked message at a frame of the block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/standalone/midi_fifo.h"

namespace standalone {

struct queued_midi {
  int32_t frame = 0;  // 0..frames-1 within the block
  midi_message message;
};

// The length of the message a status byte starts (1..3), or 0 for bytes that
// start none the instance takes (data bytes, system exclusive and its end,
// undefined statuses, active sensing).
int32_t midi_message_length(uint8_t status);

// One event of `size` bytes at frame `time` of a block of `frames`: true with
// `out` set when it holds a whole message (bytes past it are ignored). Times
// at or past the block's end land on its last frame.
bool translate_midi(const uint8_t* bytes, size_t size, uint32_t time, int32_t frames, queued_midi& out);

// The panic button: All Sound Off and All Notes Off on all 16 channels.
constexpr int32_t panic_message_count = 32;
void panic_messages(midi_message (&out)[panic_message_count]);

}  // namespace standalone
