// Running a test once on each lane kernel the CPU has: the SSE2 baseline
// always, AVX2 where the CPU offers it.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "synth/dsp/svf_lanes.h"

namespace test_support {

// A float's bits, for comparing kernels' outputs bit for bit (NaNs and
// signed zeros included, which == would not tell apart).
inline uint32_t float_bits(float x) {
  uint32_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

inline std::vector<synth::svf_lanes::kernel> available_kernels() {
  std::vector<synth::svf_lanes::kernel> k{synth::svf_lanes::kernel::scalar};
  if (synth::svf_lanes::avx2_available()) k.push_back(synth::svf_lanes::kernel::avx2);
  return k;
}

inline const char* kernel_name(synth::svf_lanes::kernel k) {
  return k == synth::svf_lanes::kernel::avx2 ? "AVX2" : "SSE2";
}

// Forces one kernel for a scope and puts back the one in force before, also
// when a fatal assertion leaves the test early (the next test must not run
// on a kernel it did not choose).
class forced_kernel {
 public:
  explicit forced_kernel(synth::svf_lanes::kernel k) : before_(synth::svf_lanes::active_kernel()) {
    synth::svf_lanes::force_kernel(k);
  }
  ~forced_kernel() { synth::svf_lanes::force_kernel(before_); }
  forced_kernel(const forced_kernel&) = delete;
  forced_kernel& operator=(const forced_kernel&) = delete;

 private:
  synth::svf_lanes::kernel before_;
};

}  // namespace test_support
