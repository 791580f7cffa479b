#include "sequencer/song.h"

namespace sequencer {

namespace {
const cell empty_cell{};
}

const cell& song::at(int32_t pos, int32_t channel, int32_t row) const {
  if (pos < 0 || pos >= length() || channel < 0 || channel >= channels || row < 0 || row >= rows_per_pattern)
    return empty_cell;
  const track_ref& t = positions[size_t(pos)][size_t(channel)];
  if (t.pattern < 0 || t.pattern >= pattern_count) return empty_cell;
  return cells[size_t(t.pattern) * size_t(rows_per_pattern) + size_t(row)];
}

void song::make_patterns(int32_t count) {
  pattern_count = count < 0 ? 0 : count;
  cells.assign(size_t(pattern_count) * size_t(rows_per_pattern), cell{});
}

}  // namespace sequencer
