// The Reverb's network tail (the feedback delay network, "Algorithm" 1)
// several elements to a register: for each element exactly the operations
// of the sample-by-sample form and the same mixing, so both give the same
// samples bit for bit. The SSE2 kernel runs four elements to a register,
// the AVX2 kernel eight; fx::active_kernel() chooses between them.
#pragma once

#include "fx/reverb_structure.h"

namespace fx::reverb_tail {

// The values the network reads that the structure does not hold.
struct network_values {
  float ap_gain1, ap_gain2;  // the first (modulated) and second allpass gains
  float shelf_g;             // the low shelf's one-pole coefficient
  float norm;                // the output scale for s.n elements
};

// Frames [0, n) of the chunk through the network of s (not a ring), n up to
// mod_chunk, with s.whole and s.eta worked out for them. x: the diffused
// input per channel; out_l, out_r: the sums of the taps, scaled by norm.
// No allocation, no locks.
void network(structure& s, const float (*x)[mod_chunk], int n, const network_values& v, float* out_l, float* out_r);

namespace detail {
void network_sse2(structure& s, const float (*x)[mod_chunk], int n, const network_values& v, float* out_l,
                  float* out_r);
// Only for a CPU with AVX2. memory: s.memory.get() (the AVX2 file calls no
// inline function of a shared header).
void network_avx2(structure& s, float* memory, const float (*x)[mod_chunk], int n, const network_values& v,
                  float* out_l, float* out_r);
}  // namespace detail

}  // namespace fx::reverb_tail
