// Parses grainpanel's arguments and answers those that end before the panel opens.
#include "panel_command.h"

#include <cassert>
#include <cerrno>
#include <cstdlib>
#include <utility>

#include "settings_control.h"
#include "settings_file.h"
#include "standard_descriptors.h"
#include "version.h"

const char kPanelUsage[] =
    "usage: grainpanel [FILE | FILE.grainpanel] [--osc-port N [--osc-host ADDR]]\n"
    "                  [--audio sdl|jack] [--no-connect] [--latency MS]\n"
    "  FILE              a sound file to load and play at once (a 16-bit mono WAV file\n"
    "                    plays as it is; any other the panel offers to convert)\n"
    "  FILE.grainpanel   a settings file: its sound loaded and played with its positions\n"
    "  --osc-port N      take remote control over OSC on UDP port N (1 to 65535)\n"
    "  --osc-host ADDR   the address to listen on (default: 127.0.0.1, this machine only)\n"
    "  --audio sdl|jack  play through SDL or as the JACK client Grainpanel (default:\n"
    "                    JACK where a server runs, else SDL)\n"
    "  --no-connect      leave the JACK port out unconnected\n"
    "  --latency MS      at most MS milliseconds from a control to its sound, 1 to 1000\n"
    "                    (default about 100; 20 plays from a keyboard)\n"
    "  --help            this text\n"
    "  --version         the version number\n";

namespace {

bool parsePort(const std::string& text, int& port) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  errno = 0;
  const long value = std::strtol(text.c_str(), nullptr, 10);
  if (errno != 0 || value < 1 || value > 65535) {
    return false;
  }
  port = static_cast<int>(value);
  return true;
}

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
    if (arg == "--help") {
      command.action = PanelAction::kHelp;
      return command;
    }
    if (arg == "--version") {
      command.action = PanelAction::kVersion;
      return command;
    }
    if (arg == "--osc-port" || arg == "--osc-host") {
      if (i + 1 == argc) {
        command.action = PanelAction::kBadUsage;
        command.problem = arg + " needs a value";
        return command;
      }
      const std::string value = argv[++i];
      if (arg == "--osc-host") {
        command.oscHost = value;
      } else if (!parsePort(value, command.oscPort)) {
        command.action = PanelAction::kBadUsage;
        command.problem = "bad value for --osc-port: " + value;
        return command;
      }
      continue;
    }
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

void takeOscSettings(PanelCommand& command) {
  SettingsFile file;
  if (command.oscPort != 0 || !isSettingsPath(command.soundPath) || !file.load(command.soundPath)) {
    return;
  }
  if (const std::string* host = file.find("osc-host")) {
    command.oscHost = *host;
  }
  if (const std::string* port = file.find("osc-port"); port && !parsePort(*port, command.oscPort)) {
    command.action = PanelAction::kBadUsage;
    command.problem = command.soundPath + ":" + std::to_string(file.lineOf("osc-port")) +
                      ": bad value for osc-port: " + *port;
  }
}

int answerPanelCommand(const PanelCommand& command, std::FILE* out, std::FILE* err) {
  switch (command.action) {
    case PanelAction::kHelp:
      std::fputs(kPanelUsage, out);
      return flushStandardOutput("grainpanel", out, err) ? 0 : kPanelExitFailed;
    case PanelAction::kVersion:
      std::fprintf(out, "grainpanel %s\n", kVersion);
      return flushStandardOutput("grainpanel", out, err) ? 0 : kPanelExitFailed;
    case PanelAction::kBadUsage:
      break;
    case PanelAction::kOpen:
      assert(!"an open command has nothing to answer");
      break;
  }
  std::fprintf(err, "grainpanel: %s\n%s", command.problem.c_str(), kPanelUsage);
  return kPanelExitUsage;
}
