// Cost per sample of the voice filters: the sixteen main filter variants,
// the audio-rate FMod / QMod path, four main filters run in lanes (per
// filter-sample, each kernel), their coefficients under FMod one by one and
// in lanes, and the eight shaper filter forms.
// Each iteration filters a block of full-scale noise at a resonant mid
// cutoff; the "per_sample" counter is the time per sample.
#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "synth/dsp/noise_generator.h"
#include "synth/dsp/shaper_filter.h"
#include "synth/dsp/state_variable_filter.h"
#include "synth/dsp/svf_lanes.h"

namespace {

constexpr float rate = 44100.f;
constexpr size_t block = 4096;

const synth::cutoff_table& table() {
  static const synth::cutoff_table t = [] {
    synth::cutoff_table c;
    c.init(rate);
    return c;
  }();
  return t;
}

const std::vector<int32_t>& noise_block() {
  static const std::vector<int32_t> x = [] {
    std::vector<int32_t> v(block);
    synth::noise_generator n;
    for (auto& s : v) n.next(), s = n.out16 * 128;  // 1 unit full scale
    return v;
  }();
  return x;
}

synth::filter_controls mid_controls(int32_t saturation) {
  synth::filter_controls c;
  c.frequency = 0x14000000;  // v = 0.625: about 1.7 kHz
  c.resonance = 0.7f;
  c.saturation = saturation;
  return c;
}

void count_samples(benchmark::State& state) {
  state.counters["per_sample"] = benchmark::Counter(
      double(block), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Variant index (mode_index + 4 * 24 dB + 8 * saturating) to the "Mode" menu.
int32_t menu_mode(int variant) {
  constexpr std::array<int32_t, 4> menu_of_index = {1, 3, 2, 4};  // low, band, high, notch
  return menu_of_index[variant & 3] + ((variant & 4) ? 4 : 0);
}

void bm_main_filter(benchmark::State& state) {
  const int variant = int(state.range(0));
  synth::state_variable_filter f;
  f.init(&table(), rate);
  f.set_mode(menu_mode(variant));
  f.update(mid_controls((variant & 8) ? 0x60000000 : 0));
  if (f.variant() != variant) state.SkipWithError("variant not selected");
  const auto& x = noise_block();
  int64_t sum = 0;
  for (auto _ : state) {
    for (int32_t s : x) sum += f.process(s);
    benchmark::DoNotOptimize(sum);
  }
  count_samples(state);
  static const char* names[] = {"low12", "band12", "high12", "notch12", "low24", "band24", "high24", "notch24"};
  state.SetLabel(std::string(names[variant & 7]) + ((variant & 8) ? " sat" : ""));
}
BENCHMARK(bm_main_filter)->DenseRange(0, 15);

// FMod and QMod both on: the 500 Hz smoother, a table lookup, the damping
// limit and the saturation coefficients every sample, then the filter.
void bm_main_filter_audio_rate_mod(benchmark::State& state) {
  const bool saturating = state.range(0) != 0;
  synth::filter_controls c = mid_controls(saturating ? 0x60000000 : 0);
  c.fmod = 0.5f;
  c.qmod = 0.3f;
  synth::state_variable_filter f;
  f.init(&table(), rate);
  f.set_mode(1);
  f.update(c);
  const auto& x = noise_block();
  int64_t sum = 0;
  for (auto _ : state) {
    for (int32_t s : x) {
      f.modulate(float(s) * (1.f / 4194304.f), c);
      sum += f.process(s);
    }
    benchmark::DoNotOptimize(sum);
  }
  count_samples(state);
  state.SetLabel(saturating ? "low12 sat" : "low12");
}
BENCHMARK(bm_main_filter_audio_rate_mod)->Arg(0)->Arg(1);

// Four or eight (arg 2) filters of one variant in lanes, 256-sample runs
// over the noise block (each lane a different stretch of it), with the
// coefficient arrays filled beforehand as the voice fills them, the scalar
// kernel (arg 1: 0), the AVX2 one (1), or the AVX2 one from columns (2).
// "per_sample" is per filter-sample.
void bm_main_filter_lanes(benchmark::State& state) {
  using namespace synth;
  constexpr int run = svf_lanes::max_block;
  const int variant = int(state.range(0));
  const int lanes = int(state.range(2));
  const bool from_columns = state.range(1) == 2;
  const auto k = from_columns ? svf_lanes::kernel::avx2 : svf_lanes::kernel(state.range(1));
  if (k == svf_lanes::kernel::avx2 && !svf_lanes::avx2_available()) {
    state.SkipWithError("no AVX2 on this CPU");
    return;
  }
  svf_lanes::force_kernel(k);
  state_variable_filter f;
  f.init(&table(), rate);
  f.set_mode(menu_mode(variant));
  f.update(mid_controls((variant & 8) ? 0x60000000 : 0));
  std::array<std::vector<int32_t>, 5> coefficients;  // f, q, limit, a, bias
  for (auto& v : coefficients) v.resize(block);
  for (size_t i = 0; i < block; ++i) {
    coefficients[0][i] = f.coefficient(), coefficients[1][i] = f.damping();
    coefficients[2][i] = f.damping_limit(), coefficients[3][i] = f.saturation_gain().a;
    coefficients[4][i] = f.saturation_gain().bias;
  }
  using column = state_variable_filter::column;
  std::array<std::vector<std::array<int32_t, 8>>, 5> columns;  // the same, eight lanes to a row
  for (int c = 0; c < 5; ++c) {
    columns[size_t(c)].resize(block);
    for (size_t i = 0; i < block; ++i) columns[size_t(c)][i].fill(coefficients[size_t(c)][i]);
  }
  const auto column_at = [&](int c, size_t at) { return reinterpret_cast<column*>(columns[size_t(c)][at].data()); };
  const auto& x = noise_block();
  std::vector<int32_t> y(block * lanes);
  std::array<svf_lanes::lane, svf_lanes::max_lanes> l{};
  for (auto _ : state) {
    for (size_t at = 0; at < block; at += run) {
      for (int i = 0; i < lanes; ++i) {
        const size_t from = (at + size_t(i) * 1024) % block;
        l[i] = {l[i].state,          x.data() + from,  coefficients[0].data() + at,
                coefficients[1].data() + at, coefficients[2].data() + at, coefficients[3].data() + at,
                coefficients[4].data() + at, y.data() + i * block + at};
      }
      if (from_columns) {
        svf_lanes::run_columns(variant, l.data(), lanes, run,
                               {column_at(0, at), column_at(1, at), column_at(2, at), column_at(3, at),
                                column_at(4, at)});
      } else {
        svf_lanes::run(variant, l.data(), lanes, run);
      }
    }
    benchmark::DoNotOptimize(y.data());
    benchmark::ClobberMemory();
  }
  state.counters["per_sample"] = benchmark::Counter(
      double(block * lanes), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  static const char* names[] = {"low12", "band12", "high12", "notch12", "low24", "band24", "high24", "notch24"};
  state.SetLabel(std::string(names[variant & 7]) + ((variant & 8) ? " sat" : "") +
                 (from_columns ? " avx2 columns " : k == svf_lanes::kernel::avx2 ? " avx2 " : " scalar ") +
                 std::to_string(lanes));
}
BENCHMARK(bm_main_filter_lanes)->ArgsProduct({{0, 4, 12, 15}, {0, 1, 2}, {4, 8}});

// The per-sample coefficients of four saturating filters under FMod (the
// smoothed mixer given), 256-sample runs with a control tick every 32
// samples: each filter's controls_block (arg 0), or the four together in
// controls_lanes with the scalar (1) or AVX2 (2) kernel, or in
// controls_columns (3, AVX2). "per_sample" is per filter-sample.
void bm_main_filter_coefficients(benchmark::State& state) {
  using namespace synth;
  constexpr int lanes = state_variable_filter::max_control_lanes, run = svf_lanes::max_block;
  const int how = int(state.range(0));
  if (how >= 2 && !svf_lanes::avx2_available()) {
    state.SkipWithError("no AVX2 on this CPU");
    return;
  }
  svf_lanes::force_kernel(how >= 2 ? svf_lanes::kernel::avx2 : svf_lanes::kernel::scalar);
  std::array<state_variable_filter, lanes> filters;
  std::array<filter_controls, lanes> controls;
  std::vector<int32_t> cutoff_mod(block);
  std::vector<uint8_t> due(block);
  for (size_t i = 0; i < block; ++i) cutoff_mod[i] = int32_t(i * 7) & 0x3FFF, due[i] = i % 32 == 0;
  const auto& x = noise_block();
  std::vector<float> smoothed(block);
  for (size_t i = 0; i < block; ++i) smoothed[i] = float(x[i]) / 4194304.f;  // about +-1
  for (int l = 0; l < lanes; ++l) {
    controls[l] = mid_controls(0x60000000);
    controls[l].fmod = 0.2f * float(l + 1);
    filters[l].init(&table(), rate);
    filters[l].update(controls[l]);
  }
  std::array<std::vector<int32_t>, 5> out;  // f, q, limit, a, bias of all lanes
  for (auto& v : out) v.resize(block * lanes);
  std::array<std::vector<std::array<int32_t, lanes>>, 5> columns;  // controls_columns' f, q, limit2, a, bias
  for (auto& c : columns) c.resize(run);
  const auto column_of = [&](int c) {
    return reinterpret_cast<state_variable_filter::column*>(columns[size_t(c)].data());
  };
  std::array<state_variable_filter::control_lane, lanes> group;
  for (auto _ : state) {
    for (size_t at = 0; at < block; at += run) {
      for (int l = 0; l < lanes; ++l) {
        const size_t from = (at + size_t(l) * 1024) % block, to = size_t(l) * block + at;
        group[l] = {&filters[l], &controls[l], cutoff_mod.data() + at, due.data() + at, smoothed.data() + from,
                    {out[0].data() + to, out[1].data() + to, out[2].data() + to, out[3].data() + to,
                     out[4].data() + to}};
        if (how == 0) {
          filters[l].controls_block(controls[l], group[l].cutoff_mod, group[l].due, nullptr, group[l].smoothed, run,
                                    group[l].out);
        }
      }
      if (how == 1 || how == 2) state_variable_filter::controls_lanes(group.data(), lanes, run);
      if (how == 3) {
        state_variable_filter::controls_columns(
            group.data(), lanes, run,
            {column_of(0), column_of(1), column_of(2), column_of(3), column_of(4)});
      }
    }
    benchmark::DoNotOptimize(out[0].data());
    benchmark::ClobberMemory();
  }
  state.counters["per_sample"] = benchmark::Counter(
      double(block * lanes), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  static const char* names[] = {"each controls_block", "lanes scalar", "lanes avx2", "columns avx2"};
  state.SetLabel(names[how]);
}
BENCHMARK(bm_main_filter_coefficients)->Arg(0)->Arg(1)->Arg(2)->Arg(3);

void bm_shaper_filter(benchmark::State& state) {
  const int32_t mode = int32_t(state.range(0));
  synth::shaper_filter f;
  f.init(&table());
  f.set_mode(mode);
  f.update(0x14000000, 0, 0.7f);
  const auto& x = noise_block();
  int64_t sum = 0;
  for (auto _ : state) {
    for (int32_t s : x) sum += f.process(s);
    benchmark::DoNotOptimize(sum);
  }
  count_samples(state);
  static const char* names[] = {"", "low6", "high6", "band6", "notch6", "low12", "high12", "band khn", "notch khn"};
  state.SetLabel(names[mode]);
}
BENCHMARK(bm_shaper_filter)->DenseRange(1, 8);

}  // namespace

BENCHMARK_MAIN();
