// Parses grainpanel's arguments and answers those that end before the panel opens.
#include "panel_command.h"

#include <cassert>
#include <cstdlib>
#include <utility>

#include "version.h"

const char kPanelUsage[] =
    "usage: grainpanel [FILE.wav]\n"
    "  FILE.wav    a 16-bit mono WAV file to load and play at once\n"
    "  --audio sdl|jack  play through SDL or as the JACK client Grainpanel\n"
    "              (default: JACK where a server runs, else SDL)\n"
    "  --no-connect  leave the JACK port out unconnected\n"
    "  --latency MS  at most MS milliseconds from a control to its sound (default about\n"
    "              100; 20 plays from a keyboard), 1 to 1000\n"
    "  --help      this text\n"
    "  --version   the version number\n";

namespace {

PanelCommand badUsage(std::string problem) {
  PanelCommand command;
  command.action = PanelAction::kBadUsage;
  command.problem = std::move(problem);
  return command;
}

// Whole milliseconds from 1 to kMaxLatencyMs, digits only; 0 for anything else.
int parseLatencyMs(const char* text) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || text[0] < '0' || text[0] > '9' || value < 1 ||
      value > kMaxLatencyMs) {
    return 0;
  }
  return static_cast<int>(value);
}

}  // namespace

PanelCommand parsePanelCommand(int argc, const char* const* argv) {
  PanelCommand command;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : "";
    if (arg == "--audio") {
      const std::string api = value;
      if (api != "sdl" && api != "jack") {
        return badUsage("--audio takes sdl or jack");
      }
      command.audio = api == "sdl" ? AudioApi::kSdl : AudioApi::kJack;
      ++i;
      continue;
    }
    if (arg == "--latency") {
      command.latencyMs = parseLatencyMs(value);
      if (command.latencyMs == 0) {
        return badUsage("--latency takes whole milliseconds from 1 to 1000");
      }
      ++i;
      continue;
    }
    if (arg == "--no-connect") {
      command.connect = false;
      continue;
    }
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
