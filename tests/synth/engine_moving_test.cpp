// Blocks whose oscillators' pitch or width move every sample (an LFO's
// vibrato or width sweep, an envelope opening a multi-ramp's spread) run
// their ticks ahead and the audio in stages. A single note of such a sound
// renders alone in both engines and must give the reference engine's
// samples bit for bit; chords run their filters side by side (the voices
// then add in another order) and must null 100 dB down. Each phrase must
// actually take the staged form, on either filter kernel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "synth/engine.h"
#include "tests/support/lane_kernels.h"
#include "tools/analysis/signal.h"

namespace {

using namespace synth;

struct setting {
  int index;
  float value;
};

struct result {
  std::vector<float> out;  // left and right interleaved
  int moving_pieces = 0;   // render calls after which a voice had planned a moving block
};

// The notes from frame 0, 29, 58, ..., released from `release` on, 1733
// frames apart (mid-block), rendered in pieces of irregular length.
result play(const std::vector<setting>& sound, const std::vector<int>& keys, int release, int frames, bool reference) {
  auto s = std::make_unique<synth::synth>();
  s->set_reference_engine(reference);
  s->set_sample_rate(44100.f);
  s->seed_lfos(0x5EED);
  for (const setting& x : sound) s->set_param(x.index, s->current_program(), x.value);
  result r;
  std::vector<float> l(size_t(frames), 0.f), rr(size_t(frames), 0.f);
  const int pieces[] = {256, 67, 512, 333, 1, 128};
  int done = 0, piece = 0, last_event = 0;
  const auto send = [&](uint32_t status, int key, int velocity) {
    s->midi(status | uint32_t(key) << 8 | uint32_t(velocity) << 16, key, done - last_event);
    last_event = done;
  };
  while (done < frames) {
    int next = frames;
    for (size_t k = 0; k < keys.size(); ++k) {
      const int on = 29 * int(k), off = release + 1733 * int(k);
      if (on == done) send(0x90, keys[k], 70 + 7 * int(k));
      if (off == done) send(0x80, keys[k], 0);
      if (on > done) next = std::min(next, on);
      if (off > done) next = std::min(next, off);
    }
    const int n = std::min(pieces[piece++ % std::size(pieces)], next - done);
    s->render(l.data() + done, rr.data() + done, n);
    s->add_slot_ages(n);
    bool moving = false;
    for (int v = 0; v < s->pool_size(); ++v) moving = moving || (s->voice_at(v).active() && s->voice_at(v).block_moves_oscillators());
    r.moving_pieces += moving ? 1 : 0;
    done += n;
  }
  for (int i = 0; i < frames; ++i) {
    r.out.push_back(l[size_t(i)]);
    r.out.push_back(rr[size_t(i)]);
  }
  return r;
}

double residual_db(const std::vector<float>& a, const std::vector<float>& b) {
  return analysis::residual_db(a.data(), b.data(), std::min(a.size(), b.size()));
}

// The sounds: A a multi-ramp whose spread follows the width, B a pulse.
std::vector<setting> sound(std::vector<setting> moves, bool filtered) {
  std::vector<setting> s = {{p::osc_a_waveform, 2.f}, {p::osc_a_width, 0.2f}, {p::osc_b_waveform, 1.f},
                            {p::osc_b_width, 0.3f},   {p::osc_b_level, 0.7f}, {p::env_a_release, 0.1f},
                            {p::mod_a_rate, 0.55f},   {p::mod_b_rate, 0.4f}};
  if (filtered) {
    for (setting x : {setting{p::filter_mode, 5.f}, {p::filter_frequency, 0.45f}, {p::filter_resonance, 0.4f},
                      {p::filter_saturation, 0.5f}})
      s.push_back(x);
  }
  for (setting x : moves) s.push_back(x);
  return s;
}

struct moving_case {
  std::string name;
  std::vector<setting> moves;
};

const std::vector<moving_case>& cases() {
  static const std::vector<moving_case> c = {
      {"LFO A on the width", {{p::width_mod_a, 0.4f}}},
      {"LFO A on the pitch, LFO B on the cutoff", {{p::pitch_mod_a, 0.05f}, {p::filter_mod_b, 0.4f}}},
      {"LFO A on the pitch and the width, a tremolo and a pan swing",
       {{p::pitch_mod_a, 0.04f}, {p::width_mod_a, 0.5f}, {p::volume_mod_b, 0.3f}, {p::panning_mod_b, 0.4f}}},
      {"envelope B on the width and the cutoff, then sustaining",
       {{p::width_env_b, 0.4f}, {p::filter_env_b, 0.4f}, {p::env_b_attack, 0.1f}, {p::env_b_decay, 0.3f},
        {p::env_b_sustain, 0.3f}}},
      {"envelope B on the pitch, FMod on the filter",
       {{p::pitch_env_b, 0.1f}, {p::env_b_decay, 0.35f}, {p::env_b_sustain, 0.f}, {p::filter_fmod, 0.4f}}},
  };
  return c;
}

constexpr int second = 44100;

}  // namespace

TEST(engine_moving, a_lone_note_renders_bit_for_bit_as_the_reference_on_either_kernel) {
  for (svf_lanes::kernel k : test_support::available_kernels()) {
    test_support::forced_kernel forced(k);
    for (const moving_case& c : cases()) {
      for (bool filtered : {true, false}) {
        SCOPED_TRACE(c.name + (filtered ? ", filtered, " : ", no filter, ") + test_support::kernel_name(k));
        const auto s = sound(c.moves, filtered);
        const result ref = play(s, {45}, second / 2, second * 3 / 4, true);
        const result fast = play(s, {45}, second / 2, second * 3 / 4, false);
        EXPECT_GT(fast.moving_pieces, 20) << "the staged form must run";
        ASSERT_GT(analysis::rms(ref.out.data(), ref.out.size()), 1e-4) << "the phrase must sound";
        ASSERT_EQ(ref.out.size(), fast.out.size());
        size_t differ = 0;
        for (size_t i = 0; i < ref.out.size(); ++i) differ += ref.out[i] != fast.out[i] ? 1 : 0;
        EXPECT_EQ(differ, 0u) << "residual " << residual_db(ref.out, fast.out) << " dB";
      }
    }
  }
}

TEST(engine_moving, chords_in_filter_lanes_null_against_the_reference_on_either_kernel) {
  // Five notes of one filter variant: their filters run side by side, the
  // notes ending at their own frames mid-block.
  for (svf_lanes::kernel k : test_support::available_kernels()) {
    test_support::forced_kernel forced(k);
    for (const moving_case& c : cases()) {
      SCOPED_TRACE(c.name + ", " + test_support::kernel_name(k));
      const auto s = sound(c.moves, true);
      const result ref = play(s, {33, 40, 45, 52, 57}, second / 3, second * 3 / 4, true);
      const result fast = play(s, {33, 40, 45, 52, 57}, second / 3, second * 3 / 4, false);
      EXPECT_GT(fast.moving_pieces, 20) << "the staged form must run";
      ASSERT_GT(analysis::rms(ref.out.data(), ref.out.size()), 1e-4) << "the phrase must sound";
      ASSERT_TRUE(analysis::all_finite(fast.out.data(), fast.out.size()));
      EXPECT_LT(residual_db(ref.out, fast.out), -100.0);
    }
  }
}

TEST(engine_moving, a_cutoff_swept_with_the_filter_bypassed_leaves_the_path_bare) {
  // Envelope B sweeps the cutoff of a filter that is off (a staged block
  // whose cutoff moves), and with LFO A on the width as well (a moving
  // block): the path is the plain conversion, once, at every sample.
  for (bool width_moves : {false, true}) {
    SCOPED_TRACE(width_moves ? "width moving too" : "cutoff alone");
    std::vector<setting> moves = {{p::filter_env_b, 0.5f}, {p::env_b_decay, 0.3f}, {p::env_b_sustain, 0.2f}};
    if (width_moves) moves.push_back({p::width_mod_a, 0.4f});
    const auto s = sound(moves, false);
    const result ref = play(s, {45}, second / 2, second * 3 / 4, true);
    const result fast = play(s, {45}, second / 2, second * 3 / 4, false);
    ASSERT_GT(analysis::rms(ref.out.data(), ref.out.size()), 1e-4) << "the phrase must sound";
    size_t differ = 0;
    for (size_t i = 0; i < ref.out.size(); ++i) differ += ref.out[i] != fast.out[i] ? 1 : 0;
    EXPECT_EQ(differ, 0u) << "residual " << residual_db(ref.out, fast.out) << " dB";
  }
}
