// The command line of grainpanel: an optional sound to open with, the sound output, the OSC port,
// --help or --version. No Qt here.
#pragma once

#include <cstdio>
#include <string>

#include "sound_output.h"

enum class PanelAction { kOpen, kHelp, kVersion, kBadUsage };

struct PanelCommand {
  PanelAction action = PanelAction::kOpen;
  // With kOpen, the sound to load and play at once; empty for none.
  std::string soundPath;
  // --audio sdl|jack; kAuto plays through JACK where a server runs.
  AudioApi audio = AudioApi::kAuto;
  // --no-connect leaves the JACK port unconnected.
  bool connect = true;
  // --latency MS sizes the ring for at most that wait from a control to its sound; 0 keeps the
  // default.
  int latencyMs = 0;
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
// The longest --latency; anything shorter than a ring of two blocks allows gets two blocks.
constexpr int kMaxLatencyMs = 1000;

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
