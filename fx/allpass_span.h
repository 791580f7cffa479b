// Schroeder's allpass (delay_line::allpass) over a block of samples in
// place, eight samples to an AVX2 register.
#pragma once

namespace fx {

// Runs x[0, m) through the allpass on line buf (size entries, next write
// pos, gain g) for the largest m that is a multiple of eight, at most n,
// and keeps every block of eight clear of the line's wrap: each sample the
// same operations as delay_line::allpass. Advances pos; returns m. Only
// for a CPU with AVX2, and a line of at least eight entries (so a block's
// reads come before its writes).
int allpass_span_avx2(float* buf, int size, int& pos, float* x, int n, float g);

}  // namespace fx
