// The granular engine on synthetic buffers with known answers: the window, prepare, the cycle of
// holds and crossfades, lengths, silent grains, and the pitch range with its walk.
#include "granulator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "granulator_probe.h"
#include "random_source.h"

TEST(Granulator, WindowTableFollowsTheRaisedCosineWithAngle3Point1415) {
  Granulator g;
  std::vector<float> s = ramp(100);
  const struct {
    int length;
    float last;
  } cases[] = {{1000, 0.99999738f}, {10, 0.97551537f}, {2, 0.49997684f}, {1, 0.0f}};
  for (const auto& c : cases) {
    g.prepare(s.data(), 100, c.length);
    ASSERT_EQ(g.voiceState().fadeLength, c.length);
    EXPECT_EQ(g.voiceState().window[0], 0.0f);
    EXPECT_NEAR(g.voiceState().window[c.length - 1], c.last, 1e-7) << c.length;
  }
}

TEST(Granulator, PrepareStartsAtFrameZeroWithTheDefaults) {
  seedRandom(7);
  Granulator g;
  std::vector<float> s = ramp(1000);
  s[0] = 0.25f;
  g.prepare(s.data(), 1000, 100);
  EXPECT_EQ(g.voiceState().state, Granulator::HoldA);
  EXPECT_EQ(g.voiceState().rateA, 1.0f);
  EXPECT_EQ(g.voiceState().rateB, 1.0f);
  EXPECT_EQ(g.settings().zeroThreshold(), 29491);
  EXPECT_EQ(g.voiceState().location, 0.0);
  EXPECT_EQ(g.voiceState().walkStep, 0.001f);
  EXPECT_EQ(g.voiceState().walkHalf, 0.0005f);
  EXPECT_GE(g.voiceState().holdA, 0);
  EXPECT_LE(g.voiceState().holdA, 999);
  EXPECT_GE(g.voiceState().holdB, 0);
  EXPECT_LE(g.voiceState().holdB, 999);
  EXPECT_EQ(g.nextSample(), 0.25f);
}

TEST(Granulator, PrepareDrawsHoldAThenHoldBFromTheSource) {
  seedRandom(1);  // draws 41, then 18467
  Granulator g;
  std::vector<float> s = ramp(100);
  g.prepare(s.data(), 100, 10);
  EXPECT_EQ(g.voiceState().holdA, 1);    // 41 * 1000 / 32768 = 1.25
  EXPECT_EQ(g.voiceState().holdB, 563);  // 18467 * 1000 / 32768 = 563.56
}

TEST(Granulator, PhasesCycleWithHoldCountOfNSoundingForNPlusOneSamples) {
  Granulator g;
  std::vector<float> s = ramp(50000);
  g.prepare(s.data(), 50000, 64);
  g.setLengthRange(1000, 1000);
  const int firstHold = g.voiceState().holdA;
  EXPECT_EQ(runPhase(g), firstHold + 1);
  EXPECT_EQ(g.voiceState().state, Granulator::FadeAToB);
  EXPECT_EQ(runPhase(g), 64);
  EXPECT_EQ(g.voiceState().state, Granulator::HoldB);
  EXPECT_EQ(runPhase(g), 1001);
  EXPECT_EQ(g.voiceState().state, Granulator::FadeBToA);
  EXPECT_EQ(runPhase(g), 64);
  EXPECT_EQ(g.voiceState().state, Granulator::HoldA);

  g.setLengthRange(0, 0);
  runPhase(g);  // the hold drawn before the change
  runPhase(g);
  EXPECT_EQ(runPhase(g), 1);
}

TEST(Granulator, LengthRangeIsOrderFreeAndCoversEveryCount) {
  Granulator g;
  std::vector<float> s = ramp(1000);
  g.prepare(s.data(), 1000, 1);
  g.setLengthRange(5, 2);
  EXPECT_EQ(g.settings().lenMin(), 2);
  EXPECT_EQ(g.settings().lenRange(), 3);
  std::set<int> seen;
  for (int i = 0; i < 20000; ++i) {
    const int before = g.voiceState().state;
    g.nextSample();
    if (before == Granulator::FadeAToB && g.voiceState().state == Granulator::HoldB) {
      seen.insert(g.voiceState().holdA);
      seen.insert(g.voiceState().holdB);
    }
  }
  EXPECT_EQ(seen, (std::set<int>{2, 3, 4}));
}

TEST(Granulator, OutOfRangeLengthsAndFadeAreClampedToTheEngineLimits) {
  Granulator g;
  g.setLengthRange(-5, 10);
  EXPECT_EQ(g.settings().lenMin(), 0);
  EXPECT_EQ(g.settings().lenRange(), 15);
  g.setLengthRange(0, 100000);
  EXPECT_EQ(g.settings().lenRange(), Granulator::kMaxLenRange);
  g.setLengthRange(10, 65548);
  EXPECT_EQ(g.settings().lenMin(), 10);
  EXPECT_EQ(g.settings().lenRange(), 65538);

  std::vector<float> s = ramp(100);
  g.prepare(s.data(), 100, 0);
  EXPECT_EQ(g.voiceState().fadeLength, 1);
  EXPECT_EQ(g.voiceState().window[0], 0.0f);
}

TEST(Granulator, TooShortOrMissingBufferGivesSilence) {
  Granulator g;
  EXPECT_EQ(g.nextSample(), 0.0f);  // never prepared
  float one = 0.5f;
  g.prepare(&one, 1, 10);
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(g.nextSample(), 0.0f);
  }
  g.prepare(nullptr, 1000, 10);
  EXPECT_EQ(g.nextSample(), 0.0f);
}

TEST(Granulator, ZeroChanceMapsToThresholdAndSilencesGrains) {
  Granulator g;
  const struct {
    float p;
    int threshold;
  } cases[] = {{0.0f, 32768}, {0.1f, 29491}, {0.5f, 16384}, {1.0f, 0}};
  for (const auto& c : cases) {
    g.setZeroChance(c.p);
    EXPECT_EQ(g.settings().zeroThreshold(), c.threshold) << c.p;
  }

  std::vector<float> s(1000, 0.5f);
  g.prepare(s.data(), 1000, 4);
  g.setLengthRange(3, 3);
  g.setZeroChance(0.0f);
  for (int i = 0; i < 5000; ++i) {
    ASSERT_EQ(g.nextSample(), 0.5f);
  }
  g.setZeroChance(1.0f);
  int sounding = 0;
  for (int i = 0; i < 50000; ++i) {
    sounding += g.nextSample() != 0.0f;
  }
  EXPECT_LT(sounding, 100);  // only grains whose silence draw is exactly 0, and the fade-out
}

TEST(Granulator, CrossfadeOfLengthOneIsTheOutgoingHeadAlone) {
  seedRandom(3);
  Granulator g;
  std::vector<float> s = ramp(10000);
  g.prepare(s.data(), 10000, 1);
  g.setZeroChance(0.0f);
  g.setPitchRange(1.0f, 1.0f, 0.0f);
  g.setLocation(0.0f, 0.0f);  // every grain starts at frame 0
  g.setLengthRange(100, 100);
  runPhase(g);  // first HoldA
  const double posA = g.voiceState().posA;
  ASSERT_EQ(g.voiceState().state, Granulator::FadeAToB);
  EXPECT_EQ(g.nextSample(), s[static_cast<int>(posA)]);
  EXPECT_EQ(g.voiceState().state, Granulator::HoldB);
  EXPECT_EQ(g.nextSample(), s[1]);  // head B jumped to 0 and moved once during the fade
}

TEST(Granulator, SilentGrainStillAdvancesAndFadesFromSilence) {
  std::vector<float> s(1000, 1.0f);
  Granulator g;
  g.prepare(s.data(), 1000, 8);
  g.setZeroChance(1.0f);
  g.setPitchRange(1.0f, 1.0f, 0.0f);
  g.setLocation(0.0f, 0.0f);
  runPhase(g);  // head A sounds (it was never muted); head B's grain is drawn silent
  ASSERT_TRUE(g.voiceState().muteB);
  std::vector<float> fade;
  for (int i = 0; i < 8; ++i) {
    fade.push_back(g.nextSample());
  }
  for (int i = 0; i < 8; ++i) {
    EXPECT_FLOAT_EQ(fade[i], 1.0f - g.voiceState().window[i]) << i;
  }
  EXPECT_EQ(g.voiceState().posB, 8.0);  // the silent head moved with the fade
}

TEST(Granulator, NegativeRateReadsBackwardsAndWrapsBelowZero) {
  Granulator g;
  std::vector<float> s = ramp(1001);  // wrapLen 1000
  g.prepare(s.data(), 1001, 10);
  g.setLengthRange(500, 500);
  g.setPitchRange(-0.25f, -0.25f, 0.0f);
  g.nextSample();
  EXPECT_EQ(g.voiceState().posA, 999.75);
  const float expected =
      static_cast<float>(s[999] + (s[1000] - static_cast<double>(s[999])) * 0.75);
  EXPECT_EQ(g.nextSample(), expected);
  EXPECT_EQ(g.voiceState().posA, 999.5);
}

TEST(Granulator, PitchRangeIsOrderFreeAndRecentresBothRates) {
  Granulator g;
  std::vector<float> s = ramp(10000);
  g.prepare(s.data(), 10000, 10);
  g.setPitchRange(1.5f, 0.5f, 0.001f);
  g.nextSample();
  EXPECT_EQ(g.voiceState().pitchMin, 0.5f);
  EXPECT_EQ(g.voiceState().pitchMax, 1.5f);
  EXPECT_EQ(g.voiceState().posA, 1.0);  // advanced at the centred rate before the walk moved it

  g.setPitchRange(0.75f, 0.75f, 0.01f);
  for (int i = 0; i < 3000; ++i) {
    g.nextSample();
    ASSERT_EQ(g.voiceState().walkStep, 0.0f);
    ASSERT_EQ(g.voiceState().rateA, 0.75f);
    ASSERT_EQ(g.voiceState().rateB, 0.75f);
  }
}

TEST(Granulator, PitchModeOneWalksOnlyTheSoundingHeadDuringAHold) {
  Granulator g;
  std::vector<float> s = ramp(100000);
  g.prepare(s.data(), 100000, 20);
  g.setPitchRange(0.5f, 1.5f, 0.5f);
  g.setLengthRange(200, 200);
  g.setPitchMode(PitchMode::kEachHeadWalks);
  for (int i = 0; i < 5000; ++i) {
    const int state = g.voiceState().state;
    const float a = g.voiceState().rateA;
    const float b = g.voiceState().rateB;
    g.nextSample();
    if (state == Granulator::HoldA) {
      ASSERT_EQ(g.voiceState().rateB, b);
    } else if (state == Granulator::HoldB) {
      ASSERT_EQ(g.voiceState().rateA, a);
    }
    ASSERT_GE(g.voiceState().rateA, 0.5f);
    ASSERT_LE(g.voiceState().rateA, 1.5f);
  }
  EXPECT_NE(g.voiceState().rateA, g.voiceState().rateB);

  g.setPitchMode(PitchMode::kHeadsShareRate);
  for (int i = 0; i < 5000; ++i) {
    g.nextSample();
    ASSERT_EQ(g.voiceState().rateA, g.voiceState().rateB);
  }
}

TEST(Granulator, WalkStepsStayWithinHalfAStepAndTheBounds) {
  Granulator g;
  std::vector<float> s = ramp(100000);
  g.prepare(s.data(), 100000, 20);
  g.setPitchRange(0.9f, 1.1f, 0.5f);  // steps up to 0.05 either way
  g.nextSample();
  float previous = g.voiceState().rateB;
  float lowest = previous;
  float highest = previous;
  for (int i = 0; i < 20000; ++i) {
    g.nextSample();
    const float rate = g.voiceState().rateB;
    ASSERT_LE(std::fabs(rate - previous), 0.0500001f);
    ASSERT_GE(rate, 0.9f);
    ASSERT_LE(rate, 1.1f);
    lowest = std::min(lowest, rate);
    highest = std::max(highest, rate);
    previous = rate;
  }
  EXPECT_LT(lowest, 0.95f);  // the walk really wanders across the range
  EXPECT_GT(highest, 1.05f);
}
