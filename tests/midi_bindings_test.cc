// MidiBindings: the file round trip, a source bound once, and files it cannot use.
#include "midi_bindings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "control_values.h"

namespace {

namespace fs = std::filesystem;

fs::path freshDir() {
  const fs::path dir = fs::temp_directory_path() / ("midi_bindings_" + std::to_string(getpid()));
  fs::remove_all(dir);
  return dir;
}

TEST(MidiBindings, SurviveARestartInTheXdgConfigDirectoryAndHoldEachSourceOnce) {
  const fs::path dir = freshDir();
  setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  const std::string path = MidiBindings::defaultPath();
  EXPECT_EQ(path, (dir / "grainpanel" / "midi-bindings").string());

  MidiBindings bindings(path);
  bindings.bind(IDC_SPEED, {MidiBinding::kController, 7});
  bindings.bind(IDC_RUN, {MidiBinding::kNote, 36});
  bindings.bind(kRecordControl, {MidiBinding::kController, 20});
  bindings.bind(IDC_FADE, {MidiBinding::kController, 20});  // takes CC 20 from Record
  bindings.setChannel(3);
  ASSERT_TRUE(bindings.save());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "grainpanel"), fs::directory_iterator()), 1);

  MidiBindings again(path);
  again.load();
  EXPECT_EQ(again.controlFor(MidiBinding::kController, 7), IDC_SPEED);
  EXPECT_EQ(again.controlFor(MidiBinding::kNote, 36), IDC_RUN);
  EXPECT_EQ(again.controlFor(MidiBinding::kController, 36), 0);
  EXPECT_EQ(again.controlFor(MidiBinding::kController, 20), IDC_FADE);
  EXPECT_EQ(again.binding(kRecordControl).kind, MidiBinding::kNone);
  EXPECT_EQ(again.channel(), 3);

  // Nonsense lines are skipped; the good ones stay.
  std::ofstream(path) << "speed cc 300\nzero note\nbogus cc 1\nchannel 99\n\npitch1 cc 1\n";
  MidiBindings edited(path);
  edited.load();
  EXPECT_EQ(edited.binding(IDC_SPEED).kind, MidiBinding::kNone);
  EXPECT_EQ(edited.controlFor(MidiBinding::kController, 1), IDC_PITCH1);
  EXPECT_EQ(edited.channel(), 0);

  // A directory that cannot be made: save says so.
  MidiBindings blocked((fs::path(path) / "midi-bindings").string());
  EXPECT_FALSE(blocked.save());

  setenv("XDG_CONFIG_HOME", "relative/dir", 1);
  setenv("HOME", "/home/player", 1);
  EXPECT_EQ(MidiBindings::defaultPath(), "/home/player/.config/grainpanel/midi-bindings");
  fs::remove_all(dir);
}

}  // namespace
