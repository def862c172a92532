// Parses grainrender's arguments: two paths, a length, a seed, slider positions and the format.
#include "render_options.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "panel_settings.h"
#include "settings_file.h"
#include "take_file.h"

const char kRenderUsage[] =
    "usage: grainrender INPUT.wav OUTPUT.wav [options]\n"
    "       grainrender --settings FILE.grainpanel [INPUT.wav] OUTPUT.wav [options]\n"
    "       grainrender --replay TAKE.grainpanel OUTPUT.wav [--float]\n"
    "  --samples N | --seconds S   length of the output (default: 10 seconds, 441000 samples)\n"
    "  --seed N                    random seed, 0 to 4294967295 (default: the current time in\n"
    "                              seconds, printed on stderr as \"seed N\")\n"
    "  --length1 P  --length2 P  --zero P  --pitch1 P  --pitch2 P  --walk P  --method 0|1\n"
    "  --spread P  --speed P  --fade P\n"
    "                              slider positions on the panel's own scales (default: the\n"
    "                              panel's start-up positions); a position outside a slider's\n"
    "                              range is taken at the nearest end\n"
    "  --settings FILE             take the sound, positions and seed from a settings file;\n"
    "                              the options given here override the file's\n"
    "  --replay TAKE               play a recorded take again from the settings file written\n"
    "                              beside it: the output equals the recording byte for byte\n"
    "  --float                     write 32-bit float samples instead of 16-bit PCM\n"
    "  --convert                   take any sound libsndfile reads, converted to one channel at\n"
    "                              44100 Hz as the panel converts it\n"
    "  --help                      this text\n"
    "  --version                   the version of grainrender\n";

namespace {

struct SliderOption {
  const char* name;
  int id;
};

constexpr SliderOption kSliderOptions[] = {
    {"--length1", IDC_LENGTH1}, {"--length2", IDC_LENGTH2}, {"--zero", IDC_ZERO},
    {"--pitch1", IDC_PITCH1},   {"--pitch2", IDC_PITCH2},   {"--walk", IDC_PITCHWALK},
    {"--spread", IDC_SPREAD},   {"--speed", IDC_SPEED},     {"--fade", IDC_FADE},
};

// The 44 header bytes are counted in the RIFF size, which is itself 32 bits.
constexpr uint64_t kMaxDataBytes = UINT32_MAX - 36;

bool isDecimal(const char* text, bool allowSign) {
  const char* p = text;
  if (allowSign && (*p == '-' || *p == '+')) {
    ++p;
  }
  if (*p == '\0') {
    return false;
  }
  for (; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') {
      return false;
    }
  }
  return true;
}

// A position far beyond any range still lands at the slider's end, so overflow saturates.
bool parsePosition(const char* text, long long& value) {
  if (!isDecimal(text, true)) {
    return false;
  }
  value = std::strtoll(text, nullptr, 10);
  return true;
}

bool parseUnsigned(const char* text, uint64_t limit, uint64_t& value) {
  if (!isDecimal(text, false)) {
    return false;
  }
  errno = 0;
  const unsigned long long parsed = std::strtoull(text, nullptr, 10);
  if (errno == ERANGE || parsed > limit) {
    return false;
  }
  value = parsed;
  return true;
}

// A count of any size is a count: one beyond 64 bits is as much too long as any other.
bool parseCount(const char* text, uint64_t& value) {
  if (!isDecimal(text, false)) {
    return false;
  }
  value = std::strtoull(text, nullptr, 10);
  return true;
}

// Digits, at most one point among them, and an optional exponent: "1.5", ".5", "2e3". strtod
// alone would also take hexadecimal ("0x10", "0x1p3"), "inf" and "nan".
bool isDecimalNumber(const char* text) {
  const char* p = text;
  bool digits = false;
  bool point = false;
  for (; (*p >= '0' && *p <= '9') || (*p == '.' && !point); ++p) {
    point = point || *p == '.';
    digits = digits || *p != '.';
  }
  if (!digits) {
    return false;
  }
  if (*p == 'e' || *p == 'E') {
    ++p;
    if (*p == '-' || *p == '+') {
      ++p;
    }
    return isDecimal(p, false);
  }
  return *p == '\0';
}

bool parseSeconds(const char* text, uint64_t& samples) {
  if (!isDecimalNumber(text)) {
    return false;
  }
  // Beyond 10^7 seconds (or beyond a double) is too long for any WAV file, whatever the size.
  const double seconds = std::strtod(text, nullptr);
  samples = seconds > 1e7 ? UINT64_MAX : static_cast<uint64_t>(std::llround(seconds * kSampleRate));
  return true;
}

const SliderOption* sliderOption(const char* name) {
  for (const SliderOption& option : kSliderOptions) {
    if (std::strcmp(option.name, name) == 0) {
      return &option;
    }
  }
  return nullptr;
}

bool takesValue(const char* name) {
  static const char* const kValueOptions[] = {"--method", "--seed", "--samples", "--seconds",
                                              "--settings"};
  for (const char* option : kValueOptions) {
    if (std::strcmp(option, name) == 0) {
      return true;
    }
  }
  return sliderOption(name) != nullptr;
}

// The file named by the last --settings, or null; option values are skipped, not taken for it.
const char* settingsArgument(int argc, const char* const* argv) {
  const char* path = nullptr;
  for (int i = 0; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--settings") == 0) {
      path = argv[i + 1];
    }
    if (takesValue(argv[i])) {
      ++i;
    }
  }
  return path;
}

// The sound, positions, seed and conversion a settings file gives, and its warnings.
void takeSettings(const PanelSettings& settings, const SettingsFile& file, RenderOptions& options) {
  options.warnings = file.warnings();
  options.inputPath = settings.soundPath;
  options.positions = settings.values;
  options.seedGiven = settings.seedKept;
  options.seed = settings.seed;
  options.convert = settings.convert;
}

bool readSettings(const char* path, RenderOptions& options, std::string& problem) {
  SettingsFile file;
  PanelSettings settings;
  settings.values = options.positions;
  if (!file.load(path) || !readPanelSettings(file, path, settings, problem)) {
    if (problem.empty()) {
      problem = file.error();
    }
    return false;
  }
  options.settingsPath = path;
  takeSettings(settings, file, options);
  return true;
}

// --replay TAKE OUTPUT, with --float at most: the take says everything else, and anything more
// would make the output differ from the recording.
ParseOutcome parseReplay(int argc, const char* const* argv, RenderOptions& options,
                         std::string& problem) {
  const char* output = nullptr;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      return ParseOutcome::kHelp;
    }
    if (std::strcmp(argv[i], "--replay") == 0 && i + 1 < argc && options.replayPath.empty()) {
      options.replayPath = argv[++i];
    } else if (std::strcmp(argv[i], "--float") == 0) {
      options.floatOutput = true;
    } else if ((argv[i][0] != '-' || argv[i][1] == '\0') && output == nullptr) {
      output = argv[i];
    } else {
      problem = std::string("--replay plays a take as it was recorded; it takes an output file ") +
                "and --float, not " + argv[i];
      return ParseOutcome::kBadUsage;
    }
  }
  if (options.replayPath.empty() || output == nullptr) {
    problem = "--replay needs a take file and an output file";
    return ParseOutcome::kBadUsage;
  }
  SettingsFile file;
  Take take;
  if (!file.load(options.replayPath, kMaxTakeBytes)) {
    problem = file.error();
    return ParseOutcome::kBadSettings;
  }
  if (!readTake(file, options.replayPath, take, problem)) {
    return ParseOutcome::kBadSettings;
  }
  if (take.length > maxSampleCount(options.floatOutput)) {
    problem = "the output would be too long for a WAV file";
    return ParseOutcome::kBadUsage;
  }
  takeSettings(take.run, file, options);
  options.outputPath = output;
  options.sampleCount = take.length;
  options.firstSample = take.start;
  options.changes = std::move(take.changes);
  return ParseOutcome::kRender;
}

}  // namespace

uint32_t maxSampleCount(bool floatOutput) {
  return static_cast<uint32_t>(kMaxDataBytes / (floatOutput ? 4 : 2));
}

ParseOutcome parseRenderOptions(int argc, const char* const* argv, RenderOptions& options,
                                std::string& problem) {
  const char* paths[2] = {nullptr, nullptr};
  int pathCount = 0;
  bool samplesGiven = false;
  bool secondsGiven = false;
  uint64_t samples = options.sampleCount;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--replay") == 0) {
      return parseReplay(argc, argv, options, problem);
    }
  }
  if (const char* settings = settingsArgument(argc, argv);
      settings != nullptr && !readSettings(settings, options, problem)) {
    return ParseOutcome::kBadSettings;
  }

  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    // A lone "-" is a name: standard output.
    if (arg[0] != '-' || arg[1] == '\0') {
      if (pathCount == 2) {
        problem = std::string("unexpected argument ") + arg;
        return ParseOutcome::kBadUsage;
      }
      paths[pathCount++] = arg;
      continue;
    }
    if (std::strcmp(arg, "--help") == 0) {
      return ParseOutcome::kHelp;
    }
    if (std::strcmp(arg, "--version") == 0) {
      return ParseOutcome::kVersion;
    }
    if (std::strcmp(arg, "--float") == 0) {
      options.floatOutput = true;
      continue;
    }
    if (std::strcmp(arg, "--convert") == 0) {
      options.convert = true;
      continue;
    }
    if (!takesValue(arg)) {
      problem = std::string(arg) + " is not an option";
      return ParseOutcome::kBadUsage;
    }
    if (i + 1 == argc) {
      problem = std::string(arg) + " needs a value";
      return ParseOutcome::kBadUsage;
    }
    const char* value = argv[++i];
    bool valid = true;
    long long position = 0;
    uint64_t number = 0;
    if (const SliderOption* slider = sliderOption(arg)) {
      valid = parsePosition(value, position);
      if (valid) {
        *sliderMember(options.positions, slider->id) = shownPosition(slider->id, position);
      }
    } else if (std::strcmp(arg, "--method") == 0) {
      valid = std::strcmp(value, "0") == 0 || std::strcmp(value, "1") == 0;
      options.positions.m_method = value[0] - '0';
    } else if (std::strcmp(arg, "--seed") == 0) {
      valid = parseUnsigned(value, UINT32_MAX, number);
      options.seed = static_cast<uint32_t>(number);
      options.seedGiven = true;
    } else if (std::strcmp(arg, "--settings") == 0) {
      // Read before the other options, so that they override it.
    } else if (std::strcmp(arg, "--samples") == 0) {
      valid = parseCount(value, samples);
      samplesGiven = true;
    } else {
      valid = parseSeconds(value, samples);
      secondsGiven = true;
    }
    if (!valid) {
      problem = std::string("bad value for ") + arg + ": " + value;
      return ParseOutcome::kBadUsage;
    }
  }

  // With a settings file, one path is the output and the sound is the file's.
  const std::string settingsSound = options.inputPath;
  if (pathCount == 1 && !options.settingsPath.empty()) {
    if (settingsSound.empty()) {
      problem = options.settingsPath + " names no sound, and no input file is given";
      return ParseOutcome::kBadUsage;
    }
    paths[1] = paths[0];
    paths[0] = settingsSound.c_str();
    pathCount = 2;
  }
  if (pathCount != 2) {
    problem = "an input and an output file are needed";
    return ParseOutcome::kBadUsage;
  }
  if (samplesGiven && secondsGiven) {
    problem = "--samples and --seconds exclude each other";
    return ParseOutcome::kBadUsage;
  }
  if (samples > maxSampleCount(options.floatOutput)) {
    problem = "the output would be too long for a WAV file";
    return ParseOutcome::kBadUsage;
  }
  options.inputPath = paths[0];
  options.outputPath = paths[1];
  options.sampleCount = static_cast<uint32_t>(samples);
  return ParseOutcome::kRender;
}
