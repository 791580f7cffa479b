// state_variable_filter::controls_lanes and controls_columns: the filters'
// state into plain lane records, the AVX2 kernel over them (padded out to
// eight lanes), the state back. Where AVX2 is not in use, each filter runs
// its own controls_block (rows only): its loop has no chain from sample to
// sample but the damping's, so the out-of-order core overlaps the samples
// already.
#include <algorithm>

#include "synth/dsp/svf_control_lanes.h"
#include "synth/dsp/svf_lanes.h"

namespace synth {

namespace {

using svf_lanes::control_run;

// Outputs of the lanes that pad a run out to eight: written, never read.
struct dropped_run {
  int32_t f[svf_lanes::max_block], q[svf_lanes::max_block], limit[svf_lanes::max_block],
      sat_a[svf_lanes::max_block], sat_bias[svf_lanes::max_block];
};

// Runs of at most max_block samples (the length of the padding lanes' outputs).
void run_padded(control_run* runs, int count, int n, const svf_lanes::coefficient_columns* columns) {
  dropped_run dropped;
  for (int l = count; l < svf_lanes::control_lanes; ++l) {
    runs[l] = runs[0];
    runs[l].out = {dropped.f, dropped.q, dropped.limit, dropped.sat_a, dropped.sat_bias};
  }
  for (int done = 0; done < n; done += svf_lanes::max_block) {
    const int part = std::min(n - done, svf_lanes::max_block);
    control_run moved[svf_lanes::control_lanes];
    for (int l = 0; l < svf_lanes::control_lanes; ++l) {
      moved[l] = runs[l];
      const int at = l < count ? done : 0;
      moved[l].cutoff_mod += done;
      moved[l].due += done;
      moved[l].smoothed += done;
      const auto& o = runs[l].out;
      moved[l].out = {o.f + at, o.q + at, o.limit + at, o.sat_a + at, o.sat_bias + at};
    }
    if (columns) {
      const svf_lanes::coefficient_columns part_columns = columns->from(done);
      svf_lanes::detail::controls_avx2(moved, part, &part_columns);
    } else {
      svf_lanes::detail::controls_avx2(moved, part, nullptr);
    }
    for (int l = 0; l < svf_lanes::control_lanes; ++l) {
      moved[l].cutoff_mod = runs[l].cutoff_mod;
      moved[l].due = runs[l].due;
      moved[l].smoothed = runs[l].smoothed;
      moved[l].out = runs[l].out;
      runs[l] = moved[l];
    }
  }
}

}  // namespace

state_variable_filter::coefficient_columns state_variable_filter::coefficient_columns::from(int at) const {
  return {f + at, q + at, limit2 + at, sat_a + at, sat_bias + at};
}

bool state_variable_filter::vector_lanes(const control_lane* lanes, int count) {
#if defined(VORN_AVX2_KERNEL)
  bool shared_table = true;
  for (int l = 1; l < count; ++l) shared_table &= lanes[l].filter->table_ == lanes[0].filter->table_;
  return shared_table && svf_lanes::active_kernel() == svf_lanes::kernel::avx2;
#else
  (void)lanes, (void)count;
  return false;
#endif
}

// The AVX2 kernel over the filters' state in plain lane records (padded out
// to eight lanes), the state back.
void state_variable_filter::vector_controls(const control_lane* lanes, int count, int n,
                                            const coefficient_columns* columns) {
#if defined(VORN_AVX2_KERNEL)
  control_run runs[svf_lanes::control_lanes];
  for (int l = 0; l < count; ++l) {
    const control_lane& c = lanes[l];
    const state_variable_filter& s = *c.filter;
    runs[l] = {s.table_->entries(), c.controls->frequency >> 15, svf::damping_from_resonance(c.controls->resonance),
               c.controls->saturation, c.controls->fmod, s.saturating_, c.cutoff_mod, c.due, c.smoothed, c.out,
               s.cutoff_, s.f_, s.q_, s.limit_, s.sat_.a, s.sat_.bias};
  }
  run_padded(runs, count, n, columns);
  for (int l = 0; l < count; ++l) {
    state_variable_filter& s = *lanes[l].filter;
    const control_run& r = runs[l];
    s.cutoff_ = r.cutoff;
    s.f_ = r.f;
    s.q_ = r.q;
    s.limit_ = r.limit;
    s.sat_ = {r.sat_a, r.sat_bias};
  }
#else
  (void)lanes, (void)count, (void)n, (void)columns;
#endif
}

void state_variable_filter::controls_lanes(const control_lane* lanes, int count, int n) {
  if (count <= 0 || n <= 0) return;
  count = std::min(count, max_control_lanes);
  if (vector_lanes(lanes, count)) {
    vector_controls(lanes, count, n, nullptr);
    return;
  }
  for (int l = 0; l < count; ++l) {
    const control_lane& c = lanes[l];
    c.filter->controls_block(*c.controls, c.cutoff_mod, c.due, nullptr, c.smoothed, n, c.out);
  }
}

bool state_variable_filter::controls_columns(const control_lane* lanes, int count, int n,
                                             const coefficient_columns& out) {
  count = std::min(count, max_control_lanes);
  if (count <= 0 || !vector_lanes(lanes, count)) return false;
  if (n > 0) vector_controls(lanes, count, n, &out);
  return true;
}

}  // namespace synth
