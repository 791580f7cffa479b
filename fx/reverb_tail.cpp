// The tail's SSE2 kernels, four elements to a register, and the choice of
// kernel.
#include "fx/reverb_tail.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "fx/form.h"

namespace fx::reverb_tail {

#if defined(__SSE2__)

namespace {

constexpr int width = sse2_width;

// The positions of the tail's lines as offsets into the structure's memory:
// each line's start, length and next write, and the main line's middle tap.
struct lane_lines {
  alignas(16) int32_t ap1_start[max_elements], ap1_size[max_elements], ap1_pos[max_elements];
  alignas(16) int32_t main_start[max_elements], main_size[max_elements], main_pos[max_elements];
  alignas(16) int32_t tap[max_elements];
  alignas(16) int32_t ap2_start[max_elements], ap2_size[max_elements], ap2_pos[max_elements];
};

// x < 0 ? x + size : x, lane by lane.
__m128i wrap_below(__m128i x, __m128i size) {
  return _mm_add_epi32(x, _mm_and_si128(_mm_cmplt_epi32(x, _mm_setzero_si128()), size));
}
// The next write position: x + 1, back to 0 at size.
__m128i advance(__m128i x, __m128i size) {
  const __m128i next = _mm_add_epi32(x, _mm_set1_epi32(1));
  return _mm_andnot_si128(_mm_cmpeq_epi32(next, size), next);
}

// sum + v[0] + v[1] ... in that order, over the first `count` lanes (all
// four from four on).
void add_lanes(float& sum, __m128 v, int count) {
  sum += _mm_cvtss_f32(v);
  if (count > 1) sum += _mm_cvtss_f32(_mm_shuffle_ps(v, v, 1));
  if (count > 2) sum += _mm_cvtss_f32(_mm_movehl_ps(v, v));
  if (count > 3) sum += _mm_cvtss_f32(_mm_shuffle_ps(v, v, 3));
}

__m128i load(const int32_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }

}  // namespace

void detail::modulate_sse2(structure& s, int lanes, const float* phase, const float* excursion, int n) {
  // Lane by lane the operations of the sample-by-sample form, the floor's
  // branch as a choice between the two results.
  const __m128 one = _mm_set1_ps(1.f), half = _mm_set1_ps(0.5f), sign = _mm_set1_ps(-0.f);
  const __m128 limit = _mm_set1_ps(s.excursion_limit), shortest = _mm_set1_ps(shortest_read);
  for (int i = 0; i < n; ++i) {
    const __m128 exc = _mm_min_ps(limit, _mm_set1_ps(excursion[i]));
    const __m128 at = _mm_set1_ps(phase[i]);
    for (int k = 0; k < lanes; k += width) {
      __m128 p = _mm_add_ps(at, _mm_load_ps(s.lfo_offset + k));
      p = _mm_sub_ps(p, _mm_and_ps(_mm_cmpge_ps(p, one), one));
      // sine_cycle(p), as parabolic_sine(2 p - 1).
      const __m128 h = _mm_mul_ps(_mm_sub_ps(_mm_mul_ps(_mm_set1_ps(2.f), p), one), half);
      const __m128 y = _mm_mul_ps(_mm_sub_ps(_mm_set1_ps(8.f), _mm_mul_ps(_mm_andnot_ps(sign, h), _mm_set1_ps(16.f))), h);
      const __m128 bend = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(_mm_andnot_ps(sign, y), one), _mm_set1_ps(0.216f)), one);
      const __m128 sine = _mm_xor_ps(_mm_mul_ps(bend, y), sign);
      const __m128 swept = _mm_add_ps(_mm_load_ps(s.ap1_len + k), _mm_mul_ps(exc, sine));
      const __m128 m = _mm_max_ps(shortest, swept);
      const __m128i whole = _mm_cvttps_epi32(_mm_sub_ps(m, half));
      const __m128 frac = _mm_sub_ps(m, _mm_cvtepi32_ps(whole));
      const __m128 eta = _mm_div_ps(_mm_sub_ps(one, frac), _mm_add_ps(one, frac));
      const __m128 floor = _mm_cmplt_ps(swept, shortest);
      _mm_store_si128(reinterpret_cast<__m128i*>(s.whole[i] + k), whole);
      _mm_store_ps(s.eta[i] + k, _mm_or_ps(_mm_and_ps(floor, _mm_set1_ps(eta_at_floor)), _mm_andnot_ps(floor, eta)));
    }
  }
}

// For each element exactly the operations of the sample-by-sample form and
// the plain network's mixing, the delay lines read before and written after
// the arithmetic of a frame (no line is read where it is written in the same
// frame).
void detail::network_sse2(structure& s, const float (*x)[mod_chunk], int n, const network_values& nv, float* out_l,
                          float* out_r) {
  const int count = s.n, lanes = padded(count, width);
  float* const memory = s.memory.get();
  lane_lines q;
  for (int k = 0; k < lanes; ++k) {
    const element& e = s.el[k];
    q.ap1_start[k] = int32_t(e.ap1.buf - memory);
    q.ap1_size[k] = e.ap1.size;
    q.ap1_pos[k] = e.ap1.pos;
    q.main_start[k] = int32_t(e.main.buf - memory);
    q.main_size[k] = e.main.size;
    q.main_pos[k] = e.main.pos;
    q.tap[k] = e.tap;
    q.ap2_start[k] = int32_t(e.ap2.buf - memory);
    q.ap2_size[k] = e.ap2.size;
    q.ap2_pos[k] = e.ap2.pos;
  }
  const bool loop = count >= 3;
  const __m128 g1 = _mm_set1_ps(nv.ap_gain1), g2 = _mm_set1_ps(nv.ap_gain2);
  const __m128 shelf_g = _mm_set1_ps(nv.shelf_g), shelf_k = _mm_set1_ps(1.f + nv.shelf_g);
  for (int i = 0; i < n; ++i) {
    // The sums in element order, from whole registers (the states were
    // just stored four at a time, and one of four read back would wait).
    float h = 0.f;
    for (int k = 0; k < count; k += width) add_lanes(h, _mm_load_ps(s.out + k), count - k);
    h *= 2.f / float(count);
    // v[k] = out[k] - h. Element k hears v[k - 1] round the loop from
    // three elements on (the register of v shifted up a lane, the previous
    // register's top lane coming in, v[count - 1] for the first), below
    // that itself.
    const __m128 hv = _mm_set1_ps(h);
    __m128 previous = _mm_set1_ps(s.out[count - 1] - h);
    // injection(k, x) for k, k + 1, k + 2, k + 3 with k a multiple of four.
    const __m128 inj = _mm_setr_ps(x[0][i], x[1][i], -x[0][i], -x[1][i]);
    for (int k = 0; k < lanes; k += width) {
      const __m128i p1 = load(q.ap1_pos + k), size1 = load(q.ap1_size + k), start1 = load(q.ap1_start + k);
      const __m128i pm = load(q.main_pos + k), size_m = load(q.main_size + k), start_m = load(q.main_start + k);
      const __m128i p2 = load(q.ap2_pos + k), size2 = load(q.ap2_size + k), start2 = load(q.ap2_start + k);
      // The reads: the first allpass at whole and whole + 1 back, the main
      // line's middle and end, the second allpass's end.
      const __m128i near = wrap_below(_mm_sub_epi32(p1, load(s.whole[i] + k)), size1);
      const __m128i far = wrap_below(_mm_sub_epi32(near, _mm_set1_epi32(1)), size1);
      const __m128i middle = wrap_below(_mm_sub_epi32(pm, load(q.tap + k)), size_m);
      alignas(16) int32_t at[5][width], to[3][width];
      _mm_store_si128(reinterpret_cast<__m128i*>(at[0]), _mm_add_epi32(start1, near));
      _mm_store_si128(reinterpret_cast<__m128i*>(at[1]), _mm_add_epi32(start1, far));
      _mm_store_si128(reinterpret_cast<__m128i*>(at[2]), _mm_add_epi32(start_m, middle));
      _mm_store_si128(reinterpret_cast<__m128i*>(at[3]), _mm_add_epi32(start_m, pm));
      _mm_store_si128(reinterpret_cast<__m128i*>(at[4]), _mm_add_epi32(start2, p2));
      _mm_store_si128(reinterpret_cast<__m128i*>(to[0]), _mm_add_epi32(start1, p1));
      _mm_store_si128(reinterpret_cast<__m128i*>(q.ap1_pos + k), advance(p1, size1));
      _mm_store_si128(reinterpret_cast<__m128i*>(q.main_pos + k), advance(pm, size_m));
      _mm_store_si128(reinterpret_cast<__m128i*>(q.ap2_pos + k), advance(p2, size2));
      const __m128 a = _mm_setr_ps(memory[at[0][0]], memory[at[0][1]], memory[at[0][2]], memory[at[0][3]]);
      const __m128 b = _mm_setr_ps(memory[at[1][0]], memory[at[1][1]], memory[at[1][2]], memory[at[1][3]]);
      const __m128 in2 = _mm_setr_ps(memory[at[3][0]], memory[at[3][1]], memory[at[3][2]], memory[at[3][3]]);
      const __m128 delayed = _mm_setr_ps(memory[at[4][0]], memory[at[4][1]], memory[at[4][2]], memory[at[4][3]]);
      _mm_store_ps(s.mid + k, _mm_setr_ps(memory[at[2][0]], memory[at[2][1]], memory[at[2][2]], memory[at[2][3]]));
      // The arithmetic of an element.
      const __m128 v = _mm_sub_ps(_mm_load_ps(s.out + k), hv);
      const __m128 shifted = _mm_castsi128_ps(
          _mm_or_si128(_mm_slli_si128(_mm_castps_si128(v), 4), _mm_srli_si128(_mm_castps_si128(previous), 12)));
      previous = v;
      const __m128 u = _mm_add_ps(loop ? shifted : v, inj);
      const __m128 eta = _mm_load_ps(s.eta[i] + k);
      const __m128 d = _mm_sub_ps(_mm_add_ps(_mm_mul_ps(eta, a), b), _mm_mul_ps(eta, _mm_load_ps(s.interp + k)));
      _mm_store_ps(s.interp + k, d);
      const __m128 w = _mm_add_ps(u, _mm_mul_ps(g1, d));
      const __m128 y1 = _mm_sub_ps(d, _mm_mul_ps(g1, w));
      const __m128 damp = _mm_add_ps(in2, _mm_mul_ps(_mm_sub_ps(_mm_load_ps(s.damp + k), in2), _mm_load_ps(s.pole + k)));
      _mm_store_ps(s.damp + k, damp);
      const __m128 lp = _mm_div_ps(_mm_add_ps(_mm_mul_ps(shelf_g, damp), _mm_load_ps(s.shelf + k)), shelf_k);
      _mm_store_ps(s.shelf + k, _mm_add_ps(_mm_mul_ps(_mm_sub_ps(damp, lp), shelf_g), lp));
      const __m128 y3 = _mm_sub_ps(damp, _mm_mul_ps(_mm_load_ps(s.cut + k), lp));
      const __m128 w2 = _mm_add_ps(y3, _mm_mul_ps(g2, delayed));
      _mm_store_ps(s.out + k, _mm_mul_ps(_mm_sub_ps(delayed, _mm_mul_ps(g2, w2)), _mm_load_ps(s.g + k)));
      // The writes, each where its line was read last (main, second allpass)
      // or at its next position (first allpass).
      alignas(16) float put1[width], put_m[width], put2[width];
      _mm_store_ps(put1, w);
      _mm_store_ps(put_m, y1);
      _mm_store_ps(put2, w2);
      for (int j = 0; j < width; ++j) {
        memory[to[0][j]] = put1[j];
        memory[at[3][j]] = put_m[j];
        memory[at[4][j]] = put2[j];
      }
    }
    // The taps of every element: the left hears the ends of the even
    // elements and the middles of the odd ones, the right the reverse,
    // with the signs of the plain form.
    float sum_l = 0.f, sum_r = 0.f;
    for (int k = 0; k < count; k += width) {
      const __m128 o = _mm_load_ps(s.out + k), m = _mm_load_ps(s.mid + k);
      const __m128 even = _mm_castsi128_ps(_mm_setr_epi32(-1, 0, -1, 0));
      // left: out 0, mid 1, -out 2, -mid 3; right: mid 0, -out 1, -mid 2, out 3
      const __m128 left = _mm_or_ps(_mm_and_ps(even, o), _mm_andnot_ps(even, m));
      const __m128 right = _mm_or_ps(_mm_and_ps(even, m), _mm_andnot_ps(even, o));
      add_lanes(sum_l, _mm_xor_ps(left, _mm_setr_ps(0.f, 0.f, -0.f, -0.f)), count - k);
      add_lanes(sum_r, _mm_xor_ps(right, _mm_setr_ps(0.f, -0.f, -0.f, 0.f)), count - k);
    }
    out_l[i] = sum_l * nv.norm;
    out_r[i] = sum_r * nv.norm;
  }
  for (int k = 0; k < lanes; ++k) {
    element& e = s.el[k];
    e.ap1.pos = q.ap1_pos[k];
    e.main.pos = q.main_pos[k];
    e.ap2.pos = q.ap2_pos[k];
  }
}

void modulate(structure& s, int lanes, const float* phase, const float* excursion, int n) {
#if defined(VORN_AVX2_KERNEL)
  if (active_kernel() == kernel::avx2) return detail::modulate_avx2(s, lanes, phase, excursion, n);
#endif
  detail::modulate_sse2(s, lanes, phase, excursion, n);
}

void network(structure& s, const float (*x)[mod_chunk], int n, const network_values& v, float* out_l,
             float* out_r) {
#if defined(VORN_AVX2_KERNEL)
  if (active_kernel() == kernel::avx2) return detail::network_avx2(s, s.memory.get(), x, n, v, out_l, out_r);
#endif
  detail::network_sse2(s, x, n, v, out_l, out_r);
}

#endif

}  // namespace fx::reverb_tail
