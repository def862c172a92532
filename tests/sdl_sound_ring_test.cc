// The SDL sound ring and the worker on SDL's dummy and disk drivers.
#include "sdl_sound_ring.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "granulator.h"
#include "pcm16.h"
#include "random_source.h"
#include "record_tap.h"
#include "recorder.h"
#include "run_flag.h"
#include "stream_out.h"
#include "synth_thread.h"
#include "wave_file_sink.h"

namespace {

// Two seconds of an offset sine: never silent at the start, so the stream's first sample shows.
std::vector<float> offsetSine() {
  std::vector<float> samples(88200);
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<float>(0.25 + 0.5 * std::sin(2.0 * M_PI * 220.0 * i / 44100.0));
  }
  return samples;
}

void prepareEngine(Granulator& granulator, const std::vector<float>& samples, uint32_t seed) {
  seedRandom(seed);
  granulator.prepare(samples.data(), static_cast<int>(samples.size()), 1000);
  granulator.setLengthRange(500, 3000);
  granulator.setZeroChance(0.0f);
  granulator.setPitchRange(0.75f, 1.5f, 0.01f);
  granulator.setLocation(0.05f, 1.0f);
  granulator.setPitchMode(PitchMode::kEachHeadWalks);
}

std::vector<int16_t> readSamples(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

TEST(SdlSoundRing, ReportsPlayingAndMovesOnlyBetweenPlayAndStop) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  SdlSoundRing sound;
  ASSERT_TRUE(sound.openDevice() && sound.setFormat(makeWaveFormat(44100.0f, 1)) &&
              sound.createRing(StreamOut::kRingBytes));
  uint32_t statusWord = 1;
  EXPECT_TRUE(sound.status(statusWord) && statusWord == 0);
  ASSERT_TRUE(sound.playLooping());
  EXPECT_TRUE(sound.status(statusWord) && statusWord == (kStatusPlaying | kStatusLooping));

  // A real device moves in real time: wait for the callback, with a generous deadline.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  uint32_t position = 0;
  while (position == 0 && std::chrono::steady_clock::now() < deadline) {
    sound.sleep(1);
    ASSERT_TRUE(sound.playPosition(position));
  }
  EXPECT_NE(position, 0u);
  EXPECT_EQ(position % (SdlSoundRing::kCallbackSamples * 2), 0u);

  sound.stop();
  EXPECT_TRUE(sound.status(statusWord) && statusWord == 0);
  sound.releaseRing();
  EXPECT_FALSE(sound.playPosition(position));
  sound.releaseDevice();
}

// The live path plays exactly the engine's stream, with no block lost or repeated.
TEST(SdlSoundRing, DiskDriverCapturesTheEnginesOwnStream) {
  // Named after the process, so that builds testing side by side do not share one capture.
  const std::string path =
      ::testing::TempDir() + "grain_disk_capture_" + std::to_string(getpid()) + ".raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
  // 10 ms per 256-sample callback: a device slower than real time, so a busy machine cannot
  // make the writer fall a whole ring behind.
  setenv("SDL_DISKAUDIODELAY", "10", 1);

  const std::vector<float> samples = offsetSine();
  const uint32_t seed = 20261208;
  Granulator live;
  prepareEngine(live, samples, seed);
  g_running = true;
  std::thread worker(SynthThread, &live);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  g_running = false;
  worker.join();

  std::vector<int16_t> captured = readSamples(path);
  std::remove(path.c_str());
  // Silence while the device is paused, after it stops, and the ring's first lap.
  while (!captured.empty() && captured.back() == 0) {
    captured.pop_back();
  }
  size_t start = 0;
  while (start < captured.size() && captured[start] == 0) {
    ++start;
  }
  ASSERT_GE(start, StreamOut::kRingBytes / 2) << "the ring's first lap must be silent";

  Granulator reference;
  prepareEngine(reference, samples, seed);
  std::vector<int16_t> expected(captured.size() - start);
  for (int16_t& sample : expected) {
    sample = toPcm16(reference.nextSample());
  }
  ASSERT_FALSE(expected.empty());
  ASSERT_NE(expected[0], 0) << "the engine's stream starts at frame 0 of the buffer";
  ASSERT_GT(expected.size(), 8000u) << "the device played too little to judge";

  size_t mismatches = 0;
  size_t firstMismatch = 0;
  for (size_t i = 0; i < expected.size(); ++i) {
    if (captured[start + i] != expected[i] && mismatches++ == 0) {
      firstMismatch = i;
    }
  }
  EXPECT_EQ(mismatches, 0u) << "first at stream sample " << firstMismatch << " of "
                            << expected.size();
}

// Stops the worker and joins it on every way out of the scope, a failed assertion included.
struct WorkerGuard {
  std::thread& worker;
  ~WorkerGuard() {
    g_running = false;
    if (worker.joinable())
      worker.join();
  }
};

// What Record writes is what the device played: one unbroken stretch of whole ring blocks.
TEST(SdlSoundRing, ARecordingIsAnUnbrokenStretchOfTheDiskCaptureFromABlockBoundary) {
  const std::string stem = ::testing::TempDir() + "grain_record_" + std::to_string(getpid());
  const std::string capturePath = stem + ".raw";
  const std::string recordingPath = stem + ".wav";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", capturePath.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "10", 1);

  const std::vector<float> samples = offsetSine();
  const uint32_t seed = 20261209;
  Granulator live;
  prepareEngine(live, samples, seed);
  WaveFileSink file;
  RecordTap tap;
  Recorder recorder(file, tap);
  RecordOutcome outcome;
  {
    g_running = true;
    EngineLease lease;
    PlaybackContext context;
    context.granulator = &live;
    context.lease = &lease;
    context.recordTap = &tap;
    std::thread worker(SynthThreadOnLease, context);
    WorkerGuard guard{worker};
    // Past the ring's silent first lap, and stopped a whole ring before the sound stops, so every
    // recorded block has been played.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(recorder.start(recordingPath)) << recorder.error();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    outcome = recorder.stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  ASSERT_EQ(outcome.ending, RecordEnding::kStopped);

  std::vector<int16_t> captured = readSamples(capturePath);
  std::remove(capturePath.c_str());
  std::vector<int16_t> recorded = readSamples(recordingPath);
  std::remove(recordingPath.c_str());
  ASSERT_GE(recorded.size(), 22u);
  recorded.erase(recorded.begin(), recorded.begin() + 22);  // the 44-byte header
  ASSERT_EQ(recorded.size(), outcome.sampleCount);
  ASSERT_EQ(recorded.size() % StreamOut::kBlockLength, 0u);
  ASSERT_GE(recorded.size(), 10u * StreamOut::kBlockLength) << "recorded too little to judge";

  size_t start = 0;
  while (start < captured.size() && captured[start] == 0) {
    ++start;
  }
  ASSERT_GE(start, StreamOut::kRingBytes / 2) << "the ring's first lap must be silent";
  // The stream's blocks begin at `start`; the recording begins at one of them.
  size_t at = start;
  while (at + recorded.size() <= captured.size() &&
         !std::equal(recorded.begin(), recorded.begin() + StreamOut::kBlockLength,
                     captured.begin() + at)) {
    at += StreamOut::kBlockLength;
  }
  ASSERT_LE(at + recorded.size(), captured.size()) << "the recording's first block was not played";
  size_t mismatches = 0;
  for (size_t i = 0; i < recorded.size(); ++i) {
    mismatches += recorded[i] != captured[at + i];
  }
  EXPECT_EQ(mismatches, 0u) << "of " << recorded.size() << " samples from capture sample " << at;

  // And that stretch is the engine's own stream from the same block on.
  Granulator reference;
  prepareEngine(reference, samples, seed);
  for (size_t i = start; i < at; ++i) reference.nextSample();
  size_t engineMismatches = 0;
  for (int16_t sample : recorded) {
    engineMismatches += sample != toPcm16(reference.nextSample());
  }
  EXPECT_EQ(engineMismatches, 0u);
}

// Whether this process may put a thread in real-time scheduling by itself (root, or an rtprio
// limit), tried on a thread of its own.
bool realTimeAllowed() {
  bool allowed = false;
  std::thread probe([&allowed] {
    sched_param param{};
    param.sched_priority = 1;
    allowed = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
  });
  probe.join();
  return allowed;
}

TEST(SynthThread, PlaysInRealTimeSchedulingWhereTheProcessMayUseIt) {
  if (!realTimeAllowed()) {
    GTEST_SKIP() << "this process may not use real-time scheduling";
  }
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  const std::vector<float> samples = offsetSine();
  Granulator live;
  prepareEngine(live, samples, 1);
  g_running = true;
  std::thread worker(SynthThread, &live);
  // Ends the worker whatever the assertions below do.
  struct Join {
    std::thread& worker;
    ~Join() {
      g_running = false;
      worker.join();
    }
  } join{worker};

  // The worker asks as it starts; give it a generous deadline to get there.
  int policy = SCHED_OTHER;
  sched_param param{};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (policy == SCHED_OTHER && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(pthread_getschedparam(worker.native_handle(), &policy, &param), 0);
  }
  EXPECT_EQ(policy, SCHED_FIFO);
  EXPECT_EQ(param.sched_priority, 20);
}

TEST(SdlSoundRingDeathTest, UnavailableDriverEndsTheProcessWithStatusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        Granulator granulator;
        g_running = true;
        SynthThread(&granulator);
      },
      ::testing::ExitedWithCode(1), ::testing::Eq("Cannot open default directsound device!!\n"));
}

// The priority the worker got is said once per process, and only when asked for.
TEST(SynthThreadDeathTest, SaysItsPriorityOnceWhenVerboseAndNothingOtherwise) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto twoRuns = [](const char* verbose) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (verbose != nullptr) {
      setenv("GRAINPANEL_VERBOSE", verbose, 1);
    } else {
      unsetenv("GRAINPANEL_VERBOSE");
    }
    Granulator granulator;
    g_running = false;
    SynthThread(&granulator);
    SynthThread(&granulator);
    std::exit(0);
  };
  EXPECT_EXIT(
      twoRuns("1"), ::testing::ExitedWithCode(0),
      ::testing::MatchesRegex("Synthesis worker: (real-time|normal) priority \\([^\n]+\\)\n"));
  EXPECT_EXIT(twoRuns(nullptr), ::testing::ExitedWithCode(0), ::testing::Eq(""));
  EXPECT_EXIT(twoRuns("0"), ::testing::ExitedWithCode(0), ::testing::Eq(""));
}

}  // namespace
