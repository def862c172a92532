// Run/Stop and File... driven without a window: captions, the Fade slider, the run flag, the
// buffer and what reaches the engine.
#include "panel/transport.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/run_flag.h"
#include "engine/granulator.h"
#include "engine/random_source.h"
#include "panel/panel_controls.h"
#include "panel/panel_services.h"
#include "test_wav.h"

namespace {

// Tests never open a real sound device, whatever the environment says.
class DummyAudioEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
};
const auto* const kDummyAudio = ::testing::AddGlobalTestEnvironment(new DummyAudioEnvironment);

// What a worker found in the engine when it started.
struct Seen {
  uint32_t randomState = 0;
  int fadeLength = 0;
  int lenMin = 0;
  int lenRange = 0;
  int zeroThreshold = 0;
  int pitchMode = 0;
  float spread = 0.0f;
  float speed = 0.0f;
  int holdA = 0;
  float pitchMin = 0.0f;
  float pitchMax = 0.0f;
};

// Records each start and how many workers are alive at once. A lingering worker leaves only
// some time after the flag is cleared, so a missing wait lets two overlap.
struct WorkerProbe {
  static inline std::mutex mutex;
  static inline std::condition_variable changed;
  static inline std::vector<Seen> seen;
  static inline std::atomic<int> live{0};
  static inline std::atomic<int> mostLive{0};
  static inline bool linger = false;

  static void reset() {
    std::lock_guard<std::mutex> lock(mutex);
    seen.clear();
    live = 0;
    mostLive = 0;
    linger = false;
  }

  static uint32_t run(Granulator* g) {
    const int now = ++live;
    int most = mostLive.load();
    while (now > most && !mostLive.compare_exchange_weak(most, now)) {
    }
    Seen s;
    s.randomState = g_randomState.load();
    s.fadeLength = g->getFadeLength();
    s.lenMin = g->getLenMin();
    s.lenRange = g->getLenRange();
    s.zeroThreshold = g->getZeroThreshold();
    s.pitchMode = g->getPitchMode();
    s.spread = g->getSpread();
    s.speed = g->getSpeed();
    s.holdA = g->getHoldA();
    g->nextSample();  // takes the published pitch range
    s.pitchMin = g->getPitchMin();
    s.pitchMax = g->getPitchMax();
    bool lingering;
    {
      std::lock_guard<std::mutex> lock(mutex);
      seen.push_back(s);
      lingering = linger;
    }
    changed.notify_all();
    if (lingering) {
      while (g_running) std::this_thread::yield();
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      // Reads the buffer once more: freed or re-prepared under it, the sanitizers object.
      g->nextSample();
    }
    --live;
    return 1;
  }

  static Seen waitForStart(size_t count) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [count] { return seen.size() >= count; });
    return seen[count - 1];
  }

  static size_t starts() {
    std::lock_guard<std::mutex> lock(mutex);
    return seen.size();
  }
};

class FakeExchange : public ControlExchange {
 public:
  void readControls(ControlValues& values) override { values = shown; }
  void writeControls(const ControlValues& values) override { shown = values; }
  ControlValues shown;
};

class FakeView : public TransportView {
 public:
  void setRunCaption(const char* text) override { caption = text; }
  void enableFade(bool enabled) override { fadeEnabled = enabled; }
  std::string caption = "(unset)";
  bool fadeEnabled = true;
};

class FakeServices : public PanelServices {
 public:
  void showMessage(const char* text) override { messages.push_back(text); }
  bool chooseWaveFile(std::string& path) override {
    ++dialogs;
    if (choices.empty() || choices.front().empty()) {
      if (!choices.empty())
        choices.pop_front();
      return false;
    }
    path = choices.front();
    choices.pop_front();
    return true;
  }
  void showHelp(const char*) override {}
  std::vector<std::string> messages;
  std::deque<std::string> choices;  // an empty entry means Cancel
  int dialogs = 0;
};

constexpr uint32_t kClockSeconds = 1700000000u;
uint32_t fixedClock() {
  return kClockSeconds;
}
std::unique_ptr<float[]> failingAllocate(size_t) {
  return nullptr;
}

std::vector<int16_t> ramp(int frames) {
  std::vector<int16_t> samples(frames);
  for (int i = 0; i < frames; ++i) samples[i] = static_cast<int16_t>(i * 8);
  return samples;
}

class TransportTest : public ::testing::Test {
 protected:
  TransportTest() : controls(granulator, exchange) {
    WorkerProbe::reset();
    transport = std::make_unique<Transport>(granulator, controls, exchange, view, services);
    transport->setWorker(WorkerProbe::run);
    transport->setClock(fixedClock);
    transport->initialise();
    good = dir.write("ramp 1000.wav", testwav::monoWav16(ramp(1000)));
    other = dir.write("ramp 3000.wav", testwav::monoWav16(ramp(3000)));
  }
  ~TransportTest() override { transport.reset(); }

  void load(const std::string& path) {
    services.choices.push_back(path);
    transport->OnFile();
  }
  void expectPlaying() {
    EXPECT_EQ(view.caption, "Stop");
    EXPECT_FALSE(view.fadeEnabled);
    EXPECT_TRUE(g_running);
  }
  void expectStopped() {
    EXPECT_EQ(view.caption, "Run");
    EXPECT_TRUE(view.fadeEnabled);
    EXPECT_FALSE(g_running);
  }

  testwav::TempDir dir;
  std::string good;
  std::string other;
  Granulator granulator;
  FakeExchange exchange;
  FakeView view;
  FakeServices services;
  PanelControls controls;
  std::unique_ptr<Transport> transport;
};

TEST_F(TransportTest, StartsEmptyWithRunCaptionAndStartupPositionsShown) {
  expectStopped();
  EXPECT_EQ(transport->samples(), nullptr);
  EXPECT_EQ(exchange.shown.m_length1, 3000);
  EXPECT_EQ(exchange.shown.m_pitch2, 75000);
  EXPECT_EQ(exchange.shown.m_fade, 1000);
  EXPECT_EQ(exchange.shown.m_method, 0);
}

TEST_F(TransportTest, RunBeforeAnyFileAsksForOneAndChangesNothing) {
  transport->OnRunStop();
  ASSERT_EQ(services.messages, std::vector<std::string>{"Please select a file first..."});
  expectStopped();
  EXPECT_EQ(WorkerProbe::starts(), 0u);
}

TEST_F(TransportTest, AcceptedFileStartsAtOnceAndRunTogglesStopAndStart) {
  load(good);
  expectPlaying();
  EXPECT_TRUE(services.messages.empty());
  WorkerProbe::waitForStart(1);

  transport->OnRunStop();
  expectStopped();
  transport->OnRunStop();
  expectPlaying();
  WorkerProbe::waitForStart(2);
  EXPECT_EQ(WorkerProbe::starts(), 2u);
}

TEST_F(TransportTest, LoadedBufferHoldsFadedFloatsOfTheFile) {
  load(good);
  ASSERT_EQ(transport->frameCount(), 1000);
  const float* s = transport->samples();
  EXPECT_EQ(s[0], 0.0f);                  // the fade-in starts from silence
  EXPECT_EQ(s[500], 500 * 8 / 32768.0f);  // the middle is untouched
  EXPECT_LT(s[995], 995 * 8 / 32768.0f);  // the fade-out has shaped the end
}

TEST_F(TransportTest, StartPreparesWithTheShownFadeThenAppliesEveryControlThenSeeds) {
  exchange.shown.m_length1 = 4000;
  exchange.shown.m_length2 = 1000;
  exchange.shown.m_zero = 250;
  exchange.shown.m_pitch1 = 25000;
  exchange.shown.m_pitch2 = 100000;
  exchange.shown.m_spread = 750;
  exchange.shown.m_speed = 10000;
  exchange.shown.m_method = 1;
  exchange.shown.m_fade = 321;

  // The holds drawn by prepare come from the state before the seed.
  seedRandom(1);
  Granulator reference;
  std::vector<float> flat(1000, 0.0f);
  reference.prepare(flat.data(), 1000, 321);
  seedRandom(1);

  load(good);
  const Seen s = WorkerProbe::waitForStart(1);
  EXPECT_EQ(s.fadeLength, 321);
  EXPECT_EQ(s.holdA, reference.getHoldA());
  EXPECT_EQ(s.randomState, kClockSeconds);
  EXPECT_EQ(s.lenMin, 0);
  EXPECT_EQ(s.lenRange, 3000);
  EXPECT_EQ(s.zeroThreshold, static_cast<int>((1.0 - zeroChance(250)) * 32768.0));
  EXPECT_EQ(s.pitchMin, -1.0f);
  EXPECT_EQ(s.pitchMax, 2.0f);
  EXPECT_EQ(s.spread, spreadFraction(750));
  EXPECT_EQ(s.speed, 2.0f);
  EXPECT_EQ(s.pitchMode, 1);
}

TEST_F(TransportTest, StartupPositionsReachTheEngineAsTheirDefaults) {
  load(good);
  const Seen s = WorkerProbe::waitForStart(1);
  EXPECT_EQ(s.fadeLength, 1000);
  EXPECT_EQ(s.lenMin, 1000);
  EXPECT_EQ(s.lenRange, 0);
  EXPECT_EQ(s.zeroThreshold, 32768);
  EXPECT_EQ(s.pitchMin, 1.0f);
  EXPECT_EQ(s.pitchMax, 1.0f);
  EXPECT_EQ(s.spread, 0.0f);
  EXPECT_EQ(s.speed, 1.0f);
  EXPECT_EQ(s.pitchMode, 2);
}

TEST_F(TransportTest, NewFileWhilePlayingWaitsForTheOldWorkerAndPlaysTheNewSound) {
  WorkerProbe::linger = true;
  load(good);
  WorkerProbe::waitForStart(1);
  load(other);
  WorkerProbe::waitForStart(2);
  expectPlaying();
  EXPECT_EQ(transport->frameCount(), 3000);
  EXPECT_EQ(WorkerProbe::mostLive, 1);
}

TEST_F(TransportTest, RunAfterStopWaitsForTheOldWorker) {
  WorkerProbe::linger = true;
  load(good);
  WorkerProbe::waitForStart(1);
  transport->OnRunStop();
  transport->OnRunStop();
  WorkerProbe::waitForStart(2);
  EXPECT_EQ(WorkerProbe::mostLive, 1);
}

TEST_F(TransportTest, EndingWaitsForTheWorkerAndClearsTheFlag) {
  WorkerProbe::linger = true;
  load(good);
  WorkerProbe::waitForStart(1);
  transport.reset();
  EXPECT_FALSE(g_running);
  EXPECT_EQ(WorkerProbe::live, 0);
}

TEST_F(TransportTest, CancelWithASoundRestartsItFreshlyPrepared) {
  load(good);
  const float* buffer = transport->samples();
  transport->OnRunStop();
  exchange.shown.m_fade = 77;
  services.choices.push_back("");
  transport->OnFile();
  expectPlaying();
  EXPECT_EQ(transport->samples(), buffer);
  EXPECT_EQ(WorkerProbe::waitForStart(2).fadeLength, 77);
}

TEST_F(TransportTest, CancelWhilePlayingRestartsOnTheSameBuffer) {
  load(good);
  services.choices.push_back("");
  transport->OnFile();
  expectPlaying();
  WorkerProbe::waitForStart(2);
}

TEST_F(TransportTest, CancelWithoutASoundAsksForAFile) {
  services.choices.push_back("");
  transport->OnFile();
  EXPECT_EQ(services.dialogs, 1);
  ASSERT_EQ(services.messages, std::vector<std::string>{"Please select a file first..."});
  expectStopped();
}

TEST_F(TransportTest, StereoOr8BitOrTooShortFileIsRefusedAndTheOldSoundStays) {
  const std::string stereo = dir.write("stereo.wav", [] {
    auto bytes = testwav::headerBytes(testwav::consistentHeader(2, 16, 400));
    bytes.resize(bytes.size() + 400);
    return bytes;
  }());
  const std::string eightBit = dir.write("8bit.wav", [] {
    auto bytes = testwav::headerBytes(testwav::consistentHeader(1, 8, 400));
    bytes.resize(bytes.size() + 400);
    return bytes;
  }());
  const std::string oneFrame = dir.write("one.wav", testwav::monoWav16({100}));

  load(good);
  transport->OnRunStop();
  const float* buffer = transport->samples();
  for (const std::string& path : {stereo, eightBit, oneFrame}) {
    load(path);
    expectStopped();
    EXPECT_EQ(transport->samples(), buffer);
    EXPECT_EQ(transport->frameCount(), 1000);
  }
  EXPECT_EQ(services.messages, std::vector<std::string>(3, "Wrong file format"));
  transport->OnRunStop();
  expectPlaying();
  EXPECT_EQ(transport->samples(), buffer);
}

TEST_F(TransportTest, RefusedFileWhilePlayingLeavesPlaybackStoppedAndShownAsStopped) {
  const std::string stereo =
      dir.write("stereo.wav", testwav::headerBytes(testwav::consistentHeader(2, 16, 0)));
  load(good);
  load(stereo);
  ASSERT_EQ(services.messages, std::vector<std::string>{"Wrong file format"});
  expectStopped();
  EXPECT_EQ(transport->frameCount(), 1000);
}

TEST_F(TransportTest, FailedAllocationKeepsTheOldSoundAndSaysSo) {
  load(good);
  const float* buffer = transport->samples();
  transport->setAllocate(failingAllocate);
  load(other);
  ASSERT_EQ(services.messages, std::vector<std::string>{"Not enough memory to load this file"});
  expectStopped();
  EXPECT_EQ(transport->samples(), buffer);
  EXPECT_EQ(transport->frameCount(), 1000);
  EXPECT_EQ(transport->samples()[500], 500 * 8 / 32768.0f);
}

TEST_F(TransportTest, ResetWhilePlayingRestoresDefaultsButKeepsTheRunningFade) {
  exchange.shown.m_fade = 50;
  exchange.shown.m_pitch1 = 0;
  load(good);
  WorkerProbe::waitForStart(1);
  controls.OnReset();
  expectPlaying();
  EXPECT_EQ(exchange.shown.m_fade, 1000);
  EXPECT_EQ(exchange.shown.m_pitch1, 75000);
  EXPECT_EQ(granulator.getFadeLength(), 50);
  EXPECT_EQ(granulator.getLenMin(), 1000);
  EXPECT_EQ(granulator.getPitchMode(), 2);
}

TEST_F(TransportTest, EveryDemoSoundLoadsAndPlays) {
  const std::pair<const char*, int> sounds[] = {
      {"bell.wav", 88200}, {"pad.wav", 110250}, {"plucks.wav", 110250}, {"drops.wav", 88200}};
  for (const auto& [name, frames] : sounds) {
    load(std::string(GRAIN_SAMPLES_DIR) + "/" + name);
    expectPlaying();
    EXPECT_EQ(transport->frameCount(), frames) << name;
  }
  EXPECT_TRUE(services.messages.empty());
}

// The real synthesis thread on SDL's dummy driver: it plays, stops and is waited for.
TEST(TransportWithRealWorker, PlaysStopsAndEndsCleanly) {
  testwav::TempDir dir;
  const std::string path = dir.write("ramp.wav", testwav::monoWav16(ramp(4410)));
  Granulator granulator;
  FakeExchange exchange;
  FakeView view;
  FakeServices services;
  PanelControls controls(granulator, exchange);
  {
    Transport transport(granulator, controls, exchange, view, services);
    transport.initialise();
    services.choices.push_back(path);
    transport.OnFile();
    EXPECT_TRUE(g_running);
    transport.OnRunStop();
    EXPECT_FALSE(g_running);
    transport.OnRunStop();
    EXPECT_EQ(view.caption, "Stop");
  }
  EXPECT_FALSE(g_running);
  EXPECT_TRUE(services.messages.empty());
}

}  // namespace
