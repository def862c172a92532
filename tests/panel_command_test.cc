// grainpanel's command line: one optional file, --help, --version; the first deciding argument
// wins. What each prints is checked by running the program, in panel_dlg_test.
#include "panel_command.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "test_wav.h"

namespace {

PanelCommand parse(std::vector<const char*> args) {
  return parsePanelCommand(static_cast<int>(args.size()), args.data());
}

TEST(PanelCommand, OpensWithNoFileOrOneFileTakenAsItIs) {
  EXPECT_EQ(parse({}).action, PanelAction::kOpen);
  EXPECT_EQ(parse({}).soundPath, "");
  const PanelCommand one = parse({"my sounds/pad.wav"});
  EXPECT_EQ(one.action, PanelAction::kOpen);
  EXPECT_EQ(one.soundPath, "my sounds/pad.wav");
  // A lone dash is a file name, which the loader will refuse or take like any other.
  EXPECT_EQ(parse({"-"}).soundPath, "-");
  // A port's value is never taken as the file.
  const PanelCommand osc = parse({"--osc-port", "9000", "pad.wav", "--osc-host", "0.0.0.0"});
  EXPECT_EQ(osc.soundPath, "pad.wav");
  EXPECT_EQ(osc.oscPort, 9000);
  EXPECT_EQ(osc.oscHost, "0.0.0.0");
  EXPECT_EQ(parse({"--osc-port", "65535"}).oscPort, 65535);
}

TEST(PanelCommand, HelpVersionAnUnknownOptionOrASecondFileDecideInTheirOrder) {
  EXPECT_EQ(parse({"pad.wav", "--version"}).action, PanelAction::kVersion);
  EXPECT_EQ(parse({"--help", "--bogus"}).action, PanelAction::kHelp);
  const PanelCommand unknown = parse({"pad.wav", "-platform", "--help"});
  EXPECT_EQ(unknown.action, PanelAction::kBadUsage);
  EXPECT_EQ(unknown.problem, "unknown option -platform");
  EXPECT_EQ(parse({"--osc-port", "65536"}).problem, "bad value for --osc-port: 65536");
  EXPECT_EQ(parse({"--osc-port", "0"}).problem, "bad value for --osc-port: 0");
  EXPECT_EQ(parse({"--osc-port", "+9"}).problem, "bad value for --osc-port: +9");
  EXPECT_EQ(parse({"a.wav", "--osc-host"}).problem, "--osc-host needs a value");
  const PanelCommand two = parse({"a.wav", "b.wav", "--help"});
  EXPECT_EQ(two.action, PanelAction::kBadUsage);
  EXPECT_EQ(two.problem, "one file at most");
}

TEST(PanelCommand, ChoosesTheOutputItsConnectionsAndTheRingsLatency) {
  const PanelCommand all = parse({"--audio", "jack", "--no-connect", "--latency", "20", "a.wav"});
  EXPECT_EQ(all.action, PanelAction::kOpen);
  EXPECT_EQ(all.audio, AudioApi::kJack);
  EXPECT_FALSE(all.connect);
  EXPECT_EQ(all.latencyMs, 20);
  EXPECT_EQ(all.soundPath, "a.wav");
  EXPECT_EQ(parse({"--audio", "sdl"}).audio, AudioApi::kSdl);
  EXPECT_EQ(parse({}).audio, AudioApi::kAuto);
  EXPECT_TRUE(parse({}).connect);
  EXPECT_EQ(parse({"--latency", "1000"}).latencyMs, 1000);
  for (const std::vector<const char*>& bad : {std::vector<const char*>{"--audio", "alsa"},
                                              {"--audio"},
                                              {"--latency", "0"},
                                              {"--latency", "1001"},
                                              {"--latency", "-5"},
                                              {"--latency", "20ms"},
                                              {"--latency"}}) {
    EXPECT_EQ(parse(bad).action, PanelAction::kBadUsage) << bad[0] << " " << bad.size();
  }
}

TEST(PanelCommand, ASettingsFileGivesThePortUnlessTheCommandLineDoes) {
  testwav::TempDir dir;
  const std::string path = dir.pathOf("live.grainpanel");
  std::ofstream(path) << "pitch1 = 70000\nosc-port = 9001\nosc-host = 0.0.0.0\n";
  PanelCommand fromFile = parse({path.c_str()});
  takeOscSettings(fromFile);
  EXPECT_EQ(fromFile.oscPort, 9001);
  EXPECT_EQ(fromFile.oscHost, "0.0.0.0");
  PanelCommand given = parse({path.c_str(), "--osc-port", "9002"});
  takeOscSettings(given);
  EXPECT_EQ(given.oscPort, 9002);
  EXPECT_EQ(given.oscHost, "127.0.0.1");
  std::ofstream(path) << "# live\nosc-port = 70000\n";
  PanelCommand bad = parse({path.c_str()});
  takeOscSettings(bad);
  EXPECT_EQ(bad.action, PanelAction::kBadUsage);
  EXPECT_EQ(bad.problem, path + ":2: bad value for osc-port: 70000");
}

}  // namespace
