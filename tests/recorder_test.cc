// The recorder: its WAV file, the queue running over, failing files, and a worker offering blocks
// while recordings start and stop.
#include "recorder.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "memory_sink.h"
#include "record_tap.h"
#include "test_wav.h"
#include "wave_file_sink.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kLength = Recorder::kBlockLength;

// Block n of a stream: its number in the first two samples, then a ramp that shows a torn block.
std::vector<int16_t> numberedBlock(int n) {
  std::vector<int16_t> block(kLength);
  block[0] = static_cast<int16_t>(n & 0x7FFF);
  block[1] = static_cast<int16_t>(n >> 15);
  for (int i = 2; i < kLength; ++i) block[i] = static_cast<int16_t>((n + i) & 0x7FFF);
  return block;
}

int numberOf(const int16_t* block) {
  return block[0] | block[1] << 15;
}

bool waitUntilEnded(const Recorder& recorder) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!recorder.ended() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return recorder.ended();
}

TEST(Recorder, WritesTheOfferedSamplesAsAWavFileUnderItsOwnNameFromTheStart) {
  RecordTap tap;
  testwav::TempDir dir;
  const std::string path = dir.pathOf("pad 2026-12-09 14.03.27.wav");
  WaveFileSink sink;
  Recorder recorder(sink, tap);
  ASSERT_TRUE(recorder.start(path));
  EXPECT_TRUE(tap.attached());

  // 140 blocks: 35 840 samples, 71 680 bytes of data, more than 16 bits can count.
  std::vector<int16_t> offered;
  for (int n = 0; n < 140; ++n) {
    std::vector<int16_t> block(kLength);
    for (int i = 0; i < kLength; ++i) block[i] = static_cast<int16_t>((n * kLength + i) * 37);
    recorder.offer(block.data(), 0);
    offered.insert(offered.end(), block.begin(), block.end());
  }
  EXPECT_EQ(dir.names(), std::vector<std::string>{"pad 2026-12-09 14.03.27.wav"});

  const RecordOutcome outcome = recorder.stop();
  EXPECT_FALSE(tap.attached());
  EXPECT_EQ(outcome.ending, RecordEnding::kStopped);
  EXPECT_EQ(outcome.path, path);
  EXPECT_EQ(outcome.sampleCount, 35840u);
  EXPECT_EQ(dir.names(), std::vector<std::string>{"pad 2026-12-09 14.03.27.wav"});

  const Bytes bytes = testwav::readBytes(path);
  ASSERT_EQ(bytes.size(), 44u + 71680u);
  // RIFF size 71 680 + 36 = 0x11824; 44 100 = 0xAC44 samples and 88 200 = 0x15888 bytes a second.
  const Bytes header = {'R', 'I', 'F',  'F',  0x24, 0x18, 0x01, 0x00, 'W',  'A',  'V',
                        'E', 'f', 'm',  't',  ' ',  16,   0,    0,    0,    1,    0,
                        1,   0,   0x44, 0xAC, 0,    0,    0x88, 0x58, 0x01, 0,    2,
                        0,   16,  0,    'd',  'a',  't',  'a',  0x00, 0x18, 0x01, 0x00};
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 44), header);
  std::vector<int16_t> data(offered.size());
  std::memcpy(data.data(), bytes.data() + 44, data.size() * 2);
  EXPECT_EQ(data, offered);
}

TEST(Recorder, AFileThatCannotBeMadeOrWrittenEndsTheRecordingAndLeavesNothing) {
  RecordTap tap;
  testwav::TempDir dir;
  WaveFileSink files;
  Recorder unwritable(files, tap);
  EXPECT_FALSE(unwritable.start(dir.pathOf("missing/take.wav")));
  EXPECT_NE(unwritable.error().find("missing/take.wav"), std::string::npos) << unwritable.error();
  EXPECT_FALSE(unwritable.recording());
  EXPECT_FALSE(tap.attached());
  // Another take under the same name is never written over.
  const std::string other = dir.write("other.wav", {1, 2, 3});
  EXPECT_FALSE(unwritable.start(other));
  EXPECT_EQ(unwritable.error(), "cannot write " + other + ": File exists");
  EXPECT_EQ(testwav::readBytes(other), (Bytes{1, 2, 3}));

  MemorySink sink;
  sink.failingWrite = 3;
  Recorder recorder(sink, tap);
  ASSERT_TRUE(recorder.start("take.wav"));
  for (int n = 0; n < 5; ++n) recorder.offer(numberedBlock(n).data(), 0);
  ASSERT_TRUE(waitUntilEnded(recorder));
  const RecordOutcome outcome = recorder.stop();
  EXPECT_EQ(outcome.ending, RecordEnding::kWriteFailed);
  EXPECT_EQ(outcome.error, "cannot write take.wav: No space left on device");
  EXPECT_EQ(sink.writes, 3);
  EXPECT_EQ(sink.finishedCount, -1);
}

TEST(Recorder, StopsByItselfWhenTheDiskFallsFourSecondsBehindAndKeepsWhatCameBefore) {
  RecordTap tap;
  GatedSink sink;
  Recorder recorder(sink, tap);
  ASSERT_TRUE(recorder.start("slow.wav"));
  // Numbered as the worker numbers them: the take begins at sample 768 of the stream.
  recorder.offer(numberedBlock(0).data(), 768);
  ASSERT_TRUE(sink.waitUntilEntered());
  // Block 0 keeps its place in the queue while it is written, so 689 more fill the 690 places;
  // block 690 is refused and nothing after it is taken, even once there is room again.
  for (int n = 1; n <= 690; ++n) recorder.offer(numberedBlock(n).data(), 768 + n * kLength);
  sink.openGate();
  ASSERT_TRUE(waitUntilEnded(recorder));
  for (int n = 691; n < 700; ++n) recorder.offer(numberedBlock(n).data(), 0);

  const RecordOutcome outcome = recorder.stop();
  EXPECT_EQ(outcome.ending, RecordEnding::kDiskTooSlow);
  EXPECT_EQ(outcome.sampleCount, 176640u);
  EXPECT_EQ(outcome.firstSample, 768u);
  EXPECT_TRUE(outcome.contiguous);
  EXPECT_EQ(sink.finishedCount, 176640);
  ASSERT_EQ(sink.samples.size(), 176640u);
  for (int n = 0; n < 690; ++n) {
    ASSERT_EQ(numberOf(&sink.samples[n * kLength]), n);
  }
  EXPECT_FALSE(tap.attached());

  // The next recording starts from its own first block.
  ASSERT_TRUE(recorder.start("next.wav"));
  recorder.offer(numberedBlock(5000).data(), 0);
  // A block the ring could not take leaves a gap that the file cannot show.
  recorder.offer(numberedBlock(5002).data(), 2 * kLength);
  const RecordOutcome next = recorder.stop();
  EXPECT_EQ(next.sampleCount, 512u);
  EXPECT_EQ(next.firstSample, 0u);
  EXPECT_FALSE(next.contiguous);
  EXPECT_EQ(numberOf(&sink.samples[0]), 5000);
}

// As when the display goes away or the device fails to open: exit without unwinding.
TEST(Recorder, ATakeRunningAtExitIsFinishedUnderItsNameOrLeftOutWhenEmpty) {
  testwav::TempDir dir;
  for (int blocks : {3, 0}) {
    const pid_t child = fork();
    if (child == 0) {
      WaveFileSink* sink = new WaveFileSink;
      RecordTap* tap = new RecordTap;
      Recorder* recorder = new Recorder(*sink, *tap);
      if (!recorder->start(dir.pathOf("take" + std::to_string(blocks) + ".wav")))
        _exit(3);
      for (int n = 0; n < blocks; ++n) recorder->offer(numberedBlock(n).data(), 0);
      std::exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  // The second take, empty, left nothing; the first has its three blocks.
  ASSERT_EQ(dir.names(), std::vector<std::string>{"take3.wav"});
  const Bytes bytes = testwav::readBytes(dir.pathOf("take3.wav"));
  ASSERT_EQ(bytes.size(), 44u + 1536u);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 44),
            testwav::headerBytes(testwav::consistentHeader(1, 16, 1536)));
}

TEST(Recorder, StopsByItselfAtItsLargestFileAndKeepsIt) {
  RecordTap tap;
  MemorySink sink;
  Recorder recorder(sink, tap, 3 * kLength);
  ASSERT_TRUE(recorder.start("full.wav"));
  for (int n = 0; n < 5; ++n) recorder.offer(numberedBlock(n).data(), 0);
  ASSERT_TRUE(waitUntilEnded(recorder));
  const RecordOutcome outcome = recorder.stop();
  EXPECT_EQ(outcome.ending, RecordEnding::kFileFull);
  EXPECT_EQ(outcome.sampleCount, 768u);
  EXPECT_EQ(sink.finishedCount, 768);
  ASSERT_EQ(sink.samples.size(), 768u);
  EXPECT_EQ(numberOf(&sink.samples[512]), 2);
}

// Joins the thread on every way out of the scope, a failed assertion included.
struct Joiner {
  std::thread& thread;
  std::atomic<bool>& done;
  ~Joiner() {
    done = true;
    if (thread.joinable())
      thread.join();
  }
};

TEST(Recorder, EachRecordingTakenWhileAWorkerOffersIsAnUnbrokenRunOfItsBlocks) {
  RecordTap tap;
  MemorySink sink;
  Recorder recorder(sink, tap);
  std::atomic<bool> done{false};
  std::atomic<int> offered{0};
  std::thread worker([&] {
    for (int n = 0; !done; ++n) {
      const std::vector<int16_t> block = numberedBlock(n);
      if (tap.attached()) {
        tap.offer(block.data(), 0);
      }
      offered = n + 1;
      std::this_thread::yield();
    }
  });
  Joiner joiner{worker, done};

  int lastBlock = -1;
  for (int take = 0; take < 8; ++take) {
    ASSERT_TRUE(recorder.start("take.wav"));
    const int from = offered;
    while (offered < from + 50) std::this_thread::yield();
    const RecordOutcome outcome = recorder.stop();
    ASSERT_TRUE(outcome.ending == RecordEnding::kStopped ||
                outcome.ending == RecordEnding::kDiskTooSlow);
    ASSERT_EQ(sink.samples.size(), outcome.sampleCount);
    ASSERT_GT(sink.samples.size(), 0u) << "take " << take;
    for (size_t at = 0; at < sink.samples.size(); at += kLength) {
      const int n = numberOf(&sink.samples[at]);
      ASSERT_EQ(
          std::vector<int16_t>(sink.samples.begin() + at, sink.samples.begin() + at + kLength),
          numberedBlock(n))
          << "take " << take;
      ASSERT_TRUE(at == 0 ? n > lastBlock : n == lastBlock + 1)
          << "take " << take << " block " << n;
      lastBlock = n;
    }
  }
}

}  // namespace
