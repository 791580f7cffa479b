// MPE bookkeeping in the engine: the Configuration Message and the zones,
// per-channel bend ranges, and the expression a note keeps after its release.
#include <gtest/gtest.h>

#include <memory>

#include "synth/engine.h"
#include "synth/mpe_zones.h"

namespace synth {
namespace {

uint32_t word(int status, int d1, int d2) { return uint32_t(status) | uint32_t(d1) << 8 | uint32_t(d2) << 16; }

void rpn(synth& s, int channel, int number, int value) {
  s.midi(word(0xB0 | channel, 101, 0), 0, 0);
  s.midi(word(0xB0 | channel, 100, number), 0, 0);
  s.midi(word(0xB0 | channel, 6, value), 0, 0);
}

TEST(mpe_zones, configuration_opens_and_shrinks_zones) {
  mpe_zones z;
  EXPECT_FALSE(z.is_member(1));  // off: no channel is a member
  z.configure(0, 7);              // lower zone: channels 2..8
  EXPECT_TRUE(z.on);
  EXPECT_TRUE(z.is_member(1));
  EXPECT_TRUE(z.is_member(7));
  EXPECT_FALSE(z.is_member(8));
  z.configure(15, 10);  // upper zone takes channels 6..15: the lower shrinks to 2..5
  EXPECT_EQ(z.upper_members, 10);
  EXPECT_EQ(z.lower_members, 4);
  EXPECT_TRUE(z.is_member(5));
  EXPECT_TRUE(z.is_member(14));
  EXPECT_FALSE(z.is_member(15));  // the upper manager
  z.configure(15, 0);
  z.configure(0, 0);
  EXPECT_FALSE(z.on);  // both zones closed: MPE off
  z.set_on(true);      // the switch opens the default lower zone
  EXPECT_EQ(z.lower_members, mpe_max_members);
  EXPECT_TRUE(z.is_member(15));
}

TEST(mpe_engine, a_released_note_keeps_its_expression_and_ranges_are_per_channel) {
  auto s = std::make_unique<synth>();
  rpn(*s, 0, 6, 15);
  ASSERT_TRUE(s->mpe());
  rpn(*s, 2, 0, 12);  // channel 3 bends 12 semitones; channel 2 keeps 48
  s->midi(word(0x91, 60, 100), 0, 0);
  s->midi(word(0x92, 64, 100), 0, 0);
  const voice* a = nullptr;
  const voice* b = nullptr;
  for (int i = 0; i < s->pool_size(); ++i) {
    const voice& v = s->voice_at(i);
    if (!v.active()) continue;
    if (v.note_expression().channel == 1) a = &v;
    if (v.note_expression().channel == 2) b = &v;
  }
  ASSERT_TRUE(a && b);
  s->midi(word(0xE1, 0, 96), 0, 0);  // half way up: +24 of 48
  s->midi(word(0xE2, 0, 96), 0, 0);  // +6 of 12
  EXPECT_FLOAT_EQ(a->note_expression().bend_semitones, 24.f);
  EXPECT_FLOAT_EQ(b->note_expression().bend_semitones, 6.f);
  s->midi(word(0xD1, 100, 0), 0, 0);
  EXPECT_NEAR(a->note_expression().pressure, 100.f / 127.f, 1e-6);
  EXPECT_EQ(b->note_expression().pressure, 0.f);

  // Released, channel 2's note keeps what it had while the channel moves on.
  s->midi(word(0x81, 60, 0), 0, 0);
  ASSERT_FALSE(a->gated());
  s->midi(word(0xE1, 0, 64), 0, 0);
  s->midi(word(0xD1, 0, 0), 0, 0);
  EXPECT_FLOAT_EQ(a->note_expression().bend_semitones, 24.f);
  EXPECT_NEAR(a->note_expression().pressure, 100.f / 127.f, 1e-6);
  // The manager's bend is no member's: it leaves the note bends alone.
  s->midi(word(0xE0, 0, 127), 0, 0);
  EXPECT_FLOAT_EQ(b->note_expression().bend_semitones, 6.f);
}

}  // namespace
}  // namespace synth
