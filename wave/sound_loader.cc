// Loads a sound as the instrument plays it: validated, converted to floats, edges faded.
#include "sound_loader.h"

#include <new>

#include "fade_edges.h"
#include "wave_reader.h"

std::unique_ptr<float[]> allocateFrames(size_t frames) {
  return std::unique_ptr<float[]>(new (std::nothrow) float[frames]);
}

LoadOutcome loadSound(const char* path, Sound& sound, FrameAllocator allocate) {
  WaveReader reader;
  if (!reader.open(path)) {
    return {LoadResult::kWrongFormat, reader.refusal()};
  }
  const int frames = static_cast<int>(reader.frameCount());
  std::unique_ptr<float[]> buffer = allocate(static_cast<size_t>(frames));
  if (!buffer) {
    return {LoadResult::kNoMemory, ""};
  }
  reader.readFloats(buffer.get());
  fadeEdges(buffer.get(), frames);
  reader.close();
  sound.samples = std::move(buffer);
  sound.frameCount = frames;
  return {LoadResult::kLoaded, ""};
}

const char* loadMessage(LoadResult result) {
  return result == LoadResult::kNoMemory ? kNoMemoryText : kWrongFormatText;
}
