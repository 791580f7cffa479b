// Fuzz target: the AHX song description that vorn-ahx compiles. A text that
// compiles must give a module whose every number fits the field the writer
// lays it in, and that module must load and play as an AHX song.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/song_check.h"
#include "tools/ahx/module.h"
#include "tools/ahx/song_text.h"

namespace {

bool in(int v, int lo, int hi) { return v >= lo && v <= hi; }

void check_module(const ahx::module& m) {
  if (!in(m.version, 0, 1) || !in(m.multiplier, 1, 4) || !in(m.rows, 1, 64)) std::abort();
  if (m.positions.empty() || m.positions.size() > 999 || !in(m.restart, 0, int(m.positions.size()) - 1)) std::abort();
  if (m.subsongs.size() > 255 || m.tracks.empty() || m.tracks.size() > 256 || m.instruments.size() > 63) std::abort();
  for (int s : m.subsongs)
    if (!in(s, 0, int(m.positions.size()) - 1)) std::abort();
  for (const auto& p : m.positions)
    for (const ahx::track_ref& t : p)
      if (!in(t.track, 0, int(m.tracks.size()) - 1) || !in(t.transpose, -128, 127)) std::abort();
  for (const ahx::instrument& i : m.instruments) {
    for (int v : {i.volume, i.attack_volume, i.decay_volume, i.release_volume})
      if (!in(v, 0, 64)) std::abort();
    for (int v : {i.attack_ticks, i.decay_ticks, i.sustain_ticks, i.release_ticks, i.vibrato_delay, i.square_speed,
                  i.playlist_speed})
      if (!in(v, 0, 255)) std::abort();
    if (!in(i.wavelength, 0, 5) || !in(i.filter_speed, 0, 127) || !in(i.vibrato_speed, 0, 63) ||
        !in(i.vibrato_depth, 0, 15) || !in(i.hard_cut_ticks, 0, 7) || i.playlist.size() > 255)
      std::abort();
    for (int v : {i.filter_lower, i.filter_upper, i.square_lower, i.square_upper})
      if (!in(v, 0, 63)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ahx::module m;
  std::string error;
  if (!ahx::parse_song_text(std::string(reinterpret_cast<const char*>(data), size), m, error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  check_module(m);
  const std::vector<uint8_t> bytes = ahx::write_module(m);
  static const sequencer::load_context context = [] {
    sequencer::load_context c;
    synth::build_factory_init(c.init);
    return c;
  }();
  sequencer::song_load l;
  if (sequencer::parse_ahx(bytes.data(), bytes.size(), context, l) != sequencer::load_ok) std::abort();
  fuzz_support::check_song(l);
  return 0;
}
