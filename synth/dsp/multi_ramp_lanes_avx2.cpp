// The AVX2 kernel: eight ramps to a register, sixteen in two, with the SSE2
// kernel's operations in its order (no fused multiply-add: this file is
// compiled with -mavx2 alone, and its products and sums round as the
// baseline's do). It runs only after CPU detection has found AVX2 and calls
// only intrinsics and functions of internal linkage, so no copy of a shared
// inline function carries AVX2 instructions into other callers.
#include "synth/dsp/multi_ramp_lanes.h"

#if defined(__AVX2__)

#include <immintrin.h>

namespace synth::multi_ramp_lanes {

namespace {

constexpr int32_t lanes = 8;

static inline uint32_t live_bits(int32_t count) { return count >= 32 ? ~0u : (1u << count) - 1u; }

// v, as a value the compiler cannot see into (no code: an empty asm that
// claims to change the register).
static inline __m256 opaque(__m256 v) {
#if defined(__GNUC__)
  __asm__("" : "+x"(v));
#endif
  return v;
}

// Lanes of the ramps below `count` in group g, all ones; the rest zero.
static inline __m256 live_mask(int32_t count, int32_t g) {
  const __m256i index = _mm256_add_epi32(_mm256_set1_epi32(g * lanes), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  return _mm256_castsi256_ps(_mm256_cmpgt_epi32(_mm256_set1_epi32(count), index));
}

// Eight rows of eight into eight columns.
static inline void transpose8(__m256* r) {
  const __m256 t0 = _mm256_unpacklo_ps(r[0], r[1]), t1 = _mm256_unpackhi_ps(r[0], r[1]);
  const __m256 t2 = _mm256_unpacklo_ps(r[2], r[3]), t3 = _mm256_unpackhi_ps(r[2], r[3]);
  const __m256 t4 = _mm256_unpacklo_ps(r[4], r[5]), t5 = _mm256_unpackhi_ps(r[4], r[5]);
  const __m256 t6 = _mm256_unpacklo_ps(r[6], r[7]), t7 = _mm256_unpackhi_ps(r[6], r[7]);
  const __m256 u0 = _mm256_shuffle_ps(t0, t2, 0x44), u1 = _mm256_shuffle_ps(t0, t2, 0xEE);
  const __m256 u2 = _mm256_shuffle_ps(t1, t3, 0x44), u3 = _mm256_shuffle_ps(t1, t3, 0xEE);
  const __m256 u4 = _mm256_shuffle_ps(t4, t6, 0x44), u5 = _mm256_shuffle_ps(t4, t6, 0xEE);
  const __m256 u6 = _mm256_shuffle_ps(t5, t7, 0x44), u7 = _mm256_shuffle_ps(t5, t7, 0xEE);
  r[0] = _mm256_permute2f128_ps(u0, u4, 0x20);
  r[1] = _mm256_permute2f128_ps(u1, u5, 0x20);
  r[2] = _mm256_permute2f128_ps(u2, u6, 0x20);
  r[3] = _mm256_permute2f128_ps(u3, u7, 0x20);
  r[4] = _mm256_permute2f128_ps(u0, u4, 0x31);
  r[5] = _mm256_permute2f128_ps(u1, u5, 0x31);
  r[6] = _mm256_permute2f128_ps(u2, u6, 0x31);
  r[7] = _mm256_permute2f128_ps(u3, u7, 0x31);
}

// The ramps of one oscillator, eight to a register: G groups, their phases
// and compensation terms held in registers over the chunk. Dead lanes step
// by 0 from phase one half and add +0 (see the SSE2 kernel).
// Steady: the increment is the same at every sample of the chunk, and so
// are each ramp's step d and its mean correction d * mean, made once.
template <int32_t G, bool Rising, bool Steady = false>
struct ramp_set {
  __m256 q[G], lost[G], ratio[G];
  __m256 fixed_d[G], fixed_dm[G];  // Steady: d and d * mean
  __m256 mean, two;
  uint32_t live;

  explicit ramp_set(const chunk_io& io)
      : mean(_mm256_set1_ps(io.mean_correction)), two(opaque(_mm256_set1_ps(2.f))), live(live_bits(io.count)) {
    for (int32_t g = 0; g < G; ++g) {
      const __m256 on = live_mask(io.count, g);
      ratio[g] = _mm256_and_ps(_mm256_loadu_ps(io.ratio + g * lanes), on);
      q[g] = _mm256_blendv_ps(_mm256_set1_ps(0.5f), _mm256_loadu_ps(io.phase + g * lanes), on);
      lost[g] = _mm256_and_ps(_mm256_loadu_ps(io.lost + g * lanes), on);
    }
    if constexpr (Steady) {
      for (int32_t g = 0; g < G; ++g) {
        fixed_d[g] = _mm256_mul_ps(ratio[g], _mm256_set1_ps(io.increment[0]));
        fixed_dm[g] = _mm256_mul_ps(fixed_d[g], mean);
      }
    }
  }

  // (2 q - 1) - dm, dm = d * mean correction. 2 q is exact, as q + q or q * 2: as
  // the product it takes the multiplier, which has room, and leaves the
  // adder, the kernel's bottleneck. `two` is opaque to the compiler, which
  // would otherwise turn the product back into a sum.
  __m256 value(__m256 q, __m256 dm) const {
    return _mm256_sub_ps(_mm256_sub_ps(_mm256_mul_ps(q, two), _mm256_set1_ps(1.f)), dm);
  }

  // Sample i: every ramp's phase, wrap and value (into row).
  void step(const chunk_io& io, int32_t i, float* row) {
    const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.f);
    const __m256 inc = Steady ? _mm256_setzero_ps() : _mm256_set1_ps(io.increment[i]);
    uint32_t wrapped = 0;
    for (int32_t g = 0; g < G; ++g) {
      const __m256 d = Steady ? fixed_d[g] : _mm256_mul_ps(ratio[g], inc);
      const __m256 y = _mm256_sub_ps(d, lost[g]);
      const __m256 sum = _mm256_add_ps(q[g], y);
      lost[g] = _mm256_sub_ps(_mm256_sub_ps(sum, q[g]), y);
      const __m256 below = _mm256_sub_ps(sum, one);
      __m256 p, crossed;
      if constexpr (Rising) {
        crossed = _mm256_cmp_ps(sum, one, _CMP_GE_OQ);
        p = _mm256_blendv_ps(sum, below, crossed);
        _mm256_storeu_ps(io.past[i] + g * lanes, p);
      } else {
        const __m256 up = _mm256_and_ps(_mm256_cmp_ps(d, zero, _CMP_GT_OQ), _mm256_cmp_ps(sum, one, _CMP_GE_OQ));
        const __m256 down = _mm256_and_ps(_mm256_cmp_ps(d, zero, _CMP_LT_OQ), _mm256_cmp_ps(sum, zero, _CMP_LT_OQ));
        _mm256_storeu_ps(io.past[i] + g * lanes, _mm256_blendv_ps(sum, below, up));
        p = _mm256_blendv_ps(_mm256_blendv_ps(sum, _mm256_add_ps(sum, one), down), below, up);
        crossed = _mm256_or_ps(up, down);
      }
      q[g] = p;
      _mm256_store_ps(row + g * lanes, value(p, Steady ? fixed_dm[g] : _mm256_mul_ps(d, mean)));
      wrapped |= uint32_t(_mm256_movemask_ps(crossed)) << (g * lanes);
    }
    io.wraps[i] = wrapped & live;
  }

  // The eight samples from `at`, `filled` of them rendered: their values
  // turned into columns and added in ramp order into the sums.
  void add_columns(const chunk_io& io, float (*values)[max_ramps], int32_t at, int32_t filled) const {
    // The samples that round the last columns up to eight: silence.
    for (int32_t s = filled; s < lanes; ++s)
      for (int32_t k = 0; k < max_ramps; ++k) values[s][k] = 0.f;
    __m256 v = _mm256_setzero_ps();
    for (int32_t g = 0; g < G; ++g) {
      __m256 c[lanes];
      for (int32_t s = 0; s < lanes; ++s) c[s] = _mm256_load_ps(values[s] + g * lanes);
      transpose8(c);
      for (int32_t s = 0; s < lanes; ++s) v = _mm256_add_ps(v, c[s]);
    }
    _mm256_storeu_ps(io.sums + at, v);
  }

  void store(const chunk_io& io) const {
    alignas(32) float phase[G * lanes], rest[G * lanes];
    for (int32_t g = 0; g < G; ++g) {
      _mm256_store_ps(phase + g * lanes, q[g]);
      _mm256_store_ps(rest + g * lanes, lost[g]);
    }
    for (int32_t k = 0; k < io.count; ++k) {
      io.phase[k] = phase[k];
      io.lost[k] = rest[k];
    }
  }
};

// One oscillator's chunk, eight samples at a time.
template <int32_t G, bool Rising>
static inline void ramps(const chunk_io& io) {
  ramp_set<G, Rising> a(io);
  alignas(32) float values[lanes][max_ramps];  // [sample of the eight][ramp]
  for (int32_t at = 0; at < io.n; at += lanes) {
    const int32_t end = at + lanes < io.n ? at + lanes : io.n;
    for (int32_t i = at; i < end; ++i) a.step(io, i, values[i - at]);
    a.add_columns(io, values, at, end - at);
  }
  a.store(io);
}

// Two steady, rising oscillators' chunks in one pass, sample by sample
// the one then the other: the phase steps of each are chains of dependent
// additions, and the other's chains run in their shadow. Each one's numbers
// are its own kernel's.
template <int32_t GA, int32_t GB>
static inline void ramp_pair(const chunk_io& io_a, const chunk_io& io_b) {
  ramp_set<GA, true, true> a(io_a);
  ramp_set<GB, true, true> b(io_b);
  alignas(32) float values_a[lanes][max_ramps], values_b[lanes][max_ramps];
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

}  // namespace

void detail::run_avx2(const chunk_io& io, bool rising) {
  if (io.count > lanes) {
    if (rising) return ramps<2, true>(io);
    return ramps<2, false>(io);
  }
  if (rising) return ramps<1, true>(io);
  ramps<1, false>(io);
}

void detail::run_pair_avx2(const chunk_io& a, const chunk_io& b) {
  const bool wide_a = a.count > lanes, wide_b = b.count > lanes;
  if (wide_a && wide_b) return ramp_pair<2, 2>(a, b);
  if (wide_a) return ramp_pair<2, 1>(a, b);
  if (wide_b) return ramp_pair<1, 2>(a, b);
  ramp_pair<1, 1>(a, b);
}

}  // namespace synth::multi_ramp_lanes

#endif  // __AVX2__
