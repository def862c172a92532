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

// Gives back the memory of allocateFrames.
struct FreeFrames {
  void operator()(float* frames) const;
};
using SampleBuffer = std::unique_ptr<float[], FreeFrames>;

// A loaded sound: frameCount floats in [-1, 1), at least two.
struct Sound {
  SampleBuffer samples;
  int frameCount = 0;
};

// Room for `frames` floats, or null when the memory cannot be had; never throws. A buffer of
// 2 MiB or more starts on a 2 MiB boundary, spans whole 2 MiB, and is offered to the kernel for
// transparent huge pages: first touching it then costs one page fault per 2 MiB instead of one
// per 4 KiB, which on a virtual machine is most of the time a long sound takes to load.
using FrameAllocator = SampleBuffer (*)(size_t frames);
SampleBuffer allocateFrames(size_t frames);

// Opens, allocates, reads, fades the edges and closes. `sound` changes only on kLoaded, so a
// refused file leaves whatever it held before.
LoadOutcome loadSound(const char* path, Sound& sound, FrameAllocator allocate = allocateFrames);

// The message for a failed load.
const char* loadMessage(LoadResult result);
