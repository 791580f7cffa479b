// The inside of a plugin::instance: the engine, the song and its player,
// the state buffers and the event queue. Built by instance::create in one
// block aligned to 64 KiB whose size is a power of two.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/relaxed.h"
#include "plugin/bank_link.h"
#include "plugin/event_queue.h"
#include "plugin/instance.h"
#include "plugin/shell_link.h"
#include "sequencer/player.h"
#include "sequencer/song.h"
#include "synth/engine.h"

namespace plugin {

struct instance::parts {
  explicit parts(instance* owner) : link(owner), presets(owner) {}

  synth::synth engine;
  shell_link link;
  bank_link presets;
  sequencer::song song;
  sequencer::player player{engine, song};
  std::string sequence_path;  // the file the loaded song came from
  std::vector<uint8_t> state_bytes;
  std::vector<uint8_t> program_bytes;
  platform::relaxed<int32_t> reset_pending{0};
  bool active = false;
  event_queue events;  // filled by the shell, taken by the next process call
  editor_object* editor = nullptr;
};

static_assert(instance::event_capacity == event_queue::capacity);

}  // namespace plugin
