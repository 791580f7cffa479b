// AHX track commands the replayer runs tick by tick, in its own units: the
// period slides (1xx up, 2xx down, 3xx tone portamento, 5xy portamento with
// a volume slide, E1x/E2x once), the note volume (Cxx up to 40, Axy per tick,
// EAx/EBx once), and the pitch and loudness of a channel from them.
#include <algorithm>

#include "sequencer/ahx_voice.h"
#include "sequencer/player.h"

namespace sequencer {

namespace {

constexpr int32_t ahx_note_offset = 23;  // track note 1 (C-1) is cell note 24
constexpr int32_t highest_index = 60;
constexpr int32_t full_note_volume = 64;

namespace ahx_cmd {
enum : int32_t {
  slide_up = 0x1, slide_down = 0x2, portamento = 0x3, portamento_volume = 0x5,
  volume_slide = 0xA, volume = 0xC, extended = 0xE,
};
}
namespace ahx_ext {
enum : int32_t { fine_up = 0x1, fine_down = 0x2, fine_volume_up = 0xA, fine_volume_down = 0xB };
}

}  // namespace

bool player::is_ahx_portamento(const cell& c) {
  return c.ahx_command == ahx_cmd::portamento || c.ahx_command == ahx_cmd::portamento_volume;
}

void player::set_note_volume(int32_t j, int32_t volume) {
  channel_state& ch = channels_[size_t(j)];
  ch.note_volume = std::clamp(volume, 0, full_note_volume);
  ch.l1 = float(ch.note_volume) / float(full_note_volume);
}

// A portamento's end: the row's note (not struck) as an offset from the
// track note's period, both as written; a note already reached gives none.
void player::portamento_target(int32_t j, const cell& c) {
  channel_state& ch = channels_[size_t(j)];
  if (c.note < 0) return;
  const int32_t diff = ahx_voice::period_of(ch.track_note) - ahx_voice::period_of(c.note - ahx_note_offset);
  if (diff + ch.period_slide != 0) ch.slide_limit = -diff;
}

bool player::ahx_row_action(int32_t j, const cell& c) {
  channel_state& ch = channels_[size_t(j)];
  const int32_t v = c.ahx_parameter;
  switch (c.ahx_command) {
    case ahx_cmd::slide_up:
    case ahx_cmd::slide_down:
      ch.slide_speed = c.ahx_command == ahx_cmd::slide_up ? -v : v;  // a falling period rises in pitch
      ch.slide_on = true;
      ch.slide_to_limit = false;
      return true;
    case ahx_cmd::portamento:
    case ahx_cmd::portamento_volume:
      if (c.ahx_command == ahx_cmd::portamento && v != 0) ch.slide_speed = v;
      portamento_target(j, c);
      ch.slide_on = true;
      ch.slide_to_limit = true;
      if (c.ahx_command == ahx_cmd::portamento_volume) {
        ch.volume_up = v >> 4;
        ch.volume_down = v & 15;
      }
      return true;
    case ahx_cmd::volume_slide:
      ch.volume_up = v >> 4;
      ch.volume_down = v & 15;
      return true;
    case ahx_cmd::volume:
      if (v > full_note_volume) return false;  // 50..90, A0..E0: the channel volumes
      set_note_volume(j, v);
      return true;
    case ahx_cmd::extended:
      switch (v >> 4) {
        case ahx_ext::fine_up: ch.period_slide -= v & 15; return true;
        case ahx_ext::fine_down: ch.period_slide += v & 15; return true;
        case ahx_ext::fine_volume_up: set_note_volume(j, ch.note_volume + (v & 15)); return true;
        case ahx_ext::fine_volume_down: set_note_volume(j, ch.note_volume - (v & 15)); return true;
        default: return false;
      }
    default:
      return false;
  }
}

// Once per tick, the row's first tick included.
void player::ahx_effects_tick(int32_t j) {
  channel_state& ch = channels_[size_t(j)];
  if (ch.volume_up != 0 || ch.volume_down != 0) set_note_volume(j, ch.note_volume + ch.volume_up - ch.volume_down);
  if (!ch.slide_on) return;
  if (!ch.slide_to_limit) {
    ch.period_slide += ch.slide_speed;
    return;
  }
  // Towards the limit by the speed, landing on it rather than passing it.
  const int32_t distance = ch.period_slide - ch.slide_limit;
  if (distance == 0) return;
  const int32_t step = distance > 0 ? -ch.slide_speed : ch.slide_speed;
  ch.period_slide = ((distance + step) ^ distance) >= 0 ? ch.period_slide + step : ch.slide_limit;
}

// The note (fractional) an AHX channel sounds at the nominal wavelength: the
// period of its track note, transpose and playlist note (or the playlist's
// fixed note) plus the track's slides.
double player::ahx_pitch(int32_t j) const {
  const channel_state& ch = channels_[size_t(j)];
  const bool fixed = ch.fixed_note >= 0;
  const int32_t index = fixed ? ch.fixed_note - ahx_note_offset : ch.track_note + ch.track_transpose + ch.playlist_note;
  const int32_t period = ahx_voice::period_of(std::min(index, highest_index)) + (fixed ? 0 : ch.period_slide);
  return ahx_voice::note_of_period(period);
}

// The gain that puts a channel at the replayer's loudness: its share of the
// replayer's full scale over what the voice path gives a full-scale voice,
// divided by the pan law's sum at the channel's place.
float player::ahx_channel_gain(int32_t j) const {
  return float(ahx_voice::channel_full_scale / ahx_voice::voice_full_scale) /
         ahx_voice::pan_law_sum(channels_[size_t(j)].pan);
}

}  // namespace sequencer
