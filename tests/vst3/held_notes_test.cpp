// The shell's table of notes started with an ID, without a module: IDs found
// until their note-off, a note-off without an ID ending by channel and pitch,
// and a host that never ends its notes pushing out only the oldest.
#include <gtest/gtest.h>

#include "plugin/vst3/held_notes.h"

namespace {

using vst3_shell::held_note;
using vst3_shell::held_notes;

TEST(Vst3HeldNotes, NotesAreFoundByIdUntilTheirNoteOff) {
  held_notes notes;
  notes.start(-1, 0, 60, 0.f);  // no ID: nothing can address it
  EXPECT_EQ(notes.size(), 0);
  notes.start(5, 0, 60, 0.25f);
  notes.start(6, 0, 60, 0.f);  // the same key again under another ID
  notes.start(7, 3, 64, 0.f);
  ASSERT_NE(notes.find(5), nullptr);
  EXPECT_EQ(notes.find(5)->start_semitones, 0.25f);
  EXPECT_EQ(notes.find(7)->pitch, 64);
  EXPECT_EQ(notes.find(8), nullptr);
  EXPECT_EQ(notes.find(-1), nullptr);

  notes.start(5, 1, 62, 0.f);  // an ID used again replaces its note
  EXPECT_EQ(notes.size(), 3);
  EXPECT_EQ(notes.find(5)->pitch, 62);

  notes.end(6, 0, 0);  // by ID, whatever the pitch says
  EXPECT_EQ(notes.find(6), nullptr);
  notes.end(-1, 3, 63);  // without an ID: channel and pitch must both match
  EXPECT_NE(notes.find(7), nullptr);
  notes.end(-1, 3, 64);
  EXPECT_EQ(notes.find(7), nullptr);
  EXPECT_EQ(notes.size(), 1);
  notes.clear();
  EXPECT_EQ(notes.find(5), nullptr);
}

TEST(Vst3HeldNotes, AHostThatNeverEndsItsNotesPushesOutTheOldest) {
  held_notes notes;
  const int32_t extra = 10;
  for (int32_t id = 0; id < held_notes::capacity + extra; ++id)
    notes.start(id, int16_t(id % 16), int16_t(id % 128), 0.f);
  EXPECT_EQ(notes.size(), held_notes::capacity);
  for (int32_t id = 0; id < extra; ++id) EXPECT_EQ(notes.find(id), nullptr) << id;
  for (int32_t id = extra; id < held_notes::capacity + extra; ++id) ASSERT_NE(notes.find(id), nullptr) << id;
  const held_note* newest = notes.find(held_notes::capacity + extra - 1);
  EXPECT_EQ(newest->pitch, (held_notes::capacity + extra - 1) % 128);
}

}  // namespace
