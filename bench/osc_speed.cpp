// Cost of one oscillator sample per waveform, with hard sync, in multi-ramp
// mode with 16 ramps, and of the PCM player.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "synth/dsp/noise_generator.h"
#include "synth/dsp/oscillator.h"
#include "synth/dsp/pcm_player.h"

namespace {

constexpr float increment = 440.f / 44100.f;

void run(benchmark::State& state, synth::oscillator& o, synth::noise_generator& noise, synth::oscillator* master) {
  float sink = 0.f;
  for (auto _ : state) {
    noise.next();
    if (master) {
      synth::prepare_sync(o);
      master->render();
    }
    sink += o.render();
  }
  benchmark::DoNotOptimize(sink);
  state.SetItemsProcessed(state.iterations());
}

void setup(synth::oscillator& o, synth::noise_generator& noise, int32_t wf, float inc) {
  o.init(&noise.out_float);
  o.set_waveform(wf);
  o.set_increment(inc);
  o.render();
}

void bm_waveform(benchmark::State& state) {
  synth::noise_generator noise;
  synth::oscillator o;
  setup(o, noise, int32_t(state.range(0)), increment);
  state.SetLabel(synth::waveform_names[state.range(0)]);
  run(state, o, noise, nullptr);
}
BENCHMARK(bm_waveform)->DenseRange(1, 5);

void bm_hard_sync(benchmark::State& state) {
  synth::noise_generator noise;
  synth::oscillator master, slave;
  setup(master, noise, synth::waveform::ramp, increment);
  setup(slave, noise, int32_t(state.range(0)), increment * 2.37f);
  slave.set_sync_master(&master);
  state.SetLabel(synth::waveform_names[state.range(0)] + std::string(" slave + ramp master"));
  run(state, slave, noise, &master);
}
BENCHMARK(bm_hard_sync)->Arg(synth::waveform::ramp)->Arg(synth::waveform::pulse)->Arg(synth::waveform::triangle);

void bm_multi_ramp_16(benchmark::State& state) {
  synth::noise_generator noise;
  synth::oscillator o;
  setup(o, noise, synth::waveform::ramp, increment);
  o.set_saw_count(16);
  o.set_spread(0.5f);
  run(state, o, noise, nullptr);
}
BENCHMARK(bm_multi_ramp_16);

// The 16-ramp multi-ramp one sample at a time as a cross-modulated voice
// runs it: each sample's increment moved by the last output, so each sample
// waits for the one before; at 440 Hz (argument 0) or 1760 Hz, where
// several ramps wrap in most samples, and with a spread of 0.5.
void bm_multi_ramp_16_fed_back(benchmark::State& state) {
  synth::noise_generator noise;
  synth::oscillator o;
  const float pitch = increment * (state.range(0) != 0 ? 4.f : 1.f);
  setup(o, noise, synth::waveform::ramp, pitch);
  o.set_saw_count(16);
  o.set_spread(0.5f);
  float last = 0.f;
  for (auto _ : state) {
    o.set_increment(pitch * (1.f + 0.5f * last));
    last = o.render();
  }
  benchmark::DoNotOptimize(last);
  state.SetLabel(state.range(0) != 0 ? "1760 Hz" : "440 Hz");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(bm_multi_ramp_16_fed_back)->Arg(0)->Arg(1);

// A free-running oscillator in 64-sample blocks, as a voice renders it: with
// its increment fixed through the block (argument 0) or one of its own per
// sample, a slow vibrato (argument 1), at 440 Hz or two octaves up
// (argument 2). Items are samples.
void bm_block(benchmark::State& state) {
  constexpr int32_t block = 64;
  synth::noise_generator noise;
  synth::oscillator o;
  const int32_t wf = int32_t(state.range(0));
  const float pitch = increment * (state.range(2) != 0 ? 4.f : 1.f);
  setup(o, noise, wf, pitch);
  const bool per_sample = state.range(1) != 0;
  std::vector<float> inc(block), width(block, 0.5f), out(block);
  for (int32_t i = 0; i < block; ++i) inc[size_t(i)] = pitch * (1.f + 0.01f * std::sin(0.1f * float(i)));
  for (auto _ : state) {
    noise.next();
    if (per_sample)
      o.render_block(out.data(), block, inc.data(), width.data());
    else
      o.render_block(out.data(), block);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetLabel(synth::waveform_names[wf] + std::string(per_sample ? ", increment per sample" : "") +
                 (state.range(2) != 0 ? ", 1760 Hz" : ""));
  state.SetItemsProcessed(state.iterations() * block);
}
BENCHMARK(bm_block)->ArgsProduct({benchmark::CreateDenseRange(1, 5, 1), {0, 1}, {0, 1}});

// Two 16-ramp multi-ramps as a unison voice renders them, A and B an
// octave apart, in 64-sample blocks: together through render_block_pair with
// steady pitches (argument 0), or each with a pitch per sample and a spread
// that steps every 16 samples, as a slow modulator moves it (argument 1).
// Items are samples of the pair.
void bm_multi_ramp_voice(benchmark::State& state) {
  constexpr int32_t block = 64;
  synth::noise_generator noise;
  synth::oscillator a, b;
  setup(a, noise, synth::waveform::ramp, increment * 0.93f);
  setup(b, noise, synth::waveform::ramp, increment * 1.86f);
  for (synth::oscillator* o : {&a, &b}) o->set_saw_count(16);
  a.set_spread(0.35f);
  b.set_spread(0.3f);
  const bool moving = state.range(0) != 0;
  std::vector<float> inc_a(block), inc_b(block), width(block, 0.5f), spread_a(block), spread_b(block);
  std::vector<float> out_a(block), out_b(block);
  int32_t blocks = 0;
  for (auto _ : state) {
    if (moving) {
      const float beat = std::sin(0.05f * float(blocks++));
      for (int32_t i = 0; i < block; ++i) {
        const float vibrato = 1.f + 0.003f * std::sin(0.07f * float(i));
        inc_a[size_t(i)] = increment * 0.93f * vibrato;
        inc_b[size_t(i)] = increment * 1.86f * vibrato;
        spread_a[size_t(i)] = 0.18f + 0.02f * beat + 0.001f * float(i / 16);
        spread_b[size_t(i)] = 0.12f + 0.02f * beat + 0.001f * float(i / 16);
      }
      a.render_block(out_a.data(), block, inc_a.data(), width.data(), spread_a.data());
      b.render_block(out_b.data(), block, inc_b.data(), width.data(), spread_b.data());
    } else {
      synth::oscillator::render_block_pair(a, out_a.data(), b, out_b.data(), block);
    }
    benchmark::DoNotOptimize(out_a.data());
    benchmark::DoNotOptimize(out_b.data());
  }
  state.SetLabel(moving ? "moving pitch and spread" : "steady pair");
  state.SetItemsProcessed(state.iterations() * block);
}
BENCHMARK(bm_multi_ramp_voice)->Arg(0)->Arg(1);

// A 16-ramp multi-ramp's spread set to a new value (the ratios remade), as
// a modulated width moves it. Items are changes.
void bm_spread_change(benchmark::State& state) {
  synth::noise_generator noise;
  synth::oscillator o;
  setup(o, noise, synth::waveform::ramp, increment);
  o.set_saw_count(16);
  float spread = 0.2f;
  for (auto _ : state) {
    spread = spread < 0.3f ? spread + 1e-4f : 0.2f;
    o.set_spread(spread);
    benchmark::DoNotOptimize(o.saw_ratio(15));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(bm_spread_change);

void bm_pcm_player(benchmark::State& state) {
  synth::pcm_record record;
  std::vector<int16_t> frames(44100);
  for (size_t i = 0; i < frames.size(); ++i) frames[i] = int16_t(20000 * std::sin(i * 0.0627));
  record.assign(frames.data(), int32_t(frames.size()));
  record.set_loop(1000, 44099, 0.f);
  record.frames_per_cycle = 100.f;  // 100 frames per cycle: 0.998 frames per sample at 440 Hz
  synth::pcm_player player;
  player.reset();
  player.start(0);
  float sink = 0.f;
  for (auto _ : state) sink += player.render(&record, increment);
  benchmark::DoNotOptimize(sink);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(bm_pcm_player);

}  // namespace

BENCHMARK_MAIN();
