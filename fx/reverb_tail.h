// The Reverb's tail several elements to a register: the modulated read
// positions of every element, and the network ("Algorithm" 1, the feedback
// delay network). For each element exactly the operations of the
// sample-by-sample form, so both give the same samples bit for bit. The
// SSE2 kernels run four elements to a register, the AVX2 kernels eight;
// fx::active_kernel() chooses between them.
#pragma once

#include "fx/reverb_structure.h"

namespace fx::reverb_tail {

// s.whole and s.eta for frames [0, n) of the chunk and elements [0, lanes):
// the first allpass's length swept by `excursion` samples (at most
// s.excursion_limit) times the sine at the LFO's phase plus the element's
// offset, read with first-order allpass interpolation. lanes: a multiple
// of eight for AVX2, else of four, up to s.lanes.
void modulate(structure& s, int lanes, const float* phase, const float* excursion, int n);

// The values the network reads that the structure does not hold.
struct network_values {
  float ap_gain1, ap_gain2;  // the first (modulated) and second allpass gains
  float shelf_g;             // the low shelf's one-pole coefficient
  float norm;                // the output scale for s.n elements
};

// Frames [0, n) of the chunk through the network of s (not a ring), n up to
// mod_chunk, with s.whole and s.eta worked out for the lanes of the active
// kernel. x: the diffused input per channel; out_l, out_r: the sums of the
// taps, scaled by norm. No allocation, no locks.
void network(structure& s, const float (*x)[mod_chunk], int n, const network_values& v, float* out_l, float* out_r);

namespace detail {
void modulate_sse2(structure& s, int lanes, const float* phase, const float* excursion, int n);
void network_sse2(structure& s, const float (*x)[mod_chunk], int n, const network_values& v, float* out_l,
                  float* out_r);
// Only for a CPU with AVX2. memory: s.memory.get() (the AVX2 file calls no
// inline function of a shared header).
void modulate_avx2(structure& s, int lanes, const float* phase, const float* excursion, int n);
void network_avx2(structure& s, float* memory, const float (*x)[mod_chunk], int n, const network_values& v,
                  float* out_l, float* out_r);
}  // namespace detail

}  // namespace fx::reverb_tail
