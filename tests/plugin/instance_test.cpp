// The instance API as every shell drives it, without any host format's types:
// events land at their frames, state bytes carry a sound to a fresh instance,
// and calls out of range or with null pointers change nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "plugin/instance.h"
#include "synth/engine.h"
#include "synth/param_table.h"

namespace {

constexpr int32_t block_frames = 512;
constexpr uint8_t note_on[3] = {0x90, 60, 100};

struct destroy_instance {
  void operator()(plugin::instance* it) const { plugin::instance::destroy(it); }
};
using instance_ptr = std::unique_ptr<plugin::instance, destroy_instance>;

// An instance with the base values (no host: no start-up files), running at
// 44.1 kHz, its LFOs seeded so that two instances render alike.
instance_ptr make_instance(plugin::host_shell* host = nullptr) {
  instance_ptr it(plugin::instance::create(host, plugin::editor_factory(nullptr)));
  if (!it) return it;
  it->set_sample_rate(44100.0);
  it->set_active(true);
  it->engine().seed_lfos(0x5EED);
  return it;
}

struct stereo {
  std::vector<float> left = std::vector<float>(block_frames), right = std::vector<float>(block_frames);
};

// Renders frames [from, to) of `out`.
void render(plugin::instance& it, stereo& out, int32_t from, int32_t to) {
  it.process(out.left.data() + from, out.right.data() + from, to - from);
}

int32_t first_sound(const stereo& s) {
  for (int32_t i = 0; i < block_frames; ++i)
    if (s.left[size_t(i)] != 0.f || s.right[size_t(i)] != 0.f) return i;
  return -1;
}

bool same_samples(const stereo& a, const stereo& b, int32_t from, int32_t to) {
  return std::memcmp(a.left.data() + from, b.left.data() + from, sizeof(float) * size_t(to - from)) == 0 &&
         std::memcmp(a.right.data() + from, b.right.data() + from, sizeof(float) * size_t(to - from)) == 0;
}

std::vector<float> all_parameters(const plugin::instance& it) {
  std::vector<float> v;
  for (int32_t i = 0; i < plugin::instance::all_param_count; ++i) v.push_back(it.get_parameter(i));
  return v;
}

std::vector<uint8_t> state_of(plugin::instance& it) {
  size_t size = 0;
  const uint8_t* bytes = it.save_state(size);
  return std::vector<uint8_t>(bytes, bytes + size);
}

}  // namespace

TEST(instance, a_note_queued_at_frame_k_starts_sounding_at_frame_k) {
  for (const int32_t k : {0, 1, 100, 400}) {
    SCOPED_TRACE(k);
    instance_ptr queued = make_instance(), split = make_instance();
    ASSERT_TRUE(queued && split);
    stereo a, b;
    ASSERT_TRUE(queued->queue_midi(k, note_on, 3));
    render(*queued, a, 0, block_frames);
    // The same note given between two process calls, the block cut at k.
    render(*split, b, 0, k);
    ASSERT_TRUE(split->queue_midi(0, note_on, 3));
    render(*split, b, k, block_frames);

    EXPECT_TRUE(same_samples(a, b, 0, block_frames));
    const int32_t first = first_sound(a);
    ASSERT_GE(first, 0) << "the note sounds within the block";
    EXPECT_GE(first, k);
    EXPECT_LE(first, k + 1) << "an envelope from zero may give one silent sample, not more";
  }
}

TEST(instance, a_parameter_queued_at_frame_k_changes_the_sound_from_frame_k_on) {
  constexpr int32_t k = 200;
  const float quiet = 0.2f;
  instance_ptr queued = make_instance(), split = make_instance(), unchanged = make_instance();
  ASSERT_TRUE(queued && split && unchanged);
  stereo a, b, c;
  for (plugin::instance* it : {queued.get(), split.get(), unchanged.get()}) {
    stereo warm;
    it->queue_midi(0, note_on, 3);
    render(*it, warm, 0, block_frames);
  }
  ASSERT_TRUE(queued->queue_parameter(k, synth::p::volume, quiet));
  render(*queued, a, 0, block_frames);
  render(*split, b, 0, k);
  split->set_parameter(synth::p::volume, quiet);  // set before the rest is rendered
  render(*split, b, k, block_frames);
  render(*unchanged, c, 0, block_frames);

  EXPECT_TRUE(same_samples(a, b, 0, block_frames));
  EXPECT_TRUE(same_samples(a, c, 0, k)) << "nothing of the change before its frame";
  EXPECT_FALSE(same_samples(a, c, k, block_frames));
  EXPECT_NEAR(queued->get_parameter(synth::p::volume), quiet, 1e-6f);
}

TEST(instance, events_wait_for_a_block_with_audio_and_the_queue_counts_what_it_drops) {
  instance_ptr it = make_instance();
  ASSERT_TRUE(it);
  stereo s;
  ASSERT_TRUE(it->queue_midi(10, note_on, 3));
  it->process(s.left.data(), s.right.data(), 0);
  it->process(nullptr, s.right.data(), block_frames);
  it->process(s.left.data(), nullptr, block_frames);
  render(*it, s, 0, block_frames);
  EXPECT_GE(first_sound(s), 10) << "the note kept for the block with audio";
  EXPECT_LE(first_sound(s), 11);

  for (int32_t i = 0; i < plugin::instance::event_capacity; ++i) ASSERT_TRUE(it->queue_parameter(i % 64, 0, 0.5f));
  EXPECT_FALSE(it->queue_midi(0, note_on, 3));
  EXPECT_FALSE(it->queue_parameter(0, 0, 0.5f));
  EXPECT_EQ(it->dropped_events(), 2);
  render(*it, s, 0, block_frames);
  EXPECT_TRUE(it->queue_midi(0, note_on, 3)) << "the queue is empty again after a block";
}

TEST(instance, saved_state_loaded_into_a_fresh_instance_renders_the_same_samples) {
  instance_ptr original = make_instance();
  ASSERT_TRUE(original);
  original->set_parameter(synth::p::filter_frequency, 0.3f);
  original->set_parameter(synth::p::filter_resonance, 0.7f);
  original->set_parameter(synth::p::osc_a_waveform, 1.f);
  original->set_program_name("Round Trip");
  const std::vector<uint8_t> saved = state_of(*original);
  ASSERT_FALSE(saved.empty());

  instance_ptr fresh = make_instance();
  ASSERT_TRUE(fresh);
  ASSERT_TRUE(fresh->load_state(saved.data(), saved.size()));
  fresh->engine().seed_lfos(0x5EED);
  EXPECT_EQ(all_parameters(*fresh), all_parameters(*original));
  EXPECT_STREQ(fresh->program_name(-1), "Round Trip");
  EXPECT_EQ(state_of(*fresh), saved);

  stereo a, b;
  original->queue_midi(0, note_on, 3);
  fresh->queue_midi(0, note_on, 3);
  render(*original, a, 0, block_frames);
  render(*fresh, b, 0, block_frames);
  EXPECT_GE(first_sound(a), 0);
  EXPECT_TRUE(same_samples(a, b, 0, block_frames));
}

TEST(instance, calls_out_of_range_or_with_null_pointers_change_nothing) {
  instance_ptr it = make_instance();
  ASSERT_TRUE(it);
  it->set_program(5);
  const std::vector<float> values = all_parameters(*it);
  const std::vector<uint8_t> state = state_of(*it);

  it->set_parameter(-1, 0.5f);
  it->set_parameter(plugin::instance::all_param_count, 0.5f);
  it->set_parameter(synth::p::filter_frequency, NAN);
  EXPECT_FALSE(it->queue_parameter(0, -1, 0.5f));
  EXPECT_FALSE(it->queue_parameter(0, plugin::instance::param_count, 0.5f)) << "hosts reach no global";
  EXPECT_FALSE(it->queue_parameter(0, 3, NAN));
  EXPECT_FALSE(it->queue_midi(0, nullptr, 3));
  EXPECT_FALSE(it->queue_midi(0, note_on, 0));
  EXPECT_FALSE(it->queue_midi(0, note_on, 4));
  it->set_program(-1);
  it->set_program(plugin::instance::program_count);
  it->set_program_name(nullptr);
  EXPECT_FALSE(it->load_state(nullptr, 100));
  EXPECT_FALSE(it->load_state(state.data(), 0));
  const uint8_t garbage[64] = {'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0x7F, 'j', 'u', 'n', 'k'};
  EXPECT_FALSE(it->load_state(garbage, sizeof garbage));
  EXPECT_FALSE(it->load_program(nullptr, 10));
  EXPECT_FALSE(it->load_program(garbage, sizeof garbage));
  it->parameter_text(3, nullptr, 24);
  float normalised = 0.25f;
  EXPECT_FALSE(it->parameter_from_text(-1, "1", normalised));
  EXPECT_FALSE(it->parameter_from_text(plugin::instance::all_param_count, "1", normalised));
  EXPECT_FALSE(it->parameter_from_text(3, nullptr, normalised));
  EXPECT_FALSE(it->parameter_from_text(synth::p::filter_frequency, "loud", normalised));
  EXPECT_EQ(normalised, 0.25f);
  plugin::parameter_shape shape;
  EXPECT_FALSE(it->parameter_info(-1, shape));
  EXPECT_FALSE(it->parameter_info(plugin::instance::all_param_count, shape));
  EXPECT_EQ(it->program_name(plugin::instance::program_count), nullptr);
  EXPECT_EQ(it->program_category(plugin::instance::program_count), nullptr);

  EXPECT_EQ(it->program(), 5);
  EXPECT_EQ(all_parameters(*it), values);
  EXPECT_EQ(state_of(*it), state);
  EXPECT_EQ(it->get_parameter(-1), 0.f);
  EXPECT_EQ(it->editor(), nullptr) << "made without an editor";
}

// Every display text reads back to a value that shows the same text, and
// the shapes tell hosts the steps and defaults.
TEST(instance, parameter_texts_read_back_and_shapes_describe_the_controls) {
  instance_ptr it = make_instance();
  ASSERT_TRUE(it);
  for (int32_t i = 0; i < plugin::instance::param_count; ++i) {
    char shown[32], again[32];
    it->parameter_text(i, shown, sizeof shown);
    SCOPED_TRACE(std::to_string(i) + " \"" + shown + "\"");
    float normalised = -1.f;
    ASSERT_TRUE(it->parameter_from_text(i, shown, normalised));
    ASSERT_GE(normalised, 0.f);
    ASSERT_LE(normalised, 1.f);
    it->set_parameter(i, normalised);
    it->parameter_text(i, again, sizeof again);
    EXPECT_STREQ(again, shown);
  }
  plugin::parameter_shape shape;
  ASSERT_TRUE(it->parameter_info(synth::p::filter_frequency, shape));
  EXPECT_STREQ(shape.name, "Filter Frequency");
  EXPECT_EQ(shape.values, 0);
  EXPECT_EQ(shape.step, 0.09375f) << "cutoffs take their own step";
  ASSERT_TRUE(it->parameter_info(synth::p::mod_a_rate, shape));
  EXPECT_EQ(shape.step, 0.03125f);
  ASSERT_TRUE(it->parameter_info(synth::p::osc_a_waveform, shape));
  EXPECT_GT(shape.values, 2);
  EXPECT_GE(shape.default_normalised, 0.f);
  EXPECT_LE(shape.default_normalised, 1.f);
}

namespace {

struct recording_shell : plugin::host_shell {
  double tempo = 150.0;
  int automated = 0, programs = 0;
  int32_t last_index = -1;
  bool time(plugin::host_time& out) override {
    out.tempo_valid = true;
    out.tempo_bpm = tempo;
    return true;
  }
  void automate(int32_t index, float) override {
    ++automated;
    last_index = index;
  }
  void program_changed(int32_t index) override {
    ++programs;
    last_index = index;
  }
};

}  // namespace

TEST(instance, the_host_shell_gives_the_tempo_and_hears_of_inside_changes) {
  recording_shell shell;
  instance_ptr it = make_instance(&shell);
  ASSERT_TRUE(it);
  stereo s;
  render(*it, s, 0, 64);
  EXPECT_FLOAT_EQ(it->engine().tempo(), 150.f);

  it->host_link().set_parameter_automated(synth::p::filter_frequency, 0.4f);
  EXPECT_EQ(shell.automated, 1);
  EXPECT_EQ(shell.last_index, synth::p::filter_frequency);
  EXPECT_NEAR(it->get_parameter(synth::p::filter_frequency), 0.4f, 1e-6f);
  it->host_link().set_program(7);
  EXPECT_EQ(it->program(), 7);
  EXPECT_EQ(shell.programs, 1);
  EXPECT_EQ(shell.last_index, 7);
  it->set_program(9);  // from the shell itself: nothing to report back
  EXPECT_EQ(shell.programs, 1);
}
