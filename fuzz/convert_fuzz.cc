// libFuzzer target: any bytes at all, taken through the conversion path as a refused file is.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "memory_file.h"
#include "sound_converter.h"

namespace {

// A damaged header may claim hours of sound; past this the allocation is refused, as a machine
// without the memory refuses it, and the refusal path is what gets tested.
constexpr size_t kMostFrames = size_t{1} << 22;

SampleBuffer boundedAllocate(size_t frames) {
  return frames > kMostFrames ? nullptr : allocateFrames(frames);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const MemoryFile file("convert_fuzz");
  file.fill(data, size);

  Sound sound;
  std::string note;
  const LoadOutcome outcome = loadOrConvert(file.path.c_str(), sound, &note, boundedAllocate);
  // A refused file always gets a reason, a loaded one none.
  if ((outcome.result == LoadResult::kWrongFormat) == outcome.reason.empty())
    std::abort();
  if (outcome.result != LoadResult::kLoaded)
    return 0;
  if (sound.frameCount < 2 || sound.samples[0] != 0.0f ||
      sound.samples[sound.frameCount - 1] != 0.0f)
    std::abort();
  // Every sample is a number the engine can play: sanitised before resampling, so at most the
  // resampler's small overshoot beyond full scale.
  for (int i = 0; i < sound.frameCount; ++i) {
    if (!(std::fabs(sound.samples[i]) < 2.0f))
      std::abort();
  }
  return 0;
}
