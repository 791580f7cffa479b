// Up to eight main filters of one variant run together for a block, each in
// its own lane: the integrator chains of different voices are independent,
// so running them side by side hides the latency of one chain of dependent
// 64-bit products. The caller computes every per-sample coefficient
// beforehand (under FMod they follow the mixer signal, never the
// integrators); the lanes then give exactly what process() gives, bit for
// bit, outputs and final integrators alike.
//
// Two kernels: a portable one that interleaves the lanes sample by sample
// (SSE2 baseline, any x86), and an AVX2 one with one 64-bit lane per filter,
// four filters to a register and up to two registers' sets side by side,
// picked once by CPU detection.
#pragma once

#include <cstdint>

#include "synth/dsp/state_variable_filter.h"

namespace synth::svf_lanes {

constexpr int max_lanes = 8;
constexpr int max_block = 256;  // samples per run

// One filter's block. Every array holds n values, sample i's entry being
// what the filter's accessor returns just before that sample's process().
struct lane {
  state_variable_filter::integrators state;  // in: state(); out: the state after n samples
  const int32_t* x;         // process() inputs
  const int32_t* f;         // coefficient()
  const int32_t* q;         // damping()
  const int32_t* limit;     // damping_limit(); read by the 24 dB forms only
  const int32_t* sat_a;     // saturation_gain().a; read by the saturating forms only
  const int32_t* sat_bias;  // saturation_gain().bias; likewise
  int32_t* y;               // process() results
};

// variant = state_variable_filter::variant(), the same for every lane;
// count in 1..max_lanes, n in 0..max_block. No allocation, no locks.
void run(int variant, lane* lanes, int count, int n);

// run with the coefficients as columns (state_variable_filter::
// controls_columns): lane l's from column l, for every lane up to the next
// whole set of four (the lanes beyond count run on silence, their outputs
// dropped); the lanes' f, q, limit, sat_a and sat_bias are not read. Only
// while the AVX2 kernel is active (controls_columns returned true).
using coefficient_columns = state_variable_filter::coefficient_columns;
void run_columns(int variant, lane* lanes, int count, int n, const coefficient_columns& columns);

// Filters of a 12 dB linear variant (0..3) whose coefficient and damping
// hold through the block (the shaper's filter): up to max_held_lanes side
// by side, each lane exactly what run gives with f and q at every sample.
constexpr int max_held_lanes = 8;
struct held_lane {
  state_variable_filter::integrators state;  // low and band; low2 and band2 are left as they are
  const int32_t* x;
  int32_t f, q;
  int32_t* y;  // may be x
};
// count in 1..max_held_lanes, n >= 0. No allocation, no locks.
void run_held(int variant, held_lane* lanes, int count, int n);

enum class kernel { scalar, avx2 };
// The kernel run (and state_variable_filter::controls_lanes) uses: AVX2
// where the CPU (and OS) have it, else scalar.
kernel active_kernel();
// Tests and benchmarks: run one path or the other. avx2 on a CPU without it
// (or a build without the AVX2 kernel) is ignored.
void force_kernel(kernel k);
bool avx2_available();

namespace detail {
void run_scalar(int variant, lane* lanes, int count, int n);
// Exactly 4 * sets lanes, sets 1 or 2, any n. Only for a CPU with AVX2.
// columns null: the coefficients from the lanes' rows.
void run_avx2(int variant, lane* lanes, int sets, int n, const coefficient_columns* columns);
void run_held_scalar(int variant, held_lane* lanes, int count, int n);
// Exactly 4 * sets lanes, sets 1 or 2, n up to max_block. Only for a CPU with AVX2.
void run_held_avx2(int variant, held_lane* lanes, int sets, int n);
}  // namespace detail

}  // namespace synth::svf_lanes
