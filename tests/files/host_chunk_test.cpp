// The host chunks through the built vorn.so, as a DAW saves and reopens a
// project: effGetChunk on one instance, effSetChunk on a fresh one.
#include <limits>
#include <memory>
#include <random>

#include "files/instance_state.h"
#include "files/preset_chunk.h"
#include "files/state_controls.h"
#include "files/wave_load.h"
#include "plugin/vst2/tool_request.h"
#include "riff/bytes.h"
#include "tests/files/files_support.h"
#include "tests/support/synth_host.h"
#include "tests/support/wave_builder.h"
#include "tools/analysis/signal.h"
#include "tools/render/midi_file.h"
#include "tools/render/render_job.h"

namespace {

using files_test::bytes;

struct vorn {
  std::unique_ptr<test_support::synth_host> host = test_support::make_host();
  vsthost::plugin_instance& instance = host->instance;
  bytes chunk(bool preset) {
    void* data = nullptr;
    const intptr_t n = instance.dispatch(effGetChunk, preset ? 1 : 0, 0, &data);
    if (!data || n <= 0) return {};
    return bytes(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + n);
  }
  void set_chunk(bool preset, bytes data) {
    instance.dispatch(effSetChunk, preset ? 1 : 0, intptr_t(data.size()), data.empty() ? nullptr : data.data());
  }
  // The demo song's first 3 seconds, left and right interleaved.
  std::vector<float> render() {
    midi::song song;
    std::string error;
    EXPECT_TRUE(midi::read_file(VORN_SOURCE_DIR "/assets/demo/demo.mid", song, error)) << error;
    std::vector<midi::timed_message> first;
    for (const auto& m : song.messages)
      if (m.seconds < 3.0) first.push_back(m);
    std::vector<float> out;
    render::render_settings settings{44100, 512, 3.0, 0.5};
    render::render_summary summary;
    EXPECT_TRUE(render::render_messages(
        instance, first, settings,
        [&](const float* l, const float* r, int32_t n, std::string&) {
          for (int32_t i = 0; i < n; ++i) out.insert(out.end(), {l[i], r[i]});
          return true;
        },
        nullptr, summary, error));
    return out;
  }
};

// Every one of the 89 parameters of program 0 at a random value.
void randomise_program(vorn& v, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> unit(0.f, 1.f);
  for (int i = 0; i < v.instance.num_params(); ++i) {
    if (i == synth::p::osc_a_waveform || i == synth::p::osc_b_waveform) continue;  // keep them sounding
    v.instance.set_parameter(i, unit(rng));
  }
  v.instance.set_parameter(synth::p::volume, 0.75f);
}

TEST(host_chunk, bank_chunk_reopens_the_project_sample_identically) {
  vorn a;
  randomise_program(a, 7);
  // A reverb and a delay in the insert slots travel with the state too.
  for (const auto& [slot, name] : {std::pair{0, "mDelay"}, std::pair{2, "Reverb"}}) {
    plugin::fx_slot_request r;
    r.slot = slot;
    r.name = name;
    ASSERT_NE(a.instance.dispatch(effVendorSpecific, plugin::tool_request_index, plugin::fx_slot_request_value, &r), 0);
  }
  const bytes saved = a.chunk(false);
  ASSERT_GT(saved.size(), 50000u);
  const std::vector<float> original = a.render();

  vorn b;
  b.set_chunk(false, saved);
  for (int i = 0; i < 89; ++i) EXPECT_EQ(b.instance.get_parameter(i), a.instance.get_parameter(i)) << i;
  EXPECT_EQ(b.chunk(false), saved);
  const std::vector<float> reopened = b.render();
  ASSERT_EQ(reopened.size(), original.size());
  EXPECT_TRUE(reopened == original) << "renders differ";
  EXPECT_GT(analysis::peak(original.data(), original.size()), 0.01);
}

TEST(host_chunk, preset_chunk_reopens_the_program_sample_identically) {
  vorn a;
  randomise_program(a, 11);
  a.instance.dispatch(effSetProgramName, 0, 0, const_cast<char*>("Saved sound"));
  const bytes preset = a.chunk(true);
  EXPECT_EQ(preset.size(), 376u + 9 + 11 + 13);  // name "Saved sound", category "Init"
  const std::vector<float> original = a.render();

  vorn b;
  b.set_chunk(true, preset);
  EXPECT_EQ(b.instance.program_name(0), "Saved sound");
  EXPECT_EQ(b.chunk(true), preset);
  EXPECT_TRUE(b.render() == original) << "renders differ";
}

TEST(host_chunk, routes_controller_map_and_samples_survive) {
  // A state made by our own writer with routes, a controller map and a
  // sample travels through the plug-in unchanged.
  auto engine = std::make_unique<synth::synth>();
  engine->set_route(0, files::make_route(3, 1, 1, synth::p::filter_frequency, 0, 0.5f));
  const synth::cc_pair pairs[] = {{74, synth::p::filter_frequency}, {7, synth::p::master_volume}};
  engine->controller_map().load(pairs, 2);
  riff::wave_reader wave;
  const bytes file = test_support::wave_builder().format(1, 1, 44100, 16).data16({0, 9000, 18000, -9000}).bytes();
  wave.parse(file.data(), file.size());
  ASSERT_EQ(synth::add_wave(*engine, wave), 0);
  const bytes state = files_test::written([&](uint8_t* d) { return files::write_state(d, *engine); });

  vorn v;
  v.set_chunk(false, state);
  EXPECT_EQ(v.chunk(false), state);
}

TEST(host_chunk, a_route_whose_depth_is_no_number_neither_acts_nor_is_saved) {
  // "1.0" added to Volume: heard at depth 0.25; the same row holding a NaN or
  // an infinite depth is no route at all.
  auto engine = std::make_unique<synth::synth>();
  const bytes plain = files_test::written([&](uint8_t* d) { return files::write_state(d, *engine); });
  engine->set_route(0, files::make_route(1, 1, 1, synth::p::volume, 0, 0.25f));
  const bytes routed = files_test::written([&](uint8_t* d) { return files::write_state(d, *engine); });
  const riff::chunk_view p_rt = riff::find_chunk(riff::chunk_at(routed.data(), routed.size()), "p_rt");
  ASSERT_TRUE(p_rt);
  ASSERT_EQ(riff::read_u32(p_rt.payload() + 4), 1u);
  const size_t depth_at = size_t(p_rt.data - routed.data()) + 16 + 20;
  ASSERT_EQ(riff::read_f32(routed.data() + depth_at), 0.25f);

  // Loads the state, plays a note; its level in dB and the state saved back.
  auto play = [](const bytes& state, bytes& saved) {
    vorn v;
    v.set_chunk(false, state);
    saved = v.chunk(false);
    v.host->midi(0, 0x90, 60, 100);
    v.host->render(0.6);
    const size_t from = 4410, n = v.host->left.size() - from;
    return analysis::amplitude_db(analysis::rms(v.host->left.data() + from, n));
  };
  bytes plain_saved, routed_saved;
  const double plain_db = play(plain, plain_saved);
  const double routed_db = play(routed, routed_saved);
  EXPECT_GT(routed_db - plain_db, 3.0) << "the route is heard at a finite depth";
  EXPECT_EQ(routed_saved, routed);
  for (float depth : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity()}) {
    SCOPED_TRACE(depth);
    bytes odd = routed, saved;
    riff::put_f32(odd.data() + depth_at, depth);
    const double db = play(odd, saved);
    EXPECT_NEAR(db, plain_db, 0.01) << "plain " << plain_db << " dB, with the route " << routed_db << " dB";
    EXPECT_TRUE(saved == plain_saved) << "the row was written back: " << saved.size() << " bytes, "
                                      << plain_saved.size() << " without it";
  }
}

TEST(host_chunk, garbage_truncated_and_empty_chunks_change_nothing) {
  vorn v;
  randomise_program(v, 3);
  const bytes state = v.chunk(false), preset = v.chunk(true);
  std::mt19937 rng(5);
  bytes garbage(3000);
  for (uint8_t& b : garbage) b = uint8_t(rng());
  for (bool kind : {false, true}) {
    v.set_chunk(kind, garbage);
    v.set_chunk(kind, {});
    v.instance.dispatch(effSetChunk, kind ? 1 : 0, 100, nullptr);
    v.set_chunk(kind, bytes(state.begin(), state.begin() + long(state.size() / 2)));
    v.set_chunk(kind, bytes(preset.begin(), preset.end() - 1));
  }
  EXPECT_EQ(v.chunk(false), state);
  EXPECT_EQ(v.chunk(true), preset);
}

TEST(host_chunk, buffers_live_until_the_next_call_of_their_kind) {
  vorn v;
  void* first = nullptr;
  const intptr_t n = v.instance.dispatch(effGetChunk, 0, 0, &first);
  void* preset = nullptr;
  v.instance.dispatch(effGetChunk, 1, 0, &preset);
  // A preset chunk does not disturb the state buffer the host still holds.
  const bytes copy(static_cast<uint8_t*>(first), static_cast<uint8_t*>(first) + n);
  EXPECT_EQ(v.chunk(false), copy);
  void* again = nullptr;
  EXPECT_EQ(v.instance.dispatch(effGetChunk, 0, 0, &again), n);
  EXPECT_EQ(again, first);  // same size: the same buffer, no reallocation
  EXPECT_NE(preset, first);
}

}  // namespace
