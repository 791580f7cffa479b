// The two forms of the effects' costliest loops: sample by sample, as they
// were first written (plain), and the forms in use (fast): several delay
// lines or filters to a register, and the work that does not depend on the
// signal (read positions, glides) done ahead for a piece of a block. Both
// give the same samples bit for bit; the plain form stays as the yardstick
// the tests hold the fast one to.
//
// The fast forms' registers: SSE2's four floats everywhere, AVX2's eight
// where the CPU (and its OS) have them; again the same samples either way.
#pragma once

namespace fx {

enum class form { plain, fast };

form active_form();
// Tests and benchmarks: run one form or the other.
void force_form(form f);

enum class kernel { sse2, avx2 };
// The kernel the fast forms use: avx2 where the CPU has it, else sse2.
kernel active_kernel();
// Tests and benchmarks: run one kernel or the other. avx2 on a CPU without
// it (or in a build without the AVX2 kernels) is ignored.
void force_kernel(kernel k);
bool avx2_available();

}  // namespace fx
