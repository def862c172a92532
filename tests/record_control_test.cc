// Record: recording names and folders, arming while stopped, and what the row says when a
// recording starts, stops or ends by itself.
#include "record_control.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "memory_sink.h"
#include "record_tap.h"
#include "recorder.h"
#include "recording_path.h"
#include "test_wav.h"
#include "wave_file_sink.h"

namespace {

std::tm localTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

std::tm fixedTime() {
  return localTime(2026, 12, 9, 14, 3, 27);
}

class FakeRecordView : public RecordView {
 public:
  void setRecordPressed(bool isPressed) override { pressed = isPressed; }
  void setRecordStatus(const std::string& statusText, const std::string& statusTip) override {
    text = statusText;
    tip = statusTip;
  }
  bool pressed = true;
  std::string text;
  std::string tip;
};

TEST(RecordingPath, NamesARecordingAfterItsSoundAndTheLocalTimeItStarts) {
  EXPECT_EQ(recordingFileName("/music/pad.wav", fixedTime()), "pad 2026-12-09 14.03.27.wav");
  EXPECT_EQ(recordingFileName("my.take.WAV", localTime(2027, 1, 2, 3, 4, 5)),
            "my.take 2027-01-02 03.04.05.wav");
  EXPECT_EQ(recordingFileName("/music/.hidden", fixedTime()), ".hidden 2026-12-09 14.03.27.wav");
  EXPECT_EQ(recordingFileName("", fixedTime()), "Recording 2026-12-09 14.03.27.wav");
}

TEST(RecordingPath, GoesBesideItsSoundUnderAFreeNameOrElseIntoTheFallbackFolder) {
  testwav::TempDir dir;
  const std::string sound = dir.write("pad.wav", {});
  const std::string music = dir.pathOf("Music");
  std::string problem;
  // Each name is taken as it is given, as by another panel starting a take in the same second.
  EXPECT_EQ(recordingPath(sound, music, fixedTime(), problem),
            dir.pathOf("pad 2026-12-09 14.03.27.wav"));
  EXPECT_EQ(recordingPath(sound, music, fixedTime(), problem),
            dir.pathOf("pad 2026-12-09 14.03.27 2.wav"));
  EXPECT_EQ(recordingPath(sound, music, fixedTime(), problem),
            dir.pathOf("pad 2026-12-09 14.03.27 3.wav"));

  // A sound whose folder has gone cannot have its recording beside it.
  EXPECT_EQ(recordingPath(dir.pathOf("gone/pad.wav"), music, fixedTime(), problem),
            music + "/pad 2026-12-09 14.03.27.wav");
  EXPECT_TRUE(std::filesystem::is_directory(music));
  std::filesystem::remove_all(music);
}

TEST(RecordingPath, TheMusicFolderIsTheOneUserDirsNamesBelowTheHomeOrElseMusicThere) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "/home/ann/Music"},
      {"XDG_MUSIC_DIR=\"$HOME/Songs\"\n", "/home/ann/Songs"},
      {"# comment\nXDG_MUSIC_DIR=\"/home/ann/a/../Takes/\"\n", "/home/ann/Takes"},
      {"XDG_MUSIC_DIR=\"$HOME/\"\n", "/home/ann/Music"},
      {"XDG_MUSIC_DIR=\"/Music\"\n", "/home/ann/Music"},
      {"XDG_MUSIC_DIR=\"$HOME/../bob/Music\"\n", "/home/ann/Music"},
      {"XDG_MUSIC_DIR=\"/home/annie/Music\"\n", "/home/ann/Music"},
  };
  for (const auto& [userDirs, folder] : cases) {
    EXPECT_EQ(musicFolderIn("/home/ann", userDirs), folder) << userDirs;
  }
  // Without HOME, the home is the password database's, never the root of the file system.
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  unsetenv("HOME");
  const std::string music = userMusicFolder();
  setenv("HOME", home.c_str(), 1);
  EXPECT_EQ(music.rfind(getpwuid(getuid())->pw_dir, 0), 0u) << music;
}

class RecordControlTest : public ::testing::Test {
 protected:
  RecordControlTest() {
    control.setClock(fixedTime);
    control.initialise();
  }
  // The next tick once the stopped take's writer is done.
  void tickWhenWritten() {
    while (!recorder.ended()) std::this_thread::yield();
    control.OnTimer();
  }

  testwav::TempDir dir;
  const std::string sound = dir.write("pad.wav", {});
  const std::string take = dir.pathOf("pad 2026-12-09 14.03.27.wav");
  MemorySink sink;
  RecordTap tap;
  Recorder recorder{sink, tap};
  FakeRecordView view;
  RecordControl control{recorder, view, dir.pathOf("Music")};
};

TEST_F(RecordControlTest, PressedWhilePlayingRecordsUntilReleasedAndThenNamesTheFile) {
  EXPECT_FALSE(view.pressed);
  EXPECT_EQ(view.text, "Ctrl+R records what plays");
  control.OnRecord(true, true, sound);
  EXPECT_TRUE(view.pressed);
  EXPECT_EQ(view.text, "Recording pad 2026-12-09 14.03.27.wav");
  EXPECT_EQ(view.tip, take);
  EXPECT_EQ(sink.openedPath, take);
  EXPECT_TRUE(tap.attached());

  control.OnRecord(false, true, sound);
  EXPECT_FALSE(view.pressed);
  tickWhenWritten();
  EXPECT_EQ(view.text, "Saved pad 2026-12-09 14.03.27.wav");
  EXPECT_EQ(view.tip, take);
  EXPECT_FALSE(tap.attached());
  EXPECT_EQ(sink.finishedCount, 0);
}

TEST_F(RecordControlTest, PressedWhileStoppedStartsWithTheNextRunAndStopEndsIt) {
  control.OnRecord(true, false, sound);
  EXPECT_TRUE(view.pressed);
  EXPECT_EQ(view.text, "Recording starts with Run");
  EXPECT_FALSE(tap.attached());
  EXPECT_EQ(sink.openedPath, "");

  control.OnPlayback(true, sound);
  EXPECT_TRUE(tap.attached());
  EXPECT_EQ(view.text, "Recording pad 2026-12-09 14.03.27.wav");
  control.OnPlayback(false, sound);
  EXPECT_FALSE(tap.attached());
  EXPECT_FALSE(view.pressed);
  tickWhenWritten();
  EXPECT_EQ(view.text, "Saved pad 2026-12-09 14.03.27.wav");
  // Stopped playback disarms: the next Run does not record.
  control.OnPlayback(true, sound);
  EXPECT_FALSE(tap.attached());

  control.OnRecord(true, false, sound);
  control.OnRecord(false, false, sound);
  EXPECT_FALSE(view.pressed);
  EXPECT_EQ(view.text, "Ctrl+R records what plays");
  control.OnPlayback(true, sound);
  EXPECT_FALSE(tap.attached());
}

TEST_F(RecordControlTest, AFolderThatCannotBeMadeLeavesTheToggleOffWithTheReason) {
  WaveFileSink files;
  Recorder real(files, tap);
  RecordControl control(real, view, dir.pathOf("pad.wav/Music"));
  control.setClock(fixedTime);
  control.OnRecord(true, true, dir.pathOf("gone/pad.wav"));
  EXPECT_FALSE(view.pressed);
  EXPECT_EQ(view.text, "Cannot record: cannot write " + dir.pathOf("pad.wav/Music") +
                           "/pad 2026-12-09 14.03.27.wav: Not a directory");
  EXPECT_FALSE(tap.attached());
}

TEST_F(RecordControlTest, ARecordingThatEndsByItselfIsReportedAtTheNextTick) {
  GatedSink gated;
  Recorder slow(gated, tap);
  RecordControl control(slow, view, dir.pathOf("Music"));
  control.setClock(fixedTime);
  control.OnRecord(true, true, sound);
  const std::vector<int16_t> block(Recorder::kBlockLength, 5);
  slow.offer(block.data(), 0);
  ASSERT_TRUE(gated.waitUntilEntered());
  for (int n = 0; n < Recorder::kQueueBlocks; ++n) slow.offer(block.data(), 0);
  // The disk is still held up: the take ends at once all the same, and the window goes on.
  control.OnTimer();
  EXPECT_FALSE(view.pressed);
  EXPECT_EQ(view.text, "Recording stopped: the disk could not keep up");
  EXPECT_EQ(view.tip, "Saving " + take);
  gated.openGate();
  while (!slow.ended()) std::this_thread::yield();
  control.OnTimer();
  EXPECT_EQ(view.text, "Recording stopped: the disk could not keep up");
  EXPECT_EQ(view.tip, "Saved " + take);
  EXPECT_FALSE(tap.attached());

  sink.failingWrite = 1;
  this->control.OnRecord(true, true, sound);
  recorder.offer(block.data(), 0);
  while (!recorder.ended()) std::this_thread::yield();
  this->control.OnTimer();
  EXPECT_FALSE(view.pressed);
  const std::string second = dir.pathOf("pad 2026-12-09 14.03.27 2.wav");
  EXPECT_EQ(view.text, "Recording failed: cannot write " + second + ": No space left on device");
}

}  // namespace
