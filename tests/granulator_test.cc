// The granular engine on synthetic buffers with known answers.
#include "granulator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <iterator>
#include <random>
#include <set>
#include <vector>

#include "joining_thread.h"
#include "random_source.h"

namespace {

// A ramp whose value at frame i is i / n: a read at position p gives p / n wherever it lands.
std::vector<float> ramp(int n) {
  std::vector<float> s(n);
  for (int i = 0; i < n; ++i) {
    s[i] = static_cast<float>(i) / n;
  }
  return s;
}

// Calls nextSample until the state changes; returns how many calls that took.
int runPhase(Granulator& g) {
  const int start = g.inspect().state;
  int calls = 0;
  while (g.inspect().state == start) {
    g.nextSample();
    ++calls;
  }
  return calls;
}

}  // namespace

TEST(Granulator, WindowTableFollowsTheRaisedCosineWithAngle3Point1415) {
  Granulator g;
  std::vector<float> s = ramp(100);
  const struct {
    int length;
    float last;
  } cases[] = {{1000, 0.99999738f}, {10, 0.97551537f}, {2, 0.49997684f}, {1, 0.0f}};
  for (const auto& c : cases) {
    g.prepare(s.data(), 100, c.length);
    ASSERT_EQ(g.inspect().fadeLength, c.length);
    EXPECT_EQ(g.inspect().window[0], 0.0f);
    EXPECT_NEAR(g.inspect().window[c.length - 1], c.last, 1e-7) << c.length;
  }
}

TEST(Granulator, PrepareStartsAtFrameZeroWithTheDefaults) {
  seedRandom(7);
  Granulator g;
  std::vector<float> s = ramp(1000);
  s[0] = 0.25f;
  g.prepare(s.data(), 1000, 100);
  EXPECT_EQ(g.inspect().state, Granulator::HoldA);
  EXPECT_EQ(g.inspect().rateA, 1.0f);
  EXPECT_EQ(g.inspect().rateB, 1.0f);
  EXPECT_EQ(g.inspect().zeroThreshold, 29491);
  EXPECT_EQ(g.inspect().location, 0.0);
  EXPECT_EQ(g.inspect().walkStep, 0.001f);
  EXPECT_EQ(g.inspect().walkHalf, 0.0005f);
  EXPECT_GE(g.inspect().holdA, 0);
  EXPECT_LE(g.inspect().holdA, 999);
  EXPECT_GE(g.inspect().holdB, 0);
  EXPECT_LE(g.inspect().holdB, 999);
  EXPECT_EQ(g.nextSample(), 0.25f);
}

TEST(Granulator, PrepareDrawsHoldAThenHoldBFromTheSource) {
  seedRandom(1);  // draws 41, then 18467
  Granulator g;
  std::vector<float> s = ramp(100);
  g.prepare(s.data(), 100, 10);
  EXPECT_EQ(g.inspect().holdA, 1);    // 41 * 1000 / 32768 = 1.25
  EXPECT_EQ(g.inspect().holdB, 563);  // 18467 * 1000 / 32768 = 563.56
}

TEST(Granulator, PhasesCycleWithHoldCountOfNSoundingForNPlusOneSamples) {
  Granulator g;
  std::vector<float> s = ramp(50000);
  g.prepare(s.data(), 50000, 64);
  g.setLengthRange(1000, 1000);
  const int firstHold = g.inspect().holdA;
  EXPECT_EQ(runPhase(g), firstHold + 1);
  EXPECT_EQ(g.inspect().state, Granulator::FadeAToB);
  EXPECT_EQ(runPhase(g), 64);
  EXPECT_EQ(g.inspect().state, Granulator::HoldB);
  EXPECT_EQ(runPhase(g), 1001);
  EXPECT_EQ(g.inspect().state, Granulator::FadeBToA);
  EXPECT_EQ(runPhase(g), 64);
  EXPECT_EQ(g.inspect().state, Granulator::HoldA);

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
  EXPECT_EQ(g.inspect().lenMin, 2);
  EXPECT_EQ(g.inspect().lenRange, 3);
  std::set<int> seen;
  for (int i = 0; i < 20000; ++i) {
    const int before = g.inspect().state;
    g.nextSample();
    if (before == Granulator::FadeAToB && g.inspect().state == Granulator::HoldB) {
      seen.insert(g.inspect().holdA);
      seen.insert(g.inspect().holdB);
    }
  }
  EXPECT_EQ(seen, (std::set<int>{2, 3, 4}));
}

TEST(Granulator, OutOfRangeLengthsAndFadeAreClampedToTheEngineLimits) {
  Granulator g;
  g.setLengthRange(-5, 10);
  EXPECT_EQ(g.inspect().lenMin, 0);
  EXPECT_EQ(g.inspect().lenRange, 15);
  g.setLengthRange(0, 100000);
  EXPECT_EQ(g.inspect().lenRange, Granulator::kMaxLenRange);
  g.setLengthRange(10, 65548);
  EXPECT_EQ(g.inspect().lenMin, 10);
  EXPECT_EQ(g.inspect().lenRange, 65538);

  std::vector<float> s = ramp(100);
  g.prepare(s.data(), 100, 0);
  EXPECT_EQ(g.inspect().fadeLength, 1);
  EXPECT_EQ(g.inspect().window[0], 0.0f);
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
    EXPECT_EQ(g.inspect().zeroThreshold, c.threshold) << c.p;
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
  const double posA = g.inspect().posA;
  ASSERT_EQ(g.inspect().state, Granulator::FadeAToB);
  EXPECT_EQ(g.nextSample(), s[static_cast<int>(posA)]);
  EXPECT_EQ(g.inspect().state, Granulator::HoldB);
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
  ASSERT_TRUE(g.inspect().muteB);
  std::vector<float> fade;
  for (int i = 0; i < 8; ++i) {
    fade.push_back(g.nextSample());
  }
  for (int i = 0; i < 8; ++i) {
    EXPECT_FLOAT_EQ(fade[i], 1.0f - g.inspect().window[i]) << i;
  }
  EXPECT_EQ(g.inspect().posB, 8.0);  // the silent head moved with the fade
}

TEST(Granulator, NegativeRateReadsBackwardsAndWrapsBelowZero) {
  Granulator g;
  std::vector<float> s = ramp(1001);  // wrapLen 1000
  g.prepare(s.data(), 1001, 10);
  g.setLengthRange(500, 500);
  g.setPitchRange(-0.25f, -0.25f, 0.0f);
  g.nextSample();
  EXPECT_EQ(g.inspect().posA, 999.75);
  const float expected =
      static_cast<float>(s[999] + (s[1000] - static_cast<double>(s[999])) * 0.75);
  EXPECT_EQ(g.nextSample(), expected);
  EXPECT_EQ(g.inspect().posA, 999.5);
}

TEST(Granulator, PitchRangeIsOrderFreeAndRecentresBothRates) {
  Granulator g;
  std::vector<float> s = ramp(10000);
  g.prepare(s.data(), 10000, 10);
  g.setPitchRange(1.5f, 0.5f, 0.001f);
  g.nextSample();
  EXPECT_EQ(g.inspect().pitchMin, 0.5f);
  EXPECT_EQ(g.inspect().pitchMax, 1.5f);
  EXPECT_EQ(g.inspect().posA, 1.0);  // advanced at the centred rate before the walk moved it

  g.setPitchRange(0.75f, 0.75f, 0.01f);
  for (int i = 0; i < 3000; ++i) {
    g.nextSample();
    ASSERT_EQ(g.inspect().walkStep, 0.0f);
    ASSERT_EQ(g.inspect().rateA, 0.75f);
    ASSERT_EQ(g.inspect().rateB, 0.75f);
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
    const int state = g.inspect().state;
    const float a = g.inspect().rateA;
    const float b = g.inspect().rateB;
    g.nextSample();
    if (state == Granulator::HoldA) {
      ASSERT_EQ(g.inspect().rateB, b);
    } else if (state == Granulator::HoldB) {
      ASSERT_EQ(g.inspect().rateA, a);
    }
    ASSERT_GE(g.inspect().rateA, 0.5f);
    ASSERT_LE(g.inspect().rateA, 1.5f);
  }
  EXPECT_NE(g.inspect().rateA, g.inspect().rateB);

  g.setPitchMode(PitchMode::kHeadsShareRate);
  for (int i = 0; i < 5000; ++i) {
    g.nextSample();
    ASSERT_EQ(g.inspect().rateA, g.inspect().rateB);
  }
}

TEST(Granulator, WalkStepsStayWithinHalfAStepAndTheBounds) {
  Granulator g;
  std::vector<float> s = ramp(100000);
  g.prepare(s.data(), 100000, 20);
  g.setPitchRange(0.9f, 1.1f, 0.5f);  // steps up to 0.05 either way
  g.nextSample();
  float previous = g.inspect().rateB;
  float lowest = previous;
  float highest = previous;
  for (int i = 0; i < 20000; ++i) {
    g.nextSample();
    const float rate = g.inspect().rateB;
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

TEST(Granulator, JumpsWithoutSpreadOrSpeedRestartWhereThePreviousGrainStarted) {
  Granulator g;
  std::vector<float> s = ramp(10000);
  g.prepare(s.data(), 10000, 16);
  g.setLocation(0.0f, 0.0f);
  for (int i = 0; i < 20000; ++i) {
    g.nextSample();
    ASSERT_EQ(g.inspect().location, 0.0);
  }
}

TEST(Granulator, JumpsWithoutSpreadMoveByCountedSamplesTimesSpeed) {
  Granulator g;
  std::vector<float> s = ramp(100000);
  g.prepare(s.data(), 100000, 16);
  g.setLocation(0.0f, 0.5f);
  for (int jumps = 0; jumps < 40;) {
    const int state = g.inspect().state;
    const int hold = state == Granulator::HoldA ? g.inspect().holdB : g.inspect().holdA;
    const double previous = g.inspect().location;
    g.nextSample();
    if ((state == Granulator::HoldA || state == Granulator::HoldB) && g.inspect().state != state) {
      double x = previous + (hold + 16) * 0.5;
      x = x >= 99999.0 ? x - 99999.0 : x;
      ASSERT_EQ(g.inspect().location, x) << jumps;
      ++jumps;
    }
  }
}

TEST(Granulator, FirstJumpBelowZeroIsCorrectedToNearTheEnd) {
  Granulator g;
  std::vector<float> s = ramp(1001);  // wrapLen 1000
  seedRandom(1);
  g.prepare(s.data(), 1001, 4);
  g.setLocation(1.0f, 0.0f);  // span 1001: a scatter from -500.5 to just under +500.5
  g.setPitchRange(1.0f, 1.0f, 0.0f);
  // Seed 1 gave holds 1 and 563. From seed 7 the first HoldA takes one walk draw on each of its
  // two samples (61, 17422), then the scatter 15215: 15215 * k * 1001 - 500.5 = -35.697 falls
  // below zero and is corrected by wrapLen 1000.
  seedRandom(7);
  runPhase(g);
  EXPECT_EQ(g.inspect().posB, 0x1.e226d7ca0ep+9);
  EXPECT_EQ(g.inspect().location, 0x1.e226d7ca0ep+9);
}

TEST(Granulator, ShortSoundsWithFarJumpsAndFastRatesStayInsideTheBuffer) {
  seedRandom(99);
  for (int frames : {2, 3, 5, 17}) {
    std::vector<float> s(frames, -1.0f);  // exact size: any read past the end is a fault
    s[0] = 1.0f;
    Granulator g;
    g.prepare(s.data(), frames, 3);
    g.setLengthRange(0, 4000);
    g.setLocation(0.0133f, 2.0f);
    g.setPitchRange(-2.0f, 2.0f, 0.01f);
    g.setPitchMode(PitchMode::kEachHeadWalks);
    const double wrap = frames - 1;
    for (int i = 0; i < 200000; ++i) {
      const float out = g.nextSample();
      ASSERT_GE(out, -1.0f);
      ASSERT_LE(out, 1.0f);
      ASSERT_GE(g.inspect().posA, 0.0);
      ASSERT_LE(g.inspect().posA, wrap);
      ASSERT_GE(g.inspect().posB, 0.0);
      ASSERT_LE(g.inspect().posB, wrap);
    }
  }
}

TEST(Granulator, DoublePositionsKeepTheRateDeepIntoALongSound) {
  const int frames = (1 << 24) + 10;
  std::vector<float> s(frames, 0.0f);
  Granulator g;
  g.prepare(s.data(), frames, 10);
  g.setLengthRange(4000, 4000);
  g.setPitchRange(1.3f, 1.3f, 0.0f);
  // The first jump lands near frame 2^24, where a float position could not move by 1.3.
  g.setLocation(0.0f, static_cast<float>(16000000.0 / (g.inspect().holdB + 10)));
  runPhase(g);
  runPhase(g);
  ASSERT_EQ(g.inspect().state, Granulator::HoldB);
  const double start = g.inspect().posB;
  ASSERT_GT(start, 1 << 23);
  g.nextSample();
  EXPECT_NEAR(g.inspect().posB - start, 1.3f, 1e-6);
}

// Known answers, worked out from the engine's rules by a separate model of them: every value
// stored as a float, every formula in double. A float walk, a float position, a window entry
// off by one or a draw taken out of order changes these samples.
struct KnownRun {
  PitchMode mode;
  float pitch1, pitch2, walk;
  int length1, length2;
  float spread, speed, zero;
  int fade;
  uint32_t seed;
};

std::vector<float> knownRun(const KnownRun& run, Granulator& g, std::vector<float>& buffer) {
  // Frame i is ((37 i) mod 101 - 50) / 64, exact in a float.
  for (int i = 0; i < 64; ++i) buffer.push_back(static_cast<float>((i * 37 % 101) - 50) / 64.0f);
  seedRandom(1);
  g.prepare(buffer.data(), 64, run.fade);
  seedRandom(run.seed);
  g.setLengthRange(run.length1, run.length2);
  g.setZeroChance(run.zero);
  g.setPitchRange(run.pitch1, run.pitch2, run.walk);
  g.setLocation(run.spread, run.speed);
  g.setPitchMode(run.mode);
  std::vector<float> out(40);
  for (float& x : out) x = g.nextSample();
  return out;
}

TEST(Granulator, KnownStreamWithEachHeadWalkingSilentGrainsAndScatter) {
  KnownRun run;
  run.mode = PitchMode::kEachHeadWalks;
  run.pitch1 = 0.7f;
  run.pitch2 = 1.3f;
  run.walk = 0.37f;
  run.length1 = 2;
  run.length2 = 6;
  run.spread = 0.25f;
  run.speed = 1.5f;
  run.zero = 0.3f;
  run.fade = 5;
  run.seed = 12345;
  Granulator g;
  std::vector<float> buffer;
  const std::vector<float> expected = {-0x1.9p-1f,
                                       -0x1.ap-3f,
                                       0x1.5cb4d6p-2f,
                                       -0x1.de70ep-2f,
                                       -0x1.897922p-4f,
                                       -0x1.b2d434p-4f,
                                       -0x1.7ba0a8p-2f,
                                       0x1.9e695p-3f,
                                       -0x1.2645ap-2f,
                                       -0x1.27205p-3f,
                                       0x1.d582c4p-2f,
                                       -0x1.76691p-2f,
                                       0x1.8a3b2ep-4f,
                                       0x1.4965bap-1f,
                                       -0x1.c35a58p-7f,
                                       0x1.31943p-4f,
                                       -0x1.52c7d2p-3f,
                                       -0x1.f7c5dap-2f,
                                       -0x1.0e3358p-6f,
                                       0x1.9a62ep-2f,
                                       -0x1.97530cp-2f,
                                       -0x1.1d07c4p-3f,
                                       0x1.ad3ac6p-3f,
                                       0x1.5ffbbep-4f,
                                       -0x1.b3047ep-6f,
                                       0.0f,
                                       0.0f,
                                       0.0f,
                                       0.0f,
                                       0.0f,
                                       0.0f,
                                       0x1.ab8a12p-5f,
                                       0x1.4ec694p-5f,
                                       -0x1.9b8aeap-4f,
                                       0x1.8071bep-3f,
                                       -0x1.43f936p-1f,
                                       -0x1.3fb8aep-2f,
                                       0x1.b7a1p-3f,
                                       -0x1.e81c4cp-4f,
                                       -0x1.41f6p-2f};
  EXPECT_EQ(knownRun(run, g, buffer), expected);
  EXPECT_EQ(g.inspect().rateA, 0x1.a70138p-1f);
  EXPECT_EQ(g.inspect().rateB, 0x1.98a8c4p-1f);
  EXPECT_EQ(g.inspect().posA, 0x1.eb708a78p+3);
  EXPECT_EQ(g.inspect().posB, 0x1.d56253c8p+4);
}

TEST(Granulator, KnownStreamWithOneSharedBackwardRateAndMovingLocation) {
  KnownRun run;
  run.mode = PitchMode::kHeadsShareRate;
  run.pitch1 = -1.25f;
  run.pitch2 = -0.5f;
  run.walk = 0.05f;
  run.length1 = 0;
  run.length2 = 4;
  run.spread = 0.13f;
  run.speed = 0.3f;
  run.zero = 0.0f;
  run.fade = 3;
  run.seed = 777;
  Granulator g;
  std::vector<float> buffer;
  const std::vector<float> expected = {
      -0x1.9p-1f,      0x1.cp-3f,       -0x1.956beep-4f, 0x1.8eb1f4p-3f,  0x1.ff85e8p-3f,
      -0x1.4c7a1ap-2f, 0x1.2bc242p-1f,  0x1.8128e4p-3f,  -0x1.5e3004p-2f, 0x1.5e5f92p-3f,
      -0x1.13bae6p-6f, -0x1.1e8bc4p-4f, -0x1.005814p-3f, 0x1.a1dec6p-3f,  0x1.b63c9ep-2f,
      -0x1.890adep-4f, -0x1.021644p-2f, 0x1.b31bc8p-2f,  0x1.23b584p-2f,  -0x1.efde96p-3f,
      0x1.295a46p-6f,  0x1.1ed6c4p-3f,  0x1.00b714p-2f,  0x1.1f985ep-2f,  -0x1.050f7ep-2f,
      0x1.f7234ap-5f,  0x1.d1f716p-3f,  -0x1.460722p-2f, -0x1.3d700ap-3f, -0x1.238436p-2f,
      -0x1.67b6bep-2f, 0x1.3f98f6p-5f,  0x1.1fb6e2p-6f,  0x1.e755d8p-2f,  -0x1.5ae438p-3f,
      0x1.527a52p-2f,  0x1.00ffp-5f,    -0x1.194ddep-1f, 0x1.5d13cap-2f,  -0x1.2d81a4p-3f};
  EXPECT_EQ(knownRun(run, g, buffer), expected);
  EXPECT_EQ(g.inspect().rateA, -0x1.02a216p+0f);
  EXPECT_EQ(g.inspect().rateB, -0x1.02a216p+0f);
  EXPECT_EQ(g.inspect().posA, 0x1.4826b54bcf762p+5);
  EXPECT_EQ(g.inspect().posB, 0x1.846c6bbec2cc3p+5);
}

TEST(Granulator, ConcurrentSettersNeverLeaveARateOutsideTheLastRangeTaken) {
  std::vector<float> s(5000);
  for (int i = 0; i < 5000; ++i) {
    s[i] = static_cast<float>(std::sin(i * 0.05));
  }
  Granulator g;
  g.prepare(s.data(), 5000, 50);
  g.setPitchMode(PitchMode::kEachHeadWalks);
  const float ranges[][2] = {{-2.0f, -1.0f}, {0.5f, 1.5f}, {1.9f, 2.0f}, {0.0f, 0.0f}};
  std::atomic<bool> done{false};
  JoiningThread ui(
      [&] {
        for (int i = 0; !done.load(); ++i) {
          const auto& r = ranges[i % 4];
          g.setPitchRange(r[1], r[0], 0.01f * (i % 7));
          g.setLengthRange(i % 300, (i * 7) % 4000);
          g.setLocation((i % 10) * 0.001f, (i % 5) * 0.5f);
          g.setZeroChance((i % 11) * 0.1f);
          g.setPitchMode(i % 2 == 0 ? PitchMode::kEachHeadWalks : PitchMode::kHeadsShareRate);
        }
      },
      [&] { done = true; });
  for (int i = 0; i < 300000; ++i) {
    const float out = g.nextSample();
    ASSERT_GE(out, -1.0f);
    ASSERT_LE(out, 1.0f);
    const float low = g.inspect().pitchMin;
    const float high = g.inspect().pitchMax;
    bool known = i == 0 || (low == 0.5f && high == 1.5f);  // prepare's defaults
    for (const auto& r : ranges) {
      known = known || (low == r[0] && high == r[1]);
    }
    ASSERT_TRUE(known) << low << " " << high;
    ASSERT_GE(g.inspect().rateA, low);
    ASSERT_LE(g.inspect().rateA, high);
    ASSERT_GE(g.inspect().rateB, low);
    ASSERT_LE(g.inspect().rateB, high);
  }
}

TEST(Granulator, ZeroStepStillDrawsOnceAndTurnsANegativeZeroRatePositive) {
  std::vector<float> s = ramp(1000);
  for (bool inBlock : {false, true}) {
    SCOPED_TRACE(inBlock ? "render" : "nextSample");
    Granulator g;
    seedRandom(1);  // prepare's holds: draws 41 and 18467 give holdA 1 and holdB 563
    g.prepare(s.data(), 1000, 10);
    g.setPitchRange(-0.0f, -0.0f, 0.0f);
    seedRandom(1);
    float out = 1.0f;
    if (inBlock) {
      g.render(&out, 1);
    } else {
      out = g.nextSample();
    }
    EXPECT_EQ(out, 0.0f);
    // A hold sample with no jump makes one draw, the walk's: 1 * 214013 + 2531011.
    EXPECT_EQ(randomState(), 2745024u);
    // The candidate is r * k * 0 + (-0) - 0, which is +0.
    EXPECT_EQ(g.inspect().rateA, 0.0f);
    EXPECT_FALSE(std::signbit(g.inspect().rateA));
    EXPECT_FALSE(std::signbit(g.inspect().rateB));
  }
}

TEST(Granulator, BlockOfAnUnpreparedOrTooShortEngineIsSilentAndDrawsNothing) {
  Granulator g;
  std::vector<float> out(64, 1.0f);
  seedRandom(5);
  g.render(out.data(), 64);
  EXPECT_EQ(out, std::vector<float>(64, 0.0f));
  float one = 0.5f;
  g.prepare(&one, 1, 10);
  seedRandom(5);
  out.assign(64, 1.0f);
  g.render(out.data(), 64);
  EXPECT_EQ(out, std::vector<float>(64, 0.0f));
  EXPECT_EQ(randomState(), 5u);
}

namespace {

// One step of a script played on two engines: a setter (or a new prepare) and then a block.
struct ScriptStep {
  int setter;
  int choice;
  int blockLength;
};

// Setter arguments at the ends and links of every control, and a few plain ones.
constexpr int kLengthPairs[][2] = {{0, 0},    {1000, 1000}, {5, 2},      {0, 4000},
                                   {3999, 0}, {1, 2},       {0, 100000}, {4000, 4000}};
constexpr float kPitchTriples[][3] = {
    {1.0f, 1.0f, 0.0f},    {0.5f, 1.5f, 0.001f},  {-2.0f, 2.0f, 0.01f}, {-0.0f, -0.0f, 0.0f},
    {0.75f, 0.75f, 0.01f}, {2.0f, -2.0f, 1.0f},   {1.3f, 1.3f, 0.0f},   {-1.0f, -0.5f, 0.3f},
    {1.9f, 2.0f, 0.0001f}, {-0.25f, -0.25f, 0.0f}};
constexpr float kLocations[][2] = {{0.0f, 0.0f}, {0.0f, 1.0f}, {0.0133f, 2.0f}, {0.01f, 1.0f},
                                   {1.0f, 0.0f}, {0.0f, 0.5f}, {0.005f, -1.0f}};
constexpr float kZeroChances[] = {0.0f, 0.1f, 0.5f, 1.0f};
constexpr int kFades[] = {1, 2, 10, 1000, 4000};
constexpr int kBlockLengths[] = {0, 1, 2, 7, 255, 256, 1000, 4096, 9000};

std::vector<ScriptStep> makeScript(uint32_t seed, int steps) {
  std::mt19937 pick(seed);
  std::vector<ScriptStep> script;
  for (int i = 0; i < steps; ++i) {
    script.push_back({static_cast<int>(pick() % 7), static_cast<int>(pick() % 64),
                      kBlockLengths[pick() % std::size(kBlockLengths)]});
  }
  return script;
}

void applySetter(Granulator& g, const ScriptStep& step, const std::vector<float>& s) {
  const int c = step.choice;
  switch (step.setter) {
    case 0: {
      const auto& p = kLengthPairs[c % std::size(kLengthPairs)];
      g.setLengthRange(p[0], p[1]);
      break;
    }
    case 1: {
      const auto& p = kPitchTriples[c % std::size(kPitchTriples)];
      g.setPitchRange(p[0], p[1], p[2]);
      break;
    }
    case 2: {
      const auto& p = kLocations[c % std::size(kLocations)];
      g.setLocation(p[0], p[1]);
      break;
    }
    case 3:
      g.setZeroChance(kZeroChances[c % std::size(kZeroChances)]);
      break;
    case 4:
      g.setPitchMode(c % 2 == 0 ? PitchMode::kEachHeadWalks : PitchMode::kHeadsShareRate);
      break;
    case 5:
      g.prepare(s.data(), static_cast<int>(s.size()), kFades[c % std::size(kFades)]);
      break;
    default:
      break;  // no setter: two blocks in a row
  }
}

// What one play of a script leaves behind: every sample's bits, and after each block the
// random source's state and the engine's own state.
struct Trace {
  std::vector<uint32_t> sampleBits;
  std::vector<uint32_t> randomStates;
  std::vector<Granulator::Inspection> inspections;
};

Trace play(const std::vector<float>& s, uint32_t seed, const std::vector<ScriptStep>& script,
           bool inBlocks) {
  Granulator g;
  seedRandom(1);
  g.prepare(s.data(), static_cast<int>(s.size()), 100);
  seedRandom(seed);
  Trace trace;
  std::vector<float> block;
  for (const ScriptStep& step : script) {
    applySetter(g, step, s);
    block.assign(step.blockLength, 0.0f);
    if (inBlocks) {
      g.render(block.data(), step.blockLength);
    } else {
      for (float& x : block) {
        x = g.nextSample();
      }
    }
    for (float x : block) {
      uint32_t bits;
      std::memcpy(&bits, &x, sizeof bits);
      trace.sampleBits.push_back(bits);
    }
    trace.randomStates.push_back(randomState());
    trace.inspections.push_back(g.inspect());
  }
  return trace;
}

void expectSameState(const Granulator::Inspection& a, const Granulator::Inspection& b, int at) {
  EXPECT_EQ(a.state, b.state) << at;
  EXPECT_EQ(a.windowPos, b.windowPos) << at;
  EXPECT_EQ(a.posA, b.posA) << at;
  EXPECT_EQ(a.posB, b.posB) << at;
  EXPECT_EQ(a.location, b.location) << at;
  EXPECT_EQ(std::signbit(a.rateA), std::signbit(b.rateA)) << at;
  EXPECT_EQ(a.rateA, b.rateA) << at;
  EXPECT_EQ(std::signbit(a.rateB), std::signbit(b.rateB)) << at;
  EXPECT_EQ(a.rateB, b.rateB) << at;
  EXPECT_EQ(a.holdA, b.holdA) << at;
  EXPECT_EQ(a.holdB, b.holdB) << at;
  EXPECT_EQ(a.muteA, b.muteA) << at;
  EXPECT_EQ(a.muteB, b.muteB) << at;
}

}  // namespace

TEST(Granulator, BlocksGiveTheSamplesAndDrawsOfOneCallPerSampleUnderEverySetting) {
  // Sounds from the shortest the engine plays (two frames, where jumps fold in far) to a second.
  for (int frames : {2, 3, 5, 17, 1001, 44100}) {
    std::vector<float> s(frames);
    for (int i = 0; i < frames; ++i) {
      s[i] = static_cast<float>(0.9 * std::sin(i * 0.37) * std::cos(i * 0.011));
    }
    for (uint32_t seed : {1u, 42u, 4294967295u}) {
      SCOPED_TRACE(testing::Message() << frames << " frames, seed " << seed);
      const std::vector<ScriptStep> script = makeScript(seed * 31 + frames, 60);
      const Trace one = play(s, seed, script, false);
      const Trace blocks = play(s, seed, script, true);
      ASSERT_EQ(one.sampleBits.size(), blocks.sampleBits.size());
      for (size_t i = 0; i < one.sampleBits.size(); ++i) {
        ASSERT_EQ(one.sampleBits[i], blocks.sampleBits[i]) << "sample " << i;
      }
      for (size_t b = 0; b < script.size(); ++b) {
        ASSERT_EQ(one.randomStates[b], blocks.randomStates[b]) << "after block " << b;
        expectSameState(one.inspections[b], blocks.inspections[b], static_cast<int>(b));
      }
    }
  }
}
