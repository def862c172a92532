// A take's settings file, written beside each recording: the Run the take was recorded in (its
// sound, positions and seed), where in that Run the take starts and how long it is, and every
// change the engine took, each with the sample from which it is heard. Played from its Run's
// start with those changes, the stream gives the take again, sample for sample.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine_controls.h"
#include "panel_settings.h"

class SettingsFile;

struct Take {
  // The sound, the positions at the Run (its start, not the take's) and the seed.
  PanelSettings run;
  // The take's first sample, counted from the Run's first, and its number of samples.
  uint64_t start = 0;
  uint32_t length = 0;
  // In the order the engine took them, each with every position after it; a change before the
  // take's start shaped what the take plays.
  std::vector<ControlChange> changes;
};

// A take's changes may run to many thousand lines; larger files than this are refused.
constexpr size_t kMaxTakeBytes = size_t{64} << 20;

// Writes `take` into `file`, which will live at `filePath`: the panel's keys, take-start,
// take-samples and a `change = SAMPLE key=POSITION ... [recentre]` line per change, naming only
// what it moved.
void writeTake(const Take& take, const std::string& filePath, SettingsFile& file);

// Reads a take from `file`, living at `filePath`. False, with "NAME:LINE: reason" in `problem`,
// for a file that is no take or holds a bad value, a change out of order or one that runs past
// the take's end. A position out of range is taken at the nearest end.
bool readTake(const SettingsFile& file, const std::string& filePath, Take& take,
              std::string& problem);

// The keys only a take has: a panel that saves what it plays leaves them out.
extern const char* const kTakeKeys[3];

// NAME.grainpanel beside the recording NAME.wav.
std::string takeFilePath(const std::string& recordingPath);
