// The chunk's step ring, and its SSE2 insertion kernel: a correction's
// sixteen taps four to a register, added to the aligned groups of four slots
// they touch.
#include "synth/dsp/step_span.h"

#if defined(__SSE2__)

#include <emmintrin.h>
#include <xmmintrin.h>

#include <bit>

#include "synth/dsp/svf_lanes.h"

namespace synth {

namespace {

constexpr int32_t lanes = 4;
static_assert(blep_taps == correction_ring::size && blep_taps % 8 == 0);
constexpr int32_t taps_groups = blep_taps / lanes;

blep_rise_rows make_rows(const band_limit_table& table) {
  blep_rise_rows r{};
  for (int32_t j = 0; j < blep_phases; ++j)
    for (int32_t k = 0; k < blep_taps; ++k) {
      const float* d = table.data + k * blep_phases + j;
      r.row[j][k] = d[0];
      r.rise[j][k] = d[1] - d[0];
    }
  return r;
}

// The last O lanes of a, then the first 4 - O of b: [a3, b0, b1, b2] for O = 1.
template <int32_t O>
__m128 straddle(__m128 a, __m128 b) {
  if constexpr (O == 0) {
    return b;
  } else if constexpr (O == 2) {
    return _mm_shuffle_ps(a, b, _MM_SHUFFLE(1, 0, 3, 2));
  } else {
    const __m128 t = _mm_shuffle_ps(a, b, _MM_SHUFFLE(0, 0, 3, 3));  // a3 a3 b0 b0
    if constexpr (O == 1) return _mm_shuffle_ps(t, b, _MM_SHUFFLE(2, 1, 2, 0));
    return _mm_shuffle_ps(a, t, _MM_SHUFFLE(2, 0, 2, 1));
  }
}

// The taps c, which start O slots into the aligned group at base, added to
// the groups they touch.
template <int32_t O>
void add_shifted(float* base, const __m128* c) {
  const __m128 zero = _mm_setzero_ps();
  constexpr int32_t groups = O == 0 ? taps_groups : taps_groups + 1;
  for (int32_t g = 0; g < groups; ++g) {
    const __m128 before = g > 0 ? c[g - 1] : zero, here = g < taps_groups ? c[g] : zero;
    float* s = base + g * lanes;
    _mm_store_ps(s, _mm_add_ps(_mm_load_ps(s), straddle<O>(before, here)));
  }
}

// insert_correction of minblep at sample i, t samples back, into the slots.
void insert(float* slot, int32_t i, float t, float amplitude) {
  const table_position where = position_in_table(blep_phases, t);
  const float* left = minblep_rise_rows.row[where.row];
  const float* rise = minblep_rise_rows.rise[where.row];
  const __m128 fv = _mm_set1_ps(where.fraction), a = _mm_set1_ps(amplitude);
  __m128 c[taps_groups];
  for (int32_t g = 0; g < taps_groups; ++g) {
    const __m128 d0 = _mm_load_ps(left + g * lanes);
    c[g] = _mm_mul_ps(_mm_add_ps(d0, _mm_mul_ps(_mm_load_ps(rise + g * lanes), fv)), a);
  }
  float* base = slot + (i & ~(lanes - 1));
  switch (i & (lanes - 1)) {
    case 0: return add_shifted<0>(base, c);
    case 1: return add_shifted<1>(base, c);
    case 2: return add_shifted<2>(base, c);
    default: return add_shifted<3>(base, c);
  }
}

}  // namespace

const blep_rise_rows minblep_rise_rows = make_rows(minblep);

step_span::step_span(const correction_ring& ring) : pending_(ring.pending), current_(ring.current) {
  float* s = slot();
  for (int32_t k = 0; k < correction_ring::size; ++k) s[k] = ring.slots[(ring.index + k) & correction_ring::mask];
  for (int32_t k = correction_ring::size; k < slots; ++k) s[k] = 0.f;
}

void step_span::insert_wraps(const chunk_wraps& w) {
#if defined(VORN_AVX2_KERNEL)
  if (svf_lanes::active_kernel() == svf_lanes::kernel::avx2) return step_span_kernels::insert_avx2(slot(), w);
#endif
  step_span_kernels::insert_sse2(slot(), w);
}

// A sample pops its own slot while the ring is pending, else the value held
// from the last one it popped. The ring is pending at sample i when a wrap
// fell in the last blep_taps samples up to i, or i is below the pending
// count the chunk started with (as if a wrap had filled the ring blep_taps -
// pending samples before the chunk). Its pops then run from that wrap's
// sample to blep_taps - 1 samples after it: sample i gives the slot of
// min(i, wrap + blep_taps - 1), and the held value from before the chunk
// where that is -1 (store_[lead - 1]). One chain of a select per sample.
void step_span::pop_all(const uint32_t* wraps, float* step, int32_t n) {
  store_[lead - 1] = current_;
  const float* s = slot();
  int32_t last = pending_ - blep_taps;  // the latest wrap at or before the sample
  for (int32_t i = 0; i < n; ++i) {
    last = wraps[i] != 0 ? i : last;
    const int32_t from = last + blep_taps - 1;
    step[i] = s[from < i ? from : i];
  }
  const int32_t left = last + blep_taps - n;
  pending_ = left > 0 ? left : 0;
  current_ = step[n - 1];
}

void step_span::store(correction_ring& ring, int32_t n) const {
  ring.index = 0;
  ring.pending = pending_;
  ring.current = current_;
  for (int32_t k = 0; k < correction_ring::size; ++k) ring.slots[k] = slot()[n + k];
}

int32_t step_span_kernels::wrapped_samples(const uint32_t* wraps, int32_t n, int32_t* wrapped) {
  int32_t count = 0;
  for (int32_t i = 0; i < n; ++i) {
    wrapped[count] = i;
    count += wraps[i] != 0 ? 1 : 0;
  }
  return count;
}

void step_span_kernels::insert_sse2(float* slot, const chunk_wraps& w) {
  int32_t wrapped[step_span::chunk];
  const int32_t count = wrapped_samples(w.wraps, w.n, wrapped);
  for (int32_t e = 0; e < count; ++e) {
    const int32_t i = wrapped[e];
    for (uint32_t bits = w.wraps[i]; bits != 0; bits &= bits - 1) {
      const int32_t k = std::countr_zero(bits);
      const float d = w.ratio[k] * w.increment[i];
      insert(slot, i, w.past[i][k] / d, d > 0.f ? 2.f : -2.f);
    }
  }
}

}  // namespace synth

#endif  // __SSE2__
