// The granular engine's jumps and positions, streams worked out by hand, and setters that run
// while it plays.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <vector>

#include "granulator.h"
#include "granulator_probe.h"
#include "joining_thread.h"
#include "random_source.h"

TEST(Granulator, JumpsWithoutSpreadOrSpeedRestartWhereThePreviousGrainStarted) {
  Granulator g;
  std::vector<float> s = ramp(10000);
  g.prepare(s.data(), 10000, 16);
  g.setLocation(0.0f, 0.0f);
  for (int i = 0; i < 20000; ++i) {
    g.nextSample();
    ASSERT_EQ(g.voiceState().location, 0.0);
  }
}

TEST(Granulator, JumpsWithoutSpreadMoveByCountedSamplesTimesSpeed) {
  Granulator g;
  std::vector<float> s = ramp(100000);
  g.prepare(s.data(), 100000, 16);
  g.setLocation(0.0f, 0.5f);
  for (int jumps = 0; jumps < 40;) {
    const int state = g.voiceState().state;
    const int hold = state == Granulator::HoldA ? g.voiceState().holdB : g.voiceState().holdA;
    const double previous = g.voiceState().location;
    g.nextSample();
    if ((state == Granulator::HoldA || state == Granulator::HoldB) &&
        g.voiceState().state != state) {
      double x = previous + (hold + 16) * 0.5;
      x = x >= 99999.0 ? x - 99999.0 : x;
      ASSERT_EQ(g.voiceState().location, x) << jumps;
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
  EXPECT_EQ(g.voiceState().posB, 0x1.e226d7ca0ep+9);
  EXPECT_EQ(g.voiceState().location, 0x1.e226d7ca0ep+9);
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
      ASSERT_GE(g.voiceState().posA, 0.0);
      ASSERT_LE(g.voiceState().posA, wrap);
      ASSERT_GE(g.voiceState().posB, 0.0);
      ASSERT_LE(g.voiceState().posB, wrap);
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
  g.setLocation(0.0f, static_cast<float>(16000000.0 / (g.voiceState().holdB + 10)));
  runPhase(g);
  runPhase(g);
  ASSERT_EQ(g.voiceState().state, Granulator::HoldB);
  const double start = g.voiceState().posB;
  ASSERT_GT(start, 1 << 23);
  g.nextSample();
  EXPECT_NEAR(g.voiceState().posB - start, 1.3f, 1e-6);
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
  EXPECT_EQ(g.voiceState().rateA, 0x1.a70138p-1f);
  EXPECT_EQ(g.voiceState().rateB, 0x1.98a8c4p-1f);
  EXPECT_EQ(g.voiceState().posA, 0x1.eb708a78p+3);
  EXPECT_EQ(g.voiceState().posB, 0x1.d56253c8p+4);
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
  EXPECT_EQ(g.voiceState().rateA, -0x1.02a216p+0f);
  EXPECT_EQ(g.voiceState().rateB, -0x1.02a216p+0f);
  EXPECT_EQ(g.voiceState().posA, 0x1.4826b54bcf762p+5);
  EXPECT_EQ(g.voiceState().posB, 0x1.846c6bbec2cc3p+5);
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
    const float low = g.voiceState().pitchMin;
    const float high = g.voiceState().pitchMax;
    bool known = i == 0 || (low == 0.5f && high == 1.5f);  // prepare's defaults
    for (const auto& r : ranges) {
      known = known || (low == r[0] && high == r[1]);
    }
    ASSERT_TRUE(known) << low << " " << high;
    ASSERT_GE(g.voiceState().rateA, low);
    ASSERT_LE(g.voiceState().rateA, high);
    ASSERT_GE(g.voiceState().rateB, low);
    ASSERT_LE(g.voiceState().rateB, high);
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
    EXPECT_EQ(g.voiceState().rateA, 0.0f);
    EXPECT_FALSE(std::signbit(g.voiceState().rateA));
    EXPECT_FALSE(std::signbit(g.voiceState().rateB));
  }
}
