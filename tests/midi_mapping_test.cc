// Controller values to slider positions, and notes and bend to transposed Pitch positions.
#include "midi_mapping.h"

#include <gtest/gtest.h>

#include "note_transpose.h"

namespace {

TEST(MidiMapping, ControllerSpansTheSliderFromBottomToTopInRoundedEvenSteps) {
  struct Row {
    int low, high, value, top, position;
  };
  const Row rows[] = {
      {0, 4000, 0, 127, 4000},         {0, 4000, 127, 127, 0},       {0, 4000, 1, 127, 3969},
      {0, 4000, 64, 127, 1984},        {1, 4000, 64, 127, 1985},     {1, 4000, 127, 127, 1},
      {0, 100000, 8192, 16383, 49997}, {0, 100000, 16383, 16383, 0}, {0, 1000, 0, 127, 1000},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(controllerPosition(r.low, r.high, r.value, r.top), r.position)
        << r.low << ".." << r.high << " at " << r.value << "/" << r.top;
  }
}

TEST(MidiMapping, TranspositionScalesTheDistanceFromTheRateZeroCentre) {
  EXPECT_EQ(transposedPitch(75000, 12), 100000);  // rate 1 -> 2
  EXPECT_EQ(transposedPitch(75000, -12), 62500);  // rate 1 -> 0.5
  EXPECT_EQ(transposedPitch(75000, 13), 100000);  // clamped at the slider's end
  EXPECT_EQ(transposedPitch(25000, 12), 0);       // rate -1 -> -2
  EXPECT_EQ(transposedPitch(75000, 7), 87458);
  EXPECT_EQ(transposedPitch(75000, 1), 76487);
  EXPECT_EQ(transposedPitch(50000, 24), 50000);
}

TEST(NoteTranspose, LastNoteWinsAndReleasingEveryNoteRestoresTheSliders) {
  NoteTranspose transpose;
  int p[2] = {75000, 60000};
  EXPECT_FALSE(transpose.update(p));
  transpose.noteOn(72);
  ASSERT_TRUE(transpose.update(p));
  EXPECT_EQ(p[0], 100000);
  EXPECT_EQ(p[1], 70000);
  transpose.noteOn(48);
  transpose.update(p);
  EXPECT_EQ(p[0], 62500);
  EXPECT_EQ(p[1], 55000);
  transpose.noteOff(48);  // back to the note still held
  transpose.update(p);
  EXPECT_EQ(p[0], 100000);
  transpose.bend(0);  // two semitones down from 72
  transpose.update(p);
  EXPECT_EQ(p[0], 94545);
  transpose.bend(8192);
  transpose.noteOff(72);
  transpose.update(p);
  EXPECT_EQ(p[0], 75000);
  EXPECT_EQ(p[1], 60000);
  EXPECT_FALSE(transpose.update(p));

  // A slider dragged while a note is held stays where the drag left it on release.
  transpose.noteOn(72);
  transpose.update(p);
  p[1] = 90000;
  transpose.noteOff(72);
  transpose.update(p);
  EXPECT_EQ(p[0], 75000);
  EXPECT_EQ(p[1], 90000);
}

}  // namespace
