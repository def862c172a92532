// The ring writer over a simulated ring: conversion, blocks, pacing, failures and teardown.
#include "stream_out.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

#include "memory_sink.h"
#include "record_tap.h"
#include "recorder.h"
#include "run_flag.h"
#include "simulated_sound_ring.h"

namespace {

using Op = SimulatedSoundRing::Operation;
using ::testing::ElementsAre;

class StreamOutTest : public ::testing::Test {
 protected:
  StreamOutTest() {
    g_running = true;
    for (int i = 0; i < StreamOut::kBlockLength; ++i) {
      block[i] = static_cast<int16_t>(1000 + i);
    }
  }
  ~StreamOutTest() override { g_running = false; }

  int write() { return out.writeBlock(block.data(), StreamOut::kBlockLength); }

  // Writes blocks with just enough room each time, so that no virtual time passes, until the
  // write offset reaches `offset`; the ring's sleeps are then forgotten.
  void writeUntil(uint32_t offset) {
    sim.setStalled(true);
    while (out.getWriteOffset() != offset) {
      sim.setPlayPosition((out.getWriteOffset() + StreamOut::kBlockBytes) % StreamOut::kRingBytes);
      write();
    }
    sim.setStalled(false);
  }

  void expectBlockAt(uint32_t offset) {
    for (int i = 0; i < StreamOut::kBlockLength; ++i) {
      ASSERT_EQ(sim.sampleAt(offset + 2 * i), block[i]) << "sample " << i;
    }
  }

  void expectSilentRing() {
    for (uint32_t offset = 0; offset < StreamOut::kRingBytes; offset += 2) {
      ASSERT_EQ(sim.sampleAt(offset), 0) << "offset " << offset;
    }
  }

  SimulatedSoundRing sim;
  RecordTap tap;
  StreamOut out{sim, 44100.0f, 1, StreamOut::kRingBytes, &tap};
  std::array<int16_t, StreamOut::kBlockLength> block{};
};

TEST_F(StreamOutTest, ConstructionOpensInOrderAndLoopsASilentRing) {
  EXPECT_THAT(sim.calls(), ElementsAre(Op::OpenDevice, Op::SetFormat, Op::CreateRing, Op::Lock,
                                       Op::Unlock, Op::PlayLooping));
  expectSilentRing();
  const WaveFormat& f = sim.format();
  EXPECT_EQ(std::vector<uint32_t>({f.formatTag, f.channels, f.samplesPerSec, f.avgBytesPerSec,
                                   f.blockAlign, f.bitsPerSample, f.extraSize}),
            std::vector<uint32_t>({1, 1, 44100, 88200, 2, 16, 0}));
  EXPECT_EQ(makeWaveFormat(44100.9f, 1).samplesPerSec, 44100u);
}

TEST_F(StreamOutTest, ConvertsByClampScaleAndTruncationTowardZero) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<std::pair<float, int16_t>> table = {
      {1.0f, 32767}, {-1.0f, -32767},   {1.5f, 32767},   {-3.0f, -32767},
      {nan, -32767}, {0.99999f, 32766}, {-0.5f, -16383}, {0.0f, 0}};
  sim.setPlayPosition(4096);
  for (int i = 0; i < StreamOut::kBlockLength; ++i) {
    out.putSample(i < static_cast<int>(table.size()) ? table[i].first : 0.0f);
  }
  for (size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(sim.sampleAt(2 * i), table[i].second) << "input " << table[i].first;
  }
}

TEST_F(StreamOutTest, WritesABlockOnEvery256thSampleAndNeverBefore) {
  sim.setPlayPosition(4096);
  sim.setStalled(true);
  for (int blocks = 1; blocks <= 2; ++blocks) {
    for (int i = 0; i < StreamOut::kBlockLength - 1; ++i) {
      out.putSample(0.5f);
    }
    EXPECT_EQ(sim.callCount(Op::Lock), blocks) << "before block " << blocks;
    out.putSample(0.5f);
    EXPECT_EQ(sim.callCount(Op::Lock), blocks + 1) << "after block " << blocks;
    EXPECT_EQ(out.getBlockFill(), 0);
  }
}

TEST_F(StreamOutTest, FirstWriteWaitsUntilThePlayPositionReaches512) {
  EXPECT_EQ(write(), 0);
  // 512 bytes at 88.2 bytes per ms take 5.8 ms: one sleep of 6 ms.
  EXPECT_THAT(sim.sleepsMs(), ElementsAre(6));
  EXPECT_EQ(sim.lastLockOffset(), 0u);
  EXPECT_EQ(out.getWriteOffset(), 512u);
  expectBlockAt(0);
}

TEST_F(StreamOutTest, FullRingWhenPlayPositionEqualsWriteOffset) {
  writeUntil(3072);
  sim.setPlayPosition(3072);
  write();
  EXPECT_THAT(sim.sleepsMs(), ElementsAre(6));
  EXPECT_EQ(out.getWriteOffset(), 3584u);

  // Two bytes short of a block's room is still too little.
  sim.setPlayPosition(3584 + 510);
  write();
  EXPECT_THAT(sim.sleepsMs(), ElementsAre(6, 1));
  EXPECT_EQ(out.getWriteOffset(), 4096u);
}

TEST_F(StreamOutTest, RoomIsCountedAcrossTheRingsEnd) {
  writeUntil(7680);
  // Room 100 + 8192 - 7680 = 612: written at once, and the offset wraps to 0.
  sim.setPlayPosition(100);
  EXPECT_EQ(write(), 0);
  EXPECT_TRUE(sim.sleepsMs().empty());
  EXPECT_EQ(sim.lastLockOffset(), 7680u);
  EXPECT_EQ(out.getWriteOffset(), 0u);
  expectBlockAt(7680);

  // Room 220 at 7680: a shortfall of 292 bytes sleeps 4 ms.
  writeUntil(7680);
  sim.setPlayPosition(7900);
  write();
  ASSERT_FALSE(sim.sleepsMs().empty());
  EXPECT_EQ(sim.sleepsMs().front(), 4);
}

TEST_F(StreamOutTest, ARecordingGetsEveryBlockThatGoesIntoTheRingAndNoOther) {
  MemorySink sink;
  Recorder recorder(sink, tap);
  sim.setPlayPosition(4096);
  write();
  ASSERT_TRUE(recorder.start("take.wav"));
  // -0.5 scales to -16383.5 and 0.25 to 8191.75, both truncated toward zero.
  for (int i = 0; i < StreamOut::kBlockLength; ++i) out.putSample(i < 2 ? -0.5f : 0.25f);
  sim.setFailing(Op::Lock);
  block[0] = 1;
  write();
  sim.setFailing(Op::Lock, false);
  block[0] = 2;
  write();
  recorder.stop();
  block[0] = 3;
  write();

  ASSERT_EQ(sink.samples.size(), 512u);
  EXPECT_THAT(std::vector<int16_t>(sink.samples.begin(), sink.samples.begin() + 3),
              ElementsAre(-16383, -16383, 8191));
  EXPECT_EQ(sink.samples[255], 8191);
  EXPECT_THAT(std::vector<int16_t>(sink.samples.begin() + 256, sink.samples.begin() + 259),
              ElementsAre(2, 1001, 1002));
  EXPECT_EQ(sink.samples[511], 1255);
}

TEST(StreamOutSleep, GrowsOneMsPer88Bytes) {
  const std::vector<std::pair<uint32_t, int>> edges = {{1, 1},   {88, 1},  {89, 2},  {176, 2},
                                                       {177, 3}, {264, 3}, {265, 4}, {352, 4},
                                                       {353, 5}, {440, 5}, {441, 6}, {512, 6}};
  for (const auto& [shortfall, ms] : edges) {
    EXPECT_EQ(sleepMsForShortfall(shortfall), ms) << "shortfall " << shortfall;
  }
}

// 88.2 bytes a millisecond, less one block for the writer's step, in whole 512-byte blocks; never
// fewer than two.
TEST(StreamOutRing, ForALatencyHoldsTheWholeBlocksThatFitWithOneToSpare) {
  const std::vector<std::pair<int, uint32_t>> rows = {{0, 8192},  {5, 1024},    {20, 1024},
                                                      {23, 1024}, {24, 1536},   {29, 1536},
                                                      {30, 2048}, {1000, 87552}};
  for (const auto& [ms, bytes] : rows) {
    EXPECT_EQ(ringBytesForLatency(ms), bytes) << ms << " ms";
  }
}

TEST_F(StreamOutTest, TwoLockRegionsTakeTheBlockInOrder) {
  sim.setPlayPosition(4096);
  sim.splitLocksAt(300);
  EXPECT_EQ(write(), 0);
  expectBlockAt(0);
  EXPECT_EQ(out.getWriteOffset(), 512u);
}

TEST_F(StreamOutTest, FailedPositionReadReturnsMinusOneAndDropsTheBlock) {
  writeUntil(1024);
  sim.setFailing(Op::PlayPosition);
  EXPECT_EQ(write(), -1);
  EXPECT_EQ(out.getWriteOffset(), 1024u);

  // The same while waiting for room: the position goes away after the first sleep.
  sim.setFailing(Op::PlayPosition, false);
  sim.setPlayPosition(1024);
  sim.onCall = [this](Op op) {
    if (op == Op::Sleep) {
      sim.setFailing(Op::PlayPosition);
    }
  };
  EXPECT_EQ(write(), -1);
  EXPECT_EQ(out.getWriteOffset(), 1024u);
  EXPECT_EQ(sim.sampleAt(1024), 0);
}

TEST_F(StreamOutTest, RefusedLockReturnsZeroAndKeepsTheOffset) {
  writeUntil(512);
  sim.setPlayPosition(4096);
  sim.setFailing(Op::Lock);
  EXPECT_EQ(write(), 0);
  EXPECT_EQ(out.getWriteOffset(), 512u);
  EXPECT_EQ(sim.sampleAt(512), 0);
}

TEST_F(StreamOutTest, RingNotPlayingIsReportedBeforeEachBlockAndTheWriteGoesOn) {
  sim.setPlayPosition(4096);
  ::testing::internal::CaptureStdout();
  write();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");

  sim.stop();
  ::testing::internal::CaptureStdout();
  write();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Buffer not playing!\n");
  EXPECT_EQ(out.getWriteOffset(), 1024u);

  // A status that cannot be read counts as not playing.
  sim.playLooping();
  sim.setPlayPosition(4096);
  sim.setFailing(Op::Status);
  ::testing::internal::CaptureStdout();
  write();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Buffer not playing!\n");
  EXPECT_EQ(out.getWriteOffset(), 1536u);
}

TEST(StreamOutEnd, DestructionDropsAPartFilledBlockAndReleasesRingThenDevice) {
  SimulatedSoundRing sim;
  {
    StreamOut out(sim, 44100.0f, 1);
    sim.setPlayPosition(4096);
    for (int i = 0; i < 100; ++i) {
      out.putSample(0.5f);
    }
  }
  EXPECT_EQ(sim.callCount(Op::Lock), 1);
  const std::vector<Op> tail(sim.calls().end() - 3, sim.calls().end());
  EXPECT_THAT(tail, ElementsAre(Op::Stop, Op::ReleaseRing, Op::ReleaseDevice));
}

TEST_F(StreamOutTest, StalledDeviceDropsTheBlockAfter200MsOnceTheFlagIsCleared) {
  sim.setStalled(true);
  g_running = false;
  EXPECT_EQ(write(), 0);
  const int sleptMs = std::accumulate(sim.sleepsMs().begin(), sim.sleepsMs().end(), 0);
  EXPECT_GE(sleptMs, 200);
  EXPECT_LT(sleptMs, 206);
  EXPECT_EQ(out.getWriteOffset(), 0u);
  expectSilentRing();
}

TEST_F(StreamOutTest, StalledDeviceIsWaitedForWhileTheFlagIsSet) {
  sim.setStalled(true);
  sim.onCall = [this](Op op) {
    if (op == Op::Sleep && sim.clockMs() >= 1000) {
      sim.setStalled(false);
    }
  };
  EXPECT_EQ(write(), 0);
  EXPECT_GE(sim.clockMs(), 1000);
  expectBlockAt(0);
}

class StreamOutDeathTest : public ::testing::TestWithParam<std::pair<Op, const char*>> {};

TEST_P(StreamOutDeathTest, FailingConstructionStepPrintsItsMessageAndExitsWithOne) {
  const auto [op, message] = GetParam();
  EXPECT_EXIT(
      {
        SimulatedSoundRing sim;
        sim.setFailing(op);
        StreamOut out(sim, 44100.0f, 1);
      },
      ::testing::ExitedWithCode(1), ::testing::Eq(std::string(message)));
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, StreamOutDeathTest,
    ::testing::Values(
        std::make_pair(Op::OpenDevice, "Cannot open default directsound device!!\n"),
        std::make_pair(Op::SetFormat,
                       "Cannot set the primary DirectSound buffer to proper sound format!\n"),
        std::make_pair(Op::CreateRing, "DirectSound Constructor: couldn't create sound buffer!\n"),
        std::make_pair(Op::Lock, "DS Constructor: couldn't lock sound buffer!\n"),
        std::make_pair(Op::Unlock, "DirectSound Constructor: couldn't unlock sound buffer!\n"),
        std::make_pair(Op::PlayLooping, "DirectSound Constructor: couldn't play sound buffer!\n")));

}  // namespace
