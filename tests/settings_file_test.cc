// Settings files: refusals with line and reason, keys kept on saving again, the sound's path,
// and the grainrender command text.
#include "settings_file.h"

#include <gtest/gtest.h>

#include <string>

#include "panel_settings.h"
#include "render_command_text.h"
#include "take_file.h"
#include "test_wav.h"

namespace {

using namespace std::string_literals;

TEST(SettingsFile, RefusesBadTextWithItsLineAndReasonAndKeepsWhatItHad) {
  const struct {
    std::string text;
    std::string error;
  } kRows[] = {
      {"", "f: empty: no settings in it"},
      {"\n  \n\t\n", "f: empty: no settings in it"},
      {"# a\nzero = 1\nzero\n", "f:3: expected key = value"},
      {"speed = 1\n = 4\n", "f:2: no key before '='"},
      {"pitch one = 4\n", "f:1: a key is one word: pitch one"},
      {"sound = a.wav\nzero = 1\0\n"s, "f:2: a NUL byte: this is not a text file"},
      {"sound = \xC3\n", "f:1: not UTF-8 text"},
      {"sound = \xED\xA0\x80.wav\n", "f:1: not UTF-8 text"},
      {"a = \x1B[31m\n", "f:1: a control character: this is not a text file"},
  };
  SettingsFile file;
  ASSERT_TRUE(file.parse("zero = 7\n", "f"));
  for (const auto& row : kRows) {
    EXPECT_FALSE(file.parse(row.text, "f")) << row.text;
    EXPECT_EQ(file.error(), row.error) << row.text;
  }
  EXPECT_EQ(*file.find("zero"), "7");

  testwav::TempDir dir;
  const std::string huge =
      dir.write("huge", std::vector<uint8_t>(SettingsFile::kMaxBytes + 1, 'a'));
  EXPECT_FALSE(file.load(huge));
  EXPECT_EQ(file.error(), huge + ": larger than 1 MiB: this is not a settings file");
}

TEST(PanelSettings, TakesTheLastOfTwiceGivenKeysClampsAndRefusesBadValuesWhole) {
  SettingsFile file;
  ASSERT_TRUE(
      file.parse("\xEF\xBB\xBFpitch1 = 60000\r\nfade = 0\nlength2 = 4001\npitch1 = -3\n"
                 "seed = 4294967295\nmethod = 1\n",
                 "/s/a.grainpanel"));
  ASSERT_EQ(file.warnings().size(), 1u);
  EXPECT_EQ(file.warnings()[0],
            "/s/a.grainpanel:4: pitch1 given again (line 1); the last one is taken");
  PanelSettings settings;
  std::string problem;
  ASSERT_TRUE(readPanelSettings(file, "/s/a.grainpanel", settings, problem));
  EXPECT_EQ(settings.values.m_pitch1, 0);
  EXPECT_EQ(settings.values.m_fade, 1);
  EXPECT_EQ(settings.values.m_length2, 4000);
  EXPECT_EQ(settings.values.m_length1, 3000);
  EXPECT_EQ(settings.values.m_method, 1);
  EXPECT_EQ(settings.seed, 4294967295u);

  ASSERT_TRUE(file.parse("zero = 5\nsound = x.wav\nseed = 4294967296\n", "f"));
  EXPECT_FALSE(readPanelSettings(file, "f", settings, problem));
  EXPECT_EQ(problem, "f:3: seed: a whole number from 0 to 4294967295, not 4294967296");
  EXPECT_EQ(settings.values.m_zero, 1000);
  EXPECT_EQ(settings.soundPath, "");
  ASSERT_TRUE(file.parse("method = 2\n", "f"));
  EXPECT_FALSE(readPanelSettings(file, "f", settings, problem));
  EXPECT_EQ(problem, "f:1: method: 0 or 1, not 2");
}

TEST(PanelSettings, SavedAgainKeepsUnknownKeysAndCommentsWithTheSoundBesideTheFile) {
  testwav::TempDir dir;
  const std::string path = dir.write("a.grainpanel", {'#', ' ', 'm', 'i', 'n', 'e', '\n', 'g', 'l',
                                                      'o', 'w', ' ', '=', ' ', '3', '\n'});
  SettingsFile file;
  ASSERT_TRUE(file.load(path));
  PanelSettings settings;
  settings.soundPath = dir.pathOf("sub/../my sound.wav");
  settings.values.m_zero = 12;
  writePanelSettings(settings, path, file);
  ASSERT_TRUE(file.save(path));
  EXPECT_EQ(dir.names(), std::vector<std::string>{"a.grainpanel"});
  const auto bytes = testwav::readBytes(path);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
            "# mine\nglow = 3\nsound = my sound.wav\nlength1 = 3000\nlength2 = 3000\n"
            "pitch1 = 75000\npitch2 = 75000\nwalk = 0\nzero = 12\nspread = 0\nspeed = 5000\n"
            "fade = 1000\nmethod = 0\nlink-length = 0\nlink-pitch = 0\n");

  PanelSettings read;
  std::string problem;
  ASSERT_TRUE(file.load(path) && readPanelSettings(file, path, read, problem)) << problem;
  EXPECT_EQ(read.soundPath, dir.pathOf("my sound.wav"));
  settings.soundPath = dir.pathOf("line\nbreak.wav");
  writePanelSettings(settings, path, file);
  EXPECT_FALSE(file.save(path));
  EXPECT_EQ(file.error(), path + ": sound: cannot be kept as one line of UTF-8 text");
  settings.soundPath = "/elsewhere/b.wav";
  writePanelSettings(settings, dir.pathOf("x/c.grainpanel"), file);
  EXPECT_EQ(*file.find("sound"), "/elsewhere/b.wav");
}

// A change names only what it moved; `recentre` marks a pitch range set again in place.
TEST(TakeFile, WritesEachChangeAsWhatItMovedAndRefusesChangesOutOfOrderOrPastTheEnd) {
  Take take;
  take.run.soundPath = "/s/in.wav";
  take.run.seedKept = true;
  take.run.seed = 7;
  take.start = 512;
  take.length = 1024;
  ControlValues moved = take.run.values;
  moved.m_spread = 40;
  take.changes.push_back({256, moved, false});
  moved.m_pitch2 = 60000;
  moved.m_method = 1;
  take.changes.push_back({768, moved, true});
  take.changes.push_back({1024, moved, true});
  SettingsFile file;
  writeTake(take, "/s/t.grainpanel", file);
  const std::string text = file.text();
  EXPECT_NE(text.find("seed = 7\ntake-start = 512\ntake-samples = 1024\nchange = 256 spread=40\n"
                      "change = 768 pitch2=60000 method=1\nchange = 1024 recentre\n"),
            std::string::npos)
      << text;
  ASSERT_TRUE(file.parse(text, "/s/t.grainpanel"));
  Take read;
  std::string problem;
  ASSERT_TRUE(readTake(file, "/s/t.grainpanel", read, problem)) << problem;
  ASSERT_EQ(read.changes.size(), 3u);
  EXPECT_EQ(read.changes[1].values, moved);
  EXPECT_TRUE(read.changes[1].recentred);
  EXPECT_FALSE(read.changes[0].recentred);

  const std::string head = "sound = in.wav\nseed = 1\ntake-start = 100\ntake-samples = 50\n";
  const struct {
    std::string text;
    std::string problem;
  } kRows[] = {
      {head + "change = 149 zero=5\n", ""},
      {head + "change = 150 zero=5\n",
       "/s/t.grainpanel:5: change: sample 150 runs past the take's end (sample 150)"},
      {head + "change = 20\nchange = 19\n",
       "/s/t.grainpanel:6: change: sample 19 comes before the change above it"},
      {head + "change = 20 fade=3\n",
       "/s/t.grainpanel:5: change: not a position or recentre: fade=3"},
      {head + "change = x\n", "/s/t.grainpanel:5: change: a sample number first, not x"},
      {head + "take-samples = 0\n",
       "/s/t.grainpanel:5: take-samples: a number of samples from 1 to 4294967295, not 0"},
      {"sound = in.wav\nseed = 1\n",
       "/s/t.grainpanel: not a take: it needs sound, seed, take-start and take-samples"},
  };
  for (const auto& row : kRows) {
    ASSERT_TRUE(file.parse(row.text, "/s/t.grainpanel")) << row.text;
    problem.clear();
    EXPECT_EQ(readTake(file, "/s/t.grainpanel", read, problem), row.problem.empty()) << row.text;
    EXPECT_EQ(problem, row.problem);
  }
}

TEST(RenderCommandText, QuotesTheSoundAndNamesEveryPositionAndTheSeed) {
  EXPECT_EQ(shellQuoted("it's $HOME"), "'it'\\''s $HOME'");
  ControlValues values;
  setStartupPositions(values);
  values.m_pitch2 = 100000;
  values.m_method = 1;
  EXPECT_EQ(renderCommandText("/s/a b.wav", values, 4294967295u),
            "grainrender '/s/a b.wav' out.wav --length1 3000 --length2 3000 --pitch1 75000 "
            "--pitch2 100000 --walk 0 --zero 1000 --spread 0 --speed 5000 --fade 1000 --method 1 "
            "--seed 4294967295");
  EXPECT_EQ(renderCommandText("/s/a.flac", values, 5, true).substr(0, 46),
            "grainrender '/s/a.flac' out.wav --convert --le");
}

}  // namespace
