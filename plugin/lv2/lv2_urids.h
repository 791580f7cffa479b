// The URIDs the plug-in needs, mapped once at instantiation.
#pragma once

#include <lv2/urid/urid.h>

namespace plugin::lv2 {

struct urids {
  LV2_URID atom_blank = 0;
  LV2_URID atom_object = 0;
  LV2_URID atom_chunk = 0;
  LV2_URID atom_float = 0;
  LV2_URID atom_double = 0;
  LV2_URID atom_int = 0;
  LV2_URID atom_long = 0;
  LV2_URID midi_event = 0;
  LV2_URID time_position = 0;
  LV2_URID time_bar = 0;
  LV2_URID time_bar_beat = 0;
  LV2_URID time_beat_unit = 0;
  LV2_URID time_beats_per_bar = 0;
  LV2_URID time_beats_per_minute = 0;
  LV2_URID time_speed = 0;
  LV2_URID state_key = 0;
  LV2_URID atom_sequence = 0;
  LV2_URID atom_event_transfer = 0;
  LV2_URID state_piece = 0;
  LV2_URID state_request = 0;
  LV2_URID state_ack = 0;
  LV2_URID state_loaded = 0;
  LV2_URID serial = 0;
  LV2_URID offset = 0;
  LV2_URID total = 0;
  LV2_URID bytes = 0;
  LV2_URID program = 0;
  LV2_URID atom_vector = 0;
  LV2_URID live = 0;
  LV2_URID readings = 0;

  void map_all(LV2_URID_Map* map);
};

}  // namespace plugin::lv2
