// The readouts and the window title, against values worked out by hand from the slider mappings.
#include "panel_text.h"

#include <gtest/gtest.h>

#include "control_values.h"

namespace {

ControlValues startup() {
  ControlValues values;
  setStartupPositions(values);
  return values;
}

std::string readout(int id, int position, int frameCount = 0) {
  ControlValues values = startup();
  *sliderMember(values, id) = position;
  return readoutText(id, values, frameCount);
}

TEST(Readout, LengthsAndFadeInSamplesAndMillisecondsAtFortyFourPointOneKilohertz) {
  EXPECT_EQ(readout(IDC_LENGTH1, 3000), "Length 1: 1000 samples (22.7 ms)");
  EXPECT_EQ(readout(IDC_LENGTH2, 0), "Length 2: 4000 samples (90.7 ms)");
  EXPECT_EQ(readout(IDC_LENGTH1, 3999), "Length 1: 1 sample (0.0227 ms)");
  EXPECT_EQ(readout(IDC_LENGTH2, 4000), "Length 2: 0 samples (0 ms)");
  // Each Length readout follows its own slider.
  ControlValues values = startup();
  values.m_length1 = 3900;
  values.m_length2 = 3559;
  EXPECT_EQ(readoutText(IDC_LENGTH1, values, 0), "Length 1: 100 samples (2.27 ms)");
  EXPECT_EQ(readoutText(IDC_LENGTH2, values, 0), "Length 2: 441 samples (10.0 ms)");
  // Fade is its position, not an end counted from the top.
  EXPECT_EQ(readout(IDC_FADE, 1000), "Fade: 1000 samples (22.7 ms)");
  EXPECT_EQ(readout(IDC_FADE, 1), "Fade: 1 sample (0.0227 ms)");
  EXPECT_EQ(readout(IDC_FADE, 4000), "Fade: 4000 samples (90.7 ms)");
}

TEST(Readout, PitchIsARateWithItsSemitonesAndSaysBackwardsAndFrozen) {
  EXPECT_EQ(readout(IDC_PITCH1, 75000), "Pitch 1: rate 1 (0.0 semitones)");
  EXPECT_EQ(readout(IDC_PITCH1, 62500), "Pitch 1: rate 0.5 (\u221212.0 semitones)");
  EXPECT_EQ(readout(IDC_PITCH2, 100000), "Pitch 2: rate 2 (+12.0 semitones)");
  EXPECT_EQ(readout(IDC_PITCH2, 87500), "Pitch 2: rate 1.5 (+7.0 semitones)");
  EXPECT_EQ(readout(IDC_PITCH1, 50000), "Pitch 1: rate 0 (frozen)");
  EXPECT_EQ(readout(IDC_PITCH1, 25000), "Pitch 1: rate \u22121 (0.0 semitones, backwards)");
  EXPECT_EQ(readout(IDC_PITCH2, 0), "Pitch 2: rate \u22122 (+12.0 semitones, backwards)");
  // One step from the middle: the rate keeps its fifth decimal.
  EXPECT_EQ(readout(IDC_PITCH1, 50001), "Pitch 1: rate 0.00004 (\u2212175.3 semitones)");
  // A shift that rounds to nothing carries no sign.
  EXPECT_EQ(readout(IDC_PITCH2, 74999), "Pitch 2: rate 0.99996 (0.0 semitones)");
}

TEST(Readout, WalkZeroSpreadAndSpeedAsSharesAndMultiples) {
  EXPECT_EQ(readout(IDC_PITCHWALK, 10000), "Walk: 1 % of the range per sample");
  EXPECT_EQ(readout(IDC_PITCHWALK, 2500), "Walk: 0.25 % of the range per sample");
  EXPECT_EQ(readout(IDC_PITCHWALK, 1), "Walk: 0.0001 % of the range per sample");
  EXPECT_EQ(readout(IDC_PITCHWALK, 0), "Walk: 0 % of the range per sample");
  ControlValues linked = startup();
  linked.m_pitchWalk = 10000;
  linked.m_linkPitch = 1;
  EXPECT_EQ(readoutText(IDC_PITCHWALK, linked, 0),
            "Walk: 1 % of the range per sample (none while Pitch is linked)");

  EXPECT_EQ(readout(IDC_ZERO, 1000), "Zero: 0.0 % of grains silent");
  EXPECT_EQ(readout(IDC_ZERO, 999), "Zero: 0.1 % of grains silent");
  EXPECT_EQ(readout(IDC_ZERO, 250), "Zero: 75.0 % of grains silent");
  EXPECT_EQ(readout(IDC_ZERO, 0), "Zero: 100.0 % of grains silent");

  // The window is the whole span, in seconds of the loaded sound at 44 100 frames per second.
  EXPECT_EQ(readout(IDC_SPREAD, 750, 4410000), "Spread: 1.00 % of the sound (1.000 s)");
  EXPECT_EQ(readout(IDC_SPREAD, 1000, 110250), "Spread: 1.33 % of the sound (0.033 s)");
  EXPECT_EQ(readout(IDC_SPREAD, 1000), "Spread: 1.33 % of the sound");
  EXPECT_EQ(readout(IDC_SPREAD, 0, 110250), "Spread: 0.00 % of the sound (0.000 s)");

  EXPECT_EQ(readout(IDC_SPEED, 5000), "Speed: 1 \u00d7 the sound's own speed");
  EXPECT_EQ(readout(IDC_SPEED, 7500), "Speed: 1.5 \u00d7 the sound's own speed");
  EXPECT_EQ(readout(IDC_SPEED, 5001), "Speed: 1.0002 \u00d7 the sound's own speed");
  EXPECT_EQ(readout(IDC_SPEED, 0), "Speed: 0 \u00d7 the sound's own speed (standing still)");

  EXPECT_EQ(readoutText(IDC_RUN, startup(), 0), "");
}

TEST(PanelTitle, NamesTheLoadedFileBeforeTheProgram) {
  EXPECT_EQ(panelTitle(""), "Grainpanel");
  EXPECT_EQ(panelTitle("/home/me/my sounds/pad.wav"), "pad.wav \u2014 Grainpanel");
  EXPECT_EQ(panelTitle("bell.wav"), "bell.wav \u2014 Grainpanel");
}

}  // namespace
