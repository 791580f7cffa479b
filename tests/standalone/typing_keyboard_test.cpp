#include "plugin/standalone/typing_keyboard.h"

#include <gtest/gtest.h>

#include "guilib/platform/keys.h"

namespace {

using standalone::midi_message;
using standalone::typing_keyboard;
namespace key = wnd::key;

TEST(TypingKeyboard, TwoRowsOfKeysFromC3AndC4) {
  typing_keyboard kb;
  // Bottom row: white keys Z X C V B N M, black keys S D G H J.
  const int32_t bottom[] = {'Z', 'S', 'X', 'D', 'C', 'V', 'G', 'B', 'H', 'N', 'J', 'M', key::comma};
  for (int32_t i = 0; i < 13; ++i) EXPECT_EQ(kb.note_for(bottom[i]), 48 + i) << char(bottom[i]);
  const int32_t top[] = {'Q', '2', 'W', '3', 'E', 'R', '5', 'T', '6', 'Y', '7', 'U', 'I', '9', 'O', '0', 'P'};
  for (int32_t i = 0; i < 17; ++i) EXPECT_EQ(kb.note_for(top[i]), 60 + i) << char(top[i]);
  EXPECT_EQ(kb.note_for(key::slash), 64);
  // Keys of neither row play nothing; the gaps of the black keys stay silent.
  for (int32_t k : {int32_t('A'), int32_t('F'), int32_t('K'), int32_t('1'), int32_t('4'), int32_t('8'), key::space,
                    key::enter})
    EXPECT_EQ(kb.note_for(k), -1) << k;
}

TEST(TypingKeyboard, PressAndReleaseMakeNoteOnAndOff) {
  typing_keyboard kb;
  midi_message m;
  ASSERT_TRUE(kb.key_down('Q', m));
  EXPECT_EQ(m.size, 3);
  EXPECT_EQ(m.bytes[0], 0x90);
  EXPECT_EQ(m.bytes[1], 60);
  EXPECT_EQ(m.bytes[2], typing_keyboard::velocity);
  EXPECT_FALSE(kb.key_down('Q', m)) << "a repeat of a held key starts nothing";
  ASSERT_TRUE(kb.key_up('Q', m));
  EXPECT_EQ(m.bytes[0], 0x80);
  EXPECT_EQ(m.bytes[1], 60);
  EXPECT_FALSE(kb.key_up('Q', m)) << "a second release ends nothing";
  EXPECT_FALSE(kb.key_down('A', m));
  EXPECT_FALSE(kb.key_up(-5, m));
  EXPECT_FALSE(kb.key_down(100000, m));
}

TEST(TypingKeyboard, OctaveKeysMoveBothRowsWithinFourOctaves) {
  typing_keyboard kb;
  midi_message m;
  EXPECT_FALSE(kb.key_down(key::right, m));
  EXPECT_EQ(kb.octave_shift(), 1);
  EXPECT_EQ(kb.note_for('Z'), 60);
  for (int i = 0; i < 10; ++i) kb.key_down(key::left, m);
  EXPECT_EQ(kb.octave_shift(), -typing_keyboard::max_octave_shift);
  EXPECT_EQ(kb.note_for('Z'), 0);
  for (int i = 0; i < 10; ++i) kb.key_down(key::right, m);
  EXPECT_EQ(kb.octave_shift(), typing_keyboard::max_octave_shift);
  EXPECT_EQ(kb.note_for('Z'), 96);
  EXPECT_EQ(kb.note_for('P'), 124);
  EXPECT_EQ(kb.note_for(key::slash), 112);
  ASSERT_TRUE(kb.key_down('P', m));
  EXPECT_LE(m.bytes[1], 127);
}

TEST(TypingKeyboard, HeldKeysEndOnTheirOwnNoteAfterAnOctaveMove) {
  typing_keyboard kb;
  midi_message m;
  ASSERT_TRUE(kb.key_down('Z', m));
  kb.key_down(key::right, m);
  ASSERT_TRUE(kb.key_up('Z', m));
  EXPECT_EQ(m.bytes[1], 48) << "the note-off goes to the note the key started";
}

TEST(TypingKeyboard, LosingTheKeyboardReleasesEveryHeldNote) {
  typing_keyboard kb;
  midi_message m;
  kb.key_down('Z', m);
  kb.key_down('E', m);
  kb.key_down('M', m);
  EXPECT_EQ(kb.held_count(), 3);
  midi_message offs[8];
  ASSERT_EQ(kb.release_all(offs, 8), 3);
  for (const midi_message& off : offs) {
    if (off.size == 0) break;
    EXPECT_EQ(off.bytes[0], 0x80);
  }
  EXPECT_EQ(kb.held_count(), 0);
  EXPECT_EQ(kb.release_all(offs, 8), 0);
  EXPECT_TRUE(kb.key_down('Z', m)) << "a released key plays again";
  // With less room than held keys, the rest stay held for the next call.
  kb.key_down('X', m);
  EXPECT_EQ(kb.release_all(offs, 1), 1);
  EXPECT_EQ(kb.held_count(), 1);
}

}  // namespace
