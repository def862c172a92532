// The command line of grainpanel: an optional sound to open with, the OSC port, --help or
// --version. No Qt here.
#pragma once

#include <cstdio>
#include <string>

enum class PanelAction { kOpen, kHelp, kVersion, kBadUsage };

struct PanelCommand {
  PanelAction action = PanelAction::kOpen;
  // With kOpen, the sound to load and play at once; empty for none.
  std::string soundPath;
  // The port for remote control over OSC, 0 for none, and the address it listens on.
  int oscPort = 0;
  std::string oscHost = "127.0.0.1";
  // With kBadUsage, what was wrong.
  std::string problem;
};

extern const char kPanelUsage[];

constexpr int kPanelExitFailed = 1;
constexpr int kPanelExitUsage = 2;
// The OSC port asked for cannot be opened.
constexpr int kPanelExitRemote = 3;

// Takes the arguments after the program name. Arguments are taken in order and the first that
// decides wins: --help, --version, an unknown option, or a second file.
PanelCommand parsePanelCommand(int argc, const char* const* argv);

// A settings file named to open with may give the OSC port and address as `osc-port` and
// `osc-host`; the command line's own options win. A value that is not a port turns the command
// into kBadUsage. A file that cannot be read is left for the panel to refuse.
void takeOscSettings(PanelCommand& command);

// For every action but kOpen: prints the usage or the version on `out` and returns 0 (or
// kPanelExitFailed, with the reason on `err`, when `out` cannot take them), or the problem and
// the usage on `err` and returns kPanelExitUsage.
int answerPanelCommand(const PanelCommand& command, std::FILE* out, std::FILE* err);
