// Parses grainpanel's arguments and answers those that end before the panel opens.
#include "panel_command.h"

#include <cassert>

#include "version.h"

const char kPanelUsage[] =
    "usage: grainpanel [FILE]\n"
    "  FILE        a sound file to load and play at once (a 16-bit mono WAV file plays as\n"
    "              it is; any other the panel offers to convert)\n"
    "  --help      this text\n"
    "  --version   the version number\n";

PanelCommand parsePanelCommand(int argc, const char* const* argv) {
  PanelCommand command;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help") {
      command.action = PanelAction::kHelp;
      return command;
    }
    if (arg == "--version") {
      command.action = PanelAction::kVersion;
      return command;
    }
    // A lone "-" is a file name like any other; "./-x.wav" names a file that starts with one.
    if (arg.size() > 1 && arg[0] == '-') {
      command.action = PanelAction::kBadUsage;
      command.problem = "unknown option " + arg;
      return command;
    }
    if (!command.soundPath.empty()) {
      command.action = PanelAction::kBadUsage;
      command.problem = "one file at most";
      return command;
    }
    command.soundPath = arg;
  }
  return command;
}

int answerPanelCommand(const PanelCommand& command, std::FILE* out, std::FILE* err) {
  switch (command.action) {
    case PanelAction::kHelp:
      std::fputs(kPanelUsage, out);
      return 0;
    case PanelAction::kVersion:
      std::fprintf(out, "grainpanel %s\n", kVersion);
      return 0;
    case PanelAction::kBadUsage:
      break;
    case PanelAction::kOpen:
      assert(!"an open command has nothing to answer");
      break;
  }
  std::fprintf(err, "grainpanel: %s\n%s", command.problem.c_str(), kPanelUsage);
  return kPanelExitUsage;
}
