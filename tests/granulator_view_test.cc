// The engine's published view: the heads' places and gains at known states, and whole snapshots
// for a reader on another thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "granulator.h"
#include "random_source.h"

namespace {

void runUntil(Granulator& g, Granulator::State state) {
  while (g.voiceState().state != state) {
    g.nextSample();
  }
}

void run(Granulator& g, int samples) {
  for (int i = 0; i < samples; ++i) {
    g.nextSample();
  }
}

Granulator::View published(Granulator& g) {
  g.publishView();
  Granulator::View v{};
  EXPECT_TRUE(g.readView(v));
  return v;
}

bool sameView(const Granulator::View& a, const Granulator::View& b) {
  return a.number == b.number && a.state == b.state && a.frameCount == b.frameCount &&
         a.spread == b.spread && a.location == b.location && a.posA == b.posA && a.posB == b.posB &&
         a.gainA == b.gainA && a.gainB == b.gainB;
}

// Joins the thread on every way out of the test, so a failed assertion cannot end the process
// on a joinable thread.
struct JoinOnExit {
  std::thread& thread;
  ~JoinOnExit() {
    if (thread.joinable()) {
      thread.join();
    }
  }
};

}  // namespace

TEST(GranulatorView, NothingToReadBeforeTheFirstPublish) {
  Granulator g;
  Granulator::View v{};
  v.number = 77;
  EXPECT_FALSE(g.readView(v));
  EXPECT_EQ(v.number, 77u);
}

TEST(GranulatorView, GainsFollowTheHoldTheCrossfadeWindowAndTheMutes) {
  seedRandom(1);  // prepare draws 41 and 18467: holdA 1, holdB 563
  Granulator g;
  std::vector<float> s(1000, 0.5f);
  g.prepare(s.data(), 1000, 10);

  // prepare publishes the start: head A alone at frame 0, with prepare's own spread.
  Granulator::View v{};
  ASSERT_TRUE(g.readView(v));
  EXPECT_EQ(v.number, 1u);
  EXPECT_EQ(v.state, Granulator::HoldA);
  EXPECT_EQ(v.frameCount, 1000);
  EXPECT_EQ(v.spread, 0.01f);
  EXPECT_EQ(v.posA, 0.0);
  EXPECT_EQ(v.location, 0.0);
  EXPECT_EQ(v.gainA, 1.0f);
  EXPECT_EQ(v.gainB, 0.0f);

  g.setZeroChance(0.0f);
  g.setPitchRange(1.0f, 1.0f, 0.0f);
  g.setLocation(0.0f, 1.0f);
  // A hold count of 1 sounds for two samples; the fade then starts at window value 0.
  run(g, 2);
  v = published(g);
  EXPECT_EQ(v.number, 2u);
  EXPECT_EQ(v.state, Granulator::FadeAToB);
  EXPECT_EQ(v.gainA, 1.0f);
  EXPECT_EQ(v.gainB, 0.0f);
  EXPECT_EQ(v.spread, 0.0f);

  // Three samples into a fade of 10: w = 1 - (cos(3 * 0.31415) + 1) / 2 = 0.2060961.
  run(g, 3);
  v = published(g);
  EXPECT_EQ(v.state, Granulator::FadeAToB);
  EXPECT_EQ(v.posA, 5.0);
  EXPECT_NEAR(v.gainA, 0.7939039f, 1e-6);
  EXPECT_NEAR(v.gainB, 0.2060961f, 1e-6);

  runUntil(g, Granulator::HoldB);
  v = published(g);
  EXPECT_EQ(v.gainA, 0.0f);
  EXPECT_EQ(v.gainB, 1.0f);
  // With no spread the jump lands one hold and one fade ahead, 563 + 10, and B has read 10 since.
  EXPECT_EQ(v.location, 573.0);
  EXPECT_EQ(v.posB, 583.0);

  runUntil(g, Granulator::FadeBToA);
  run(g, 3);
  v = published(g);
  EXPECT_NEAR(v.gainA, 0.2060961f, 1e-6);
  EXPECT_NEAR(v.gainB, 0.7939039f, 1e-6);

  // Every new grain is silent now: head B comes back muted, so A fades out alone, and B's hold
  // sounds nothing.
  g.setZeroChance(1.0f);
  runUntil(g, Granulator::FadeAToB);
  run(g, 3);
  v = published(g);
  EXPECT_NEAR(v.gainA, 0.7939039f, 1e-6);
  EXPECT_EQ(v.gainB, 0.0f);
  runUntil(g, Granulator::HoldB);
  v = published(g);
  EXPECT_EQ(v.gainA, 0.0f);
  EXPECT_EQ(v.gainB, 0.0f);
}

// The reader checks each view it takes against the view of the same number in a replay of the
// same seed: a view stitched from two publishes would match neither.
TEST(GranulatorView, AReaderOnAnotherThreadNeverSeesHalfOfTwoViews) {
  std::vector<float> s(5000);
  for (int i = 0; i < 5000; ++i) {
    s[i] = static_cast<float>(i % 100) / 100.0f;
  }
  auto setUp = [&](Granulator& g) {
    seedRandom(5);
    g.prepare(s.data(), 5000, 8);
    g.setLengthRange(0, 20);
    g.setZeroChance(0.3f);
    g.setPitchRange(0.5f, 1.5f, 0.01f);
    g.setPitchMode(PitchMode::kEachHeadWalks);
    g.setLocation(0.05f, 1.0f);
  };
  constexpr int kSamples = 200000;

  // replay[n - 1] is view number n; prepare publishes number 1.
  std::vector<Granulator::View> replay(1);
  {
    Granulator g;
    setUp(g);
    ASSERT_TRUE(g.readView(replay[0]));
    for (int i = 0; i < kSamples; ++i) {
      g.nextSample();
      replay.push_back(published(g));
    }
  }

  // A round counts only the views the reader saw change while the worker wrote; on a busy
  // machine the two threads may share a core for a whole round, so rounds repeat until enough
  // views were read in parallel with their writing.
  int taken = 0;
  int fresh = 0;
  int stitched = 0;
  for (int round = 0; round < 6 && fresh < 20000; ++round) {
    Granulator live;
    setUp(live);
    std::atomic<bool> reading{false};
    std::atomic<bool> done{false};
    std::thread worker([&] {
      while (!reading.load()) {
        std::this_thread::yield();
      }
      for (int i = 0; i < kSamples; ++i) {
        live.nextSample();
        live.publishView();
      }
      done = true;
    });
    JoinOnExit joiner{worker};

    uint32_t lastNumber = 0;
    reading = true;
    while (!done.load()) {
      Granulator::View v{};
      if (!live.readView(v)) {
        continue;
      }
      ++taken;
      ASSERT_GE(v.number, 1u);
      ASSERT_LE(v.number, replay.size());
      fresh += v.number != lastNumber ? 1 : 0;
      lastNumber = v.number;
      stitched += sameView(v, replay[v.number - 1]) ? 0 : 1;
    }
  }
  EXPECT_GT(taken, 0);
  EXPECT_EQ(stitched, 0) << "of " << taken << " views, " << fresh << " fresh";
}
