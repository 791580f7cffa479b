// Record layout (byte offsets):
//   0..26  name, zero-padded
//   27     level b: Volume = (1 + 20 log10(b / 255) / 48) * 0.75, 0 below -48 dB
//   28     bits 0..2: oscillator "Range" (0..4; 5..7 keep the preset's)
//   29     waveform w (high nibble), flags (low nibble)
//   30     waveform parameter c
//   31..34 Env A attack, decay, sustain, release (x / 255)
//   35     filter mode (0..8; above keeps the preset's)
//   36, 37 filter frequency and resonance (x / 255)
//   38     filter Env B depth ((x - 128) / 127)
//   39..42 Env B attack, decay, sustain, release (x / 255)
//   43     panning ((x - 128) / 127)
// Flags: bit 0 the amplifier follows the gate instead of Env A; bit 1 adds
// noise; bit 2 glides (log, time 0.3); bit 3 vibrato (Mod A sine at about
// 5 Hz, a quarter semitone deep).
#include "sequencer/kvx2_instrument.h"

#include <algorithm>
#include <cmath>

#include "files/preset_chunk.h"
#include "synth/param_table.h"

namespace sequencer {

namespace {

namespace p = synth::p;

constexpr size_t name_size = 27;
constexpr double level_floor_db = -48.0;

float unit(uint8_t x) { return float(x) / 255.f; }
float signed_unit(uint8_t x) { return std::clamp((float(x) - 128.f) / 127.f, -1.f, 1.f); }

float level_volume(uint8_t b) {
  if (b == 0) return 0.f;
  const double db = 20.0 * std::log10(double(b) / 255.0);
  return db < level_floor_db ? 0.f : float((1.0 + db / 48.0) * 0.75);
}

void set_waveform(int32_t w, uint8_t c, int32_t pcm_count, synth::preset& pr) {
  switch (w) {
    case 0:
      pr.set(p::osc_a_waveform, 1.f);
      pr.set(p::osc_a_width, float(c) / 128.f - 1.f);
      break;
    case 1: pr.set(p::osc_a_waveform, 2.f); break;
    case 2: pr.set(p::osc_a_waveform, 3.f); break;
    case 3:
      pr.set(p::osc_a_waveform, 3.f);
      pr.set(p::osc_a_width, 1.f);
      break;
    case 4:
      pr.set(p::osc_a_waveform, 2.f);
      pr.set(p::osc_b_waveform, 2.f);
      pr.set(p::osc_b_coarse, 12.f);
      pr.set(p::osc_sync, 1.f);
      break;
    case 5:
      pr.set(p::osc_a_waveform, 0.f);
      pr.set(p::osc_a_level, 0.f);
      pr.set(p::noise_level, 0.75f);
      break;
    case 6: pr.set(p::osc_a_waveform, 4.f); break;
    case 7:
      pr.set(p::osc_a_waveform, 2.f);
      pr.set(p::osc_b_waveform, 2.f);
      pr.set(p::osc_sync, 1.f);
      pr.set(p::osc_b_coarse, std::round(float(c) * 36.f / 255.f));  // the synced pitch above A
      break;
    default:  // 8 the last PCM wave, 9 the one before, ...
      pr.set(p::osc_a_waveform, float(std::max(0, pcm_count - w + 13)));
      break;
  }
}

}  // namespace

void convert_kvx2_instrument(byte_span bytes, size_t at, const std::string& category, int32_t pcm_count,
                             synth::preset& pr) {
  const char* name = reinterpret_cast<const char*>(bytes.data + at);
  pr.name = files::stored_name(std::string(name, bytes.text_length(at, name_size)));
  pr.category = files::stored_name(category);
  auto b = [&](size_t offset) { return bytes.u8(at + offset); };
  pr.set(p::volume, level_volume(b(27)));
  if ((b(28) & 7) <= 4) pr.set(p::osc_range, float(b(28) & 7));
  set_waveform(b(29) >> 4, b(30), pcm_count, pr);
  const uint8_t flags = b(29) & 15;
  pr.set(p::env_a_attack, unit(b(31)));
  pr.set(p::env_a_decay, unit(b(32)));
  pr.set(p::env_a_sustain, unit(b(33)));
  pr.set(p::env_a_release, unit(b(34)));
  if (b(35) <= 8) pr.set(p::filter_mode, float(b(35)));
  pr.set(p::filter_frequency, unit(b(36)));
  pr.set(p::filter_resonance, unit(b(37)));
  pr.set(p::filter_env_b, signed_unit(b(38)));
  pr.set(p::env_b_attack, unit(b(39)));
  pr.set(p::env_b_decay, unit(b(40)));
  pr.set(p::env_b_sustain, unit(b(41)));
  pr.set(p::env_b_release, unit(b(42)));
  pr.set(p::panning, signed_unit(b(43)));
  pr.set(p::volume_env, flags & 1 ? 0.f : 1.f);
  if (flags & 2) pr.set(p::noise_level, 0.25f);
  if (flags & 4) {
    pr.set(p::glide_mode, 1.f);
    pr.set(p::glide_time, 0.3f);
  }
  if (flags & 8) {
    pr.set(p::mod_a_shape, 2.f);
    pr.set(p::mod_a_range, 0.f);
    pr.set(p::mod_a_rate, 0.395f);  // 0.395^2 * 32 Hz: about 5 Hz
    pr.set(p::pitch_mod_a, 0.25f / 48.f);  // the pitch depth spans +-48 semitones
  }
  synth::limit_values(pr);
}

}  // namespace sequencer
