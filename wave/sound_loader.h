// Loads a sound as the instrument plays it: validated, converted to floats, edges faded.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

// The loader's answers, in the words the user sees.
constexpr const char* kWrongFormatText = "Wrong file format";
constexpr const char* kNoMemoryText = "Not enough memory to load this file";

enum class LoadResult { kLoaded, kWrongFormat, kNoMemory };

// What a load came to; for kWrongFormat, `reason` says why in plain words (WaveReader::refusal).
struct LoadOutcome {
  LoadResult result = LoadResult::kLoaded;
  std::string reason;
};

// A loaded sound: frameCount floats in [-1, 1), at least two.
struct Sound {
  std::unique_ptr<float[]> samples;
  int frameCount = 0;
};

// Returns null when the memory cannot be had; never throws.
using FrameAllocator = std::unique_ptr<float[]> (*)(size_t frames);
std::unique_ptr<float[]> allocateFrames(size_t frames);

// Opens, allocates, reads, fades the edges and closes. `sound` changes only on kLoaded, so a
// refused file leaves whatever it held before.
LoadOutcome loadSound(const char* path, Sound& sound, FrameAllocator allocate = allocateFrames);

// The message for a failed load.
const char* loadMessage(LoadResult result);
