// The ring writer over a simulated ring: conversion, blocks, pacing, failures and teardown.
#include "audio/stream_out.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "audio/run_flag.h"
#include "audio/simulated_sound_ring.h"

namespace {

using Op = SimulatedSoundRing::Operation;
using Block = std::array<int16_t, StreamOut::kBlockLength>;

Block rampBlock(int first) {
  Block block;
  for (int i = 0; i < StreamOut::kBlockLength; ++i) {
    block[i] = static_cast<int16_t>(first + i);
  }
  return block;
}

// Writes blocks with just enough room each time, so that no time passes, until the write offset
// reaches `offset`.
void writeUntil(StreamOut& out, SimulatedSoundRing& sim, uint32_t offset) {
  const Block block = rampBlock(0);
  sim.setStalled(true);
  while (out.getWriteOffset() != offset) {
    sim.setPlayPosition((out.getWriteOffset() + StreamOut::kBlockBytes) % StreamOut::kRingBytes);
    out.writeBlock(block.data(), StreamOut::kBlockLength);
  }
  sim.setStalled(false);
}

void expectBlockAt(const SimulatedSoundRing& sim, uint32_t offset, const Block& block) {
  for (int i = 0; i < StreamOut::kBlockLength; ++i) {
    ASSERT_EQ(sim.sampleAt(offset + 2 * i), block[i]) << "sample " << i;
  }
}

class StreamOutTest : public ::testing::Test {
 protected:
  void SetUp() override { g_running = true; }
  void TearDown() override { g_running = false; }
  SimulatedSoundRing sim;
};

TEST_F(StreamOutTest, ConstructionOpensInOrderAndLoopsASilentRing) {
  StreamOut out(sim, 44100.9f, 1);
  EXPECT_THAT(sim.calls(), ::testing::ElementsAre(Op::OpenDevice, Op::SetFormat, Op::CreateRing,
                                                  Op::Lock, Op::Unlock, Op::PlayLooping));
  for (uint32_t offset = 0; offset < StreamOut::kRingBytes; offset += 2) {
    ASSERT_EQ(sim.sampleAt(offset), 0) << "offset " << offset;
  }
  const WaveFormat& format = sim.format();
  EXPECT_EQ(format.formatTag, 1);
  EXPECT_EQ(format.channels, 1);
  EXPECT_EQ(format.samplesPerSec, 44100u);
  EXPECT_EQ(format.avgBytesPerSec, 88200u);
  EXPECT_EQ(format.blockAlign, 2);
  EXPECT_EQ(format.bitsPerSample, 16);
  EXPECT_EQ(format.extraSize, 0);
  EXPECT_EQ(out.getWriteOffset(), 0u);
  EXPECT_EQ(out.getBlockFill(), 0);
}

TEST_F(StreamOutTest, ConvertsByClampScaleAndTruncationTowardZero) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<std::pair<float, int16_t>> table = {
      {1.0f, 32767}, {-1.0f, -32767},   {1.5f, 32767},   {-3.0f, -32767},
      {nan, -32767}, {0.99999f, 32766}, {-0.5f, -16383}, {0.0f, 0}};
  StreamOut out(sim, 44100.0f, 1);
  sim.setPlayPosition(4096);
  for (int i = 0; i < StreamOut::kBlockLength; ++i) {
    out.putSample(i < static_cast<int>(table.size()) ? table[i].first : 0.0f);
  }
  for (size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(sim.sampleAt(2 * i), table[i].second) << "input " << table[i].first;
  }
}

TEST_F(StreamOutTest, WritesABlockOnEvery256thSampleAndNeverBefore) {
  StreamOut out(sim, 44100.0f, 1);
  sim.setPlayPosition(4096);
  sim.setStalled(true);
  for (int block = 1; block <= 2; ++block) {
    for (int i = 0; i < StreamOut::kBlockLength - 1; ++i) {
      out.putSample(0.5f);
    }
    EXPECT_EQ(sim.callCount(Op::Lock), block) << "before block " << block;
    EXPECT_EQ(out.getBlockFill(), StreamOut::kBlockLength - 1);
    out.putSample(0.5f);
    EXPECT_EQ(sim.callCount(Op::Lock), block + 1) << "after block " << block;
    EXPECT_EQ(out.getBlockFill(), 0);
  }
}

TEST_F(StreamOutTest, FirstWriteWaitsUntilThePlayPositionReaches512) {
  StreamOut out(sim, 44100.0f, 1);
  const Block block = rampBlock(100);
  EXPECT_EQ(out.writeBlock(block.data(), StreamOut::kBlockLength), 0);
  // 512 bytes at 88.2 bytes per ms take 5.8 ms: one sleep of 6 ms.
  EXPECT_THAT(sim.sleepsMs(), ::testing::ElementsAre(6));
  EXPECT_EQ(sim.lastLockOffset(), 0u);
  EXPECT_EQ(out.getWriteOffset(), 512u);
  expectBlockAt(sim, 0, block);
}

TEST_F(StreamOutTest, FullRingWhenPlayPositionEqualsWriteOffset) {
  StreamOut out(sim, 44100.0f, 1);
  writeUntil(out, sim, 3072);
  sim.setPlayPosition(3072);
  const Block block = rampBlock(0);
  out.writeBlock(block.data(), StreamOut::kBlockLength);
  ASSERT_FALSE(sim.sleepsMs().empty());
  EXPECT_EQ(sim.sleepsMs().front(), 6);
  EXPECT_EQ(out.getWriteOffset(), 3584u);

  // Two bytes short of a block's room is still too little.
  sim.setPlayPosition(3584 + 510);
  out.writeBlock(block.data(), StreamOut::kBlockLength);
  ASSERT_EQ(sim.sleepsMs().size(), 2u);
  EXPECT_EQ(sim.sleepsMs().back(), 1);
  EXPECT_EQ(out.getWriteOffset(), 4096u);
}

TEST_F(StreamOutTest, RoomOf612AtOffset7680IsWrittenAtOnceAndWrapsToZero) {
  StreamOut out(sim, 44100.0f, 1);
  writeUntil(out, sim, 7680);
  sim.setPlayPosition(100);
  const Block block = rampBlock(-300);
  EXPECT_EQ(out.writeBlock(block.data(), StreamOut::kBlockLength), 0);
  EXPECT_TRUE(sim.sleepsMs().empty());
  EXPECT_EQ(sim.lastLockOffset(), 7680u);
  EXPECT_EQ(out.getWriteOffset(), 0u);
  expectBlockAt(sim, 7680, block);
}

TEST_F(StreamOutTest, ShortfallOf292SleepsFourMs) {
  StreamOut out(sim, 44100.0f, 1);
  writeUntil(out, sim, 7680);
  sim.setPlayPosition(7900);
  const Block block = rampBlock(0);
  out.writeBlock(block.data(), StreamOut::kBlockLength);
  ASSERT_FALSE(sim.sleepsMs().empty());
  EXPECT_EQ(sim.sleepsMs().front(), 4);
  EXPECT_EQ(out.getWriteOffset(), 0u);
}

TEST(StreamOutSleep, GrowsOneMsPer88Bytes) {
  const std::vector<std::pair<uint32_t, int>> edges = {{1, 1},   {88, 1},  {89, 2},  {176, 2},
                                                       {177, 3}, {264, 3}, {265, 4}, {352, 4},
                                                       {353, 5}, {440, 5}, {441, 6}, {512, 6}};
  for (const auto& [shortfall, ms] : edges) {
    EXPECT_EQ(sleepMsForShortfall(shortfall), ms) << "shortfall " << shortfall;
  }
}

TEST_F(StreamOutTest, TwoLockRegionsTakeTheBlockInOrder) {
  StreamOut out(sim, 44100.0f, 1);
  sim.setPlayPosition(4096);
  sim.splitLocksAt(300);
  const Block block = rampBlock(2000);
  EXPECT_EQ(out.writeBlock(block.data(), StreamOut::kBlockLength), 0);
  expectBlockAt(sim, 0, block);
  EXPECT_EQ(out.getWriteOffset(), 512u);
}

TEST_F(StreamOutTest, FailedPositionReadReturnsMinusOneAndDropsTheBlock) {
  StreamOut out(sim, 44100.0f, 1);
  writeUntil(out, sim, 1024);
  const Block block = rampBlock(7);

  sim.setFailing(Op::PlayPosition);
  EXPECT_EQ(out.writeBlock(block.data(), StreamOut::kBlockLength), -1);
  EXPECT_EQ(out.getWriteOffset(), 1024u);

  // The same while waiting for room: the position goes away after the first sleep.
  sim.setFailing(Op::PlayPosition, false);
  sim.setPlayPosition(1024);
  sim.onCall = [this](Op op) {
    if (op == Op::Sleep) {
      sim.setFailing(Op::PlayPosition);
    }
  };
  EXPECT_EQ(out.writeBlock(block.data(), StreamOut::kBlockLength), -1);
  EXPECT_EQ(out.getWriteOffset(), 1024u);
  EXPECT_EQ(sim.callCount(Op::Lock), 1 + 2);
  EXPECT_EQ(sim.sampleAt(1024), 0);
}

TEST_F(StreamOutTest, RefusedLockReturnsZeroAndKeepsTheOffset) {
  StreamOut out(sim, 44100.0f, 1);
  writeUntil(out, sim, 512);
  sim.setPlayPosition(4096);
  sim.setFailing(Op::Lock);
  const Block block = rampBlock(9);
  EXPECT_EQ(out.writeBlock(block.data(), StreamOut::kBlockLength), 0);
  EXPECT_EQ(out.getWriteOffset(), 512u);
  EXPECT_EQ(sim.sampleAt(512), 0);
  EXPECT_EQ(sim.callCount(Op::Unlock), 1 + 1);
}

TEST_F(StreamOutTest, RingNotPlayingIsReportedBeforeEachBlockAndTheWriteGoesOn) {
  StreamOut out(sim, 44100.0f, 1);
  sim.setPlayPosition(4096);
  const Block block = rampBlock(1);

  ::testing::internal::CaptureStdout();
  out.writeBlock(block.data(), StreamOut::kBlockLength);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");

  sim.stop();
  ::testing::internal::CaptureStdout();
  out.writeBlock(block.data(), StreamOut::kBlockLength);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Buffer not playing!\n");
  EXPECT_EQ(out.getWriteOffset(), 1024u);

  // A status that cannot be read counts as not playing.
  sim.playLooping();
  sim.setPlayPosition(4096);
  sim.setFailing(Op::Status);
  ::testing::internal::CaptureStdout();
  out.writeBlock(block.data(), StreamOut::kBlockLength);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Buffer not playing!\n");
  EXPECT_EQ(out.getWriteOffset(), 1536u);
}

TEST_F(StreamOutTest, DestructionDropsAPartFilledBlockAndReleasesRingThenDevice) {
  {
    StreamOut out(sim, 44100.0f, 1);
    sim.setPlayPosition(4096);
    for (int i = 0; i < 100; ++i) {
      out.putSample(0.5f);
    }
  }
  EXPECT_EQ(sim.callCount(Op::Lock), 1);
  for (uint32_t offset = 0; offset < StreamOut::kRingBytes; offset += 2) {
    ASSERT_EQ(sim.sampleAt(offset), 0) << "offset " << offset;
  }
  const std::vector<Op> tail(sim.calls().end() - 3, sim.calls().end());
  EXPECT_THAT(tail, ::testing::ElementsAre(Op::Stop, Op::ReleaseRing, Op::ReleaseDevice));
}

TEST_F(StreamOutTest, StalledDeviceDropsTheBlockAfter200MsOnceTheFlagIsCleared) {
  StreamOut out(sim, 44100.0f, 1);
  writeUntil(out, sim, 512);
  sim.setPlayPosition(512);
  sim.setStalled(true);
  g_running = false;
  const Block block = rampBlock(0);
  EXPECT_EQ(out.writeBlock(block.data(), StreamOut::kBlockLength), 0);
  int sleptMs = 0;
  for (int ms : sim.sleepsMs()) {
    sleptMs += ms;
  }
  EXPECT_GE(sleptMs, 200);
  EXPECT_LT(sleptMs, 206);
  EXPECT_EQ(out.getWriteOffset(), 512u);
  EXPECT_EQ(sim.callCount(Op::Lock), 1 + 1);
}

TEST_F(StreamOutTest, StalledDeviceIsWaitedForWhileTheFlagIsSet) {
  StreamOut out(sim, 44100.0f, 1);
  sim.setStalled(true);
  sim.onCall = [this](Op op) {
    if (op == Op::Sleep && sim.clockMs() >= 1000) {
      sim.setStalled(false);
    }
  };
  const Block block = rampBlock(0);
  EXPECT_EQ(out.writeBlock(block.data(), StreamOut::kBlockLength), 0);
  EXPECT_GE(sim.clockMs(), 1000);
  EXPECT_EQ(out.getWriteOffset(), 512u);
  expectBlockAt(sim, 0, block);
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
