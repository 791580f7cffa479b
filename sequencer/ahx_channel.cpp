// AHX channels, once per replayer tick: the hard cut, the instrument's
// playlist, the linear envelope and the pulse and filter sweeps, as the
// replayer runs them; the voice follows through preset values (ahx_voice.h)
// and the channel's amplitude and pitch.
#include <algorithm>

#include "sequencer/ahx_preset.h"
#include "sequencer/ahx_voice.h"
#include "sequencer/player.h"
#include "synth/param_table.h"

namespace sequencer {

namespace {

namespace p = synth::p;

constexpr int32_t ahx_note_offset = 23;   // playlist note 1 (C-1) is note 24
constexpr double envelope_ramp_s = 0.002;  // a tick's volume step is ramped over 2 ms, not clicked
constexpr float full_volume = 64.f;
constexpr int32_t square_waveform = 3;
constexpr int32_t fast_filter_speed = 3;  // below: several filter steps per tick (HivelyTracker's rule)

namespace fx {
enum : int32_t { filter = 0, slide_up = 1, slide_down = 2, pulse = 3, modulation = 4, jump = 5, volume = 6, speed = 7 };
}

void begin_stage(ahx_envelope& e, const ahx_instrument& in, int32_t stage) {
  for (e.stage = stage; e.stage < ahx_envelope::done; ++e.stage) {
    int32_t ticks = 0, target = 0;
    switch (e.stage) {
      case ahx_envelope::attack: ticks = in.attack_ticks; target = in.attack_volume; break;
      case ahx_envelope::decay: ticks = in.decay_ticks; target = in.decay_volume; break;
      case ahx_envelope::sustain: ticks = in.sustain_ticks; target = int32_t(e.level); break;
      default: ticks = in.release_ticks; target = in.release_volume; break;
    }
    if (ticks > 0) {
      e.ticks_left = ticks;
      e.delta = e.stage == ahx_envelope::sustain ? 0.0 : (target - e.level) / ticks;
      return;
    }
    if (e.stage != ahx_envelope::sustain) e.level = target;  // a stage of no length lands at once
  }
}

// One sweep step as the replayer moves the pulse and filter positions:
// from outside the limits it slides in first, then it turns at each limit.
void sweep_step(ahx_sweep& s, int32_t lower, int32_t upper) {
  if (s.starting) {
    s.starting = false;
    if (s.position <= lower) {
      s.sliding_in = true;
      s.sign = 1;
    } else if (s.position >= upper) {
      s.sliding_in = true;
      s.sign = -1;
    }
  }
  if (s.position == lower || s.position == upper) {
    if (s.sliding_in) s.sliding_in = false;
    else s.sign = -s.sign;
  }
  s.position += s.sign;
}

void toggle(ahx_sweep& s, int32_t nibble) {
  s.on = !s.on;
  s.starting = s.on;
  s.sign = nibble == 15 ? -1 : 1;  // F starts downwards
}

}  // namespace

void player::ahx_trigger(int32_t j) {
  channel_state& ch = channels_[size_t(j)];
  const ahx_instrument& in = *ch.instrument;
  const ahx_start start = ahx_start_of(in, song_.version);
  ch.playlist_position = 0;
  ch.playlist_wait = 0;
  ch.playlist_speed = in.playlist_speed;
  ch.playlist_pitch = 0.f;
  ch.playlist_note = 0;
  ch.fixed_note = -1;
  ch.waveform = start.waveform;
  ch.octave_offset = ahx_voice::octave_offset(in.wavelength);
  ch.envelope = ahx_envelope{};
  ch.envelope.level = 0.0;
  begin_stage(ch.envelope, in, ahx_envelope::attack);
  ch.square = ahx_sweep{};
  ch.square.position = start.square_position / ahx_voice::square_step(in.wavelength);
  ch.filter = ahx_sweep{};
  ch.skip_square_command = false;
  ch.period_slide = ch.slide_speed = ch.slide_limit = 0;
  ch.slide_on = ch.slide_to_limit = false;
  set_note_volume(j, in.volume);
  // The player is the amplifier's envelope and runs the pulse sweep itself;
  // the note volume is its own L1, the voice stays at 0 dB.
  engine_.sequence_param(j, p::volume, ahx_voice::unity_volume);
  engine_.sequence_param(j, p::volume_env, 0.f);
  engine_.sequence_param(j, p::width_mod_b, 0.f);
  apply_filter(j);
}

void player::ahx_tick(int32_t j) {
  channel_state& ch = channels_[size_t(j)];
  if (ch.hard_cut >= 0 && ch.hard_cut-- == 0) {
    if (ch.instrument->hard_cut_release) {
      start_release(j, ch.instrument->hard_cut_ticks);
    } else {
      ch.envelope.stage = ahx_envelope::done;
      ch.envelope.level = 0.0;
    }
  }
  ahx_effects_tick(j);
  playlist_step(j);
  envelope_tick(j);
  square_tick(j);
  filter_tick(j);
  const double ramp = std::max(1.0, std::min(tick_length(), engine_.sample_rate() * envelope_ramp_s));
  ch.envelope_ramp_left = int32_t(ramp);
  ch.envelope_step = float((ch.envelope.level / full_volume - ch.envelope_gain) / double(ch.envelope_ramp_left));
}

void player::ramp_envelope(int32_t j) {
  channel_state& ch = channels_[size_t(j)];
  if (--ch.envelope_ramp_left <= 0) ch.envelope_gain = float(ch.envelope.level / full_volume);
  else ch.envelope_gain += ch.envelope_step;
}

void player::playlist_step(int32_t j) {
  channel_state& ch = channels_[size_t(j)];
  const ahx_instrument& in = *ch.instrument;
  if (ch.playlist_position < int32_t(in.playlist.size()) && ch.playlist_wait < 1) {
    const playlist_entry& e = in.playlist[size_t(ch.playlist_position++)];
    ch.playlist_wait = ch.playlist_speed;
    if (e.waveform != 0) {
      ch.waveform = e.waveform;
      ch.playlist_pitch = 0.f;  // a new waveform ends the playlist's slides
      const ahx_voice::param_list setup = ahx_voice::waveform_setup(e.waveform, in.wavelength);
      for (int i = 0; i < setup.count; ++i) engine_.sequence_param(j, setup.values[i].index, setup.values[i].value);
      apply_square(j);
    }
    if (e.note != 0) {
      ch.fixed_note = e.fixed ? e.note + ahx_note_offset : -1;
      ch.playlist_note = e.fixed ? 0 : e.note - 1;
    }
    for (int k = 0; k < 2; ++k) playlist_effect(j, e.fx[k], e.fx_param[k]);
    apply_shape(j);
  }
  --ch.playlist_wait;
}

void player::playlist_effect(int32_t j, int32_t effect, int32_t v) {
  channel_state& ch = channels_[size_t(j)];
  const ahx_instrument& in = *ch.instrument;
  switch (effect) {
    case fx::filter:
      if (song_.version >= 1 && v != 0) {
        ch.filter.position = v;
        apply_filter(j);
      }
      break;
    case fx::slide_up: ch.playlist_pitch += float(v) / 15.f; break;
    case fx::slide_down: ch.playlist_pitch -= float(v) / 15.f; break;
    case fx::pulse:
      if (ch.skip_square_command) {
        ch.skip_square_command = false;
      } else {
        ch.square.position = v / ahx_voice::square_step(in.wavelength);
        apply_square(j);
      }
      break;
    case fx::modulation:
      if (song_.version == 0 || v == 0) {
        toggle(ch.square, 0);
      } else {
        if (v & 15) toggle(ch.square, v & 15);
        if (v >> 4) toggle(ch.filter, v >> 4);
      }
      break;
    case fx::jump: ch.playlist_position = v; break;
    case fx::volume:
      if (v <= 64) set_note_volume(j, v);
      else if (v >= 80 && v <= 144) ch.l3 = float(v - 80) / 63.f;
      else if (v >= 160 && v <= 224) ch.l2 = float((v - 160) * 4) / 255.f;
      break;
    case fx::speed: ch.playlist_speed = ch.playlist_wait = v; break;
    default: break;
  }
}

void player::envelope_tick(int32_t j) {
  channel_state& ch = channels_[size_t(j)];
  ahx_envelope& e = ch.envelope;
  if (e.stage >= ahx_envelope::done) return;
  e.level = std::clamp(e.level + e.delta, 0.0, double(full_volume));
  if (--e.ticks_left > 0) return;
  const ahx_instrument& in = *ch.instrument;
  if (e.stage == ahx_envelope::attack) e.level = in.attack_volume;
  else if (e.stage == ahx_envelope::decay) e.level = in.decay_volume;
  else if (e.stage == ahx_envelope::release) e.level = in.release_volume;
  begin_stage(e, in, e.stage + 1);
}

void player::start_release(int32_t j, int32_t ticks) {
  channel_state& ch = channels_[size_t(j)];
  ahx_envelope& e = ch.envelope;
  e.stage = ahx_envelope::release;
  e.ticks_left = std::max(ticks, 1);
  e.delta = (ch.instrument->release_volume - e.level) / e.ticks_left;
}

void player::square_tick(int32_t j) {
  channel_state& ch = channels_[size_t(j)];
  if (!ch.square.on || --ch.square.wait > 0) return;
  const ahx_instrument& in = *ch.instrument;
  const int32_t step = ahx_voice::square_step(in.wavelength);
  // Limits coarsened to the wave's steps; a limit below one step would be a
  // turning point the (clamped) position never reaches, and the sweep would
  // stick at its narrowest pulse.
  const int32_t top = 63 / step;
  sweep_step(ch.square, std::clamp(in.square_lower / step, 1, top), std::clamp(in.square_upper / step, 1, top));
  ch.square.position = std::clamp(ch.square.position, 1, top);
  ch.square.wait = in.square_speed;
  apply_square(j);
}

void player::filter_tick(int32_t j) {
  channel_state& ch = channels_[size_t(j)];
  if (!ch.filter.on || song_.version < 1 || --ch.filter.wait > 0) return;
  const ahx_instrument& in = *ch.instrument;
  const int32_t steps = in.filter_speed < fast_filter_speed ? 5 - in.filter_speed : 1;
  for (int32_t i = 0; i < steps; ++i) sweep_step(ch.filter, in.filter_lower, in.filter_upper);
  ch.filter.position = std::clamp(ch.filter.position, 1, 63);
  ch.filter.wait = std::max(in.filter_speed - fast_filter_speed, 1);
  apply_filter(j);
}

void player::apply_square(int32_t j) {
  const channel_state& ch = channels_[size_t(j)];
  if (ch.waveform != square_waveform || !ch.instrument) return;
  const int32_t step = ahx_voice::square_step(ch.instrument->wavelength);
  engine_.sequence_param(j, p::osc_a_width, ahx_voice::square_width(ch.square.position * step, ch.instrument->wavelength));
}

void player::apply_filter(int32_t j) {
  const channel_state& ch = channels_[size_t(j)];
  if (!ch.instrument) return;
  const ahx_voice::filter_setting f = ahx_voice::filter_of(ch.filter.position, ch.instrument->wavelength);
  engine_.sequence_param(j, p::filter_mode, float(f.mode));
  if (f.mode > 0) engine_.sequence_param(j, p::filter_frequency, f.frequency);
}

}  // namespace sequencer
