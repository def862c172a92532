// The panel's settings files and copied commands through the instrument: a file opened whole
// or not at all, saved again with what it did not know, a Run that grainrender renders, and a
// take that grainrender --replay plays again.
#include "settings_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "fake_services.h"
#include "granulator.h"
#include "instrument.h"
#include "offline_render.h"
#include "pcm16.h"
#include "playback_context.h"
#include "render_command.h"
#include "settings_file.h"
#include "take_file.h"
#include "test_wav.h"

namespace {

std::atomic<Granulator*> g_lent{nullptr};
uint32_t keepEngine(const PlaybackContext& context) {
  g_lent = context.granulator;
  return 0;
}
uint32_t clockAt77() {
  return 77;
}

std::vector<uint8_t> bytesOf(const std::string& text) {
  return {text.begin(), text.end()};
}

struct Panel {
  Panel() {
    instrument.transport().setWorker(keepEngine);
    instrument.transport().setClock(clockAt77);
    std::vector<int16_t> saw(20000);
    for (int i = 0; i < 20000; ++i) saw[i] = static_cast<int16_t>(i * 37 % 24000 - 12000);
    sound = dir.write("in.wav", testwav::monoWav16(saw));
  }
  // The first samples of the Run that has just started, taken as its worker would take them.
  std::vector<float> runSamples() {
    while (g_lent == nullptr) std::this_thread::yield();
    std::vector<float> out(3000);
    for (float& sample : out) sample = g_lent.load()->nextSample();
    g_lent = nullptr;
    return out;
  }
  std::vector<float> rendered(uint32_t seed) {
    OfflineRender render;
    EXPECT_EQ(render.load(sound.c_str()).result, LoadResult::kLoaded);
    render.start(instrument.values(), seed);
    std::vector<float> out(3000);
    render.render(out.data(), 3000);
    return out;
  }

  testwav::TempDir dir;
  FakeServices services;
  Instrument instrument{services, dir.path()};
  SettingsControl control{instrument, services};
  std::string sound;
};

TEST(SettingsControl, OpensAFileAsItsSeededRunAndEveryLaterRunIsItsSeedsRender) {
  Panel panel;
  const std::string path = panel.dir.write(
      "a.grainpanel",
      bytesOf("# kept\nsound = in.wav\npitch1 = 60000\nlink-pitch = 1\nwalk = 3000\n"
              "spread = 900\nseed = 9\nglow = 3\nwalk = 3000\n"));
  ASSERT_TRUE(panel.control.openSettings(path));
  EXPECT_EQ(panel.instrument.values().m_pitch2, 75000);
  EXPECT_EQ(panel.instrument.values().m_linkPitch, 1);
  EXPECT_FALSE(panel.control.dirty());
  EXPECT_EQ(panel.services.details.back(),
            path + ":9: walk given again (line 5); the last one is taken");
  // One random source serves both, so the live samples are taken first.
  const std::vector<float> live = panel.runSamples();
  EXPECT_EQ(live, panel.rendered(9));
  const std::string command = panel.control.renderCommand();
  EXPECT_EQ(command, "grainrender '" + panel.sound +
                         "' out.wav --length1 3000 --length2 3000 --pitch1 60000 --pitch2 75000 "
                         "--walk 3000 --zero 1000 --spread 900 --speed 5000 --fade 1000 "
                         "--method 0 --seed 9");

  // A control moved during the Run leaves the Run's command as it was.
  panel.instrument.setPosition(IDC_ZERO, 400);
  EXPECT_EQ(panel.control.renderCommand(), command);
  EXPECT_TRUE(panel.control.dirty());
  panel.instrument.OnRunStop();
  panel.instrument.OnRunStop();
  EXPECT_EQ(panel.instrument.runSeed(), 77u);
  const std::vector<float> second = panel.runSamples();
  EXPECT_EQ(second, panel.rendered(77));

  panel.control.OnSave();
  EXPECT_FALSE(panel.control.dirty());
  const auto saved = testwav::readBytes(path);
  EXPECT_EQ(std::string(saved.begin(), saved.end()),
            "# kept\nsound = in.wav\npitch1 = 60000\nlink-pitch = 1\nspread = 900\nseed = 9\n"
            "glow = 3\nwalk = 3000\nlength1 = 3000\nlength2 = 3000\npitch2 = 75000\nzero = 400\n"
            "speed = 5000\nfade = 1000\nmethod = 0\nlink-length = 0\n");
}

TEST(SettingsControl, ARefusedFileOrSoundChangesNoControl) {
  Panel panel;
  const std::string badLine = panel.dir.write("b.grainpanel", bytesOf("zero = 3\nfade = x\n"));
  const std::string badSound =
      panel.dir.write("c.grainpanel", bytesOf("zero = 3\nsound = none.wav\n"));
  EXPECT_FALSE(panel.control.openSettings(badLine));
  EXPECT_EQ(panel.services.messages.back(), kOpenSettingsFailedText);
  EXPECT_EQ(panel.services.details.back(), badLine + ":2: fade: not a whole number: x");
  EXPECT_FALSE(panel.control.openSettings(badSound));
  EXPECT_EQ(panel.instrument.values().m_zero, 1000);
  EXPECT_EQ(panel.control.renderCommand(), "");

  // Saving asks for a name the first time only.
  panel.services.choices = {panel.dir.pathOf("new.grainpanel")};
  panel.control.OnSave();
  panel.instrument.setPosition(IDC_SPEED, 10);
  panel.control.OnSave();
  const auto saved = testwav::readBytes(panel.dir.pathOf("new.grainpanel"));
  EXPECT_NE(std::string(saved.begin(), saved.end()).find("\nspeed = 10\n"), std::string::npos);
}

// A take recorded while controls move, begun after a move of its Run, is played again byte for
// byte from the settings file beside it, and unrounded with --float.
TEST(Take, ReplaysTheRecordingByteForByteFromItsSettingsFile) {
  testwav::TempDir dir;
  FakeServices services;
  Instrument instrument{services, dir.path()};
  std::vector<int16_t> saw(30000);
  for (int i = 0; i < 30000; ++i) saw[i] = static_cast<int16_t>(i * 41 % 26000 - 13000);
  const std::string sound = dir.write("in.wav", testwav::monoWav16(saw));
  const auto pause = [] { std::this_thread::sleep_for(std::chrono::milliseconds(60)); };

  instrument.transport().seedNextRun(4242);
  ASSERT_TRUE(instrument.openSound(sound));
  instrument.setPosition(IDC_SPREAD, 300);
  instrument.setPosition(IDC_PITCHWALK, 4000);
  instrument.setPosition(IDC_PITCH1, 60000);
  pause();
  instrument.setRecord(true);
  ASSERT_TRUE(instrument.recording());
  pause();
  instrument.setPosition(IDC_SPEED, 7000);
  pause();
  instrument.setPosition(IDC_PITCH2, 90000);
  instrument.setPosition(IDC_LENGTH2, 3900);
  pause();
  instrument.setMethod(1);
  // A repaint of a pitch slider sets the range again without moving it.
  instrument.setPosition(IDC_PITCH2, 90000);
  pause();
  instrument.OnReset();
  pause();
  instrument.OnRunStop();
  for (int i = 0; i < 500 && instrument.recordStatus().rfind("Saved ", 0) != 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    instrument.OnRecordTimer();
  }
  const std::string recording = instrument.recordTip();
  ASSERT_EQ(instrument.recordStatus().rfind("Saved ", 0), 0u) << instrument.recordStatus();

  SettingsFile file;
  Take take;
  std::string problem;
  const std::string takePath = takeFilePath(recording);
  ASSERT_TRUE(file.load(takePath)) << file.error();
  ASSERT_TRUE(readTake(file, takePath, take, problem)) << problem;
  EXPECT_EQ(take.run.seed, 4242u);
  EXPECT_EQ(take.run.soundPath, sound);
  EXPECT_EQ(take.run.values.m_spread, 0);
  EXPECT_GT(take.start, 0u);
  // Two calls in a row are usually taken as one change, so only the order of changes is sure.
  ASSERT_GE(take.changes.size(), 4u);
  EXPECT_LT(take.changes[0].sample, take.start);
  EXPECT_TRUE(take.changes[0].recentred);
  ControlValues startup;
  setStartupPositions(startup);
  EXPECT_EQ(take.changes.back().values, startup);
  const std::vector<std::pair<int, std::string>> lines = file.all("change");
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const auto& line) {
    return line.second.size() > 9 &&
           line.second.compare(line.second.size() - 9, 9, " recentre") == 0;
  }));

  const std::string replayed = dir.pathOf("replayed.wav");
  const std::string unrounded = dir.pathOf("unrounded.wav");
  const char* replay[] = {"--replay", takePath.c_str(), replayed.c_str()};
  ASSERT_EQ(runRenderCommand(3, replay), kExitWritten);
  const std::vector<uint8_t> bytes = testwav::readBytes(recording);
  EXPECT_TRUE(testwav::readBytes(replayed) == bytes) << "the replay differs from " << recording;
  const char* replayFloat[] = {"--replay", takePath.c_str(), unrounded.c_str(), "--float"};
  ASSERT_EQ(runRenderCommand(4, replayFloat), kExitWritten);
  const std::vector<uint8_t> floats = testwav::readBytes(unrounded);
  ASSERT_EQ(bytes.size(), 44 + 2 * size_t{take.length});
  ASSERT_GE(floats.size(), 4 * size_t{take.length});
  const size_t floatHeader = floats.size() - 4 * size_t{take.length};
  int unevenSamples = 0;
  for (size_t i = 0; i < take.length; ++i) {
    float x;
    int16_t recorded;
    std::memcpy(&x, &floats[floatHeader + 4 * i], 4);
    std::memcpy(&recorded, &bytes[44 + 2 * i], 2);
    ASSERT_EQ(toPcm16(x), recorded) << "sample " << i;
    unevenSamples += x * 32767.0f != std::round(x * 32767.0f);
  }
  EXPECT_GT(unevenSamples, 0);
}

}  // namespace
