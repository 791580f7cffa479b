// A voice whose oscillators move every sample runs its envelopes, declick
// gate and LFOs a block at a time, the envelopes' states in locals and their
// stage ends left to the envelopes' own ticks. A lone note renders alone in
// both engines, so the fast engine must give the reference engine's samples
// bit for bit through every stage boundary: attack into decay, decay into
// sustain, a sustain moved under a held note (up and down), a release that
// ends the note inside a block, a retrigger from the release (with and
// without "Const Atk"), a decay into sustain 0 that ends a held note, the
// key's declick gate as the amplifier, opening and closing. Chords, whose
// voices share filter lanes, must null 100 dB down.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "synth/engine.h"
#include "tests/support/lane_kernels.h"
#include "tools/analysis/signal.h"

namespace {

using namespace synth;

struct event {
  int frame;
  int status;  // 0x90, 0x80, or 0 for a parameter
  int key_or_index;
  float value = 0.f;  // parameter value
};

event on(int frame, int key) { return {frame, 0x90, key}; }
event off(int frame, int key) { return {frame, 0x80, key}; }
event param(int frame, int index, float value) { return {frame, 0, index, value}; }

struct result {
  std::vector<float> out;  // left and right interleaved
  int staged_pieces = 0;   // render calls after which a sounding voice had planned a moving block
  // After every render call, the frames each sounding voice has rendered
  // since its note started (-1 for a silent one): where the notes ended.
  std::vector<int32_t> sounded;
};

// Events in frame order; frames between them in pieces of irregular length.
result play(const std::vector<event>& sound, std::vector<event> events, int frames, bool reference) {
  auto s = std::make_unique<synth::synth>();
  s->set_reference_engine(reference);
  s->set_sample_rate(44100.f);
  s->seed_lfos(0x5EED);
  for (const event& e : sound) s->set_param(e.key_or_index, s->current_program(), e.value);
  std::stable_sort(events.begin(), events.end(), [](const event& a, const event& b) { return a.frame < b.frame; });
  result r;
  std::vector<float> l(size_t(frames), 0.f), rr(size_t(frames), 0.f);
  const int pieces[] = {256, 67, 512, 333, 1, 128, 190};
  size_t next = 0;
  int done = 0, piece = 0, last_midi = 0;
  while (done < frames) {
    for (; next < events.size() && events[next].frame <= done; ++next) {
      const event& e = events[next];
      if (e.status == 0) {
        s->set_param(e.key_or_index, s->current_program(), e.value);
        continue;
      }
      s->midi(uint32_t(e.status) | uint32_t(e.key_or_index) << 8 | uint32_t(e.status == 0x90 ? 90 : 0) << 16,
              e.key_or_index, done - last_midi);
      last_midi = done;
    }
    int n = std::min(pieces[piece++ % std::size(pieces)], frames - done);
    if (next < events.size()) n = std::min(n, events[next].frame - done);
    s->render(l.data() + done, rr.data() + done, n);
    s->add_slot_ages(n);
    bool staged = false;
    for (int v = 0; v < s->pool_size(); ++v) {
      const voice& x = s->voice_at(v);
      staged = staged || (x.active() && x.block_moves_oscillators());
      r.sounded.push_back(x.active() ? x.samples_rendered() : -1);
    }
    r.staged_pieces += staged ? 1 : 0;
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

// A vibrato from LFO A (so the oscillators move every sample) and envelope
// B on A's width, with `more` on top.
std::vector<event> sound(std::vector<event> more) {
  std::vector<event> s = {param(0, p::osc_a_waveform, 1.f),  param(0, p::osc_b_waveform, 1.f),
                          param(0, p::osc_b_level, 0.6f),    param(0, p::mod_a_rate, 0.5f),
                          param(0, p::pitch_mod_a, 0.03f),   param(0, p::width_env_b, 0.4f),
                          param(0, p::env_a_attack, 0.2f),   param(0, p::env_a_decay, 0.3f),
                          param(0, p::env_a_sustain, 0.5f), param(0, p::env_a_release, 0.15f),
                          param(0, p::env_b_attack, 0.12f),  param(0, p::env_b_decay, 0.22f),
                          param(0, p::env_b_sustain, 0.6f), param(0, p::env_b_release, 0.2f)};
  for (const event& e : more) s.push_back(e);
  return s;
}

struct source_case {
  std::string name;
  std::vector<event> sound;
  std::vector<event> events;  // for key 45
};

constexpr int second = 44100;

const std::vector<source_case>& cases() {
  static const std::vector<source_case> c = {
      {"envelope A amplifies: attack, decay, sustain raised and lowered, release",
       sound({param(0, p::env_a_keytrack, 0.7f)}),
       {on(0, 45), param(15000, p::env_a_sustain, 0.8f), param(21000, p::env_a_sustain, 0.3f),
        param(21000, p::env_b_sustain, 0.9f), off(27000, 45)}},
      {"envelope B amplifies with Force Reset and Const Atk, retriggered in its release",
       sound({param(0, p::volume_env, 2.f), param(0, p::env_b_trigger, 3.f), param(0, p::env_b_const_atk, 1.f),
              param(0, p::env_a_const_atk, 1.f), param(0, p::env_a_release, 0.3f)}),
       {on(0, 45), off(12000, 45), on(13500, 45), off(24000, 45), on(24700, 45), off(30000, 45)}},
      {"the key's gate amplifies, opening and closing",
       sound({param(0, p::volume_env, 0.f), param(0, p::env_a_release, 0.4f)}),
       {on(0, 45), off(16000, 45), on(16500, 45), off(26000, 45)}},
      {"a decay into sustain 0 ends the held note",
       sound({param(0, p::env_a_sustain, 0.f), param(0, p::env_a_decay, 0.12f), param(0, p::env_a_attack, 0.05f)}),
       {on(0, 45), on(20000, 45), off(33000, 45)}},
  };
  return c;
}

}  // namespace

TEST(engine_sources, envelopes_in_blocks_give_the_reference_samples_bit_for_bit) {
  for (const source_case& c : cases()) {
    SCOPED_TRACE(c.name);
    const result ref = play(c.sound, c.events, second * 4 / 5, true);
    const result fast = play(c.sound, c.events, second * 4 / 5, false);
    EXPECT_GT(fast.staged_pieces, 4) << "the sources must run a block at a time";
    ASSERT_GT(analysis::rms(ref.out.data(), ref.out.size()), 1e-4) << "the phrase must sound";
    ASSERT_EQ(ref.out.size(), fast.out.size());
    size_t differ = 0, first = 0;
    for (size_t i = 0; i < ref.out.size(); ++i) {
      if (ref.out[i] != fast.out[i] && differ++ == 0) first = i / 2;
    }
    EXPECT_EQ(differ, 0u) << "from frame " << first << ", residual " << residual_db(ref.out, fast.out) << " dB";
    EXPECT_EQ(ref.sounded, fast.sounded) << "the notes must end at the same frames";
  }
}

TEST(engine_sources, notes_that_end_at_their_own_frames_null_in_filter_lanes) {
  // Five notes through a saturating filter (their filters side by side),
  // each with the phrase's stage ends at other frames, on either kernel.
  for (svf_lanes::kernel k : test_support::available_kernels()) {
    test_support::forced_kernel forced(k);
    for (const source_case& c : cases()) {
      SCOPED_TRACE(c.name + ", " + test_support::kernel_name(k));
      std::vector<event> s = c.sound;
      for (event e : {param(0, p::filter_mode, 5.f), param(0, p::filter_frequency, 0.5f),
                      param(0, p::filter_saturation, 0.5f), param(0, p::filter_mod_a, 0.3f)})
        s.push_back(e);
      std::vector<event> events;
      const int keys[] = {33, 40, 45, 52, 57};
      for (int v = 0; v < 5; ++v) {
        for (event e : c.events) {
          e.frame += 211 * v;
          if (e.status != 0) e.key_or_index = keys[v];
          events.push_back(e);
        }
      }
      const result ref = play(s, events, second * 4 / 5, true);
      const result fast = play(s, events, second * 4 / 5, false);
      EXPECT_GT(fast.staged_pieces, 4) << "the sources must run a block at a time";
      ASSERT_GT(analysis::rms(ref.out.data(), ref.out.size()), 1e-4) << "the phrase must sound";
      ASSERT_TRUE(analysis::all_finite(fast.out.data(), fast.out.size()));
      EXPECT_LT(residual_db(ref.out, fast.out), -100.0);
      EXPECT_EQ(ref.sounded, fast.sounded) << "the notes must end at the same frames";
    }
  }
}
