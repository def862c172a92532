// Where a recording goes: named after its sound and the time it starts, in a folder that takes it.
#pragma once

#include <ctime>
#include <string>

// "pad 2026-12-09 14.03.27.wav" for the sound ".../pad.wav" at that local time.
std::string recordingFileName(const std::string& soundPath, const std::tm& when);

// The sound's own folder when it can be written, otherwise `fallbackFolder` (made if missing). A
// name already taken gets " 2", " 3"... before its ".wav", so no recording replaces another.
std::string recordingPath(const std::string& soundPath, const std::string& fallbackFolder,
                          const std::tm& when);
