// The grainrender command that renders what a Run plays, as text to paste into a shell.
#pragma once

#include <cstdint>
#include <string>

#include "control_values.h"

// `text` in single quotes, each quote inside written as '\'' so that no character is special.
std::string shellQuoted(const std::string& text);

// "grainrender 'SOUND' OUTPUT --length1 P ... --method M --seed SEED": every position, so the
// command does not depend on grainrender's defaults; the sound's path made absolute. `convert`
// adds --convert, for a sound that played converted.
std::string renderCommandText(const std::string& soundPath, const ControlValues& values,
                              uint32_t seed, bool convert = false,
                              const std::string& outputPath = "out.wav");
