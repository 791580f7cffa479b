// insert_correction_rows against insert_correction, the definition it
// follows: for both residual tables, from every ring position, over rings
// that already hold corrections, at sub-sample times across [0, 1), on the
// table's edges and outside it (held to the range, NaN as 0), the ring ends
// the same bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "synth/dsp/correction_rows.h"

using namespace synth;

namespace {

void expect_same_ring(const correction_ring& got, const correction_ring& expect) {
  EXPECT_EQ(got.index, expect.index);
  EXPECT_EQ(got.pending, expect.pending);
  EXPECT_EQ(got.current, expect.current);
  for (int32_t s = 0; s < correction_ring::size; ++s) ASSERT_EQ(got.slots[s], expect.slots[s]) << "slot " << s;
}

}  // namespace

TEST(correction_rows, insertion_is_insert_correction_bit_for_bit) {
  struct table_pair {
    const band_limit_table& table;
    const correction_rows& rows;
  };
  const table_pair tables[] = {{minblep, minblep_by_phase}, {minblamp, minblamp_by_phase}};
  const float times[] = {0.f,    1e-7f, 0.0625f, 0.13f, 0.5f, 0.77f, 0.9375f, 0.96f, std::nextafter(1.f, 0.f),
                         1.f,    1.7f,  -0.2f,   std::numeric_limits<float>::quiet_NaN()};
  for (const table_pair& tp : tables) {
    for (int32_t index = 0; index < correction_ring::size; ++index) {
      for (float t : times) {
        SCOPED_TRACE(std::string(tp.table.name) + ", index " + std::to_string(index) + ", t " + std::to_string(t));
        correction_ring a, b;
        a.index = b.index = index;
        // Earlier corrections in the ring, not yet popped.
        for (int32_t s = 0; s < correction_ring::size; ++s) a.slots[s] = b.slots[s] = 0.01f * float(s * s - 7 * s + 3);
        a.pending = b.pending = 5;
        insert_correction(a, tp.table, t, -1.37f);
        insert_correction_rows(b, tp.rows, t, -1.37f);
        expect_same_ring(b, a);
        if (HasFatalFailure()) return;
        // A second one at another time on top, then a few pops between.
        insert_correction(a, tp.table, 1.f - t * 0.5f, 2.f);
        insert_correction_rows(b, tp.rows, 1.f - t * 0.5f, 2.f);
        for (int32_t k = 0; k < 3; ++k) ASSERT_EQ(b.pop(), a.pop());
        insert_correction(a, tp.table, 0.3f, 0.25f);
        insert_correction_rows(b, tp.rows, 0.3f, 0.25f);
        expect_same_ring(b, a);
        if (HasFatalFailure()) return;
      }
    }
  }
}

TEST(correction_rows, rows_hold_the_table_by_phase) {
  for (int32_t j = 0; j <= blep_phases; ++j)
    for (int32_t k = 0; k < blep_taps; ++k) {
      for (int32_t twice : {0, blep_taps}) {
        ASSERT_EQ(minblep_by_phase.row[j][twice + k], minblep.data[k * blep_phases + j]) << j << " " << k;
        ASSERT_EQ(minblamp_by_phase.row[j][twice + k], minblamp.data[k * blep_phases + j]) << j << " " << k;
      }
    }
}
