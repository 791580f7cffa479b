#include "plugin/standalone/midi_bytes.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using standalone::midi_fifo;
using standalone::midi_message;
using standalone::queued_midi;
using standalone::translate_midi;

TEST(StandaloneMidi, ChannelMessagesKeepTheirBytesAndFrame) {
  queued_midi q;
  const uint8_t on[] = {0x93, 60, 100};
  ASSERT_TRUE(translate_midi(on, 3, 17, 64, q));
  EXPECT_EQ(q.frame, 17);
  EXPECT_EQ(q.message.size, 3);
  EXPECT_EQ(q.message.bytes[0], 0x93);
  EXPECT_EQ(q.message.bytes[1], 60);
  EXPECT_EQ(q.message.bytes[2], 100);
  const uint8_t program[] = {0xC0, 5};
  ASSERT_TRUE(translate_midi(program, 2, 0, 64, q));
  EXPECT_EQ(q.message.size, 2);
  const uint8_t pressure[] = {0xD2, 90};
  ASSERT_TRUE(translate_midi(pressure, 2, 0, 64, q));
  EXPECT_EQ(q.message.size, 2);
  const uint8_t bend[] = {0xE0, 0, 64};
  ASSERT_TRUE(translate_midi(bend, 3, 63, 64, q));
  EXPECT_EQ(q.frame, 63);
}

TEST(StandaloneMidi, LateEventsLandOnTheLastFrame) {
  queued_midi q;
  const uint8_t off[] = {0x80, 60, 0};
  ASSERT_TRUE(translate_midi(off, 3, 64, 64, q));
  EXPECT_EQ(q.frame, 63);
  ASSERT_TRUE(translate_midi(off, 3, 0xFFFFFFFFu, 64, q));
  EXPECT_EQ(q.frame, 63);
  EXPECT_FALSE(translate_midi(off, 3, 0, 0, q)) << "no block, no event";
}

TEST(StandaloneMidi, ExtraBytesAreCutAndBrokenMessagesRefused) {
  queued_midi q;
  const uint8_t long_on[] = {0x90, 61, 99, 0x45, 0x12};
  ASSERT_TRUE(translate_midi(long_on, 5, 0, 64, q));
  EXPECT_EQ(q.message.size, 3);
  const uint8_t short_on[] = {0x90, 61};
  EXPECT_FALSE(translate_midi(short_on, 2, 0, 64, q));
  const uint8_t data_first[] = {60, 100};
  EXPECT_FALSE(translate_midi(data_first, 2, 0, 64, q));
  const uint8_t status_inside[] = {0x90, 0x80, 100};
  EXPECT_FALSE(translate_midi(status_inside, 3, 0, 64, q));
  EXPECT_FALSE(translate_midi(nullptr, 3, 0, 64, q));
  EXPECT_FALSE(translate_midi(long_on, 0, 0, 64, q));
}

TEST(StandaloneMidi, SystemMessages) {
  queued_midi q;
  const uint8_t sysex[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
  EXPECT_FALSE(translate_midi(sysex, sizeof sysex, 0, 64, q)) << "exclusive messages are not carried";
  const uint8_t sensing[] = {0xFE};
  EXPECT_FALSE(translate_midi(sensing, 1, 0, 64, q));
  const uint8_t undefined[] = {0xF4};
  EXPECT_FALSE(translate_midi(undefined, 1, 0, 64, q));
  const uint8_t clock[] = {0xF8};
  ASSERT_TRUE(translate_midi(clock, 1, 5, 64, q));
  EXPECT_EQ(q.message.size, 1);
  const uint8_t song_position[] = {0xF2, 0x10, 0x01};
  ASSERT_TRUE(translate_midi(song_position, 3, 0, 64, q));
  EXPECT_EQ(q.message.size, 3);
}

TEST(StandaloneMidi, PanicSilencesAllSixteenChannels) {
  midi_message all[standalone::panic_message_count];
  standalone::panic_messages(all);
  bool sound_off[16] = {}, notes_off[16] = {};
  for (const midi_message& m : all) {
    ASSERT_EQ(m.size, 3);
    ASSERT_EQ(m.bytes[0] & 0xF0, 0xB0);
    EXPECT_EQ(m.bytes[2], 0);
    (m.bytes[1] == 120 ? sound_off : notes_off)[m.bytes[0] & 0x0F] = true;
    EXPECT_TRUE(m.bytes[1] == 120 || m.bytes[1] == 123);
  }
  for (int ch = 0; ch < 16; ++ch) EXPECT_TRUE(sound_off[ch] && notes_off[ch]) << ch;
}

TEST(StandaloneMidiFifo, KeepsOrderAndRefusesWhenFull) {
  midi_fifo f;
  midi_message m;
  EXPECT_FALSE(f.pop(m));
  for (uint32_t i = 0; i < midi_fifo::capacity; ++i) {
    m.bytes[1] = uint8_t(i & 0x7F);
    m.bytes[2] = uint8_t(i >> 7);
    ASSERT_TRUE(f.push(m)) << i;
  }
  EXPECT_FALSE(f.push(m));
  for (uint32_t i = 0; i < midi_fifo::capacity; ++i) {
    ASSERT_TRUE(f.pop(m));
    EXPECT_EQ(m.bytes[1] | m.bytes[2] << 7, int(i));
  }
  EXPECT_FALSE(f.pop(m));
}

TEST(StandaloneMidiFifo, OneProducerOneConsumerLoseNothing) {
  midi_fifo f;
  constexpr int total = 100000;
  std::thread producer([&] {
    for (int i = 0; i < total;) {
      midi_message m;
      m.bytes[0] = uint8_t(i & 0xFF);
      m.bytes[1] = uint8_t((i >> 8) & 0xFF);
      m.bytes[2] = uint8_t(i >> 16);
      if (f.push(m)) ++i;
      else std::this_thread::yield();
    }
  });
  int expected = 0, out_of_order = 0;
  while (expected < total) {
    midi_message m;
    if (!f.pop(m)) {
      std::this_thread::yield();
      continue;
    }
    out_of_order += (m.bytes[0] | m.bytes[1] << 8 | m.bytes[2] << 16) != expected;
    ++expected;
  }
  producer.join();
  EXPECT_EQ(out_of_order, 0);
}

}  // namespace
