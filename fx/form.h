// The two forms of the effects' costliest loops: sample by sample, as they
// were first written (plain), and the forms in use (fast): several delay
// lines or filters to a register, and the work that does not depend on the
// signal (read positions, glides) done ahead for a piece of a block. Both
// give the same samples bit for bit; the plain form stays as the yardstick
// the tests hold the fast one to.
#pragma once

namespace fx {

enum class form { plain, fast };

form active_form();
// Tests and benchmarks: run one form or the other.
void force_form(form f);

}  // namespace fx
