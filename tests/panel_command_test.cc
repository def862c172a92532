// grainpanel's command line: one optional file, --help, --version, and what each prints.
#include "panel_command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Args = std::vector<const char*>;

PanelCommand parse(Args args) {
  return parsePanelCommand(static_cast<int>(args.size()), args.data());
}

// What answerPanelCommand printed on each stream, and its status.
struct Answer {
  int status;
  std::string out;
  std::string err;
};

std::string contents(std::FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  std::fclose(file);
  return text;
}

Answer answer(Args args) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  const int status = answerPanelCommand(parse(args), out, err);
  return {status, contents(out), contents(err)};
}

TEST(PanelCommand, OpensWithNoFileOrOneFileTakenAsItIs) {
  EXPECT_EQ(parse({}).action, PanelAction::kOpen);
  EXPECT_EQ(parse({}).soundPath, "");
  const PanelCommand one = parse({"my sounds/pad.wav"});
  EXPECT_EQ(one.action, PanelAction::kOpen);
  EXPECT_EQ(one.soundPath, "my sounds/pad.wav");
  // A lone dash is a file name, which the loader will refuse or take like any other.
  EXPECT_EQ(parse({"-"}).soundPath, "-");
}

TEST(PanelCommand, HelpAndVersionPrintOnStandardOutputAndEndWithZero) {
  const Answer help = answer({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: grainpanel [FILE.wav]\n", 0), 0u) << help.out;
  EXPECT_EQ(help.err, "");
  const Answer version = answer({"pad.wav", "--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "grainpanel 1.0.0\n");
  EXPECT_EQ(version.err, "");
}

TEST(PanelCommand, AnUnknownOptionOrASecondFileIsBadUsageOnStandardError) {
  const Answer unknown = answer({"pad.wav", "-platform"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.out, "");
  EXPECT_EQ(unknown.err, std::string("grainpanel: unknown option -platform\n") + kPanelUsage);
  const Answer two = answer({"a.wav", "b.wav", "--help"});
  EXPECT_EQ(two.status, 2);
  EXPECT_EQ(two.err, std::string("grainpanel: one file at most\n") + kPanelUsage);
  EXPECT_EQ(parse({"--verbose"}).action, PanelAction::kBadUsage);
  EXPECT_EQ(parse({"--help", "--bogus"}).action, PanelAction::kHelp);
}

}  // namespace
