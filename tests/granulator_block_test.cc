// The granular engine's blocks: render gives the samples and draws of one call per sample.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <random>
#include <vector>

#include "granulator.h"
#include "random_source.h"

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
  std::vector<Granulator::Voice> voices;
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
    trace.voices.push_back(g.voiceState());
  }
  return trace;
}

void expectSameState(const Granulator::Voice& a, const Granulator::Voice& b, int at) {
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
        expectSameState(one.voices[b], blocks.voices[b], static_cast<int>(b));
      }
    }
  }
}
