// The command line of grainrender, parsed into one record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "control_values.h"
#include "engine_controls.h"
#include "sample_rate.h"

struct RenderOptions {
  std::string inputPath;
  std::string outputPath;
  uint32_t sampleCount = 10 * kSampleRate;
  bool seedGiven = false;
  uint32_t seed = 0;
  // Slider positions as the sliders would show them; the link members play no part.
  ControlValues positions;
  bool floatOutput = false;
  // A sound the strict loader refuses is converted, as the panel converts it.
  bool convert = false;
  // With --settings: the file read, and what it said that a player should hear about.
  std::string settingsPath;
  std::vector<std::string> warnings;
  // With --replay: the take file read, the sample of its Run where the output starts, and the
  // changes the render takes at their samples.
  std::string replayPath;
  uint64_t firstSample = 0;
  std::vector<ControlChange> changes;

  RenderOptions() { setStartupPositions(positions); }
};

enum class ParseOutcome { kRender, kHelp, kVersion, kBadUsage, kBadSettings };

extern const char kRenderUsage[];

// Fills `options` from the arguments after the program name; on kBadUsage `problem` says why.
// A settings file named by --settings is read first and the other options override it; one that
// cannot be read or holds a bad value gives kBadSettings, its name, line and reason in `problem`.
ParseOutcome parseRenderOptions(int argc, const char* const* argv, RenderOptions& options,
                                std::string& problem);

// The most samples whose data still fits a WAV file's 32-bit sizes.
uint32_t maxSampleCount(bool floatOutput);
