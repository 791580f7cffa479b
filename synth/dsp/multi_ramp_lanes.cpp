// The SSE2 kernel: four ramps to a register, the phases and compensation
// terms of a chunk held in registers from the first sample to the last.
// Where the CPU has AVX2 the eight-lane kernel runs instead; both do the same
// operations in the same order on every ramp.
#include "synth/dsp/multi_ramp_lanes.h"

#if defined(__SSE2__)

#include <emmintrin.h>
#include <xmmintrin.h>

#include "synth/dsp/sse2_ops.h"
#include "synth/dsp/svf_lanes.h"

namespace synth::multi_ramp_lanes {

namespace {

constexpr int32_t lanes = 4;

uint32_t live_bits(int32_t count) { return count >= 32 ? ~0u : (1u << count) - 1u; }

// v, as a value the compiler cannot see into (no code: an empty asm that
// claims to change the register).
__m128 opaque(__m128 v) {
#if defined(__GNUC__)
  __asm__("" : "+x"(v));
#endif
  return v;
}

// Lanes of the ramps below `count` in group g, all ones; the rest zero.
__m128 live_mask(int32_t count, int32_t g) {
  const int32_t left = count - g * lanes;
  return _mm_castsi128_ps(_mm_set_epi32(left > 3 ? -1 : 0, left > 2 ? -1 : 0, left > 1 ? -1 : 0, left > 0 ? -1 : 0));
}

// The ramps of one oscillator, G groups of four, their phases and
// compensation terms held in registers over the chunk: every ramp's phase,
// wrap and value at each sample, then four samples' values turned into
// columns and added in ramp order, as the per-sample loop adds them from 0.
// A dead lane steps by 0 from phase one half, so its value is +0 at every
// sample and adding it leaves the sum as it is (a sum that starts from +0 is
// never -0); it is never stored back nor reported.
// Rising: every live ramp's step is above 0 at every sample of the chunk,
// so a ramp can only pass level 1 and the falling test drops out.
// Steady: the increment is the same at every sample of the chunk, and so
// are each ramp's step d and its mean correction d * mean, made once.
template <int32_t G, bool Rising, bool Steady = false>
struct ramp_set {
  __m128 q[G], lost[G], ratio[G];
  __m128 fixed_d[G], fixed_dm[G];  // Steady: d and d * mean
  __m128 mean, two;
  uint32_t live;

  explicit ramp_set(const chunk_io& io)
      : mean(_mm_set1_ps(io.mean_correction)), two(opaque(_mm_set1_ps(2.f))), live(live_bits(io.count)) {
    const __m128 half = _mm_set1_ps(0.5f);
    for (int32_t g = 0; g < G; ++g) {
      const __m128 on = live_mask(io.count, g);
      ratio[g] = _mm_and_ps(_mm_loadu_ps(io.ratio + g * lanes), on);
      q[g] = sse2::select_ps(on, _mm_loadu_ps(io.phase + g * lanes), half);
      lost[g] = _mm_and_ps(_mm_loadu_ps(io.lost + g * lanes), on);
    }
    if constexpr (Steady) {
      for (int32_t g = 0; g < G; ++g) {
        fixed_d[g] = _mm_mul_ps(ratio[g], _mm_set1_ps(io.increment[0]));
        fixed_dm[g] = _mm_mul_ps(fixed_d[g], mean);
      }
    }
  }

  // (2 q - 1) - dm, dm = d * mean correction. 2 q is exact, as q + q or q * 2: as
  // the product it takes the multiplier, which has room, and leaves the
  // adder, the kernel's bottleneck. `two` is opaque to the compiler, which
  // would otherwise turn the product back into a sum.
  __m128 value(__m128 q, __m128 dm) const {
    return _mm_sub_ps(_mm_sub_ps(_mm_mul_ps(q, two), _mm_set1_ps(1.f)), dm);
  }

  // Sample i: every ramp's phase, wrap and value (into row).
  void step(const chunk_io& io, int32_t i, float* row) {
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.f);
    const __m128 inc = Steady ? _mm_setzero_ps() : _mm_set1_ps(io.increment[i]);
    uint32_t wrapped = 0;
    for (int32_t g = 0; g < G; ++g) {
      // add_increment, then the wrap: up passed level 1, down level 0.
      const __m128 d = Steady ? fixed_d[g] : _mm_mul_ps(ratio[g], inc);
      const __m128 y = _mm_sub_ps(d, lost[g]);
      const __m128 sum = _mm_add_ps(q[g], y);
      lost[g] = _mm_sub_ps(_mm_sub_ps(sum, q[g]), y);
      const __m128 below = _mm_sub_ps(sum, one);
      __m128 p, crossed;
      if constexpr (Rising) {
        crossed = _mm_cmpge_ps(sum, one);
        p = sse2::select_ps(crossed, below, sum);
        _mm_storeu_ps(io.past[i] + g * lanes, p);
      } else {
        const __m128 up = _mm_and_ps(_mm_cmpgt_ps(d, zero), _mm_cmpge_ps(sum, one));
        const __m128 down = _mm_and_ps(_mm_cmplt_ps(d, zero), _mm_cmplt_ps(sum, zero));
        _mm_storeu_ps(io.past[i] + g * lanes, sse2::select_ps(up, below, sum));
        p = sse2::select_ps(up, below, sse2::select_ps(down, _mm_add_ps(sum, one), sum));
        crossed = _mm_or_ps(up, down);
      }
      q[g] = p;
      _mm_store_ps(row + g * lanes, value(p, Steady ? fixed_dm[g] : _mm_mul_ps(d, mean)));
      wrapped |= uint32_t(_mm_movemask_ps(crossed)) << (g * lanes);
    }
    io.wraps[i] = wrapped & live;
  }

  // The four samples from `at`, `filled` of them rendered, into the sums.
  void add_columns(const chunk_io& io, float (*values)[max_ramps], int32_t at, int32_t filled) const {
    // The samples that round the last column up to four: silence.
    for (int32_t s = filled; s < lanes; ++s)
      for (int32_t k = 0; k < G * lanes; ++k) values[s][k] = 0.f;
    __m128 v = _mm_setzero_ps();
    for (int32_t g = 0; g < G; ++g) {
      __m128 r0 = _mm_load_ps(values[0] + g * lanes), r1 = _mm_load_ps(values[1] + g * lanes);
      __m128 r2 = _mm_load_ps(values[2] + g * lanes), r3 = _mm_load_ps(values[3] + g * lanes);
      _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
      v = _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_add_ps(v, r0), r1), r2), r3);
    }
    _mm_storeu_ps(io.sums + at, v);
  }

  void store(const chunk_io& io) const {
    alignas(16) float phase[G * lanes], rest[G * lanes];
    for (int32_t g = 0; g < G; ++g) {
      _mm_store_ps(phase + g * lanes, q[g]);
      _mm_store_ps(rest + g * lanes, lost[g]);
    }
    for (int32_t k = 0; k < io.count; ++k) {
      io.phase[k] = phase[k];
      io.lost[k] = rest[k];
    }
  }
};

// One oscillator's chunk, four samples at a time.
template <int32_t G, bool Rising>
void ramps(const chunk_io& io) {
  ramp_set<G, Rising> a(io);
  alignas(16) float values[lanes][max_ramps];  // [sample of the four][ramp]
  for (int32_t at = 0; at < io.n; at += lanes) {
    const int32_t end = at + lanes < io.n ? at + lanes : io.n;
    for (int32_t i = at; i < end; ++i) a.step(io, i, values[i - at]);
    a.add_columns(io, values, at, end - at);
  }
  a.store(io);
}

// Two steady, rising oscillators' chunks in one pass, sample by sample
// the one then the other, so that each one's chains of dependent additions
// run in the shadow of the other's; each gets its own kernel's numbers.
template <int32_t GA, int32_t GB>
void ramp_pair(const chunk_io& io_a, const chunk_io& io_b) {
  ramp_set<GA, true, true> a(io_a);
  ramp_set<GB, true, true> b(io_b);
  alignas(16) float values_a[lanes][max_ramps], values_b[lanes][max_ramps];
  for (int32_t at = 0; at < io_a.n; at += lanes) {
    const int32_t end = at + lanes < io_a.n ? at + lanes : io_a.n;
    for (int32_t i = at; i < end; ++i) {
      a.step(io_a, i, values_a[i - at]);
      b.step(io_b, i, values_b[i - at]);
    }
    a.add_columns(io_a, values_a, at, end - at);
    b.add_columns(io_b, values_b, at, end - at);
  }
  a.store(io_a);
  b.store(io_b);
}

int32_t groups_of(const chunk_io& io) { return (io.count + lanes - 1) / lanes; }

template <int32_t GA>
void pair_with(const chunk_io& a, const chunk_io& b) {
  switch (groups_of(b)) {
    case 1: return ramp_pair<GA, 1>(a, b);
    case 2: return ramp_pair<GA, 2>(a, b);
    case 3: return ramp_pair<GA, 3>(a, b);
    default: return ramp_pair<GA, 4>(a, b);
  }
}

template <bool Rising>
void run_groups(const chunk_io& io) {
  switch ((io.count + lanes - 1) / lanes) {
    case 1: return ramps<1, Rising>(io);
    case 2: return ramps<2, Rising>(io);
    case 3: return ramps<3, Rising>(io);
    default: return ramps<4, Rising>(io);
  }
}

}  // namespace

bool rising(const chunk_io& io) {
  // Both factors at least 2^-60 (so not NaN either): every product is at
  // least 2^-120, above 0. Smaller steps take the general kernel.
  const __m128 low = _mm_set1_ps(0x1p-60f);
  __m128 ok = _mm_castsi128_ps(_mm_set1_epi32(-1));
  for (int32_t g = 0; g * lanes < io.count; ++g) {
    const __m128 r = _mm_loadu_ps(io.ratio + g * lanes);  // [max_ramps]: the lanes over the count are there
    ok = _mm_and_ps(ok, _mm_or_ps(_mm_cmpge_ps(r, low), _mm_andnot_ps(live_mask(io.count, g), ok)));
  }
  const int32_t n = io.steady ? 1 : io.n;
  int32_t i = 0;
  for (; i + lanes <= n; i += lanes) ok = _mm_and_ps(ok, _mm_cmpge_ps(_mm_loadu_ps(io.increment + i), low));
  bool up = _mm_movemask_ps(ok) == 0xf;
  for (; i < n; ++i) up = up && io.increment[i] >= 0x1p-60f;
  return up;
}

void detail::run_sse2(const chunk_io& io, bool rising) {
  if (rising) return run_groups<true>(io);
  run_groups<false>(io);
}

void detail::run_pair_sse2(const chunk_io& a, const chunk_io& b) {
  switch (groups_of(a)) {
    case 1: return pair_with<1>(a, b);
    case 2: return pair_with<2>(a, b);
    case 3: return pair_with<3>(a, b);
    default: return pair_with<4>(a, b);
  }
}

void run_pair(const chunk_io& a, const chunk_io& b) {
  if (!a.steady || !b.steady || !rising(a) || !rising(b)) {
    run(a);
    run(b);
    return;
  }
#if defined(VORN_AVX2_KERNEL)
  if (svf_lanes::active_kernel() == svf_lanes::kernel::avx2) return detail::run_pair_avx2(a, b);
#endif
  detail::run_pair_sse2(a, b);
}

void run(const chunk_io& io) {
  const bool up = rising(io);
#if defined(VORN_AVX2_KERNEL)
  if (svf_lanes::active_kernel() == svf_lanes::kernel::avx2) return detail::run_avx2(io, up);
#endif
  detail::run_sse2(io, up);
}

}  // namespace synth::multi_ramp_lanes

#endif  // __SSE2__
