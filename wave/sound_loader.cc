// Loads a sound as the instrument plays it: validated, converted to floats, edges faded.
#include "sound_loader.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

#include "fade_edges.h"
#include "wave_reader.h"

namespace {

constexpr size_t kHugePageBytes = size_t{2} << 20;

}  // namespace

void FreeFrames::operator()(float* frames) const {
  std::free(frames);
}

SampleBuffer allocateFrames(size_t frames) {
  if (frames > (SIZE_MAX - kHugePageBytes) / sizeof(float)) {
    return nullptr;
  }
  const size_t bytes = frames * sizeof(float);
  if (bytes < kHugePageBytes) {
    return SampleBuffer(static_cast<float*>(std::malloc(bytes)));
  }
  const size_t rounded = (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
  void* memory = std::aligned_alloc(kHugePageBytes, rounded);
  if (memory == nullptr) {
    return nullptr;
  }
  // Only advice: where huge pages are off, or none can be had, the kernel uses small ones.
  madvise(memory, rounded, MADV_HUGEPAGE);
  return SampleBuffer(static_cast<float*>(memory));
}

LoadOutcome loadSound(const char* path, Sound& sound, FrameAllocator allocate) {
  WaveReader reader;
  if (!reader.open(path)) {
    return {LoadResult::kWrongFormat, reader.refusal()};
  }
  const int frames = static_cast<int>(reader.frameCount());
  SampleBuffer buffer = allocate(static_cast<size_t>(frames));
  if (!buffer) {
    return {LoadResult::kNoMemory, ""};
  }
  // A sound that ends early would play silence where it was cut, as if nothing were wrong.
  if (!reader.readFloats(buffer.get())) {
    return {LoadResult::kWrongFormat, reader.refusal()};
  }
  fadeEdges(buffer.get(), frames);
  reader.close();
  sound.samples = std::move(buffer);
  sound.frameCount = frames;
  return {LoadResult::kLoaded, ""};
}

const char* loadMessage(LoadResult result) {
  return result == LoadResult::kNoMemory ? kNoMemoryText : kWrongFormatText;
}
