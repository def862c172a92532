// What a settings file sets on the panel: the sound, every position, Method, the link toggles
// and, where one is kept, the seed; read from and written into a SettingsFile.
#pragma once

#include <cstdint>
#include <string>

#include "control_values.h"

class SettingsFile;

struct PanelSettings {
  // Absolute, or as the user gave it; empty for none.
  std::string soundPath;
  ControlValues values;
  bool seedKept = false;
  uint32_t seed = 0;
  // Whether a sound that is not 16-bit mono WAV is converted on the way in.
  bool convert = false;

  PanelSettings() { setStartupPositions(values); }
};

// One known key and the slider (or other control) it sets.
struct SettingsKey {
  const char* key;
  int id;
};

// The sliders' keys, in the order a new file lists them; they are grainrender's option names.
extern const SettingsKey kSliderKeys[9];

// A whole number of decimal digits alone, at most `limit`, into `value`; false for anything else.
bool parseWholeNumber(const std::string& text, uint64_t limit, uint64_t& value);

// Takes the keys `file` sets over `settings` (a key the file leaves out keeps its value there);
// `filePath` is where the file lives, against whose folder a relative sound is taken. A value
// that is not valid fails with "NAME:LINE: reason" in `problem` and changes nothing. A position
// out of its slider's range is taken at the nearest end.
bool readPanelSettings(const SettingsFile& file, const std::string& filePath,
                       PanelSettings& settings, std::string& problem);

// Sets every key the panel owns in `file`, leaving the others (and comments) where they are. The
// sound is written relative to the folder of `filePath` when it lies inside it.
void writePanelSettings(const PanelSettings& settings, const std::string& filePath,
                        SettingsFile& file);
