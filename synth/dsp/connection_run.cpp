#include "synth/dsp/connection_run.h"

#include "synth/dsp/svf_lanes.h"

namespace synth::modulation {

void detail::add_run_scalar(int32_t* dest, const int32_t* src, source_scale scale, int32_t depth, int n) {
  if (scale == source_scale::env15) {
    for (int i = 0; i < n; ++i) dest[i] = connect(dest[i], src[i] >> 15, depth, 0);
  } else {
    for (int i = 0; i < n; ++i) dest[i] = connect(dest[i], src[i], depth, 0);
  }
}

void detail::add_run_onto_scalar(int32_t* dest, int32_t base, const int32_t* src, source_scale scale, int32_t depth,
                                 int n) {
  if (scale == source_scale::env15) {
    for (int i = 0; i < n; ++i) dest[i] = connect(base, src[i] >> 15, depth, 0);
  } else {
    for (int i = 0; i < n; ++i) dest[i] = connect(base, src[i], depth, 0);
  }
}

void add_run(int32_t* dest, const int32_t* src, source_scale scale, int32_t depth, int n) {
  if (svf_lanes::active_kernel() == svf_lanes::kernel::avx2) {
    detail::add_run_avx2(dest, src, scale, depth, n);
  } else {
    detail::add_run_scalar(dest, src, scale, depth, n);
  }
}

void add_run_onto(int32_t* dest, int32_t base, const int32_t* src, source_scale scale, int32_t depth, int n) {
  if (svf_lanes::active_kernel() == svf_lanes::kernel::avx2) {
    detail::add_run_onto_avx2(dest, base, src, scale, depth, n);
  } else {
    detail::add_run_onto_scalar(dest, base, src, scale, depth, n);
  }
}

}  // namespace synth::modulation
