// The tail's AVX2 kernels, eight elements to a register: the same
// products, sums and order of sums per element as the SSE2 kernels and the
// sample-by-sample form (compiled with -mavx2 alone: no fused
// multiply-add). In the network, up to eight elements, the lines'
// positions and the states stay in registers through the chunk; the five
// reads of a frame are gathers, the three writes go out lane by lane. It
// runs only after CPU detection has found AVX2 and calls only intrinsics
// and functions of internal linkage, so no copy of a shared inline function
// carries AVX2 instructions into other callers.
#include "fx/reverb_tail.h"

#if defined(__AVX2__)

#include <immintrin.h>

#include <cstdint>

namespace fx::reverb_tail {

namespace {

constexpr int width = avx2_width;

// x < start ? x + size : x, lane by lane.
static inline __m256i wrap_below(__m256i x, __m256i start, __m256i size) {
  return _mm256_add_epi32(x, _mm256_and_si256(_mm256_cmpgt_epi32(start, x), size));
}
// The next position: x + 1, back to start at end.
static inline __m256i advance(__m256i x, __m256i start, __m256i end) {
  const __m256i next = _mm256_add_epi32(x, _mm256_set1_epi32(1));
  const __m256i at_end = _mm256_cmpeq_epi32(next, end);
  return _mm256_or_si256(_mm256_andnot_si256(at_end, next), _mm256_and_si256(at_end, start));
}

// sum + v[0] + v[1] ... in that order, over the first `count` lanes (all
// eight from eight on).
static inline float add_lanes(float sum, __m256 v, int count) {
  const __m128 lo = _mm256_castps256_ps128(v);
  sum += _mm_cvtss_f32(lo);
  if (count > 1) sum += _mm_cvtss_f32(_mm_shuffle_ps(lo, lo, 1));
  if (count > 2) sum += _mm_cvtss_f32(_mm_movehl_ps(lo, lo));
  if (count > 3) sum += _mm_cvtss_f32(_mm_shuffle_ps(lo, lo, 3));
  if (count <= 4) return sum;
  const __m128 hi = _mm256_extractf128_ps(v, 1);
  sum += _mm_cvtss_f32(hi);
  if (count > 5) sum += _mm_cvtss_f32(_mm_shuffle_ps(hi, hi, 1));
  if (count > 6) sum += _mm_cvtss_f32(_mm_movehl_ps(hi, hi));
  if (count > 7) sum += _mm_cvtss_f32(_mm_shuffle_ps(hi, hi, 3));
  return sum;
}

static inline __m256i load(const int32_t* p) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(p)); }
static inline void store(int32_t* p, __m256i v) { _mm256_store_si256(reinterpret_cast<__m256i*>(p), v); }
static inline __m256 gather(const float* memory, __m256i at) { return _mm256_i32gather_ps(memory, at, 4); }

}  // namespace

void detail::modulate_avx2(structure& s, int lanes, const float* phase, const float* excursion, int n) {
  // Lane by lane the operations of the SSE2 kernel.
  const __m256 one = _mm256_set1_ps(1.f), half = _mm256_set1_ps(0.5f), sign = _mm256_set1_ps(-0.f);
  const __m256 limit = _mm256_set1_ps(s.excursion_limit), shortest = _mm256_set1_ps(shortest_read);
  for (int i = 0; i < n; ++i) {
    const __m256 exc = _mm256_min_ps(limit, _mm256_set1_ps(excursion[i]));
    const __m256 at = _mm256_set1_ps(phase[i]);
    for (int k = 0; k < lanes; k += width) {
      __m256 p = _mm256_add_ps(at, _mm256_load_ps(s.lfo_offset + k));
      p = _mm256_sub_ps(p, _mm256_and_ps(_mm256_cmp_ps(p, one, _CMP_GE_OS), one));
      // sine_cycle(p), as parabolic_sine(2 p - 1).
      const __m256 h = _mm256_mul_ps(_mm256_sub_ps(_mm256_mul_ps(_mm256_set1_ps(2.f), p), one), half);
      const __m256 y = _mm256_mul_ps(
          _mm256_sub_ps(_mm256_set1_ps(8.f), _mm256_mul_ps(_mm256_andnot_ps(sign, h), _mm256_set1_ps(16.f))), h);
      const __m256 bend =
          _mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(_mm256_andnot_ps(sign, y), one), _mm256_set1_ps(0.216f)), one);
      const __m256 sine = _mm256_xor_ps(_mm256_mul_ps(bend, y), sign);
      const __m256 swept = _mm256_add_ps(_mm256_load_ps(s.ap1_len + k), _mm256_mul_ps(exc, sine));
      const __m256 m = _mm256_max_ps(shortest, swept);
      const __m256i whole = _mm256_cvttps_epi32(_mm256_sub_ps(m, half));
      const __m256 frac = _mm256_sub_ps(m, _mm256_cvtepi32_ps(whole));
      const __m256 eta = _mm256_div_ps(_mm256_sub_ps(one, frac), _mm256_add_ps(one, frac));
      const __m256 floor = _mm256_cmp_ps(swept, shortest, _CMP_LT_OS);
      store(s.whole[i] + k, whole);
      _mm256_store_ps(s.eta[i] + k, _mm256_or_ps(_mm256_and_ps(floor, _mm256_set1_ps(eta_at_floor)),
                                                 _mm256_andnot_ps(floor, eta)));
    }
  }
}

namespace {

// One register of eight elements: where their lines are, as absolute
// offsets into the structure's memory (each line's first entry and its
// end, the next write of the first allpass, of the main line and of the
// second allpass, and the main line's middle tap), and their states and
// coefficients.
struct lane_set {
  __m256i ap1_start, ap1_end, ap1_size, ap1_at;
  __m256i main_start, main_end, main_size, main_at, tap;
  __m256i ap2_start, ap2_end, ap2_at;
  __m256 out, damp, shelf, interp, mid;
  __m256 pole, cut, g;
};

static inline lane_set load_set(const structure& s, const float* memory, int first) {
  alignas(32) int32_t row[10][width];
  for (int j = 0; j < width; ++j) {
    const element& e = s.el[first + j];
    row[0][j] = int32_t(e.ap1.buf - memory);
    row[1][j] = int32_t(e.ap1.size);
    row[2][j] = int32_t(e.ap1.pos);
    row[3][j] = int32_t(e.main.buf - memory);
    row[4][j] = int32_t(e.main.size);
    row[5][j] = int32_t(e.main.pos);
    row[6][j] = int32_t(e.tap);
    row[7][j] = int32_t(e.ap2.buf - memory);
    row[8][j] = int32_t(e.ap2.size);
    row[9][j] = int32_t(e.ap2.pos);
  }
  lane_set q;
  q.ap1_start = load(row[0]);
  q.ap1_size = load(row[1]);
  q.ap1_end = _mm256_add_epi32(q.ap1_start, q.ap1_size);
  q.ap1_at = _mm256_add_epi32(q.ap1_start, load(row[2]));
  q.main_start = load(row[3]);
  q.main_size = load(row[4]);
  q.main_end = _mm256_add_epi32(q.main_start, q.main_size);
  q.main_at = _mm256_add_epi32(q.main_start, load(row[5]));
  q.tap = load(row[6]);
  q.ap2_start = load(row[7]);
  q.ap2_end = _mm256_add_epi32(q.ap2_start, load(row[8]));
  q.ap2_at = _mm256_add_epi32(q.ap2_start, load(row[9]));
  q.out = _mm256_load_ps(s.out + first);
  q.damp = _mm256_load_ps(s.damp + first);
  q.shelf = _mm256_load_ps(s.shelf + first);
  q.interp = _mm256_load_ps(s.interp + first);
  q.mid = _mm256_load_ps(s.mid + first);
  q.pole = _mm256_load_ps(s.pole + first);
  q.cut = _mm256_load_ps(s.cut + first);
  q.g = _mm256_load_ps(s.g + first);
  return q;
}

static inline void store_set(structure& s, const float* memory, int first, const lane_set& q) {
  alignas(32) int32_t row[3][width];
  store(row[0], q.ap1_at);
  store(row[1], q.main_at);
  store(row[2], q.ap2_at);
  for (int j = 0; j < width; ++j) {
    element& e = s.el[first + j];
    e.ap1.pos = int(row[0][j] - int32_t(e.ap1.buf - memory));
    e.main.pos = int(row[1][j] - int32_t(e.main.buf - memory));
    e.ap2.pos = int(row[2][j] - int32_t(e.ap2.buf - memory));
  }
  _mm256_store_ps(s.out + first, q.out);
  _mm256_store_ps(s.damp + first, q.damp);
  _mm256_store_ps(s.shelf + first, q.shelf);
  _mm256_store_ps(s.interp + first, q.interp);
  _mm256_store_ps(s.mid + first, q.mid);
}

// The values every frame uses.
struct frame_constants {
  __m256 g1, g2, shelf_g, shelf_k;
};

// One frame of one register: u the elements' inputs, whole and eta their
// modulated reads. Reads the lines, works out the elements, writes the
// lines of the first `live` lanes (nothing hears the padding lanes, so
// their lines may keep what they hold) and moves on their positions.
static inline void run_set(float* memory, lane_set& q, __m256 u, const int32_t* whole, const float* eta_row,
                           int live, const frame_constants& c) {
  // The reads: the first allpass at whole and whole + 1 back, the main
  // line's middle and end, the second allpass's end (the next write of
  // each line holds its oldest entry).
  const __m256i near = wrap_below(_mm256_sub_epi32(q.ap1_at, load(whole)), q.ap1_start, q.ap1_size);
  const __m256i far = wrap_below(_mm256_sub_epi32(near, _mm256_set1_epi32(1)), q.ap1_start, q.ap1_size);
  const __m256i middle = wrap_below(_mm256_sub_epi32(q.main_at, q.tap), q.main_start, q.main_size);
  const __m256 a = gather(memory, near), b = gather(memory, far);
  q.mid = gather(memory, middle);
  const __m256 in2 = gather(memory, q.main_at), delayed = gather(memory, q.ap2_at);
  // The arithmetic of an element.
  const __m256 eta = _mm256_load_ps(eta_row);
  const __m256 d = _mm256_sub_ps(_mm256_add_ps(_mm256_mul_ps(eta, a), b), _mm256_mul_ps(eta, q.interp));
  q.interp = d;
  const __m256 w = _mm256_add_ps(u, _mm256_mul_ps(c.g1, d));
  const __m256 y1 = _mm256_sub_ps(d, _mm256_mul_ps(c.g1, w));
  const __m256 damp = _mm256_add_ps(in2, _mm256_mul_ps(_mm256_sub_ps(q.damp, in2), q.pole));
  q.damp = damp;
  const __m256 lp = _mm256_div_ps(_mm256_add_ps(_mm256_mul_ps(c.shelf_g, damp), q.shelf), c.shelf_k);
  q.shelf = _mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(damp, lp), c.shelf_g), lp);
  const __m256 y3 = _mm256_sub_ps(damp, _mm256_mul_ps(q.cut, lp));
  const __m256 w2 = _mm256_add_ps(y3, _mm256_mul_ps(c.g2, delayed));
  q.out = _mm256_mul_ps(_mm256_sub_ps(delayed, _mm256_mul_ps(c.g2, w2)), q.g);
  // The writes, each where its line was read last (main, second allpass)
  // or at its next position (first allpass).
  alignas(32) int32_t to[3][width];
  alignas(32) float put[3][width];
  store(to[0], q.ap1_at);
  store(to[1], q.main_at);
  store(to[2], q.ap2_at);
  _mm256_store_ps(put[0], w);
  _mm256_store_ps(put[1], y1);
  _mm256_store_ps(put[2], w2);
  for (int j = 0; j < live; ++j) {
    memory[to[0][j]] = put[0][j];
    memory[to[1][j]] = put[1][j];
    memory[to[2][j]] = put[2][j];
  }
  q.ap1_at = advance(q.ap1_at, q.ap1_start, q.ap1_end);
  q.main_at = advance(q.main_at, q.main_start, q.main_end);
  q.ap2_at = advance(q.ap2_at, q.ap2_start, q.ap2_end);
}

// The taps of a register (elements first ... first + 7): the left hears
// the ends of the even elements and the middles of the odd ones, the right
// the reverse, with the signs of the plain form.
static inline void taps(const lane_set& q, float* left, float* right) {
  const __m256 even = _mm256_castsi256_ps(_mm256_setr_epi32(-1, 0, -1, 0, -1, 0, -1, 0));
  // left: out 0, mid 1, -out 2, -mid 3; right: mid 0, -out 1, -mid 2, out 3
  const __m256 l = _mm256_or_ps(_mm256_and_ps(even, q.out), _mm256_andnot_ps(even, q.mid));
  const __m256 r = _mm256_or_ps(_mm256_and_ps(even, q.mid), _mm256_andnot_ps(even, q.out));
  _mm256_store_ps(left, _mm256_xor_ps(l, _mm256_setr_ps(0.f, 0.f, -0.f, -0.f, 0.f, 0.f, -0.f, -0.f)));
  _mm256_store_ps(right, _mm256_xor_ps(r, _mm256_setr_ps(0.f, -0.f, -0.f, 0.f, 0.f, -0.f, -0.f, 0.f)));
}

// The network with `sets` registers of eight elements (1 or 2).
template <int sets>
void run(structure& s, float* memory, const float (*x)[mod_chunk], int n, const network_values& nv, float* out_l,
         float* out_r) {
  const int count = s.n;
  lane_set q[sets];
  for (int r = 0; r < sets; ++r) q[r] = load_set(s, memory, r * width);
  const frame_constants c = {_mm256_set1_ps(nv.ap_gain1), _mm256_set1_ps(nv.ap_gain2), _mm256_set1_ps(nv.shelf_g),
                             _mm256_set1_ps(1.f + nv.shelf_g)};
  const bool loop = count >= 3;
  // Element k hears v[k - 1] round the loop from three elements on, below
  // that itself: each register's lanes turned up one, lane 0 taking the
  // top lane of the register before it, the first register v[count - 1].
  const __m256i up_one = _mm256_setr_epi32(width - 1, 0, 1, 2, 3, 4, 5, 6);
  const __m256i last = _mm256_set1_epi32((count - 1) % width);
  int live[sets];
  for (int r = 0; r < sets; ++r) live[r] = count - r * width < width ? count - r * width : width;
  // The taps of each frame, summed after the frames in element order.
  alignas(32) float tap_l[mod_chunk][sets * width], tap_r[mod_chunk][sets * width];
  for (int i = 0; i < n; ++i) {
    float h = 0.f;
    for (int r = 0; r < sets; ++r) h = add_lanes(h, q[r].out, count - r * width);
    h *= 2.f / float(count);
    const __m256 hv = _mm256_set1_ps(h);
    __m256 v[sets];
    for (int r = 0; r < sets; ++r) v[r] = _mm256_sub_ps(q[r].out, hv);
    // injection(k, x): left, right, -left, -right, and again.
    const float l = x[0][i], rr = x[1][i];
    const __m256 inj = _mm256_setr_ps(l, rr, -l, -rr, l, rr, -l, -rr);
    __m256 u[sets];
    if (loop) {
      const __m256 wrap_in = _mm256_permutevar8x32_ps(v[sets - 1], last);
      for (int r = 0; r < sets; ++r) {
        const __m256 in = r == 0 ? wrap_in : _mm256_permutevar8x32_ps(v[r - 1], up_one);
        u[r] = _mm256_add_ps(_mm256_blend_ps(_mm256_permutevar8x32_ps(v[r], up_one), in, 1), inj);
      }
    } else {
      for (int r = 0; r < sets; ++r) u[r] = _mm256_add_ps(v[r], inj);
    }
    for (int r = 0; r < sets; ++r) {
      run_set(memory, q[r], u[r], s.whole[i] + r * width, s.eta[i] + r * width, live[r], c);
      taps(q[r], tap_l[i] + r * width, tap_r[i] + r * width);
    }
  }
  for (int r = 0; r < sets; ++r) store_set(s, memory, r * width, q[r]);
  for (int i = 0; i < n; ++i) {
    float sum_l = 0.f, sum_r = 0.f;
    for (int k = 0; k < count; ++k) {
      sum_l += tap_l[i][k];
      sum_r += tap_r[i][k];
    }
    out_l[i] = sum_l * nv.norm;
    out_r[i] = sum_r * nv.norm;
  }
}

}  // namespace

void detail::network_avx2(structure& s, float* memory, const float (*x)[mod_chunk], int n, const network_values& v,
                          float* out_l, float* out_r) {
  static_assert(max_elements == 2 * width);
  if (s.lanes <= width) return run<1>(s, memory, x, n, v, out_l, out_r);
  run<2>(s, memory, x, n, v, out_l, out_r);
}

}  // namespace fx::reverb_tail

#endif
