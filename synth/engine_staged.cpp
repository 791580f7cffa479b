// Static, staged and moving blocks in lanes. In such a block (a held note,
// an envelope's attack, decay or release, a tremolo, a filter sweep, an LFO
// or an envelope on the oscillators' pitch or width) the
// oscillators run a block at a time and what is left of a voice's time is
// its main filter: two or four fixed-point integrator runs per sample, each
// waiting on the last. Voices whose filters share a variant run them side by
// side instead (svf_lanes), as busy blocks do (engine_render.cpp): each
// voice's controls, oscillators and mixer first (voice::staged_lane_sources),
// then the filters of a batch together, the shapers, each one's output.
// Every voice keeps the arithmetic and order of its own samples; only the
// order in which the voices are added into the output changes.
#include <array>

#include "synth/engine.h"

namespace synth {

// The voices of `active` whose frames are marked -1 (static, staged or moving blocks
// with a main filter, reading no noise; begin_block done). A voice alone with its
// filter variant has nobody to share lanes with: it renders as before.
// frames[a] gets the frames each one sounded.
void synth::render_staged_lanes(const int16_t* active, int16_t* frames, int count, float* l, float* r, int n) {
  constexpr int variants = state_variable_filter::variant_count;
  std::array<int, variants> members{};
  for (int a = 0; a < count; ++a)
    if (frames[a] < 0) ++members[size_t(voices_[size_t(active[a])].filter_variant())];
  // The grouped voices in order of variant: next[v] is where the next voice
  // of variant v goes, end[v] where its places end (none for a lone voice).
  std::array<int, variants> next{}, end{};
  int grouped = 0;
  for (int v = 0; v < variants; ++v) {
    next[size_t(v)] = grouped;
    if (members[size_t(v)] >= 2) grouped += members[size_t(v)];
    end[size_t(v)] = grouped;
  }
  std::array<int16_t, max_voices> order;  // the first `grouped` are set below
  for (int a = 0; a < count; ++a) {
    if (frames[a] >= 0) continue;
    voice& v = voices_[size_t(active[a])];
    const size_t variant = size_t(v.filter_variant());
    if (next[variant] < end[variant]) {
      order[size_t(next[variant]++)] = int16_t(a);
      continue;
    }
    frames[a] = int16_t(v.render_alone(l, r, n));
  }

  constexpr int lanes = voice_context::lane_count;
  for (int start = 0; start < grouped; start += lanes) {
    const int batched = std::min(lanes, grouped - start);
    int batch[lanes];
    for (int k = 0; k < batched; ++k) {
      const int a = order[size_t(start + k)];
      batch[k] = a;
      frames[a] = int16_t(voices_[size_t(active[a])].staged_lane_sources(context_.lanes[size_t(k)], n));
    }
    run_lane_filters(active, batch, batched);
    run_lane_shapers(active, batch, batched);
    for (int k = 0; k < batched; ++k) voices_[size_t(active[batch[k]])].lanes_output(context_.lanes[size_t(k)], l, r);
  }
}

}  // namespace synth
