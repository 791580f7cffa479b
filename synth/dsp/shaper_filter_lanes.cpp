#include "synth/dsp/shaper_filter_lanes.h"

#include <algorithm>
#include <array>
#include <utility>

#include "synth/dsp/svf_lanes.h"

namespace synth::shaper_filter_lanes {

namespace {

static_assert(max_lanes <= svf_lanes::max_held_lanes, "the state-variable forms run in one svf_lanes run");

// The one-pole forms, lane by lane at each sample: count is a constant, so
// the loop unrolls into count independent chains.
template <int mode, int count>
void one_pole_lanes(const lane* lanes, int n) {
  shaper_filter::integrators s[count];
  int32_t f[count];
  for (int l = 0; l < count; ++l) s[l] = lanes[l].filter->state(), f[l] = lanes[l].filter->coefficient();
  for (int i = 0; i < n; ++i)
    for (int l = 0; l < count; ++l) lanes[l].y[i] = shaper_filter::one_pole_step<mode>(s[l], lanes[l].x[i], f[l]);
  for (int l = 0; l < count; ++l) lanes[l].filter->set_state(s[l]);
}

using one_pole_fn = void (*)(const lane*, int);

template <int mode, int... counts>
constexpr auto one_pole_row(std::integer_sequence<int, counts...>) {
  return std::array<one_pole_fn, sizeof...(counts)>{&one_pole_lanes<mode, counts + 1>...};
}

// [mode_index][count - 1]
constexpr std::array<std::array<one_pole_fn, max_lanes>, 4> one_pole_kernels = {
    one_pole_row<0>(std::make_integer_sequence<int, max_lanes>{}),
    one_pole_row<1>(std::make_integer_sequence<int, max_lanes>{}),
    one_pole_row<2>(std::make_integer_sequence<int, max_lanes>{}),
    one_pole_row<3>(std::make_integer_sequence<int, max_lanes>{}),
};

// The state-variable forms: the main filter's 12 dB linear variant of the
// same mode index at the filter's coefficient and damping (svf_lanes'
// held form). The integrators map low = s1, band = s2.
void state_variable_lanes(const lane* lanes, int count, int n) {
  svf_lanes::held_lane held[max_lanes];
  for (int l = 0; l < count; ++l) {
    const shaper_filter& filter = *lanes[l].filter;
    const shaper_filter::integrators s = filter.state();
    held[l] = {{s.s1, s.s2, 0, 0}, lanes[l].x, filter.coefficient(), filter.damping(), lanes[l].y};
  }
  svf_lanes::run_held(lanes[0].filter->form() & 3, held, count, n);
  for (int l = 0; l < count; ++l) lanes[l].filter->set_state({held[l].state.low, held[l].state.band});
}

}  // namespace

void run(const lane* lanes, int count, int n) {
  if (count <= 0 || n <= 0) return;
  count = std::min(count, max_lanes);
  const int form = lanes[0].filter->form();
  if (form >= 4) {
    state_variable_lanes(lanes, count, n);
  } else {
    one_pole_kernels[size_t(form)][size_t(count - 1)](lanes, n);
  }
}

}  // namespace synth::shaper_filter_lanes
