// The worker loop over a simulated ring: when it takes samples, and how it ends.
#include "synth_thread.h"

#include <gtest/gtest.h>

#include <vector>

#include "pcm16.h"
#include "run_flag.h"
#include "simulated_sound_ring.h"

namespace {

using Op = SimulatedSoundRing::Operation;

// A sawtooth with a known value for every call, counting the calls and noting after how many
// samples each view was published.
struct CountingSource {
  int calls = 0;
  std::vector<int> publishedAfter;
  static float valueAt(int n) { return static_cast<float>(n % 512 - 256) / 256.0f; }
  float nextSample() { return valueAt(calls++); }
  void publishView() { publishedAfter.push_back(calls); }
};

TEST(RunFlag, IsClearAtProcessStart) {
  EXPECT_FALSE(g_running.load());
}

TEST(SynthThread, FlagClearedWhileOpeningTheDeviceTakesNoSample) {
  SimulatedSoundRing sim;
  CountingSource source;
  g_running = true;
  sim.onCall = [](Op op) {
    if (op == Op::OpenDevice) {
      g_running = false;
    }
  };
  EXPECT_EQ(runSynthesis(source, sim), 1u);
  EXPECT_EQ(source.calls, 0);
  EXPECT_TRUE(source.publishedAfter.empty());
  EXPECT_EQ(sim.calls(),
            (std::vector<Op>{Op::OpenDevice, Op::SetFormat, Op::CreateRing, Op::Lock, Op::Unlock,
                             Op::PlayLooping, Op::Stop, Op::ReleaseRing, Op::ReleaseDevice}));
}

TEST(SynthThread, FlagClearedDuringAWaitForRoomFinishesThatBlockAndTakesNoMore) {
  SimulatedSoundRing sim;
  CountingSource source;
  g_running = true;
  sim.onCall = [&sim](Op op) {
    if (op == Op::Sleep && sim.clockMs() >= 40) {
      g_running = false;
    }
  };
  EXPECT_EQ(runSynthesis(source, sim), 1u);

  const int blocks = sim.callCount(Op::Lock) - 1;
  ASSERT_GT(blocks, 1);
  EXPECT_EQ(source.calls, blocks * StreamOut::kBlockLength);
  for (int n = 0; n < source.calls; ++n) {
    ASSERT_EQ(sim.sampleAt(2 * n), toPcm16(CountingSource::valueAt(n))) << "sample " << n;
  }
  // One view after each block of 256, the last one included.
  ASSERT_EQ(source.publishedAfter.size(), static_cast<size_t>(blocks));
  for (int b = 0; b < blocks; ++b) {
    EXPECT_EQ(source.publishedAfter[b], 256 * (b + 1)) << "block " << b;
  }
  const std::vector<Op> tail(sim.calls().end() - 3, sim.calls().end());
  EXPECT_EQ(tail, (std::vector<Op>{Op::Stop, Op::ReleaseRing, Op::ReleaseDevice}));
}

TEST(SynthThread, GivesTheEngineBackBeforeItStopsTheRing) {
  SimulatedSoundRing sim;
  CountingSource source;
  EngineLease lease;
  lease.awaitDevice();
  ASSERT_TRUE(lease.enterEngine());
  bool backAtStop = false;
  g_running = true;
  sim.onCall = [&](Op op) {
    if (op == Op::Sleep && sim.clockMs() >= 40) {
      g_running = false;
    } else if (op == Op::Stop) {
      // A lease that is back can no longer be entered.
      backAtStop = !lease.enterEngine();
    }
  };
  EXPECT_EQ(runSynthesis(source, sim, &lease), 1u);
  EXPECT_GT(source.calls, 0);
  EXPECT_TRUE(backAtStop);
}

}  // namespace
