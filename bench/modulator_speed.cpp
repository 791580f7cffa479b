// Cost of one control tick of an envelope (per stage) and of an LFO (per
// shape, with and without a running delay). Each voice runs two of each per
// sample, so at 48 kHz and 64 voices one nanosecond here is about 0.6 % of
// one core.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "synth/dsp/envelope.h"
#include "synth/dsp/lfo.h"

namespace {

constexpr float control_rate = 48000.f;
constexpr int ticks_per_iteration = 256;

// Seconds per unit (shown with an SI prefix: "3.2n" is 3.2 ns).
void count_time_per(benchmark::State& state, const char* name, int units_per_iteration) {
  state.counters[name] = benchmark::Counter(units_per_iteration,
                                            benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
void count_ticks(benchmark::State& state) { count_time_per(state, "per_tick", ticks_per_iteration); }

// Puts the envelope into stage s with the longest times, so it stays there.
void enter_stage(synth::envelope& e, synth::envelope::stage_id s) {
  using env = synth::envelope;
  e.init(control_rate);
  e.set_attack(s == env::attack ? 1.f : 0.f);
  e.set_decay(1.f);
  e.set_sustain(0.5f);
  e.set_release(1.f);
  if (s == env::idle) return;
  e.gate_on();
  while (e.stage() < s && e.stage() != env::sustain) e.tick();
  if (s == env::decay) {  // a decay of 40 s: restart it from the top
    e.reset();
    e.set_attack(0.f);
    e.gate_on();
    while (e.stage() == env::attack) e.tick();
  }
  if (s == env::release) e.gate_off();
}

void envelope_tick(benchmark::State& state) {
  auto s = synth::envelope::stage_id(state.range(0));
  synth::envelope e;
  enter_stage(e, s);
  for (auto _ : state) {
    for (int i = 0; i < ticks_per_iteration; ++i) {
      e.tick();
      benchmark::DoNotOptimize(e.level());
    }
    if (e.stage() != s) {
      state.PauseTiming();
      enter_stage(e, s);
      state.ResumeTiming();
    }
  }
  count_ticks(state);
}
BENCHMARK(envelope_tick)->ArgName("stage")->DenseRange(0, 4);

void envelope_skip_block(benchmark::State& state) {
  synth::envelope e;
  enter_stage(e, synth::envelope::release);
  for (auto _ : state) {
    for (int i = 0; i < ticks_per_iteration; ++i) {
      e.skip(128);  // a silent voice, one block of 128 frames
      benchmark::DoNotOptimize(e.level());
    }
    if (e.stage() != synth::envelope::release) {
      state.PauseTiming();
      enter_stage(e, synth::envelope::release);
      state.ResumeTiming();
    }
  }
  count_time_per(state, "per_block", ticks_per_iteration);
}
BENCHMARK(envelope_skip_block);

void lfo_tick(benchmark::State& state) {
  int16_t noise = 12345;
  synth::lfo m;
  m.init(control_rate, &noise, 1);
  m.set_shape(int32_t(state.range(0)));
  m.set_rate(0.6f);
  m.set_width(0.3f);
  bool delayed = state.range(1) != 0;
  m.set_delay(delayed ? 1.f : 0.f);  // 5.5 s
  m.note_start();
  for (auto _ : state) {
    for (int i = 0; i < ticks_per_iteration; ++i) {
      noise = int16_t(noise * 75 + 74);  // a cheap changing input for Noise and Random
      m.tick();
      benchmark::DoNotOptimize(m.output());
    }
    if (delayed && m.delay_ended()) m.note_start();
  }
  count_ticks(state);
}
BENCHMARK(lfo_tick)->ArgNames({"shape", "delay"})->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}});

}  // namespace

BENCHMARK_MAIN();
