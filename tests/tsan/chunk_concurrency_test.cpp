// A host saves and restores the instance (effGetChunk / effSetChunk) and the
// editor loads samples while the audio thread plays a PCM wave: the PCM
// list, the bank and the controller map change only in ways the audio
// thread can see safely.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>
#include <vector>

#include "files/wave_load.h"
#include "riff/wave_reader.h"
#include "tests/support/direct_plugin.h"
#include "tests/support/wave_builder.h"

namespace {

// Start-up files go to a private folder, never the user's.
struct private_data_dir {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / ("vorn-tsan-" + std::to_string(::getpid()));
  private_data_dir() { setenv("VORN_DATA_DIR", (dir.string() + "/").c_str(), 1); }
  ~private_data_dir() { std::filesystem::remove_all(dir); }
} data_dir;

}  // namespace

TEST(concurrency, host_chunks_and_sample_loads_race_nothing_with_the_audio_thread) {
  test_support::direct_plugin d;
  synth::synth& engine = d.p->engine();
  std::vector<int16_t> saw(2000);
  for (size_t i = 0; i < saw.size(); ++i) saw[i] = int16_t(int(i % 100) * 600 - 30000);
  const std::vector<uint8_t> file =
      test_support::wave_builder().format(1, 1, 44100, 16).data16(saw).sampler(60, 0, true, 0, 1999).bytes();
  riff::wave_reader wave;
  ASSERT_FALSE(wave.parse(file.data(), file.size()));
  synth::add_wave(engine, wave);
  engine.set_param(synth::p::osc_a_waveform, 0, 6.f);

  std::atomic<bool> stop{false};
  std::thread audio([&] {
    test_support::midi_block midi;
    for (int block = 0; block < 300; ++block) {
      midi.clear();
      midi.add(0, 0x90, uint8_t(48 + block % 24), 100);
      midi.add(100, 0xB0, 74, uint8_t(block % 128));
      midi.add(200, 0x80, uint8_t(48 + (block + 12) % 24), 0);
      d.process(&midi, 256);
    }
    stop = true;
  });

  int i = 0;
  std::vector<uint8_t> saved;
  while (!stop) {
    void* data = nullptr;
    const intptr_t n = d.e->dispatcher(d.e, effGetChunk, i % 2, 0, &data, 0.f);
    if (i % 2 == 0) saved.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + n);
    if (i % 5 == 0) d.e->dispatcher(d.e, effSetChunk, 0, intptr_t(saved.size()), saved.data(), 0.f);
    if (i % 7 == 0) synth::add_wave(engine, wave);
    ++i;
  }
  audio.join();
  EXPECT_GT(i, 0);
  EXPECT_GE(engine.pcms().count(), 1);
}
