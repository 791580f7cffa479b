#include "plugin/lv2/lv2_urids.h"

#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>

#include "plugin/lv2/uris.h"

namespace plugin::lv2 {

void urids::map_all(LV2_URID_Map* map) {
  auto m = [map](const char* uri) { return map->map(map->handle, uri); };
  atom_blank = m(LV2_ATOM__Blank);
  atom_object = m(LV2_ATOM__Object);
  atom_chunk = m(LV2_ATOM__Chunk);
  atom_float = m(LV2_ATOM__Float);
  atom_double = m(LV2_ATOM__Double);
  atom_int = m(LV2_ATOM__Int);
  atom_long = m(LV2_ATOM__Long);
  midi_event = m(LV2_MIDI__MidiEvent);
  time_position = m(LV2_TIME__Position);
  time_bar = m(LV2_TIME__bar);
  time_bar_beat = m(LV2_TIME__barBeat);
  time_beat_unit = m(LV2_TIME__beatUnit);
  time_beats_per_bar = m(LV2_TIME__beatsPerBar);
  time_beats_per_minute = m(LV2_TIME__beatsPerMinute);
  time_speed = m(LV2_TIME__speed);
  state_key = m(state_key_uri);
  atom_sequence = m(LV2_ATOM__Sequence);
  atom_event_transfer = m(LV2_ATOM__eventTransfer);
  state_piece = m(state_piece_uri);
  state_request = m(state_request_uri);
  state_ack = m(state_ack_uri);
  state_loaded = m(state_loaded_uri);
  serial = m(serial_uri);
  offset = m(offset_uri);
  total = m(total_uri);
  bytes = m(bytes_uri);
  program = m(program_uri);
  atom_vector = m(LV2_ATOM__Vector);
  live = m(live_uri);
  readings = m(readings_uri);
}

}  // namespace plugin::lv2
