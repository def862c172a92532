// Run/Stop and File... driven without a window: captions, the Fade slider, the run flag, the
// buffer, the worker and what reaches the engine.
#include "transport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "control_values.h"
#include "engine_lease.h"
#include "fake_services.h"
#include "granulator.h"
#include "offline_render.h"
#include "panel_services.h"
#include "playback_context.h"
#include "preferences.h"
#include "random_source.h"
#include "run_flag.h"
#include "sound_files.h"
#include "synth_thread.h"
#include "test_wav.h"

namespace {

// What a worker found in the engine as it started. Read only after the transport has joined it.
struct Seen {
  uint32_t randomState = 0;
  Granulator::Voice voice{};
  int lenMin = 0;
  int lenRange = 0;
  int zeroThreshold = 0;
  float spread = 0.0f;
  float speed = 0.0f;
  PitchMode pitchMode = PitchMode::kHeadsShareRate;
  // The pitch range is taken on the first sample, so it is read after one.
  float pitchMin = 0.0f;
  float pitchMax = 0.0f;
};

// A stand-in worker. It counts how many are alive at once; a lingering one leaves only some time
// after the flag is cleared and then reads the buffer again, so a missing wait lets two overlap
// and a buffer freed under it shows up in the sanitizer builds.
struct Probe {
  static inline std::vector<Seen> seen;
  static inline std::atomic<int> live{0};
  static inline std::atomic<int> mostLive{0};
  static inline bool linger = false;

  static uint32_t run(const PlaybackContext& context) {
    Granulator* g = context.granulator;
    const int now = ++live;
    if (now > mostLive)
      mostLive = now;
    Seen s;
    s.randomState = g_randomState.load();
    s.voice = g->voiceState();
    s.lenMin = g->settings().lenMin();
    s.lenRange = g->settings().lenRange();
    s.zeroThreshold = g->settings().zeroThreshold();
    s.spread = g->settings().spread();
    s.speed = g->settings().speed();
    s.pitchMode = g->settings().pitchMode();
    g->nextSample();
    s.pitchMin = g->voiceState().pitchMin;
    s.pitchMax = g->voiceState().pitchMax;
    seen.push_back(s);
    if (linger) {
      while (g_running) std::this_thread::yield();
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      g->nextSample();
    }
    --live;
    return 1;
  }
};

// A worker that plays into a buffer: what the device would have heard.
struct Capture {
  static inline std::vector<float> samples;
  static uint32_t run(const PlaybackContext& context) {
    for (float& s : samples) s = context.granulator->nextSample();
    return 1;
  }
};

class FakeView : public TransportView {
 public:
  void setRunCaption(const char* text) override { caption = text; }
  void enableFade(bool enabled) override { fadeEnabled = enabled; }
  // Notes the length of the sound in the engine's view at that moment (0 before any view).
  void showPlaying(bool playing) override {
    Granulator::View v{};
    const bool published = granulator != nullptr && granulator->readView(v);
    playingShown.push_back(playing);
    viewFrames.push_back(published ? v.frameCount : 0);
  }
  std::string caption;
  bool fadeEnabled = true;
  const Granulator* granulator = nullptr;
  std::vector<bool> playingShown;
  std::vector<int> viewFrames;
};

constexpr uint32_t kClockSeconds = 1700000000u;
uint32_t fixedClock() {
  return kClockSeconds;
}
SampleBuffer failingAllocate(size_t) {
  return nullptr;
}

std::vector<uint8_t> rampWav(int frames) {
  std::vector<int16_t> samples(frames);
  for (int i = 0; i < frames; ++i) samples[i] = static_cast<int16_t>(i * 8);
  return testwav::monoWav16(samples);
}

std::vector<uint8_t> headerOnly(uint16_t channels, uint16_t bits) {
  std::vector<uint8_t> bytes = testwav::headerBytes(testwav::consistentHeader(channels, bits, 400));
  bytes.resize(bytes.size() + 400);
  return bytes;
}

class TransportTest : public ::testing::Test {
 protected:
  TransportTest() {
    setStartupPositions(values);
    Probe::seen.clear();
    Probe::live = Probe::mostLive = 0;
    Probe::linger = false;
    view.granulator = &granulator;
    transport = std::make_unique<Transport>(granulator, values, view, services);
    transport->setWorker(Probe::run);
    transport->setClock(fixedClock);
    transport->initialise();
  }

  void choose(const std::string& path) {
    services.choices.push_back(path);
    transport->OnFile();
  }
  void expectShown(bool playing) {
    EXPECT_EQ(view.caption, playing ? "Stop" : "Run");
    EXPECT_EQ(view.fadeEnabled, !playing);
    EXPECT_EQ(g_running, playing);
  }
  // Ends the transport, which waits for its worker, so everything the probe saw can be read.
  void finish() { transport.reset(); }

  testwav::TempDir dir;
  const std::string good = dir.write("ramp 1000.wav", rampWav(1000));
  const std::string other = dir.write("ramp 3000.wav", rampWav(3000));
  Granulator granulator;
  FakeView view;
  FakeServices services;
  ControlValues values;
  std::unique_ptr<Transport> transport;
};

TEST_F(TransportTest, RunOrACancelledFileWithoutASoundAsksForOneAndChangesNothing) {
  expectShown(false);
  transport->OnRunStop();
  choose("");
  EXPECT_EQ(services.messages, std::vector<std::string>(2, "Please select a file first..."));
  EXPECT_EQ(services.details, std::vector<std::string>(2, ""));
  expectShown(false);
  finish();
  EXPECT_TRUE(Probe::seen.empty());
}

TEST_F(TransportTest, AcceptedFileStartsAtOnceAndRunTogglesStopAndStart) {
  choose(good);
  expectShown(true);
  ASSERT_EQ(transport->frameCount(), 1000);
  EXPECT_EQ(transport->samples()[0], 0.0f);                  // faded in from silence
  EXPECT_EQ(transport->samples()[500], 500 * 8 / 32768.0f);  // the middle untouched
  transport->OnRunStop();
  expectShown(false);
  transport->OnRunStop();
  expectShown(true);
  EXPECT_TRUE(services.messages.empty());
  finish();
  EXPECT_EQ(Probe::seen.size(), 2u);
}

TEST_F(TransportTest, ViewHearsOfEachStartAfterTheEngineShowsTheNewSoundAndOfEachStop) {
  choose(good);
  transport->OnRunStop();
  choose(other);
  transport->OnRunStop();
  EXPECT_EQ(view.playingShown, (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(view.viewFrames, (std::vector<int>{1000, 1000, 3000, 3000}));
}

TEST_F(TransportTest, StartPreparesWithTheShownFadeThenAppliesEveryControlThenSeeds) {
  // Length 4000 and 1000, zero 250, pitch 25000 and 100000, Method ticked, speed 10000, spread
  // 750, fade 321.
  values.m_length2 = 1000;
  values.m_length1 = 4000;
  values.m_zero = 250;
  values.m_pitch1 = 25000;
  values.m_pitch2 = 100000;
  values.m_pitchWalk = 0;
  values.m_method = 1;
  values.m_speed = 10000;
  values.m_spread = 750;
  values.m_fade = 321;
  values.m_linkLength = 0;
  values.m_linkPitch = 0;
  // The holds that prepare draws come from the state before the seed.
  seedRandom(1);
  Granulator reference;
  std::vector<float> flat(1000, 0.0f);
  reference.prepare(flat.data(), 1000, 321);
  seedRandom(1);

  choose(good);
  finish();
  ASSERT_EQ(Probe::seen.size(), 1u);
  const Seen& s = Probe::seen[0];
  EXPECT_EQ(s.voice.fadeLength, 321);
  EXPECT_EQ(s.voice.holdA, reference.voiceState().holdA);
  EXPECT_EQ(s.randomState, kClockSeconds);
  EXPECT_EQ(s.lenMin, 0);
  EXPECT_EQ(s.lenRange, 3000);
  // A chance of 750 x 0.001f, just above 0.75: 8191, where 0.001 as a double gives 8192.
  EXPECT_EQ(s.zeroThreshold, 8191);
  EXPECT_EQ(s.pitchMin, -1.0f);
  EXPECT_EQ(s.pitchMax, 2.0f);
  EXPECT_EQ(s.spread, 0x1.47ae14p-7f);  // 750 / 75000
  EXPECT_EQ(s.speed, 2.0f);
  EXPECT_EQ(s.pitchMode, PitchMode::kEachHeadWalks);
}

TEST_F(TransportTest, AtMostOneWorkerLivesAndNoneOutlivesTheTransport) {
  Probe::linger = true;
  choose(good);
  transport->OnRunStop();
  transport->OnRunStop();
  choose(other);
  expectShown(true);
  EXPECT_EQ(transport->frameCount(), 3000);
  finish();
  EXPECT_FALSE(g_running);
  EXPECT_EQ(Probe::seen.size(), 3u);
  EXPECT_EQ(Probe::mostLive, 1);
  EXPECT_EQ(Probe::live, 0);
}

TEST_F(TransportTest, CancelWithASoundRestartsItFreshlyPreparedWhetherPlayingOrNot) {
  choose(good);
  const float* buffer = transport->samples();
  choose("");
  expectShown(true);
  transport->OnRunStop();
  values.m_fade = 77;
  choose("");
  expectShown(true);
  EXPECT_EQ(transport->samples(), buffer);
  finish();
  ASSERT_EQ(Probe::seen.size(), 3u);
  EXPECT_EQ(Probe::seen[2].voice.fadeLength, 77);
}

TEST_F(TransportTest, RefusedFileStopsPlaybackShowsItStoppedAndKeepsTheOldSound) {
  const std::string refused[] = {dir.write("stereo.wav", headerOnly(2, 16)),
                                 dir.write("8bit.wav", headerOnly(1, 8)),
                                 dir.write("one frame.wav", testwav::monoWav16({100}))};
  choose(good);
  const float* buffer = transport->samples();
  for (const std::string& path : refused) {
    choose(path);
    expectShown(false);
    EXPECT_EQ(transport->samples(), buffer);
    EXPECT_EQ(transport->frameCount(), 1000);
    transport->OnRunStop();  // the old sound plays again
    expectShown(true);
  }
  EXPECT_EQ(services.messages, std::vector<std::string>(3, "Wrong file format"));
  const std::string convert =
      "\nGrainpanel plays 16-bit mono WAV files; to convert one: sox in.wav -b 16 -c 1 out.wav";
  EXPECT_EQ(
      services.details,
      (std::vector<std::string>{"stereo.wav: stereo (convert it to 16-bit mono)" + convert,
                                "8bit.wav: 8 bits per sample (convert it to 16-bit mono)" + convert,
                                "one frame.wav: fewer than two samples" + convert}));
}

TEST_F(TransportTest, FailedAllocationKeepsTheOldSoundAndSaysSo) {
  choose(good);
  const float* buffer = transport->samples();
  transport->setAllocate(failingAllocate);
  choose(other);
  ASSERT_EQ(services.messages, std::vector<std::string>{"Not enough memory to load this file"});
  EXPECT_EQ(services.details, std::vector<std::string>{""});
  expectShown(false);
  EXPECT_EQ(transport->samples(), buffer);
  EXPECT_EQ(transport->frameCount(), 1000);
  EXPECT_EQ(transport->samples()[500], 500 * 8 / 32768.0f);
  // A recording is named after the sound that plays, not the one that failed to load.
  EXPECT_EQ(transport->soundPath(), good);
}

TEST_F(TransportTest, DroppedFileStopsLoadsAndStartsAsAChosenFileDoes) {
  Probe::linger = true;
  values.m_fade = 321;
  transport->OnDropFile(good);
  expectShown(true);
  EXPECT_EQ(transport->frameCount(), 1000);
  EXPECT_EQ(transport->soundPath(), good);
  transport->OnDropFile(other);
  expectShown(true);
  EXPECT_EQ(transport->frameCount(), 3000);
  EXPECT_EQ(transport->soundPath(), other);

  transport->OnDropFile(dir.write("stereo.wav", headerOnly(2, 16)));
  EXPECT_EQ(services.messages, std::vector<std::string>{"Wrong file format"});
  expectShown(false);
  EXPECT_EQ(transport->frameCount(), 3000);
  EXPECT_EQ(transport->soundPath(), other);
  finish();
  ASSERT_EQ(Probe::seen.size(), 2u);
  EXPECT_EQ(Probe::mostLive, 1);
  for (const Seen& s : Probe::seen) {
    EXPECT_EQ(s.voice.fadeLength, 321);
    EXPECT_EQ(s.randomState, kClockSeconds);
  }
}

TEST_F(TransportTest, RefusedDropOntoAnEmptyPanelSaysWrongFormatOnlyAndLoadsNothing) {
  transport->OnDropFile(dir.write("8bit.wav", headerOnly(1, 8)));
  transport->OnDropFile(dir.pathOf("missing.wav"));
  EXPECT_EQ(services.messages, std::vector<std::string>(2, "Wrong file format"));
  expectShown(false);
  EXPECT_EQ(transport->samples(), nullptr);
  EXPECT_EQ(transport->soundPath(), "");
  finish();
  EXPECT_TRUE(Probe::seen.empty());
}

// The first answer is OK, the second Convert and play with the box ticked; a fresh panel that
// reads the same preferences then plays such a file at once. What plays is what grainrender
// --convert renders with the Run's seed.
TEST_F(TransportTest, ConvertedFilePlaysAsGrainrenderRendersItAndTheTickIsRemembered) {
  std::vector<int32_t> frames;
  for (int i = 0; i < 9600; ++i) {
    frames.push_back((i % 480 - 240) * (1 << 22));
    frames.push_back((i % 300 - 150) * (1 << 22));
  }
  const std::string kick = dir.pathOf("kick.flac");
  ASSERT_TRUE(testwav::writeSound(kick, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 2, 48000, frames));
  const std::string conf =
      dir.write("grainpanel.conf", {'c', 'o', 'l', 'o', 'u', 'r', '=', 'b', 'l', 'u', 'e', '\n'});
  Preferences preferences(conf);
  preferences.load();
  transport->setPreferences(&preferences);
  choose(kick);
  EXPECT_EQ(services.details, std::vector<std::string>{"kick.flac: not a WAV file\nGrainpanel "
                                                       "plays 16-bit mono WAV files; to convert "
                                                       "one: sox in.wav -b 16 -c 1 out.wav"});
  EXPECT_EQ(transport->samples(), nullptr);
  expectShown(false);

  services.convert = true;
  services.tickAlways = true;
  Capture::samples.assign(30000, 0.0f);
  transport->setWorker(Capture::run);
  seedRandom(1);
  choose(kick);
  expectShown(true);
  EXPECT_EQ(transport->frameCount(), 8820);
  EXPECT_EQ(transport->soundNote(), "kick.flac: 48 000 Hz, stereo, 24-bit, converted");
  const std::vector<uint8_t> saved = testwav::readBytes(conf);
  EXPECT_EQ(std::string(saved.begin(), saved.end()), "always-convert=yes\ncolour=blue\n");
  finish();

  OfflineRender render;
  ASSERT_EQ(render.load(kick.c_str(), true).result, LoadResult::kLoaded);
  render.start(values, kClockSeconds);
  std::vector<float> rendered(30000);
  render.render(rendered.data(), 30000);
  EXPECT_EQ(Capture::samples, rendered);

  Preferences reread(conf);
  reread.load();
  transport = std::make_unique<Transport>(granulator, values, view, services);
  transport->setWorker(Probe::run);
  transport->setPreferences(&reread);
  transport->OnDropFile(kick);
  expectShown(true);
  EXPECT_EQ(services.offers, 2);
}

TEST_F(TransportTest, EveryDemoSoundLoadsAndPlays) {
  const std::pair<const char*, int> sounds[] = {
      {"bell.wav", 88200}, {"pad.wav", 110250}, {"plucks.wav", 110250}, {"drops.wav", 88200}};
  for (const auto& [name, frames] : sounds) {
    choose(std::string(GRAIN_SAMPLES_DIR) + "/" + name);
    expectShown(true);
    EXPECT_EQ(transport->frameCount(), frames) << name;
  }
  EXPECT_TRUE(services.messages.empty());
}

// The real worker on SDL's disk driver told to wait 5 s after every callback: a device that has
// stalled, whose closing holds the worker for seconds.
class StalledDeviceTest : public TransportTest {
 protected:
  StalledDeviceTest() {
    // A worker of an earlier test may still be closing its stalled device. One that opens and
    // closes a device on the dummy driver waits for it, so this test starts with the device free.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::thread(SynthThread, &granulator).join();
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "5000", 1);
    transport = std::make_unique<Transport>(granulator, values, view, services);
    transport->setClock(fixedClock);
    transport->initialise();
  }
  ~StalledDeviceTest() override {
    transport.reset();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    unsetenv("SDL_DISKAUDIODELAY");
  }

  // Plays, and gives the worker time to open its device and stall in its wait for room. The
  // driver buffers its file, so there is nothing to watch; the bounds below hold either way.
  void playUntilStalled() {
    choose(good);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }

  template <typename Step>
  static double secondsTaken(Step step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }

  // Far below the device's 5 s, far above the 200 ms the writer waits before it drops a block.
  static constexpr double kBoundSeconds = 1.5;
  const std::string capture = dir.pathOf("stalled.raw");
};

TEST_F(StalledDeviceTest, RunAgainAndFileDoNotWaitForTheDeviceToClose) {
  playUntilStalled();
  EXPECT_LT(secondsTaken([this] {
              transport->OnRunStop();
              transport->OnRunStop();
            }),
            kBoundSeconds);
  expectShown(true);
  // The new worker still waits for the old device; a new file calls it off.
  EXPECT_LT(secondsTaken([this] { choose(other); }), kBoundSeconds);
  expectShown(true);
  EXPECT_EQ(transport->frameCount(), 3000);
  EXPECT_LT(secondsTaken([this] { finish(); }), kBoundSeconds);
}

TEST_F(StalledDeviceTest, TheEndDoesNotWaitForTheDeviceToClose) {
  playUntilStalled();
  EXPECT_LT(secondsTaken([this] { finish(); }), kBoundSeconds);
  EXPECT_FALSE(g_running);
}

}  // namespace
